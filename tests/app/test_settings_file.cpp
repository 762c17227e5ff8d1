#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "app/settings.h"
#include "support/smalldisk.h"

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace

// The store writes plain INI that any INI reader of Qt takes back, values and all.
TEST(SettingsFile, WritesQtIniText)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("zevanta.ini"));
    TAppSettings s;
    s.DataBase = QStringLiteral("/дом/база данных.db");
    s.BlockSize = 8;
    s.Port.Number = 97;
    {
        auto store = OpenSettingsStore(path);
        ASSERT_TRUE(SaveSettings(*store, s));
    }
    QSettings plain(path, QSettings::IniFormat);
    EXPECT_EQ(plain.value(QStringLiteral("Form/Options/BlockSize")).toInt(), 8);
    EXPECT_EQ(plain.value(QStringLiteral("COM-port/Number")).toInt(), 97);
    EXPECT_EQ(plain.value(QStringLiteral("DataBase")).toString(), s.DataBase);

    auto again = OpenSettingsStore(path);
    const TAppSettings back = LoadSettings(*again);
    EXPECT_EQ(back.DataBase, s.DataBase);
    EXPECT_EQ(back.BlockSize, 8);
}

// A full disk must never leave an empty settings file behind: the save fails, the file stays.
TEST(SettingsFile, FullDiskKeepsTheOldFile)
{
    SmallDisk disk;
    if (!disk.ready())
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const QString path = disk.path(QStringLiteral("zevanta.ini"));
    TAppSettings s;
    {
        auto store = OpenSettingsStore(path);
        ASSERT_TRUE(SaveSettings(*store, s));
    }
    const QByteArray before = bytesOf(path);
    ASSERT_FALSE(before.isEmpty());
    ASSERT_TRUE(disk.fill());

    auto store = OpenSettingsStore(path);
    s.BlockSize = 3;
    s.DataBase = QStringLiteral("/elsewhere.db");
    EXPECT_FALSE(SaveSettings(*store, s));
    EXPECT_FALSE(SaveDataBasePath(*store, QStringLiteral("/other.db")));
    EXPECT_EQ(bytesOf(path), before);
}

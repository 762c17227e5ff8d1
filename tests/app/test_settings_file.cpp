#include <gtest/gtest.h>

#include <QDir>
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
    QString why;
    EXPECT_FALSE(SaveSettings(*store, s, &why));
    EXPECT_EQ(why, QStringLiteral("на диске нет свободного места"));
    EXPECT_FALSE(SaveDataBasePath(*store, QStringLiteral("/other.db")));
    EXPECT_EQ(bytesOf(path), before);
}

// A settings file that cannot be read at start is replaced at exit: that is no failure, and the
// values are there afterwards. A real failure names its cause.
TEST(SettingsFile, UnreadableFileIsReplacedAndRealFailuresSayWhy)
{
    QByteArray binary;
    for (int i = 0; i < 1024; ++i)
        binary += char(i * 37 % 256);
    const struct {
        const char* name;
        QByteArray content;
    } unreadable[] = {
        {"garbage", QByteArray("[Form\nActive Tab=\n]]]=\\\n[COM-port\nNumber==5\n")},
        {"binary", binary},
    };
    for (const auto& c : unreadable) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("zevanta.ini"));
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.content);
        }
        auto store = OpenSettingsStore(path);
        TAppSettings s = LoadSettings(*store);
        EXPECT_EQ(store->status(), QSettings::FormatError);  // the store could not read it
        EXPECT_EQ(s.BlockSize, 6);
        s.BlockSize = 3;
        s.ActiveTab = QStringLiteral("tsKESTA");
        QString why;
        EXPECT_TRUE(SaveSettings(*store, s, &why)) << why.toStdString();
        EXPECT_TRUE(why.isEmpty());
        auto again = OpenSettingsStore(path);
        const TAppSettings back = LoadSettings(*again);
        EXPECT_EQ(back.BlockSize, 3);
        EXPECT_EQ(back.ActiveTab, QStringLiteral("tsKESTA"));
    }

    QTemporaryDir dir;
    QFile plainFile(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(plainFile.open(QIODevice::WriteOnly));
    plainFile.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.ini")));
    const struct {
        QString path;
        QString cause;
    } failing[] = {
        {dir.filePath(QStringLiteral("file/zevanta.ini")),
         QStringLiteral("папка \"%1\" недоступна").arg(dir.filePath(QStringLiteral("file")))},
        {dir.filePath(QStringLiteral("folder.ini")), QStringLiteral("на месте файла находится папка")},
    };
    for (const auto& c : failing) {
        SCOPED_TRACE(c.path.toStdString());
        auto store = OpenSettingsStore(c.path);
        QString why;
        EXPECT_FALSE(SaveSettings(*store, TAppSettings(), &why));
        EXPECT_EQ(why, c.cause);
        why.clear();
        EXPECT_FALSE(SaveDataBasePath(*store, QStringLiteral("/other.db"), &why));
        EXPECT_EQ(why, c.cause);
    }
}

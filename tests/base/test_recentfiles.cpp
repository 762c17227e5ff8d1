#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>

#include "base/fileio.h"
#include "base/recentfiles.h"

namespace {

void touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

QStringList names(const TRecentFiles& r)
{
    QStringList out;
    for (const QString& f : r.Files())
        out << QFileInfo(f).fileName();
    return out;
}

}  // namespace

// What the list holds after a series of loads: newest first, each file once however it was
// reached, never more than eight.
TEST(RecentFiles, AddKeepsNewestFirstOnceEachAndAtMostEight)
{
    QTemporaryDir dir;
    const QString d = dir.path();
    const QString sub = QFileInfo(d).fileName();
    struct Case {
        const char* name;
        QStringList added;
        QStringList expected;
    };
    const std::vector<Case> cases = {
        {"newest first", {d + "/a.hex", d + "/b.hex", d + "/c.hex"}, {"c.hex", "b.hex", "a.hex"}},
        {"again moves to the front", {d + "/a.hex", d + "/b.hex", d + "/a.hex"}, {"a.hex", "b.hex"}},
        {"another spelling of the same file",
         {d + "/a.hex", d + "/b.hex", d + "/../" + sub + "/./a.hex"},
         {"a.hex", "b.hex"}},
        {"blank names are no files", {d + "/a.hex", "", "  "}, {"a.hex"}},
        {"the oldest beyond eight goes",
         {d + "/1.hex", d + "/2.hex", d + "/3.hex", d + "/4.hex", d + "/5.hex", d + "/6.hex", d + "/7.hex",
          d + "/8.hex", d + "/9.hex"},
         {"9.hex", "8.hex", "7.hex", "6.hex", "5.hex", "4.hex", "3.hex", "2.hex"}},
        {"a file already listed does not push another out",
         {d + "/1.hex", d + "/2.hex", d + "/3.hex", d + "/4.hex", d + "/5.hex", d + "/6.hex", d + "/7.hex",
          d + "/8.hex", d + "/1.hex"},
         {"1.hex", "8.hex", "7.hex", "6.hex", "5.hex", "4.hex", "3.hex", "2.hex"}},
    };
    for (const Case& c : cases) {
        TRecentFiles r(QStringLiteral("FLASH"));
        for (const QString& f : c.added)
            r.Add(f);
        EXPECT_EQ(names(r), c.expected) << c.name;
        for (const QString& f : r.Files())
            EXPECT_TRUE(QFileInfo(f).isAbsolute() && !f.contains(QLatin1String("/../")))
                << c.name << " " << f.toStdString();
    }
}

// A chosen entry whose file is gone leaves the list and says which file; one that exists stays.
TEST(RecentFiles, TakeDropsAMissingFileWithAMessage)
{
    QTemporaryDir dir;
    const QString kept = dir.filePath("kept.hex");
    const QString gone = dir.filePath("gone.hex");
    touch(kept);
    touch(gone);
    TRecentFiles r(QStringLiteral("FLASH"));
    r.Add(kept);
    r.Add(gone);
    ASSERT_TRUE(QFile::remove(gone));

    QString message;
    EXPECT_EQ(r.Take(1, &message), std::optional<QString>(kept));
    EXPECT_TRUE(message.isEmpty());
    EXPECT_EQ(r.Files().size(), 2);

    EXPECT_FALSE(r.Take(0, &message));
    EXPECT_EQ(message, QStringLiteral("Файл %1 не найден.\r\nОн убран из списка последних файлов.")
                           .arg(QDir::toNativeSeparators(gone)));
    EXPECT_EQ(r.Files(), QStringList{kept});

    // A folder under a listed name is no file to load either.
    ASSERT_TRUE(QDir().mkdir(gone));
    r.Add(gone);
    message.clear();
    EXPECT_FALSE(r.Take(0, &message));
    EXPECT_FALSE(message.isEmpty());

    message.clear();
    EXPECT_FALSE(r.Take(5, &message));
    EXPECT_FALSE(r.Take(-1, &message));
    EXPECT_TRUE(message.isEmpty());
    EXPECT_EQ(r.Files(), QStringList{kept});
}

// The lists of two tabs live side by side in the settings; a shorter list written over a longer
// one leaves none of the old entries behind, and a hand-edited file is tidied on reading.
TEST(RecentFiles, SettingsKeepEachTabsListApart)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("z.ini");
    {
        QSettings store(ini, QSettings::IniFormat);
        TSettingsSection section = TSettingsSection(&store, QStringLiteral("Form")).Sub(QStringLiteral("Recent files"));
        TRecentFiles flash(QStringLiteral("FLASH"));
        for (int i = 1; i <= 5; ++i)
            flash.Add(dir.filePath(QStringLiteral("%1.hex").arg(i)));
        flash.Write(section);
        TRecentFiles ext(QStringLiteral("ExtMem"));
        ext.Add(dir.filePath("dump.bin"));
        ext.Write(section);

        TRecentFiles shorter(QStringLiteral("FLASH"));
        shorter.Add(dir.filePath("new.hex"));
        shorter.Write(section);
    }
    QSettings store(ini, QSettings::IniFormat);
    const TSettingsSection section =
        TSettingsSection(&store, QStringLiteral("Form")).Sub(QStringLiteral("Recent files"));
    EXPECT_EQ(store.value(QStringLiteral("Form/Recent files/FLASH 1")).toString(), dir.filePath("new.hex"));
    TRecentFiles flash(QStringLiteral("FLASH"));
    flash.Read(section);
    EXPECT_EQ(names(flash), QStringList{"new.hex"});
    TRecentFiles ext(QStringLiteral("ExtMem"));
    ext.Read(section);
    EXPECT_EQ(names(ext), QStringList{"dump.bin"});

    // Typed by hand: a gap, a double.
    store.setValue(QStringLiteral("Form/Recent files/FLASH 1"), dir.filePath("a.hex"));
    store.setValue(QStringLiteral("Form/Recent files/FLASH 2"), QString());
    store.setValue(QStringLiteral("Form/Recent files/FLASH 3"), dir.filePath("b.hex"));
    store.setValue(QStringLiteral("Form/Recent files/FLASH 4"), dir.filePath("a.hex"));
    flash.Read(section);
    EXPECT_EQ(names(flash), (QStringList{"a.hex", "b.hex"}));

    // No store: nothing read, nothing kept.
    TRecentFiles none(QStringLiteral("FLASH"));
    none.Read(TSettingsSection(nullptr, QStringLiteral("Form")));
    EXPECT_TRUE(none.Files().isEmpty());
}

TEST(RecentFiles, MenuTextNumbersEntriesAndKeepsAmpersands)
{
    struct Case {
        int index;
        QString path;
        QString expected;
    };
    const QString longFolder =
        QStringLiteral("/") + QString(40, QLatin1Char('a')) + QStringLiteral("/") + QString(40, QLatin1Char('b'));
    const std::vector<Case> cases = {
        {0, "/home/u/fw/fw.hex", "&1 fw.hex  (/home/u/fw)"},
        {7, "/home/u/R&D/a&b.hex", "&8 a&&b.hex  (/home/u/R&&D)"},
        {9, "/x/y.bin", "10 y.bin  (/x)"},
        {0, longFolder + "/z.hex",
         "&1 z.hex  (/" + QString(28, QLatin1Char('a')) + QChar(0x2026) + QString(30, QLatin1Char('b')) + ")"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TRecentFiles::MenuText(c.index, c.path), c.expected) << c.path.toStdString();
}

// Only one local file of the tab's kinds is taken from a drop.
TEST(FileIo, DroppedFileIsOneLocalFileOfTheTabsKinds)
{
    const QStringList hexOnly{"hex"};
    const QStringList hexOrBin{"hex", "bin"};
    struct Case {
        const char* name;
        QList<QUrl> urls;
        QStringList suffixes;
        QString expected;
    };
    const QUrl hex = QUrl::fromLocalFile("/tmp/fw.hex");
    const QUrl bin = QUrl::fromLocalFile("/tmp/dump.bin");
    const std::vector<Case> cases = {
        {"one hex file", {hex}, hexOnly, "/tmp/fw.hex"},
        {"suffix in capitals", {QUrl::fromLocalFile("/tmp/FW.HEX")}, hexOnly, "/tmp/FW.HEX"},
        {"bin where only hex is read", {bin}, hexOnly, ""},
        {"bin where it is read", {bin}, hexOrBin, "/tmp/dump.bin"},
        {"two files", {hex, hex}, hexOrBin, ""},
        {"nothing", {}, hexOrBin, ""},
        {"a remote file", {QUrl("https://example.org/fw.hex")}, hexOnly, ""},
        {"no suffix", {QUrl::fromLocalFile("/tmp/hex")}, hexOnly, ""},
        {"suffix only inside the name", {QUrl::fromLocalFile("/tmp/fw.hex.txt")}, hexOnly, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fileio::DroppedFile(c.urls, c.suffixes), c.expected) << c.name;
}

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "map/mappage.h"

namespace {
QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

TEST(MapPageFiles, WrittenWhileAliveAndRemovedAfterwards)
{
    QTemporaryDir tmp;
    const QString folder = tmp.filePath(QStringLiteral("Zevanta"));  // not there yet
    QFile other(tmp.filePath(QStringLiteral("keep.txt")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    {
        TMapPageFiles files(folder);
        ASSERT_TRUE(files.Ok()) << files.Error().toStdString();
        EXPECT_EQ(files.PagePath(), QDir(folder).filePath(QStringLiteral("map.html")));
        for (const QString& name : TMapPageFiles::FileNames()) {
            const QByteArray content = ReadFile(QDir(folder).filePath(name));
            EXPECT_FALSE(content.isEmpty()) << name.toStdString();
            EXPECT_EQ(content, TMapPageFiles::Content(name)) << name.toStdString();
        }
    }
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(QFile::exists(tmp.filePath(QStringLiteral("keep.txt"))));
}

TEST(MapPageFiles, AFolderThatCannotBeMadeLeavesNothing)
{
    QTemporaryDir tmp;
    QFile blocker(tmp.filePath(QStringLiteral("Zevanta")));  // a file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TMapPageFiles files(blocker.fileName());
    EXPECT_FALSE(files.Ok());
    EXPECT_FALSE(files.Error().isEmpty());

    // A folder that exists but cannot take files (read-only; root ignores that, so check it took).
    const QString ro = tmp.filePath(QStringLiteral("ro"));
    ASSERT_TRUE(QDir().mkpath(ro));
    QFile::setPermissions(ro, QFile::ReadOwner | QFile::ExeOwner);
    QFile probe(QDir(ro).filePath(QStringLiteral("probe")));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.remove();
    } else {
        TMapPageFiles blocked(ro);
        EXPECT_FALSE(blocked.Ok());
        EXPECT_TRUE(QDir(ro).entryList(QDir::Files).isEmpty());
    }
    QFile::setPermissions(ro, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The page loads every script and style from its own folder: nothing from the network.
TEST(MapPageFiles, PageLoadsOnlyItsOwnFiles)
{
    const QString page = QString::fromUtf8(TMapPageFiles::Content(QStringLiteral("map.html")));
    const QRegularExpression ref(QStringLiteral(R"re((?:src|href)\s*=\s*"([^"]*)")re"));
    QStringList refs;
    for (auto it = ref.globalMatch(page); it.hasNext();)
        refs << it.next().captured(1);
    EXPECT_EQ(refs, (QStringList{"leaflet.css", "leaflet.js", "mapcompat.js", "label.js"}));
    for (const QString& r : refs)
        EXPECT_TRUE(TMapPageFiles::FileNames().contains(r)) << r.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("<title>Карта</title>")));
    EXPECT_TRUE(page.contains(QStringLiteral("JavaScript должен быть включен для использования Google Maps.")));
}

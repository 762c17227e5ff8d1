#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QFile>
#include <QTemporaryDir>

#include "base/messages.h"
#include "sim/replaydevice.h"
#include "simtestutil.h"

using namespace simtest;
using zeva::sim::SimBus;

namespace {

std::string written(const QTemporaryDir& dir, const char* name, const QByteArray& text)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
    return QFile::encodeName(path).toStdString();
}

}  // namespace

// A trace saved by an editor with a UTF-8 byte order mark plays back like the one the program wrote.
TEST(SimReplay, TraceWithByteOrderMarkPlaysBack)
{
    QTemporaryDir dir;
    const QByteArray trace = "0.000100 COM97 > 5 71\n0.000200 COM97 < 5 71 ok 01 02\r\n";
    for (const QByteArray& prefix : {QByteArray(), QByteArray("\xEF\xBB\xBF")}) {
        SCOPED_TRACE(prefix.isEmpty() ? "plain" : "with BOM");
        SimBus bus;
        std::string error;
        ASSERT_TRUE(zeva::sim::addReplayDevices(bus, written(dir, "t.trace", prefix + trace), "", &error)) << error;
        EXPECT_EQ(ask(bus, 5, 71).payload, (Bytes{1, 2}));
    }
}

// What is not a regular file is refused before anything is read from it, with the reason: a FIFO
// would block and /dev/zero never ends.
TEST(SimReplay, RefusesWhatIsNotARegularFile)
{
    QTemporaryDir dir;
    const std::string fifo = QFile::encodeName(dir.filePath(QStringLiteral("fifo.trace"))).toStdString();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string path;
        QString reason;
    } cases[] = {
        {fifo, Msg::SysNotRegular},
        {"/dev/zero", Msg::SysNotRegular},
        {QFile::encodeName(dir.path()).toStdString(), Msg::SysIsFolder},
        {fifo + ".missing", Msg::SysNoEntry},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        SimBus bus;
        std::string error;
        EXPECT_FALSE(zeva::sim::addReplayDevices(bus, c.path, "", &error));
        EXPECT_EQ(error, c.path + ": " + c.reason.toStdString());
    }
}

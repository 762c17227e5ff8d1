// zevanta-cli as a user runs it: a real process against the simulator on a pty.
#include <gtest/gtest.h>

#include <QProcess>
#include <QString>

#include <filesystem>

#include "sim/deviceoption.h"
#include "sim/firmwaredevice.h"
#include "sim/simbus.h"

using namespace zeva::sim;

namespace {

QString cliPath()
{
    return QString::fromStdString((std::filesystem::read_symlink("/proc/self/exe").parent_path() / "zevanta-cli").string());
}

struct Run {
    int code;
    QString out;
    QString err;
};

Run runCli(const QStringList& args)
{
    QProcess p;
    p.start(cliPath(), args);
    EXPECT_TRUE(p.waitForFinished(20000)) << args.join(' ').toStdString();
    return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()), QString::fromLocal8Bit(p.readAllStandardError())};
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        addDefaultDevices(bus);
        std::string err;
        ASSERT_TRUE(bus.start(&err)) << err;
        port = QString::fromStdString(bus.slavePath());
    }
    SimBus bus;
    QString port;
};

}  // namespace

TEST_F(Cli, IdentifiesAndSends)
{
    auto r = runCli({"identify", "--port", port, "--addr", "5"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("v. 6.1")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("application (second generation)"));
    EXPECT_TRUE(r.out.contains("[hex32]"));

    // Options may stand anywhere; the payload bytes reach the device as typed.
    r = runCli({"--addr", "2", "send", "05", "--port", port});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "<-- 05\n--> OK\n");

    bus.deviceAs<FirmwareDevice>(2)->clearRequestLog();
    r = runCli({"send", "6", "47", "--port", port, "--addr", "2"});
    EXPECT_EQ(r.out, "<-- 06 -  47\n--> OK\n");
    const auto log = bus.deviceAs<FirmwareDevice>(2)->requestLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().cmd, 6);
    EXPECT_EQ(log.back().payload, std::vector<uint8_t>{0x47});
}

TEST_F(Cli, FailuresAreClearAndNonZero)
{
    struct Case {
        QStringList args;
        int code;
        const char* inErr;
    };
    const std::vector<Case> cases = {
        {{"identify", "--port", port, "--addr", "77", "--timeout", "20", "--retries", "1"}, 1, "no valid answer"},
        {{"send", "99", "--port", port, "--addr", "4"}, 1, "refused"},
        {{"identify", "--port", "/nonexistent/tty"}, 1, "absent or busy"},
        {{"identify"}, 2, "--port is required"},
        {{"identify", "--port", port, "--addr", "40000"}, 2, "--addr"},
        {{"frobnicate", "--port", port}, 2, "unknown command"},
        {{"send", "--port", port}, 2, "command code"},
    };
    for (const auto& c : cases) {
        const auto r = runCli(c.args);
        EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.inErr))) << c.args.join(' ').toStdString() << "\n"
                                                                  << r.err.toStdString();
    }
    // A refused command still prints the console lines.
    EXPECT_EQ(runCli({"send", "99", "--port", port, "--addr", "4"}).out, "<-- 99\n--> Error\n");
}

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

#include <QTemporaryDir>

#include "data/database.h"
#include "routes/demoroutes.h"
#include "sim/travodevice.h"

// A depot's day: import a sheet into a route, write the card into a unit, read it back as a
// new card; the same card is in both.
TEST(CliRoutes, ImportWriteAndReadBack)
{
    SimBus bus;
    std::string why;
    bus.addDevice(makeDevice("6:travo", &why));
    bus.addDevice(makeDevice("7:travo:marker=none", &why));
    ASSERT_TRUE(bus.start(&why)) << why;
    const QString port = QString::fromStdString(bus.slavePath());
    QTemporaryDir dir;
    const QString dbPath = dir.filePath(QStringLiteral("depot.db"));
    {
        TDatabase db;
        ASSERT_TRUE(db.Open(dbPath, TDatabase::OpenMode::CreateIfMissing));
        ASSERT_TRUE(FillDemoRoutes(db));
    }
    const QString sheet = QStringLiteral(ZEVANTA_TESTDATA_DIR "/routes/turns.ods");
    auto r = runCli({"routes", "import", sheet, "--db", dbPath, "--card", "Депо Южное", "--route", "1"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("3 turns imported")) << r.out.toStdString();

    r = runCli({"routes", "write", "--db", dbPath, "--card", "Депо Южное", "--port", port, "--addr", "6"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("1 routes, 13 turns, 97 pages written")) << r.out.toStdString();

    r = runCli({"routes", "read", "--db", dbPath, "--card", "Из блока", "--port", port, "--addr", "6"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("1 routes, 13 turns saved")) << r.out.toStdString();
    {
        TDatabase db;
        ASSERT_TRUE(db.Open(dbPath));
        const QString sql = QStringLiteral(
            "select group_concat(T.BegLat || T.EndLong || T.Turn, '|') from Поворот T join Маршрут R on R.ID = T.ID_Route "
            "join КартаПамяти C on C.ID = R.ID_Card where C.Name = ? order by T.Num");
        // Texts the unit cannot carry ("55.5") come back as its own coordinate text.
        const QString fromUnit = db.Scalar(sql, {QStringLiteral("Из блока")}).toString();
        EXPECT_EQ(fromUnit.count(u'|'), 12);
        EXPECT_TRUE(fromUnit.contains(QStringLiteral("- - -"))) << fromUnit.toStdString();
    }

    const struct {
        QStringList args;
        int code;
        const char* inErr;
    } failures[] = {
        {{"routes", "write", "--db", dbPath, "--card", "Депо Южное", "--port", port, "--addr", "7"}, 1, "не отформатирована"},
        {{"routes", "write", "--db", dbPath, "--card", "нет такой", "--port", port, "--addr", "6"}, 1, "no card"},
        {{"routes", "import", dbPath, "--db", dbPath, "--card", "Депо Южное", "--route", "1"}, 1, "Невозможно открыть файл!"},
        {{"routes", "import", sheet, "--db", dbPath, "--card", "Депо Южное", "--route", "9"}, 1, "has no route 9"},
        {{"routes", "import", sheet, "--db", dbPath, "--card", "Депо Южное"}, 2, "--route"},
        {{"routes", "write", "--card", "x", "--port", port}, 2, "--db"},
        {{"routes", "write", "--db", dir.filePath("missing.db"), "--card", "x", "--port", port}, 1, "does not exist"},
    };
    for (const auto& f : failures) {
        r = runCli(f.args);
        EXPECT_EQ(r.code, f.code) << f.args.join(' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(f.inErr))) << r.err.toStdString();
    }
    bus.stop();
}

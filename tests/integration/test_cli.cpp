// zevanta-cli as a user runs it: a real process against the simulator on a pty.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QString>
#include <QDir>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <algorithm>
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
        {{"identify", "--port", "/nonexistent/tty"}, 1, "/nonexistent/tty) отсутствует"},
        {{"identify", "--port", "/dev/null"}, 1, "/dev/null) не является последовательным портом"},
        {{"identify", "--port", "COM999"}, 2, "--port COM999 is neither"},
        {{"identify", "--port", port, "--timeout", "0"}, 2, "--timeout must be 1 ms or more"},
        {{"identify", "--port", port, "--retries", "0"}, 2, "--retries must be 1 or more"},
        {{"flash", "write", "fw.hex", "--port", port, "--verify", "--no-verify"}, 2, "exclude each other"},
        {{"identify"}, 2, "--port is required"},
        {{"identify", "--port", port, "--addr", "40000"}, 2, "--addr"},
        {{"frobnicate", "--port", port}, 2, "unknown command"},
        {{"send", "--port", port}, 2, "command code"},
    };
    for (const auto& c : cases) {
        const auto r = runCli(c.args);
        EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.inErr))) << c.args.join(' ').toStdString() << "\n"
                                                                  << r.err.toStdString();
    }
    // Every byte of send is one or two hexadecimal digits; anything else sends nothing at all.
    auto* dev4 = bus.deviceAs<FirmwareDevice>(4);
    for (const QStringList& bad : {QStringList{"ZZ"}, {"108"}, {"71", "G1"}, {"-5"}, {"0x5"}, {"5", ""}}) {
        dev4->clearRequestLog();
        const auto r = runCli(QStringList{"send"} + bad + QStringList{"--port", port, "--addr", "4"});
        EXPECT_EQ(r.code, 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("is not a byte in hexadecimal")) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(dev4->requestLog().empty()) << bad.join(' ').toStdString();
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

// --- firmware images as a production line feeds them ----------------------------------------

namespace {

using Bytes = std::vector<uint8_t>;

// One record with the standard checksum, built independently of the reader.
QByteArray record(uint16_t addr, uint8_t type, const Bytes& data)
{
    unsigned sum = unsigned(data.size()) + (addr >> 8) + (addr & 0xFF) + type;
    QByteArray s = QByteArray(":") + QByteArray::number(qulonglong(data.size()), 16).rightJustified(2, '0') +
                   QByteArray::number(addr, 16).rightJustified(4, '0') + QByteArray::number(type, 16).rightJustified(2, '0');
    for (uint8_t b : data) {
        s += QByteArray::number(b, 16).rightJustified(2, '0');
        sum += b;
    }
    return (s + QByteArray::number((0x100 - (sum & 0xFF)) & 0xFF, 16).rightJustified(2, '0')).toUpper() + "\r\n";
}

Bytes firmware(size_t n)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = uint8_t(i * 7 + 3);
    return b;
}

// An ARM controller of the catalogue (64 KiB, program from 0x2000) in its second-generation
// bootloader, next to the default bus.
class CliFirmware : public ::testing::Test {
protected:
    static constexpr uint16_t kArm = 16;

    void SetUp() override
    {
        addDefaultDevices(bus);
        bus.addDevice(makeDevice("16:boot60:mcu=16"));
        std::string err;
        ASSERT_TRUE(bus.start(&err)) << err;
        port = QString::fromStdString(bus.slavePath());
        arm = bus.deviceAs<FirmwareDevice>(kArm);
        ASSERT_TRUE(arm);
    }
    QString file(const QString& name, const QByteArray& text)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
        return path;
    }
    std::vector<uint8_t> commandsSeen() const
    {
        std::vector<uint8_t> cmds;
        for (const auto& r : arm->requestLog())
            cmds.push_back(r.cmd);
        return cmds;
    }

    SimBus bus;
    QString port;
    FirmwareDevice* arm = nullptr;
    QTemporaryDir dir;
};

}  // namespace

// A file is written where the bootloader's 16-bit block addresses put it, verified unless told not
// to, and refused before any write when its data does not fit the device; a refused or unanswered
// command around the write fails the run.
TEST_F(CliFirmware, WritesOnlyWhatTheFileMeansAndSaysSoWhenItCannot)
{
    const Bytes code = firmware(0x400);
    QByteArray arm04 = record(0, 4, {0x08, 0x00});
    for (uint32_t off = 0; off < code.size(); off += 16)
        arm04 += record(uint16_t(0x2000 + off), 0, Bytes(code.begin() + off, code.begin() + off + 16));
    arm04 += record(0, 5, {0x08, 0x00, 0x20, 0x01}) + ":00000001FF\r\n";

    struct Case {
        const char* name;
        QByteArray text;
        QStringList extra;
        std::vector<Fault> faults;
        int code;
        const char* inOutput;  // stdout on success, stderr otherwise
        bool written;          // the program memory holds `code` afterwards
        bool blocksSent;       // any command 4 reached the device
        bool verified;         // command 3 read the program back
    };
    const std::vector<Case> cases = {
        {"ARM file with 0x0800 upper address", arm04, {}, {}, 0, "Различия не найдены!", true, true, true},
        {"--no-verify skips the compare", arm04, {"--no-verify"}, {}, 0, "Запись FLASH: done", true, true, false},
        {"data below the program region", record(0x1FF0, 0, Bytes(16, 1)) + arm04.mid(arm04.indexOf(":10")), {}, {}, 1,
         "(0x1FF0..0x23FF) выходят за пределы области памяти 0x2000..0xFFFF", false, false, false},
        {"data above 64 KiB in a file for the bigger part", record(0, 4, {0, 1}) + record(0x2000, 0, Bytes(16, 1)) +
             record(0, 4, {0, 0}) + record(0x2000, 0, Bytes(16, 2)) + ":00000001FF\r\n",
         {}, {}, 1, "уже заданный раньше", false, false, false},
        {"end record only", ":00000001FF\r\n", {}, {}, 1, "В файле нет данных", false, false, false},
        {"empty data record in the middle", record(0x2000, 0, Bytes(16, 1)) + ":0020100000\r\n" +
             record(0x2010, 0, Bytes(16, 1)) + ":00000001FF\r\n",
         {}, {}, 1, "стоит после пустой записи в строке 2", false, false, false},
        {"erase refused", arm04, {}, {Fault{FaultKind::Refuse, 6, 0, 1}}, 1,
         "Команда перед записью (06 FF) не принята устройством", false, false, false},
        {"erase unanswered", arm04, {"--retries", "1", "--timeout", "30"}, {Fault{FaultKind::Silent, 6, 0, 0}}, 1,
         "Команда перед записью (06 FF) осталась без ответа", false, false, false},
        {"finishing command refused", arm04, {}, {Fault{FaultKind::Refuse, 6, 1, 1}}, 1,
         "Команда после записи (06 47) не принята устройством", true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        arm->clearFaults();
        arm->writeFlash(0x2000, Bytes(code.size(), 0xFF));
        arm->clearRequestLog();
        for (const Fault& f : c.faults)
            arm->addFault(f);
        const auto r = runCli(QStringList{"flash", "write", file("fw.hex", c.text), "--port", port, "--addr", "16"} + c.extra);
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        const QString& shown = c.code == 0 ? r.out : r.err;
        EXPECT_TRUE(shown.contains(QString::fromUtf8(c.inOutput))) << shown.toStdString();
        EXPECT_EQ(arm->readFlash(0x2000, uint32_t(code.size())) == code, c.written);
        const auto cmds = commandsSeen();
        EXPECT_EQ(std::count(cmds.begin(), cmds.end(), 4) > 0, c.blocksSent);
        EXPECT_EQ(std::count(cmds.begin(), cmds.end(), 3) > 0, c.verified);
        // A refused file costs the device nothing but its identification.
        if (!c.blocksSent && c.faults.empty()) {
            EXPECT_TRUE(std::all_of(cmds.begin(), cmds.end(), [](uint8_t cmd) { return cmd == 113; }));
        }
    }
}

// Files are checked before the port is touched, with the system's reason; an external-memory
// file writes its own bytes only, and --verify reads them back.
TEST_F(CliFirmware, FilesAreCheckedFirstAndExternalMemoryGetsOnlyTheFilesBytes)
{
    ::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600);
    QDir(dir.path()).mkdir("folder");
    struct Case {
        QStringList args;
        const char* inErr;
    };
    const std::vector<Case> cases = {
        {{"flash", "write", dir.filePath("missing.hex")}, "нет такого файла или папки"},
        {{"flash", "write", dir.filePath("folder")}, "это папка, а не файл"},
        {{"flash", "verify", dir.filePath("fifo")}, "это не обычный файл"},
        {{"flash", "read", dir.filePath("no/such/folder/fw.hex")}, "нет такого файла или папки"},
        {{"extmem", "write", dir.filePath("fifo")}, "это не обычный файл"},
        {{"extmem", "read", dir.filePath("folder")}, "это папка, а не файл"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        arm->clearRequestLog();
        const auto r = runCli(c.args + QStringList{"--port", port, "--addr", "16"});
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.inErr))) << r.err.toStdString();
        EXPECT_TRUE(arm->requestLog().empty());
    }

    // An application with 32 KiB of external memory in 256-byte blocks.
    auto* app = bus.deviceAs<FirmwareDevice>(5);
    ASSERT_TRUE(app);
    const uint32_t ext = app->extSize();
    const Bytes before = firmware(ext);
    std::vector<uint8_t> mine(300);
    for (size_t i = 0; i < mine.size(); ++i)
        mine[i] = uint8_t(0xA0 ^ i);
    const QString small = file("small.bin", QByteArray(reinterpret_cast<const char*>(mine.data()), qsizetype(mine.size())));
    const QString big = file("big.bin", QByteArray(qsizetype(ext) + 1, 'x'));

    app->writeExt(0, before);
    auto r = runCli({"extmem", "write", big, "--port", port, "--addr", "5"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("Файл длиннее памяти")) << r.err.toStdString();
    EXPECT_TRUE(app->readExt(0, ext) == before);

    r = runCli({"extmem", "write", small, "--verify", "--port", port, "--addr", "5"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Различия не найдены!")) << r.out.toStdString();
    Bytes expected = before;
    std::copy(mine.begin(), mine.end(), expected.begin());
    EXPECT_TRUE(app->readExt(0, ext) == expected);  // the rest keeps what the device held
}

// zevanta-cli as a user runs it: a real process against the simulator on a pty.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QTemporaryDir>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "data/identity.h"
#include "sim/deviceoption.h"
#include "sim/firmwaredevice.h"
#include "sim/simbus.h"
#include "support/cliprocess.h"

using namespace zeva::sim;

namespace {

// A time-out that a device which is there meets even on a loaded machine: only absent and silent
// devices wait it out, so the tests that rely on every answer arriving pay a second per silence.
const QString kPatientMs = QStringLiteral("1000");

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
    EXPECT_TRUE(r.out.contains("рабочая программа (второе поколение)"));
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
        {{"identify", "--port", port, "--addr", "77", "--timeout", "20", "--retries", "1"}, 1, "нет верного ответа"},
        {{"send", "99", "--port", port, "--addr", "4"}, 1, "отказалось"},
        {{"identify", "--port", "/nonexistent/tty"}, 1, "Порт /nonexistent/tty отсутствует"},
        {{"identify", "--port", "/dev/null"}, 1, "/dev/null не является последовательным портом"},
        {{"identify", "--port", "COM999"}, 2, "--port COM999: не COM1..COM127"},
        {{"identify", "--port", port, "--timeout", "0"}, 2, "--timeout — не меньше 1 мс"},
        {{"identify", "--port", port, "--retries", "0"}, 2, "--retries — не меньше 1"},
        {{"flash", "write", "fw.hex", "--port", port, "--verify", "--no-verify"}, 2, "исключают друг друга"},
        {{"identify"}, 2, "нужен --port"},
        {{"identify", "--port", port, "--addr", "40000"}, 2, "--addr"},
        {{"frobnicate", "--port", port}, 2, "неизвестная команда"},
        {{"send", "--port", port}, 2, "код команды"},
    };
    for (const auto& c : cases) {
        const auto r = runCli(c.args);
        EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.inErr))) << c.args.join(' ').toStdString() << "\n"
                                                                << r.err.toStdString();
    }
    // Every byte of send is one or two hexadecimal digits; anything else sends nothing at all.
    auto* dev4 = bus.deviceAs<FirmwareDevice>(4);
    const struct {
        QStringList bytes;
        const char* inErr;
    } bad[] = {{{"ZZ"}, "не байт в шестнадцатеричном виде"},       {{"108"}, "не байт в шестнадцатеричном виде"},
               {{"71", "G1"}, "не байт в шестнадцатеричном виде"}, {{"0x5"}, "не байт в шестнадцатеричном виде"},
               {{"5", ""}, "не байт в шестнадцатеричном виде"},    {{"-5"}, "неизвестный ключ -5"}};
    for (const auto& b : bad) {
        dev4->clearRequestLog();
        const auto r = runCli(QStringList{"send"} + b.bytes + QStringList{"--port", port, "--addr", "4"});
        EXPECT_EQ(r.code, 2) << b.bytes.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(b.inErr))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(dev4->requestLog().empty()) << b.bytes.join(' ').toStdString();
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
    EXPECT_TRUE(r.out.contains("импортировано поворотов 3")) << r.out.toStdString();

    r = runCli({"routes", "write", "--db", dbPath, "--card", "Депо Южное", "--port", port, "--addr", "6"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("записано маршрутов 1, поворотов 13, страниц 97")) << r.out.toStdString();

    r = runCli({"routes", "read", "--db", dbPath, "--card", "Из блока", "--port", port, "--addr", "6"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("сохранено маршрутов 1, поворотов 13")) << r.out.toStdString();
    {
        TDatabase db;
        ASSERT_TRUE(db.Open(dbPath));
        const QString sql = QStringLiteral(
            "select group_concat(T.BegLat || T.EndLong || T.Turn, '|') from Поворот T join Маршрут R on R.ID = "
            "T.ID_Route "
            "join КартаПамяти C on C.ID = R.ID_Card where C.Name = ? order by T.Num");
        // Decimal degrees of the sheet ("55.5") were stored in the layout and come back unchanged.
        const QString fromUnit = db.Scalar(sql, {QStringLiteral("Из блока")}).toString();
        EXPECT_EQ(fromUnit.count(u'|'), 12);
        EXPECT_TRUE(fromUnit.contains(QStringLiteral("+55°30'00.0\"+13°00'00.0\"R"))) << fromUnit.toStdString();
        EXPECT_FALSE(fromUnit.contains(QStringLiteral("- - -"))) << fromUnit.toStdString();
    }

    // Out for GPS tools: the whole card by the file's suffix, one route by --format.
    const QString gpx = dir.filePath(QStringLiteral("card.gpx"));
    r = runCli({"routes", "export", gpx, "--db", dbPath, "--card", "Из блока"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("card.gpx: выгружено маршрутов 1, точек ")) << r.out.toStdString();
    QFile gpxFile(gpx);
    ASSERT_TRUE(gpxFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(gpxFile.readAll().count("<rte>"), 1);
    const QString kml = dir.filePath(QStringLiteral("one.xml"));
    r = runCli({"routes", "export", kml, "--db", dbPath, "--card", "Депо Северное", "--route", "2", "--format", "KML"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    QFile kmlFile(kml);
    ASSERT_TRUE(kmlFile.open(QIODevice::ReadOnly));
    const QString kmlText = QString::fromUtf8(kmlFile.readAll());
    EXPECT_TRUE(kmlText.contains(QStringLiteral("<name>Парк - Депо</name>"))) << kmlText.toStdString();
    EXPECT_FALSE(kmlText.contains(QStringLiteral("Вокзал")));

    const struct {
        QStringList args;
        int code;
        const char* inErr;
    } failures[] = {
        {{"routes", "write", "--db", dbPath, "--card", "Депо Южное", "--port", port, "--addr", "7"},
         1,
         "не отформатирована"},
        {{"routes", "write", "--db", dbPath, "--card", "нет такой", "--port", port, "--addr", "6"}, 4, "нет карты"},
        {{"routes", "import", dbPath, "--db", dbPath, "--card", "Депо Южное", "--route", "1"},
         4,
         "Невозможно открыть файл!"},
        {{"routes", "import", sheet, "--db", dbPath, "--card", "Депо Южное", "--route", "9"}, 4, "нет маршрута 9"},
        {{"routes", "import", sheet, "--db", dbPath, "--card", "Депо Южное"}, 2, "--route"},
        {{"routes", "write", "--card", "x", "--port", port}, 2, "--db"},
        {{"routes", "export", dir.filePath("x.txt"), "--db", dbPath, "--card", "Депо Южное"},
         2,
         "--format gpx или kml"},
        {{"routes", "export", dir.filePath("x.gpx"), "--db", dbPath, "--card", "Депо Южное", "--format", "kmz"},
         2,
         "--format — gpx или kml"},
        {{"routes", "write", "--db", dbPath, "--card", "Депо Южное", "--port", port, "--format", "gpx"},
         2,
         "--format относится только к routes export"},
        {{"routes", "export", dir.filePath("x.gpx"), "--db", dbPath, "--card", "Депо Южное", "--route", "9"},
         4,
         "нет маршрута 9"},
        {{"routes", "export", dbPath, "--db", dbPath, "--card", "Депо Южное", "--format", "gpx"},
         4,
         "это файл базы данных"},
        {{"routes", "write", "--db", dir.filePath("missing.db"), "--card", "x", "--port", port},
         4,
         "missing.db: файл не найден"},
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
    QString file(const QString& name, const QByteArray& data) { return writeTestFile(dir, name, data); }
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
    QByteArray arm04 = hexRecord(0, 4, {0x08, 0x00});
    for (uint32_t off = 0; off < code.size(); off += 16)
        arm04 += hexRecord(uint16_t(0x2000 + off), 0, Bytes(code.begin() + off, code.begin() + off + 16));
    arm04 += hexRecord(0, 5, {0x08, 0x00, 0x20, 0x01}) + ":00000001FF\r\n";
    // The file with its third line (the second data record) replaced.
    auto damaged = [&](const QByteArray& line) {
        QList<QByteArray> lines = arm04.split('\n');
        lines[2] = line + '\r';
        return lines.join('\n');
    };
    const QByteArray second = hexRecord(0x2010, 0, Bytes(code.begin() + 16, code.begin() + 32)).trimmed();
    QByteArray staleType06 = second;
    staleType06.replace(7, 2, "06");

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
        {"--no-verify skips the compare", arm04, {"--no-verify"}, {}, 0, "Запись FLASH: готово", true, true, false},
        {"data below the program region",
         hexRecord(0x1FF0, 0, Bytes(16, 1)) + arm04.mid(arm04.indexOf(":10")),
         {},
         {},
         4,
         "(0x1FF0..0x23FF) выходят за пределы области памяти 0x2000..0xFFFF",
         false,
         false,
         false},
        {"data above 64 KiB in a file for the bigger part",
         hexRecord(0, 4, {0, 1}) + hexRecord(0x2000, 0, Bytes(16, 1)) + hexRecord(0, 4, {0, 0}) +
             hexRecord(0x2000, 0, Bytes(16, 2)) + ":00000001FF\r\n",
         {},
         {},
         4,
         "уже заданный раньше",
         false,
         false,
         false},
        {"end record only", ":00000001FF\r\n", {}, {}, 4, "В файле нет данных", false, false, false},
        {"non-hex character in a record",
         damaged(":10G010" + second.mid(7)),
         {},
         {},
         4,
         "Неверный символ в строке 3!",
         false,
         false,
         false},
        {"line cut inside its header", damaged(":1020"), {}, {}, 4, "Неверный символ в строке 3!", false, false, false},
        {"unknown record type with a stale checksum",
         damaged(staleType06),
         {},
         {},
         4,
         "Неверная контрольная сумма в строке 3!",
         false,
         false,
         false},
        {"empty data record in the middle",
         hexRecord(0x2000, 0, Bytes(16, 1)) + hexRecord(0x2010, 0, {}) + hexRecord(0x2010, 0, Bytes(16, 1)) +
             ":00000001FF\r\n",
         {},
         {},
         4,
         "стоит после пустой записи в строке 2",
         false,
         false,
         false},
        {"erase refused",
         arm04,
         {},
         {Fault{FaultKind::Refuse, 6, 0, 1}},
         1,
         "Команда перед записью (06 FF) не принята устройством",
         false,
         false,
         false},
        {"erase unanswered",
         arm04,
         {"--retries", "1", "--timeout", "30"},
         {Fault{FaultKind::Silent, 6, 0, 0}},
         1,
         "Команда перед записью (06 FF) осталась без ответа",
         false,
         false,
         false},
        {"finishing command refused",
         arm04,
         {},
         {Fault{FaultKind::Refuse, 6, 1, 1}},
         1,
         "Команда после записи (06 47) не принята устройством",
         true,
         true,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        arm->clearFaults();
        arm->writeFlash(0x2000, Bytes(code.size(), 0xFF));
        arm->clearRequestLog();
        for (const Fault& f : c.faults)
            arm->addFault(f);
        const auto r =
            runCli(QStringList{"flash", "write", file("fw.hex", c.text), "--port", port, "--addr", "16"} + c.extra);
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
        EXPECT_EQ(r.code, 4);
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
    const QString small =
        file("small.bin", QByteArray(reinterpret_cast<const char*>(mine.data()), qsizetype(mine.size())));
    const QString big = file("big.bin", QByteArray(qsizetype(ext) + 1, 'x'));

    app->writeExt(0, before);
    auto r = runCli({"extmem", "write", big, "--port", port, "--addr", "5"});
    EXPECT_EQ(r.code, 4);
    EXPECT_TRUE(r.err.contains("Файл длиннее памяти")) << r.err.toStdString();
    EXPECT_TRUE(app->readExt(0, ext) == before);

    r = runCli({"extmem", "write", small, "--verify", "--port", port, "--addr", "5"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Различия не найдены!")) << r.out.toStdString();
    Bytes expected = before;
    std::copy(mine.begin(), mine.end(), expected.begin());
    EXPECT_TRUE(app->readExt(0, ext) == expected);  // the rest keeps what the device held
}

// --- the command line as scripts use it -----------------------------------------------------

#include <QJsonDocument>
#include <QJsonObject>

#include "versiondefs.h"

namespace {

std::vector<uint8_t> commandsOf(const SimDevice& dev)
{
    std::vector<uint8_t> cmds;
    for (const auto& r : dev.requestLog())
        cmds.push_back(r.cmd);
    return cmds;
}

std::vector<uint8_t> withoutIdentify(std::vector<uint8_t> cmds)
{
    std::erase(cmds, uint8_t(113));
    return cmds;
}

// Every line of stdout as a JSON object; a line that is no JSON object fails the test.
std::vector<QJsonObject> jsonLines(const QString& out)
{
    std::vector<QJsonObject> objects;
    for (const QString& line : out.split(u'\n', Qt::SkipEmptyParts)) {
        QJsonParseError e;
        const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8(), &e);
        EXPECT_TRUE(doc.isObject()) << line.toStdString() << ": " << e.errorString().toStdString();
        objects.push_back(doc.object());
    }
    return objects;
}

std::vector<QJsonObject> ofType(const std::vector<QJsonObject>& all, const char* type)
{
    std::vector<QJsonObject> out;
    std::copy_if(all.begin(), all.end(), std::back_inserter(out),
                 [&](const QJsonObject& o) { return o.value("type").toString() == QLatin1String(type); });
    return out;
}

// zevanta-sim as its own process: its serial side, and the process to stop.
struct SimProcess {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QString port;

    explicit SimProcess(const QStringList& args)
    {
        const QString sim = QString::fromStdString(
            (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "zevanta-sim").string());
        process->start(sim, args);
        if (process->waitForReadyRead(10000))
            port = QString::fromLocal8Bit(process->readLine()).trimmed();
    }
    bool finished() { return process->state() == QProcess::NotRunning || process->waitForFinished(5000); }
    ~SimProcess()
    {
        process->terminate();
        process->waitForFinished(5000);
    }
};

}  // namespace

// Every spelling of the options, help for the program and for each command, and nothing reaches
// the device when the line is wrong.
TEST_F(CliFirmware, OptionsAndHelp)
{
    struct Case {
        QStringList args;
        int code;
        const char* shown;  // stdout on 0, stderr otherwise
        std::vector<uint8_t> armGot;
    };
    const std::vector<Case> cases = {
        {{"--version"}, 0, "zevanta-cli " ZEVANTA_VERSION_STRING "\n", {}},
        {{"--help"}, 0, "  scan -p ПОРТ [-a 1-254]\n", {}},
        {{"flash", "--help"}, 0, "вызов: zevanta-cli flash write ФАЙЛ.hex", {}},
        {{"identify", "-p", port, "-a", "16"}, 0, "STM32F030C8", {113}},
        {{"identify", "--port=" + port, "--addr=0x10", "-b", "115200"}, 0, "STM32F030C8", {113}},
        {{"-a16", "identify", "-p", port}, 0, "STM32F030C8", {113}},
        {{"identify", "-p", port, "-a", "16", "extra"}, 2, "identify не принимает аргументов", {}},
        {{"identify", "-p", port, "-a", "16", "-a", "5"}, 2, "--addr задан больше одного раза", {}},
        {{"identify", "-p", port, "--frobnicate"}, 2, "неизвестный ключ --frobnicate", {}},
        {{"identify", "-p", port, "-a", "16", "--db", "x.db"}, 2, "--db не относится к команде identify", {}},
        {{"identify", "-p", port, "-a", "16,17"}, 2, "identify опрашивает одно устройство", {}},
        {{"identify", "-p", port, "-a", "16", "-q", "-v"}, 2, "исключают друг друга", {}},
        {{"scan", "-p", port, "-a", "3,x"}, 2, "--addr принимает адреса", {}},
        {{"scan", "-p", port, "-a", "9-3"}, 2, "--addr принимает адреса", {}},
        {{"flash", "verify", "fw.hex", "--run", "-p", port, "-a", "16"}, 2, "--run относится к flash write", {}},
        {{"flash", "read", "fw.hex", "-p", port, "-a", "16,17"}, 2, "flash read читает одно устройство", {}},
        {{"flash", "write", "fw.hex", "-p", port, "-a", "all"}, 2, "--addr all берёт список устройств из --db", {}},
        {{"flash", "write", "fw.hex", "-p", port + "," + port}, 2, "задан дважды", {}},
        {{"frobnicate", "--help"}, 2, "неизвестная команда", {}},
        {{"ports", "extra"}, 2, "ports не принимает аргументов", {}},
        {{"ports", "-p", port}, 2, "--port не относится к команде ports", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        arm->clearRequestLog();
        const auto r = runCli(c.args);
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        const QString& shown = c.code == 0 ? r.out : r.err;
        EXPECT_TRUE(shown.contains(QString::fromUtf8(c.shown))) << shown.toStdString();
        EXPECT_EQ(commandsOf(*arm), c.armGot);
    }
    // --catalog replaces the catalogue found beside the program; a missing one costs only the names.
    const QString catalog =
        file("mcu.xml",
             "<?xml version=\"1.0\"?>\n<catalog><list>\n"
             "<mcu id=\"16\" name=\"OWN-PART\" rom=\"0x10000\" offset=\"0x2000\" firma=\"Us\"/>\n</list></catalog>\n");
    auto own = runCli({"identify", "-p", port, "-a", "16", "--catalog", catalog});
    EXPECT_EQ(own.code, 0) << own.err.toStdString();
    EXPECT_TRUE(own.out.contains("OWN-PART")) << own.out.toStdString();
    own = runCli({"identify", "-p", port, "-a", "16", "--catalog", dir.filePath("none.xml")});
    EXPECT_EQ(own.code, 0);
    EXPECT_TRUE(own.err.contains(QStringLiteral("сведений о микроконтроллере не будет"))) << own.err.toStdString();
    EXPECT_FALSE(own.out.contains("STM32F030C8"));

    // A link in the working folder is a port by its bare name, not a serial number.
    ASSERT_TRUE(QFile::link(port, dir.filePath("jig")));
    QProcess inFolder;
    inFolder.setWorkingDirectory(dir.path());
    inFolder.start(cliPath(), {"identify", "-p", "jig", "-a", "16"});
    ASSERT_TRUE(inFolder.waitForFinished(20000));
    EXPECT_EQ(inFolder.exitCode(), 0) << inFolder.readAllStandardError().toStdString();

    // The help of a command is its own: no other command in it.
    const auto r = runCli({"mode", "--help"});
    EXPECT_TRUE(r.out.contains("mode boot|app|reset")) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains("flash write"));
}

// The bottom panel's buttons for scripts: the command goes out, then the mode is checked.
TEST_F(CliFirmware, ModeSendsTheCommandAndChecksTheMode)
{
    bus.addDevice(makeDevice("17:boot60:blank=1"));
    struct Case {
        QStringList args;
        int code;
        const char* shown;
        uint16_t addr;
        std::vector<uint8_t> got;  // besides identification
    };
    const std::vector<Case> cases = {
        {{"mode", "boot", "-a", "5"}, 0, "устройство 5: загрузчик (второе поколение)", 5, {2}},
        {{"mode", "app", "-a", "5"}, 0, "устройство 5: рабочая программа (второе поколение)", 5, {1}},
        {{"mode", "reset", "-a", "5"}, 0, "устройство 5: рабочая программа (второе поколение)", 5, {8}},
        {{"mode", "reset", "--old-reset", "-a", "5"}, 0, "устройство 5: рабочая программа", 5, {0}},
        {{"mode", "app", "-a", "17"}, 1, "В центральном контроллере отсутствует основная программа!", 17, {1}},
        {{"mode", "boot", "-a", "9", "--timeout", "30", "--retries", "1"}, 1, "команда 2: нет верного ответа", 9, {}},
        {{"mode", "fly", "-a", "5"}, 2, "неизвестный режим", 5, {}},
        {{"mode", "boot", "--old-reset", "-a", "5"}, 2, "--old-reset относится к mode reset", 5, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        SimDevice* dev = bus.device(c.addr);
        if (dev)
            dev->clearRequestLog();
        const auto r = runCli(c.args + QStringList{"-p", port});
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        EXPECT_TRUE((c.code == 0 ? r.out : r.err).contains(QString::fromUtf8(c.shown)))
            << r.out.toStdString() << r.err.toStdString();
        if (dev) {
            EXPECT_EQ(withoutIdentify(commandsOf(*dev)), c.got);
        }
    }
}

// One quick question per address: a table of what answered, the silent ones asked once.
TEST_F(CliFirmware, ScanListsWhatAnswers)
{
    bus.device(4)->clearRequestLog();
    auto r = runCli({"scan", "-p", port, "-a", "1-4,9,16"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("\n   16  boot6    6.0.")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("STM32F030C8")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("\n    1  boot5.0  ")) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains("\n    9  "));
    EXPECT_TRUE(r.out.contains(QStringLiteral("ответили адресов: 5 из 6")));
    EXPECT_EQ(commandsOf(*bus.device(4)), std::vector<uint8_t>{113});

    r = runCli({"scan", "-p", port, "-a", "3,9", "--json"});
    const auto objects = jsonLines(r.out);
    const auto devices = ofType(objects, "device");
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].value("address").toInt(), 3);
    EXPECT_EQ(devices[0].value("mode").toString(), "boot6");
    ASSERT_EQ(ofType(objects, "summary").size(), 1u);
    EXPECT_EQ(ofType(objects, "summary")[0].value("answered").toInt(), 1);
    // What a device list needs of each device, under the inventory report's names.
    for (const char* key : {"port", "path", "address", "name", "mode", "version", "build", "part", "ext", "seen"})
        EXPECT_TRUE(devices[0].contains(key)) << key;
    for (const QString& key : IdentityFields())
        EXPECT_TRUE(key == u"listName" || devices[0].contains(key)) << key.toStdString();
    const QDateTime seen = QDateTime::fromString(devices[0].value("seen").toString(), Qt::ISODate);
    EXPECT_TRUE(seen.isValid()) << devices[0].value("seen").toString().toStdString();
    EXPECT_LT(std::abs(seen.secsTo(QDateTime::currentDateTime())), 60);
    EXPECT_EQ(devices[0].value("port").toString(), port);

    // Nobody there is an answer a script must see.
    r = runCli({"scan", "-p", port, "-a", "9-11"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Устройства не найдены"))) << r.err.toStdString();
}

// Several devices in one run, each verified and started, one line each and a summary; a missing
// device fails the run but not the others; --addr all takes the device list in its order.
TEST_F(CliFirmware, FlashWriteToSeveralDevicesAndRun)
{
    const Bytes code = firmware(0x200);
    const QString fw = file("fw.hex", hexFile(0x800, code));

    auto r = runCli({"flash", "write", fw, "--run", "-p", port, "-a", "1-3"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    for (uint16_t addr : {1, 2, 3}) {
        SCOPED_TRACE(addr);
        auto* dev = bus.deviceAs<FirmwareDevice>(addr);
        EXPECT_TRUE(dev->readFlash(0x800, uint32_t(code.size())) == code);
        EXPECT_EQ(dev->mode(), FirmwareDevice::Mode::Application);
        EXPECT_TRUE(r.out.contains(QStringLiteral("устройство %1: готово").arg(addr))) << r.out.toStdString();
    }
    EXPECT_TRUE(r.out.contains(QStringLiteral("готово устройств: 3 из 3")));

    // Device 2 runs its program now: it is sent to its bootloader first, as the window does.
    const Bytes code2 = firmware(0x100);
    const QString fw2 = file("fw2.hex", hexFile(0x800, code2));
    bus.device(2)->clearRequestLog();
    // Device 2 must answer however busy the machine; only the absent 9 waits the time-out out.
    r = runCli({"flash", "write", fw2, "-p", port, "-a", "2,9", "--timeout", kPatientMs, "--retries", "1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.contains(QStringLiteral("устройство 2: готово"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("устройство 9: ОШИБКА")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("готово устройств: 1 из 2")));
    const auto got2 = withoutIdentify(commandsOf(*bus.device(2)));
    ASSERT_FALSE(got2.empty());
    EXPECT_EQ(got2.front(), 2);
    EXPECT_TRUE(bus.deviceAs<FirmwareDevice>(2)->readFlash(0x800, uint32_t(code2.size())) == code2);

    const QString dbPath = dir.filePath("devices.db");
    {
        TDatabase db;
        ASSERT_TRUE(db.Open(dbPath, TDatabase::OpenMode::CreateIfMissing));
        ASSERT_TRUE(db.Exec("insert into Устройство(Num, Addr, Name) values (1, 3, 'третий'), (2, 1, 'первый')"));
    }
    // Devices 1 and 3 run their programs since --run; a compare wants the bootloader.
    EXPECT_EQ(runCli({"mode", "boot", "-p", port, "-a", "1,3"}).code, 0);
    r = runCli({"flash", "verify", fw, "-p", port, "-a", "all", "--db", dbPath, "--json"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const auto results = ofType(jsonLines(r.out), "result");
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].value("address").toInt(), 3);
    EXPECT_EQ(results[1].value("address").toInt(), 1);
}

// The JSON lines a line controller parses: one result per device with its figures, a summary.
TEST_F(CliFirmware, JsonLinesCarryTheFigures)
{
    const Bytes code = firmware(0x400);
    const QString fw = file("fw.hex", hexFile(0x2000, code));
    arm->addFault(Fault{FaultKind::CorruptCrc, 4, 3, 1});
    auto r =
        runCli({"flash", "write", fw, "-p", port, "-a", "16,9", "--json", "--timeout", kPatientMs, "--retries", "2"});
    EXPECT_EQ(r.code, 1);
    const auto objects = jsonLines(r.out);
    const auto results = ofType(objects, "result");
    ASSERT_EQ(results.size(), 2u) << r.out.toStdString();
    const QJsonObject& ok = results[0];
    EXPECT_EQ(ok.value("command").toString(), "flash write");
    EXPECT_EQ(ok.value("address").toInt(), 16);
    EXPECT_EQ(ok.value("outcome").toString(), "ok");
    EXPECT_EQ(ok.value("bytes").toInt(), 0x400) << "the file's data, not the region";
    EXPECT_EQ(ok.value("verifyBytes").toInt(), 0x400);
    EXPECT_GT(ok.value("verifySeconds").toDouble(), 0);
    EXPECT_GT(ok.value("seconds").toDouble(), 0);
    EXPECT_GT(ok.value("speed").toDouble(), 0);
    EXPECT_GE(ok.value("badFrames").toInt(), 1);
    EXPECT_GT(ok.value("frames").toInt(), ok.value("badFrames").toInt());
    EXPECT_TRUE(ok.value("failAddress").isNull());
    EXPECT_EQ(results[1].value("address").toInt(), 9);
    EXPECT_EQ(results[1].value("outcome").toString(), "failed");
    EXPECT_EQ(results[1].value("reason").toString(), "no-answer");
    // Progress: at least the first and the last step of each transfer, in order, ending at 100 %.
    const auto progress = ofType(objects, "progress");
    ASSERT_GE(progress.size(), 2u);
    int lastPercent = -1;
    for (const auto& o : progress) {
        EXPECT_EQ(o.value("address").toInt(), 16);
        EXPECT_GT(o.value("frames").toInt(), 0);
        if (o.value("step").toString() != progress.front().value("step").toString())
            break;  // the compare starts again from 0
        EXPECT_GE(o.value("percent").toInt(), lastPercent);
        lastPercent = o.value("percent").toInt();
    }
    EXPECT_EQ(progress.back().value("percent").toInt(), 100);
    const auto summary = ofType(objects, "summary");
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(summary[0].value("done").toInt(), 1);
    EXPECT_EQ(summary[0].value("failed").toInt(), 1);
    EXPECT_EQ(summary[0].value("outcome").toString(), "failed");

    // A run that fails before any device is asked still ends with a result object that says why.
    const struct {
        QStringList args;
        int code;
        const char* outcome;
        const char* detail;
    } early[] = {
        {{"flash", "write", dir.filePath("none.hex")}, 4, "file", "нет такого файла или папки"},
        {{"flash", "write", fw, "-a", "all"}, 2, "usage", "--addr all"},
        {{"identify", "-a", "9", "--timeout", "30", "--retries", "1"}, 1, "failed", "нет верного ответа"},
    };
    for (const auto& e : early) {
        SCOPED_TRACE(e.args.join(' ').toStdString());
        r = runCli(e.args + QStringList{"-p", port, "--json"});
        EXPECT_EQ(r.code, e.code);
        const auto lines = jsonLines(r.out);
        ASSERT_EQ(lines.size(), 1u) << r.out.toStdString();
        EXPECT_EQ(lines[0].value("type").toString(), "result");
        EXPECT_EQ(lines[0].value("outcome").toString(), QString::fromUtf8(e.outcome));
        const QString why = lines[0].value(e.code == 2 ? "error" : "detail").toString();
        EXPECT_TRUE(why.contains(QString::fromUtf8(e.detail))) << r.out.toStdString();
    }

    // A command without figures of its own ends with a plain result.
    r = runCli({"ports", "--json"});
    const auto portLines = jsonLines(r.out);
    ASSERT_FALSE(portLines.empty());
    EXPECT_EQ(portLines.back().value("type").toString(), "result");
    EXPECT_EQ(portLines.back().value("outcome").toString(), "ok");

    // A difference names its address.
    arm->writeFlash(0x2000 + 0x123, Bytes{0x00});
    r = runCli({"flash", "verify", fw, "-p", port, "-a", "16", "--json"});
    EXPECT_EQ(r.code, 3);
    const auto diff = ofType(jsonLines(r.out), "result");
    ASSERT_EQ(diff.size(), 1u);
    EXPECT_EQ(diff[0].value("outcome").toString(), "different");
    EXPECT_EQ(diff[0].value("failAddress").toInt(), 0x2000 + 0x123);
}

// -q keeps the errors only, -v shows every frame as the console tab does.
TEST_F(CliFirmware, QuietAndVerbose)
{
    struct Case {
        QStringList args;
        int code;
        QString out;
        const char* inErr;
    };
    const std::vector<Case> cases = {
        {{"send", "05", "-a", "2", "-q"}, 0, "", ""},
        {{"send", "05", "-a", "2", "-v"}, 0, "[2] <-- 05\n[2] --> OK\n", ""},
        {{"send", "99", "-a", "4", "-q"}, 1, "", "отказалось"},
        {{"send", "05", "-a", "9", "-v", "--retries", "2", "--timeout", "30"},
         1,
         "[9] <-- 05\n[9] --> нет ответа\n[9] <-- 05\n[9] --> нет ответа\n",
         "нет верного ответа"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const auto r = runCli(c.args + QStringList{"-p", port});
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.out, c.out);
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.inErr))) << r.err.toStdString();
    }
}

// extmem verify compares the file's own bytes with the device.
TEST_F(CliFirmware, ExternalMemoryVerify)
{
    auto* app = bus.deviceAs<FirmwareDevice>(5);
    const QString small = file("part.bin", QByteArray(100, '\x5A'));
    app->writeExt(0, Bytes(100, 0x5A));
    app->clearRequestLog();
    auto r = runCli({"extmem", "verify", small, "-p", port, "-a", "5"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Различия не найдены!"));
    const auto got = withoutIdentify(commandsOf(*app));
    EXPECT_TRUE(std::all_of(got.begin(), got.end(), [](uint8_t c) { return c == 17; })) << "reads only";
    app->writeExt(42, Bytes{0});
    r = runCli({"extmem", "verify", small, "-p", port, "-a", "5"});
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(r.err.contains("Несовпадение данных по адресу 0x002A")) << r.err.toStdString();
}

// Several jigs at once: each port its own bus, one line per device and port, one summary.
TEST_F(CliFirmware, SeveralPortsAtOnce)
{
    SimBus second;
    second.addDevice(makeDevice("1:boot60"));
    second.addDevice(makeDevice("2:boot60"));
    std::string why;
    ASSERT_TRUE(second.start(&why)) << why;
    const QString port2 = QString::fromStdString(second.slavePath());
    const Bytes code = firmware(0x100);
    const QString fw = file("fw.hex", hexFile(0x800, code));

    const auto r = runCli({"flash", "write", fw, "-p", port, "--port", port2, "-a", "1,2", "--json"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const auto objects = jsonLines(r.out);
    const auto results = ofType(objects, "result");
    ASSERT_EQ(results.size(), 4u);
    QStringList seen;
    for (const auto& o : results) {
        EXPECT_EQ(o.value("outcome").toString(), "ok");
        seen << o.value("port").toString() + ":" + QString::number(o.value("address").toInt());
    }
    EXPECT_EQ(seen.removeDuplicates(), 0) << seen.join(' ').toStdString();
    for (SimBus* b : {&bus, &second})
        for (uint16_t addr : {1, 2})
            EXPECT_TRUE(b->deviceAs<FirmwareDevice>(addr)->readFlash(0x800, uint32_t(code.size())) == code);
    ASSERT_EQ(ofType(objects, "summary").size(), 1u);
    EXPECT_EQ(ofType(objects, "summary")[0].value("done").toInt(), 4);
    second.stop();
}

// A field problem on the bench: the trace of a run, played back by the simulator, gives the same
// answers, faults included.
TEST_F(CliFirmware, TraceRecordedAndReplayed)
{
    const Bytes code = firmware(0x400);
    const QString fw = file("fw.hex", hexFile(0x2000, code));
    arm->writeFlash(0x2000, code);
    arm->writeFlash(0x2100, Bytes{0x00});  // a difference the trace must carry
    arm->addFault(Fault{FaultKind::Silent, 3, 2, 1});
    arm->addFault(Fault{FaultKind::CorruptCrc, 3, 5, 1});
    const QString tracePath = dir.filePath("field.trace");
    const auto recorded = runCli(
        {"flash", "verify", fw, "-p", port, "-a", "16", "--json", "--trace", tracePath, "--timeout", kPatientMs});
    EXPECT_EQ(recorded.code, 3);
    QFile traceFile(tracePath);
    ASSERT_TRUE(traceFile.open(QIODevice::ReadOnly));
    const QString trace = QString::fromUtf8(traceFile.readAll());
    EXPECT_TRUE(trace.contains(" > 16 113\n")) << trace.left(400).toStdString();
    EXPECT_TRUE(trace.contains(" < 16 3 no-answer\n"));
    EXPECT_TRUE(trace.contains(" < 16 3 bad-frame\n"));

    SimProcess sim({"--replay", tracePath});
    ASSERT_FALSE(sim.port.isEmpty()) << sim.process->readAllStandardError().toStdString();
    const auto replayed =
        runCli({"flash", "verify", fw, "-p", sim.port, "-a", "16", "--json", "--timeout", kPatientMs});
    EXPECT_EQ(replayed.code, 3);
    const auto a = ofType(jsonLines(recorded.out), "result");
    const auto b = ofType(jsonLines(replayed.out), "result");
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(b.size(), 1u);
    for (const char* key : {"outcome", "failAddress", "frames", "badFrames", "bytes"})
        EXPECT_EQ(a[0].value(key), b[0].value(key)) << key;
    EXPECT_EQ(b[0].value("failAddress").toInt(), 0x2100);

    // A trace of two jigs: either one plays back on its own.
    SimBus second;
    second.addDevice(makeDevice("1:app6"));
    second.addDevice(makeDevice("2:boot51"));
    std::string why;
    ASSERT_TRUE(second.start(&why)) << why;
    const QString port2 = QString::fromStdString(second.slavePath());
    const QString twoPath = dir.filePath("two.trace");
    EXPECT_EQ(runCli({"scan", "-p", port, "-p", port2, "-a", "1-3", "--trace", twoPath, "--timeout", kPatientMs}).code,
              0);
    const auto direct = runCli({"scan", "-p", port2, "-a", "1-3", "--timeout", kPatientMs});
    SimProcess jig2({"--replay", twoPath, "--replay-port", "COM98"});
    ASSERT_FALSE(jig2.port.isEmpty()) << jig2.process->readAllStandardError().toStdString();
    const auto again = runCli({"scan", "-p", jig2.port, "-a", "1-3", "--timeout", kPatientMs});
    EXPECT_EQ(again.code, 0);
    EXPECT_EQ(again.out, direct.out);
    EXPECT_TRUE(again.out.contains(QStringLiteral("ответили адресов: 2 из 3"))) << again.out.toStdString();
    second.stop();

    const QString broken = file("broken.trace", "0.1 COM97 > 16 113\nthis is no trace\n");
    SimProcess bad({"--replay", broken});
    EXPECT_TRUE(bad.finished());
    EXPECT_EQ(bad.process->exitCode(), 2);
    EXPECT_TRUE(bad.process->readAllStandardError().contains("not a trace line"));
}

// The simulator's faults on its command line, as a script rehearses failures.
TEST(CliSimFaults, FaultOptionMakesTheDeviceMisbehave)
{
    struct Case {
        QStringList sim;
        QStringList cli;
        int code;
        const char* shown;
    };
    const std::vector<Case> cases = {
        {{"--fault", "3:silent"}, {"identify", "--timeout", "30", "--retries", "1"}, 1, "нет верного ответа"},
        {{"--fault=3:refuse:cmd=2"}, {"mode", "boot"}, 1, "Команда не принята!"},
        {{"--fault", "3:bad-crc:count=1"}, {"send", "71", "--json"}, 0, "\"badFrames\":1"},
        {{"--fault", "3:drop:count=2,arg=3"}, {"send", "71", "--json"}, 0, "\"badFrames\":2"},
        {{"--fault", "3:delay:arg=300"}, {"identify", "--timeout", "30", "--retries", "1"}, 1, "нет верного ответа"},
        {{"--fault", "3:refuse:after=1"}, {"send", "71", "--json"}, 0, "\"outcome\":\"ok\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sim.join(' ').toStdString());
        SimProcess sim(c.sim);
        ASSERT_FALSE(sim.port.isEmpty()) << sim.process->readAllStandardError().toStdString();
        const auto r = runCli(c.cli + QStringList{"-p", sim.port, "-a", "3"});
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        EXPECT_TRUE((c.code == 0 ? r.out : r.err).contains(QString::fromUtf8(c.shown)))
            << r.out.toStdString() << r.err.toStdString();
    }
    for (const char* bad : {"3:explode", "3", "40000:silent", "3:silent:after=x", "3:silent:arg=5", "9:silent"}) {
        SimProcess sim({"--fault", bad});
        EXPECT_TRUE(sim.finished()) << bad;
        EXPECT_EQ(sim.process->exitCode(), 2) << bad;
    }
}

// The README shows the program's help as it is.
TEST(CliHelp, ReadmeShowsTheHelpAsItIs)
{
    QFile readme(QStringLiteral(ZEVANTA_SOURCE_DIR "/README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const auto r = runCli({"--help"});
    ASSERT_EQ(r.code, 0);
    EXPECT_TRUE(text.contains("```\n" + r.out + "```\n")) << r.out.toStdString();
}

// Ctrl+C in the middle of several buses: every transfer stops, the devices not yet reached are
// not started, and each says so in its result.
TEST_F(CliFirmware, InterruptStopsEveryBus)
{
    SimBus second;
    second.addDevice(makeDevice("1:boot60"));
    second.addDevice(makeDevice("2:boot60"));
    std::string why;
    ASSERT_TRUE(second.start(&why)) << why;
    for (SimBus* b : {&bus, &second})
        b->setBaud(19200);
    const QString fw = file("fw.hex", hexFile(0x800, firmware(0x1000)));

    QProcess p;
    p.start(cliPath(), {"flash", "write", fw, "-p", port, "-p", QString::fromStdString(second.slavePath()), "-a", "1,2",
                        "--json"});
    QByteArray out;
    while (!out.contains("\"progress\"") && p.waitForReadyRead(20000))
        out += p.readAllStandardOutput();
    ASSERT_TRUE(out.contains("\"progress\""));
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 130) << p.readAllStandardError().toStdString();
    out += p.readAllStandardOutput();
    const auto objects = jsonLines(QString::fromUtf8(out));
    const auto results = ofType(objects, "result");
    ASSERT_EQ(results.size(), 4u) << out.toStdString();
    for (const auto& r : results)
        EXPECT_EQ(r.value("outcome").toString(), "interrupted") << out.toStdString();
    ASSERT_FALSE(objects.empty());
    EXPECT_EQ(objects.back().value("type").toString(), "summary");
    EXPECT_EQ(objects.back().value("interrupted").toInt(), 4);
    EXPECT_EQ(objects.back().value("outcome").toString(), "interrupted");
    // Address 2 of each bus was never written.
    for (SimBus* b : {&bus, &second}) {
        const auto cmds = commandsOf(*b->device(2));
        EXPECT_EQ(std::count(cmds.begin(), cmds.end(), 4), 0);
    }
    second.stop();
}

// SIGTERM and SIGHUP stop a write as Ctrl+C does: at the next block, with the device and the
// address named, the JSON stream ended and every line of the trace whole.
TEST_F(CliFirmware, SignalsStopAWriteAsCtrlCDoes)
{
    bus.setBaud(19200);
    const QString fw = file("fw.hex", hexFile(0x2000, firmware(0x2000)));
    const QRegularExpression traceLine(QStringLiteral("^(#.*|\\d+\\.\\d{6} \\S+ [<>] \\d+ \\d+( .*)?)$"));
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        const QString tracePath = dir.filePath(QStringLiteral("sig%1.trace").arg(sig));
        QProcess p;
        p.start(cliPath(), {"flash", "write", fw, "-p", port, "-a", "16", "--json", "--trace", tracePath});
        QByteArray out;
        while (!out.contains("\"progress\"") && p.waitForReadyRead(20000))
            out += p.readAllStandardOutput();
        ASSERT_TRUE(out.contains("\"progress\""));
        ::kill(pid_t(p.processId()), sig);
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 130);
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        EXPECT_TRUE(err.contains(QRegularExpression(QStringLiteral(
            "устройство 16: Запись FLASH: прервано на адресе 0x[0-9A-F]{4}; память устройства может быть записана "
            "частично"))))
            << err.toStdString();
        out += p.readAllStandardOutput();
        const auto objects = jsonLines(QString::fromUtf8(out));
        ASSERT_FALSE(objects.empty());
        EXPECT_EQ(objects.back().value("type").toString(), "result");
        EXPECT_EQ(objects.back().value("outcome").toString(), "interrupted");
        EXPECT_GE(objects.back().value("failAddress").toInt(), 0x2000);
        QFile trace(tracePath);
        ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
        const QByteArray text = trace.readAll();
        EXPECT_TRUE(text.endsWith('\n'));
        for (const QString& line : QString::fromUtf8(text).split(u'\n', Qt::SkipEmptyParts))
            EXPECT_TRUE(traceLine.match(line).hasMatch()) << line.toStdString();
    }
}

// A trace that names a file of the command itself, however spelt, is refused before anything is
// written: the file keeps its bytes and no device is asked.
TEST_F(CliFirmware, TraceOverAFileOfTheCommandIsRefused)
{
    const QByteArray text = hexFile(0x2000, firmware(0x100));
    const QString fw = file("fw.hex", text);
    const QString db = file("depot.db", "not touched");
    QDir(dir.path()).mkdir("sub");
    ASSERT_TRUE(QFile::link(fw, dir.filePath("fw-link.hex")));
    ASSERT_EQ(::link(QFile::encodeName(fw).constData(), QFile::encodeName(dir.filePath("fw-hard.hex")).constData()), 0);
    // Leads to the output of flash read, which is not there yet.
    ASSERT_TRUE(QFile::link(dir.filePath("out.hex"), dir.filePath("out-link")));
    struct Case {
        QStringList args;
        QString trace;
    };
    const std::vector<Case> cases = {
        {{"flash", "write", fw}, fw},
        {{"flash", "write", "fw.hex"}, "sub/../fw.hex"},
        {{"flash", "verify", fw}, "fw-link.hex"},
        {{"flash", "write", fw}, dir.filePath("fw-hard.hex")},
        {{"flash", "read", "out.hex"}, "out-link"},
        {{"extmem", "write", fw}, "./fw.hex"},
        {{"routes", "write", "--db", db, "--card", "x"}, db},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.args.join(' ') + " --trace " + c.trace).toStdString());
        arm->clearRequestLog();
        const auto r =
            runCli(c.args + QStringList{"-p", port, "-a", "16", "--trace", c.trace}, kCliHangMs, {}, dir.path());
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.contains(QStringLiteral("тот же файл"))) << r.err.toStdString();
        QFile kept(fw);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), text);
        QFile keptDb(db);
        ASSERT_TRUE(keptDb.open(QIODevice::ReadOnly));
        EXPECT_EQ(keptDb.readAll(), QByteArray("not touched"));
        EXPECT_FALSE(QFile::exists(dir.filePath("out.hex")));
        EXPECT_TRUE(arm->requestLog().empty());
    }
    // Another file is a trace like any other.
    const auto r =
        runCli({"flash", "verify", fw, "-p", port, "-a", "16", "--trace", "run.trace"}, kCliHangMs, {}, dir.path());
    EXPECT_NE(r.code, 2) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("run.trace")));
}

// What a script reads from the exit code and the JSON outcome: each class for one device, and
// batches that meet several, whose code is the most serious met and whose summary counts each.
TEST_F(CliFirmware, ExitCodeTellsTheClassOfFailure)
{
    const Bytes code = firmware(0x400);
    const QString fw = file("fw.hex", hexFile(0x2000, code));
    const QString low = file("low.hex", hexFile(0x800, code));  // below the ARM's program region
    const QString other = file("other.hex", hexFile(0x2000, Bytes(0x400, 0x55)));
    arm->writeFlash(0x2000, code);
    const QStringList quick{"--timeout", "30", "--retries", "1"};
    struct Single {
        const char* name;
        QStringList args;
        int code;
        const char* outcome;
    };
    const std::vector<Single> single = {
        {"done", {"flash", "verify", fw, "-a", "16"}, 0, "ok"},
        {"no answer", QStringList{"flash", "verify", fw, "-a", "9"} + quick, 1, "failed"},
        {"refused", {"send", "99", "-a", "4"}, 1, "failed"},
        {"bad number", {"flash", "verify", fw, "-a", "16", "--baud", "12x"}, 2, "usage"},
        {"time-out of 0", {"identify", "--timeout", "0"}, 2, "usage"},
        {"unknown option", {"identify", "--frobnicate"}, 2, "usage"},
        {"other data", {"flash", "verify", other, "-a", "16"}, 3, "different"},
        {"data outside the region", {"flash", "write", low, "-a", "16"}, 4, "file"},
        {"missing file", {"extmem", "write", dir.filePath("none.bin"), "-a", "5"}, 4, "file"},
    };
    for (const Single& c : single) {
        SCOPED_TRACE(c.name);
        const auto r = runCli(c.args + QStringList{"-p", port, "--json"});
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        const auto objects = jsonLines(r.out);
        ASSERT_FALSE(objects.empty()) << r.err.toStdString();
        EXPECT_EQ(objects.back().value("type").toString(), "result");
        EXPECT_EQ(objects.back().value("outcome").toString(), QString::fromUtf8(c.outcome));
        if (c.code == 2) {
            EXPECT_FALSE(objects.back().value("error").toString().isEmpty());
        }
    }
    EXPECT_TRUE(arm->readFlash(0x2000, uint32_t(code.size())) == code) << "nothing refused was written";

    // Device 1 holds the file, 2 other data, 16 has no room for it where it lies, 9 is silent.
    bus.deviceAs<FirmwareDevice>(1)->writeFlash(0x800, code);
    bus.deviceAs<FirmwareDevice>(2)->writeFlash(0x800, Bytes(0x400, 0x55));
    struct Batch {
        const char* addrs;
        int code;
        const char* outcome;
        int done, failed, different, fileClass;
    };
    const Batch batches[] = {
        {"1,2", 3, "different", 1, 0, 1, 0},
        {"1,2,9", 1, "failed", 1, 1, 1, 0},
        {"1,16,2,9", 4, "file", 1, 1, 1, 1},
    };
    for (const Batch& b : batches) {
        SCOPED_TRACE(b.addrs);
        const auto r = runCli(QStringList{"flash", "verify", low, "-p", port, "-a", b.addrs, "--json"} + quick);
        EXPECT_EQ(r.code, b.code) << r.err.toStdString();
        const auto objects = jsonLines(r.out);
        const auto summary = ofType(objects, "summary");
        ASSERT_EQ(summary.size(), 1u);
        EXPECT_EQ(summary[0].value("outcome").toString(), QString::fromUtf8(b.outcome));
        EXPECT_EQ(summary[0].value("done").toInt(), b.done);
        EXPECT_EQ(summary[0].value("failed").toInt(), b.failed);
        EXPECT_EQ(summary[0].value("different").toInt(), b.different);
        EXPECT_EQ(summary[0].value("file").toInt(), b.fileClass);
        EXPECT_EQ(summary[0].value("interrupted").toInt(), 0);
        for (const auto& o : ofType(objects, "result")) {
            const int addr = o.value("address").toInt();
            const char* want = addr == 1 ? "ok" : addr == 2 ? "different" : addr == 16 ? "file" : "failed";
            EXPECT_EQ(o.value("outcome").toString(), QString::fromUtf8(want)) << addr;
        }
    }
}

// A result line or object alone proves which image went into which board through which port;
// the port is named as the user gave it, never as an invented COMn.
TEST_F(CliFirmware, ResultsNameTheFileTheDeviceAndThePortAsGiven)
{
    const QByteArray text = hexFile(0x2000, firmware(0x2000));  // 8 KiB of data
    const QString fw = file("fw.hex", text);
    const QString sha = QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex());
    const QString jig = dir.filePath("jig");
    ASSERT_TRUE(QFile::link(port, jig));
    const QStringList once{"--timeout", kPatientMs, "--retries", "1"};

    auto r = runCli(QStringList{"flash", "write", fw, "-p", jig, "-a", "16,9"} + once);
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QRegularExpression(
        QRegularExpression::escape(jig + " устройство 16: готово, fw.hex (SHA-256 " + sha + "), 8192 байт за ") +
        "\\d+\\.\\d{3} с, проверено 8192 байт за \\d+\\.\\d{3} с; .* v\\. \\d+\\.\\d+\\.\\d+, STM32F030C8")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(jig + " устройство 9: ОШИБКА")) << r.out.toStdString();
    EXPECT_FALSE((r.out + r.err).contains("COM")) << r.out.toStdString() << r.err.toStdString();

    r = runCli(QStringList{"flash", "write", fw, "-p", jig, "-a", "16", "--json", "--timeout", kPatientMs});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const auto results = ofType(jsonLines(r.out), "result");
    ASSERT_EQ(results.size(), 1u);
    const QJsonObject& o = results[0];
    EXPECT_EQ(o.value("port").toString(), jig);
    EXPECT_EQ(o.value("path").toString(), QFileInfo(port).canonicalFilePath());
    EXPECT_EQ(o.value("file").toString(), "fw.hex");
    EXPECT_EQ(o.value("sha256").toString(), sha);
    EXPECT_EQ(o.value("bytes").toInt(), 8192);
    EXPECT_EQ(o.value("verifyBytes").toInt(), 8192);
    EXPECT_EQ(o.value("part").toString(), "STM32F030C8");
    EXPECT_FALSE(o.value("name").toString().isEmpty());
    EXPECT_FALSE(o.value("version").toString().isEmpty());
    EXPECT_TRUE(o.value("build").isDouble());
    for (const char* key : {"seconds", "verifySeconds"}) {
        const double ms = o.value(key).toDouble() * 1000;
        EXPECT_NEAR(ms, std::round(ms), 1e-6) << key << " in milliseconds";
    }

    // Without --addr the first line says which device is meant.
    r = runCli(QStringList{"flash", "verify", fw, "-p", jig} + once);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.section(u'\n', 0, 0).contains(QStringLiteral("--addr не задан: устройство 32767")))
        << r.err.toStdString();
}

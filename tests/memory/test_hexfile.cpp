#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "memory/hexfile.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A record built independently of the reader, with the standard two's-complement checksum.
QByteArray rec(uint16_t addr, uint8_t type, const Bytes& data)
{
    unsigned sum = unsigned(data.size()) + (addr >> 8) + (addr & 0xFF) + type;
    QByteArray s = ":" + QByteArray::number(qulonglong(data.size()), 16).rightJustified(2, '0') +
                   QByteArray::number(addr, 16).rightJustified(4, '0') +
                   QByteArray::number(type, 16).rightJustified(2, '0');
    for (uint8_t b : data) {
        s += QByteArray::number(b, 16).rightJustified(2, '0');
        sum += b;
    }
    s += QByteArray::number((0x100 - (sum & 0xFF)) & 0xFF, 16).rightJustified(2, '0');
    return s.toUpper() + "\r\n";
}

QByteArray withBadChecksum(QByteArray r)
{
    const qsizetype at = r.size() - 3;  // last checksum digit
    r[at] = r[at] == '0' ? '1' : '0';
    return r;
}

const QByteArray kEnd = ":00000001FF\r\n";

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

Bytes randomBytes(size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    Bytes out(n);
    for (auto& b : out)
        b = uint8_t(gen());
    return out;
}

struct ReadCase {
    const char* name;
    uint32_t beg, end;
    QByteArray text;
    uint8_t error;
    uint32_t line;
    std::vector<std::pair<uint32_t, uint8_t>> bytes;  // address -> expected value after a good read
};

}  // namespace

TEST(HexFile, ReadCases)
{
    const Bytes four{0x11, 0x22, 0x33, 0x44};
    const Bytes sixteen(16, 0xA5);
    const std::vector<ReadCase> cases = {
        {"end record only: no data is refused, never an erased image", 0x100, 0x1FF, kEnd, 7, 0, {}},
        {"parameters but no data", 0x100, 0x1FF, ";Device=A1\r\n" + kEnd, 7, 0, {}},
        {"data without end record still fails", 0x100, 0x1FF, rec(0x100, 0, four), 5, 0, {}},
        {"byte count 00 ends the data whatever its type",
         0x100,
         0x1FF,
         rec(0x100, 0, four) + ":00000005FB\r\n\r\n$junk\r\n",
         0,
         0,
         {{0x100, 0x11}, {0x103, 0x44}, {0x104, 0xFF}}},
        {"an empty data record in the middle does not cut the file short",
         0x100,
         0x1FF,
         rec(0x100, 0, four) + rec(0x104, 0, Bytes{}) + rec(0x108, 0, four) + kEnd,
         9,
         3,
         {}},
        {"a record after the end record", 0x100, 0x1FF, rec(0x100, 0, four) + kEnd + rec(0x104, 0, four), 9, 3, {}},
        {"wrong checksum, parameter lines count as lines",
         0x100,
         0x1FF,
         ";a=1\r\n;b=2\r\n" + withBadChecksum(rec(0x100, 0, four)) + kEnd,
         4,
         3,
         {}},
        {"line starting with $", 0x100, 0x1FF, rec(0x100, 0, four) + "$100\r\n" + kEnd, 3, 2, {}},
        {"line starting with a letter", 0x100, 0x1FF, "S1130000\r\n" + kEnd, 3, 1, {}},
        {"byte count not hexadecimal", 0x100, 0x1FF, ":G0010000\r\n" + kEnd, 3, 1, {}},
        {"data byte not hexadecimal", 0x100, 0x1FF, ":0201000011ZZ00\r\n" + kEnd, 3, 1, {}},
        {"data field cut short", 0x100, 0x1FF, ":04010000112233\r\n" + kEnd, 3, 1, {}},
        {"start address record skipped",
         0x100,
         0x1FF,
         rec(0, 5, Bytes{0, 0, 0x21, 0}) + rec(0, 3, Bytes{0, 0, 0x21, 0}) + rec(0x100, 0, four) + kEnd,
         0,
         0,
         {{0x100, 0x11}}},
        {"lower-case hex digits",
         0x100,
         0x1FF,
         rec(0x100, 0, Bytes{0xAB, 0xCD}).toLower() + kEnd,
         0,
         0,
         {{0x100, 0xAB}, {0x101, 0xCD}}},
        {"blank lines and surrounding blanks are skipped",
         0x100,
         0x1FF,
         "\r\n   \r\n  " + rec(0x100, 0, four).trimmed() + " \t\r\n" + kEnd,
         0,
         0,
         {{0x100, 0x11}}},
        {"bare LF line ends",
         0x100,
         0x1FF,
         rec(0x100, 0, four).replace("\r\n", "\n") + ":00000001FF",
         0,
         0,
         {{0x100, 0x11}}},
        {"record longer than 128 bytes is rejected", 0x100, 0x1FF, rec(0x100, 0, Bytes(129, 1)) + kEnd, 3, 1, {}},
        {"record of 128 bytes is read",
         0x100,
         0x1FF,
         rec(0x100, 0, Bytes(128, 7)) + kEnd,
         0,
         0,
         {{0x100, 7}, {0x17F, 7}, {0x180, 0xFF}}},
        {"data below the window is refused", 0x100, 0x1FF, rec(0x0FC, 0, four) + rec(0x1F0, 0, four) + kEnd, 6, 0, {}},
        {"data above the window is refused", 0x100, 0x1FF, rec(0x1F0, 0, four) + rec(0x200, 0, four) + kEnd, 6, 0, {}},
        {"bytes running past EndAddr are refused", 0x100, 0x1FF, rec(0x1F8, 0, sixteen) + kEnd, 6, 0, {}},
        {"a byte given twice is ambiguous",
         0x100,
         0x1FF,
         rec(0x100, 0, four) + rec(0x102, 0, Bytes{0x99}) + kEnd,
         8,
         2,
         {}},
        {"firmware linked at 0x08000000 loads at its 16-bit offset",
         0x2000,
         0xFFFF,
         rec(0, 4, Bytes{0x08, 0x00}) + rec(0x2000, 0, four) + rec(0xFFFC, 0, four) + rec(0, 5, Bytes{8, 0, 0x21, 0}) +
             kEnd,
         0,
         0,
         {{0x2000, 0x11}, {0x2003, 0x44}, {0x2004, 0xFF}, {0xFFFC, 0x11}, {0xFFFF, 0x44}}},
        {"16-bit window: data that folds onto data already given is ambiguous",
         0x0,
         0xFFFF,
         rec(0x100, 0, four) + rec(0, 4, Bytes{0, 1}) + rec(0x102, 0, four) + kEnd,
         8,
         3,
         {}},
        {"16-bit window: a file that crosses 64 KiB lands below the program start",
         0x2000,
         0xFFFF,
         rec(0, 4, Bytes{0x08, 0x00}) + rec(0xFFF0, 0, sixteen) + rec(0, 4, Bytes{0x08, 0x01}) + rec(0, 0, four) + kEnd,
         6,
         0,
         {}},
        {"extended linear 0000 in front keeps 16-bit addresses",
         0x0,
         0x2FFFF,
         rec(0, 4, Bytes{0, 0}) + rec(0x100, 0, four) + kEnd,
         0,
         0,
         {{0x100, 0x11}, {0x10100, 0xFF}}},
        {"extended linear address places data above 64 KiB",
         0x0,
         0x2FFFF,
         rec(0x100, 0, four) + rec(0, 4, Bytes{0, 2}) + rec(0x100, 0, Bytes{0x55}) + kEnd,
         0,
         0,
         {{0x100, 0x11}, {0x20100, 0x55}}},
        {"extended segment address places data above 64 KiB",
         0x0,
         0x2FFFF,
         rec(0, 2, Bytes{0x10, 0x00}) + rec(0x10, 0, Bytes{0x66}) + kEnd,
         0,
         0,
         {{0x10010, 0x66}, {0x10, 0xFF}}},
        {"data above a window past 64 KiB via extended address is refused",
         0x0,
         0x1FFFF,
         rec(0, 4, Bytes{0, 2}) + rec(0x100, 0, four) + kEnd,
         6,
         0,
         {}},
        {"extended address record with a wrong checksum",
         0x0,
         0x2FFFF,
         withBadChecksum(rec(0, 4, Bytes{0, 1})) + kEnd,
         4,
         1,
         {}},
        {"extended address record of the wrong length", 0x0, 0x2FFFF, rec(0, 4, Bytes{0, 0, 1}) + kEnd, 3, 1, {}},
    };

    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        THEXFile hex(c.beg, c.end);
        const bool ok = hex.Read(writeFile(dir, QStringLiteral("case.hex"), c.text));
        EXPECT_EQ(ok, c.error == 0);
        EXPECT_EQ(hex.Error, c.error);
        EXPECT_EQ(hex.ErrorLine, c.line);
        EXPECT_EQ(hex.Buffer.size(), size_t(c.end - c.beg + 1));
        for (const auto& [addr, value] : c.bytes)
            EXPECT_EQ(hex.ReadByte(addr), value) << std::hex << "at 0x" << addr;
    }
}

// A damaged record between good ones: reading stops at its line instead of loading the file
// with 16 bytes never written.
TEST(HexFile, DamagedRecordIsAnErrorAtItsLine)
{
    const Bytes sixteen(16, 0x5A);
    const struct {
        const char* name;
        QByteArray line;
        uint8_t error;
    } cases[] = {
        {"non-hex character in the address", ":10G8A000" + rec(0x8A0, 0, sixteen).mid(9), 3},
        {"non-hex character in the type", rec(0x110, 0, sixteen).replace(7, 2, "0X"), 3},
        {"line cut inside its header", ":1009", 3},
        {"line cut after the address", ":10011000", 3},
        {"line cut before the checksum", rec(0x110, 0, sixteen).chopped(4), 3},
        {"characters after the checksum", rec(0x110, 0, sixteen).trimmed() + "00", 3},
        {"unknown record type with a stale checksum", withBadChecksum(rec(0x110, 6, sixteen)), 4},
        {"unknown record type", rec(0x110, 0x10, sixteen), 3},
        {"end record carrying data", rec(0x110, 1, sixteen), 3},
        {"start address record with a stale checksum", withBadChecksum(rec(0, 5, Bytes{0, 0, 0x21, 0})), 4},
        {"end record with a stale checksum", ":00000001FE", 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray line = c.line;
        if (!line.endsWith("\r\n"))
            line += "\r\n";
        THEXFile hex(0x100, 0x1FF);
        EXPECT_FALSE(hex.Parse(rec(0x100, 0, sixteen) + line + rec(0x120, 0, sixteen) + kEnd));
        EXPECT_EQ(hex.Error, c.error);
        EXPECT_EQ(hex.ErrorLine, 2u);
        EXPECT_EQ(hex.ReadByte(0x100), 0xFF);
    }
}

TEST(HexFile, ErrorTexts)
{
    THEXFile hex(0x2000, 0xFFFF);
    hex.ErrorLine = 17;
    hex.EndLine = 9;
    hex.ErrorAddr = 0x2A04;
    hex.DataFirst = 0x1F00;
    hex.DataLast = 0x10003;
    const std::vector<std::pair<uint8_t, QString>> texts = {
        {0, QStringLiteral("Неизвестная ошибка!")},
        {3, QStringLiteral("Неверный символ в строке 17!")},
        {4, QStringLiteral("Неверная контрольная сумма в строке 17!")},
        {5, QStringLiteral("Неожиданный конец файла!")},
        {6, QStringLiteral("Данные файла (0x1F00..0x10003) выходят за пределы области памяти 0x2000..0xFFFF!\r\n"
                           "Файл не загружен.")},
        {7, QStringLiteral("В файле нет данных для области памяти 0x2000..0xFFFF!\r\nФайл не загружен.")},
        {8, QStringLiteral("Данные в строке 17 попадают на адрес 0x2A04, уже заданный раньше!\r\nФайл не загружен.")},
        {9, QStringLiteral("Запись в строке 17 стоит после пустой записи в строке 9!\r\nФайл не загружен.")},
    };
    for (const auto& [code, text] : texts) {
        hex.Error = code;
        EXPECT_EQ(hex.ErrorStr(), text) << int(code);
    }
}

TEST(HexFile, DamagedFileLeavesBufferAndParamsUntouched)
{
    QTemporaryDir dir;
    THEXFile hex(0, 0xFF);
    std::fill(hex.Buffer.begin(), hex.Buffer.end(), 0x5A);
    hex.Params.Add(QStringLiteral("Device"), QStringLiteral("old"));

    const QByteArray damaged = ";Device=new\r\n;Extra=1\r\n" + rec(0, 0, Bytes(16, 0)) + rec(0x10, 0, Bytes{1}) +
                               withBadChecksum(rec(0x20, 0, Bytes{2})) + kEnd;
    EXPECT_FALSE(hex.Read(writeFile(dir, QStringLiteral("bad.hex"), damaged)));
    EXPECT_EQ(hex.ErrorStr(), QStringLiteral("Неверная контрольная сумма в строке 5!"));
    EXPECT_TRUE(std::all_of(hex.Buffer.begin(), hex.Buffer.end(), [](uint8_t b) { return b == 0x5A; }));
    ASSERT_EQ(hex.Params.Count(), 1);
    EXPECT_EQ(hex.Params.Items[0].Value, QStringLiteral("old"));

    // A file that only lacks its end record is damaged too.
    EXPECT_FALSE(hex.Read(writeFile(dir, QStringLiteral("cut.hex"), rec(0, 0, Bytes(16, 0)))));
    EXPECT_EQ(hex.Error, 5);
    EXPECT_EQ(hex.Buffer[0], 0x5A);
}

TEST(HexFile, ParameterLines)
{
    QTemporaryDir dir;
    THEXFile hex(0, 0xF);
    hex.Params.Add(QStringLiteral("Kept"), QStringLiteral("before"));
    // CP1251 bytes: "Имя" = C8 EC FF, "Пульт №2" = CF F3 EB FC F2 20 B9 32.
    const QByteArray text = QByteArray(";  Device =  ZX-12 \r\n") + ";Kept=after\r\n" + ";device=lower\r\n" +
                            ";no equals sign\r\n" + ";Device=second\r\n" +
                            ";\xC8\xEC\xFF=\xCF\xF3\xEB\xFC\xF2 \xB9\x32\r\n" + ";Formula=a=b\r\n" +
                            rec(0, 0, Bytes{1}) + kEnd;
    ASSERT_TRUE(hex.Read(writeFile(dir, QStringLiteral("params.hex"), text))) << hex.ErrorStr().toStdString();

    std::vector<std::pair<QString, QString>> got;
    for (const auto& p : hex.Params.Items)
        got.emplace_back(p.Name, p.Value);
    const std::vector<std::pair<QString, QString>> expected = {
        {QStringLiteral("Kept"), QStringLiteral("after")},   {QStringLiteral("Device"), QStringLiteral("second")},
        {QStringLiteral("device"), QStringLiteral("lower")}, {QStringLiteral("Имя"), QStringLiteral("Пульт №2")},
        {QStringLiteral("Formula"), QStringLiteral("a=b")},
    };
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(hex.Params.IsExist(QStringLiteral("Имя")));
    EXPECT_FALSE(hex.Params.IsExist(QStringLiteral("имя")));

    // Written back in list order, CP1251, in front of the data.
    const QString out = dir.filePath(QStringLiteral("params_out.hex"));
    ASSERT_TRUE(hex.Write(out));
    EXPECT_EQ(readFile(out), QByteArray(";Kept=after\r\n;Device=second\r\n;device=lower\r\n"
                                        ";\xC8\xEC\xFF=\xCF\xF3\xEB\xFC\xF2 \xB9\x32\r\n;Formula=a=b\r\n") +
                                 rec(0, 0,
                                     [] {
                                         Bytes b(16, 0xFF);
                                         b[0] = 1;
                                         return b;
                                     }()) +
                                 kEnd);
}

TEST(HexFile, WriteKnownRecords)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.hex"));

    // Callers pass the first address past the region as EndAddr.
    THEXFile blank(0, 0x100);
    blank.Params.Add(QStringLiteral("Device"), QStringLiteral("A1"));
    ASSERT_TRUE(blank.Write(out));
    EXPECT_EQ(readFile(out), QByteArray(";Device=A1\r\n:00000001FF\r\n"));

    THEXFile zeros(0x1000, 0x1010);
    std::fill_n(zeros.Buffer.begin(), 16, 0x00);
    ASSERT_TRUE(zeros.Write(out));
    EXPECT_EQ(readFile(out), QByteArray(":1010000000000000000000000000000000000000E0\r\n:00000001FF\r\n"));

    // All-0xFF lines are left out; a tail shorter than 16 bytes is not lost.
    THEXFile part(0, 0x25);
    part.WriteByte(0x05, 0x01);
    part.WriteByte(0x24, 0x02);
    ASSERT_TRUE(part.Write(out));
    EXPECT_EQ(readFile(out), rec(0, 0,
                                 [] {
                                     Bytes b(16, 0xFF);
                                     b[5] = 1;
                                     return b;
                                 }()) +
                                 rec(0x20, 0, Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0xFF}) + kEnd);
}

TEST(HexFile, WindowAboveAndAcross64KiBRoundTrips)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("big.hex"));
    for (uint32_t beg : {0u, 0x8u, 0x2F000u}) {
        SCOPED_TRACE(beg);
        THEXFile src(beg, beg + 0x40000);
        const Bytes data = randomBytes(src.Buffer.size(), beg + 1);
        std::copy(data.begin(), data.end(), src.Buffer.begin());
        ASSERT_TRUE(src.Write(out));
        const QByteArray text = readFile(out);
        EXPECT_TRUE(text.contains(":02000004"));

        THEXFile back(beg, beg + 0x40000);
        ASSERT_TRUE(back.Read(out)) << back.ErrorStr().toStdString();
        EXPECT_TRUE(src.Buffer == back.Buffer);
    }
}

TEST(HexFile, AddressWindow)
{
    THEXFile hex(0x100, 0x10F);
    ASSERT_EQ(hex.Buffer.size(), 16u);
    hex.WriteByte(0x0FF, 1);
    hex.WriteByte(0x110, 1);
    hex.WriteByte(0x10F, 0x42);
    EXPECT_EQ(hex.ReadByte(0x10F), 0x42);
    EXPECT_EQ(hex.ReadByte(0x0FF), 0);
    EXPECT_EQ(hex.ReadByte(0x110), 0);

    hex.SetEndAddr(0x11F);
    EXPECT_EQ(hex.Buffer.size(), 32u);
    EXPECT_EQ(hex.Buffer[15], 0x42);
    hex.SetBegAddr(0x118);
    EXPECT_EQ(hex.Buffer.size(), 8u);

    THEXFile inverted(0x200, 0x100);  // no bytes, nothing to write past
    EXPECT_TRUE(inverted.Buffer.empty());
    QTemporaryDir dir;
    EXPECT_TRUE(inverted.Write(dir.filePath(QStringLiteral("inv.hex"))));
}

// --- files of other tools -------------------------------------------------

namespace {

QString tool(const char* name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

bool run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " " << args.join(u' ').toStdString() << ": "
                      << p.readAllStandardError().toStdString();
        return false;
    }
    return true;
}

}  // namespace

TEST(HexFilePeers, ReadsObjcopyOutput)
{
    const QString objcopy = tool("objcopy");
    if (objcopy.isEmpty())
        GTEST_SKIP() << "objcopy not installed";
    QTemporaryDir dir;
    // 200 KiB: objcopy switches to extended segment address records above 64 KiB.
    const Bytes data = randomBytes(200 * 1024, 7);
    const QString bin = writeFile(dir, QStringLiteral("fw.bin"),
                                  QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size())));
    const QString hexPath = dir.filePath(QStringLiteral("fw.hex"));
    ASSERT_TRUE(run(objcopy, {QStringLiteral("-I"), QStringLiteral("binary"), QStringLiteral("-O"),
                              QStringLiteral("ihex"), bin, hexPath}));
    ASSERT_TRUE(readFile(hexPath).contains(":02000002"));

    THEXFile hex(0, 0x40000);
    ASSERT_TRUE(hex.Read(hexPath)) << hex.ErrorStr().toStdString();
    EXPECT_TRUE(std::equal(data.begin(), data.end(), hex.Buffer.begin()));
    EXPECT_TRUE(std::all_of(hex.Buffer.begin() + ptrdiff_t(data.size()), hex.Buffer.end(),
                            [](uint8_t b) { return b == 0xFF; }));
}

TEST(HexFilePeers, ReadsSrecCatOutputWithExtendedLinearAddresses)
{
    const QString srecCat = tool("srec_cat");
    if (srecCat.isEmpty())
        GTEST_SKIP() << "srec_cat not installed";
    QTemporaryDir dir;
    const Bytes data = randomBytes(150 * 1024, 11);
    const QString bin = writeFile(dir, QStringLiteral("fw.bin"),
                                  QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size())));

    // Loaded at 0x10 into a window starting at 0, and at 0x18000 (entirely above 64 KiB).
    for (uint32_t offset : {0x10u, 0x18000u}) {
        SCOPED_TRACE(offset);
        const QString hexPath = dir.filePath(QStringLiteral("fw_%1.hex").arg(offset));
        ASSERT_TRUE(run(srecCat, {bin, QStringLiteral("-binary"), QStringLiteral("-offset"), QString::number(offset),
                                  QStringLiteral("-o"), hexPath, QStringLiteral("-intel")}));
        ASSERT_TRUE(readFile(hexPath).contains(":02000004000"));

        THEXFile hex(0, 0x40000);
        ASSERT_TRUE(hex.Read(hexPath)) << hex.ErrorStr().toStdString();
        EXPECT_TRUE(std::equal(data.begin(), data.end(), hex.Buffer.begin() + offset));
        EXPECT_EQ(hex.Buffer[offset - 1], 0xFF);
        EXPECT_EQ(hex.Buffer[offset + data.size()], 0xFF);
    }
}

TEST(HexFilePeers, WrittenFileConvertsBackToTheSameBytes)
{
    const QString objcopy = tool("objcopy");
    const QString srecCat = tool("srec_cat");
    if (objcopy.isEmpty() && srecCat.isEmpty())
        GTEST_SKIP() << "neither objcopy nor srec_cat installed";
    QTemporaryDir dir;

    // A full 256 KiB program image with erased gaps; first and last line hold data.
    THEXFile hex(0, 0x40000);
    const Bytes data = randomBytes(0x40000, 3);
    std::copy(data.begin(), data.end(), hex.Buffer.begin());
    std::fill_n(hex.Buffer.begin() + 0x1230, 0x3000, 0xFF);
    std::fill_n(hex.Buffer.begin() + 0x20000, 0x800, 0xFF);
    const QString hexPath = dir.filePath(QStringLiteral("image.hex"));
    ASSERT_TRUE(hex.Write(hexPath));
    const QByteArray expected(reinterpret_cast<const char*>(hex.Buffer.data()), 0x40000);

    if (!objcopy.isEmpty()) {
        const QString out = dir.filePath(QStringLiteral("objcopy.bin"));
        ASSERT_TRUE(
            run(objcopy, {QStringLiteral("-I"), QStringLiteral("ihex"), QStringLiteral("-O"), QStringLiteral("binary"),
                          QStringLiteral("--gap-fill"), QStringLiteral("0xFF"), hexPath, out}));
        EXPECT_TRUE(readFile(out) == expected) << "objcopy";
    }
    if (!srecCat.isEmpty()) {
        const QString out = dir.filePath(QStringLiteral("srec.bin"));
        ASSERT_TRUE(run(srecCat, {hexPath, QStringLiteral("-intel"), QStringLiteral("-fill"), QStringLiteral("0xFF"),
                                  QStringLiteral("0"), QStringLiteral("0x40000"), QStringLiteral("-o"), out,
                                  QStringLiteral("-binary")}));
        EXPECT_TRUE(readFile(out) == expected) << "srec_cat";
    }
}

// Panel logic of the memory tabs: grid rows and checksum range, checksum mark, the small
// external-memory ranges, the control tab's text grid, the WAV header and the write-all batch.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "link/crc16.h"
#include "memory/flashpanel.h"
#include "memory/hexgridmodel.h"

namespace {

uint16_t crcOf(const uint8_t* p, size_t n)
{
    TCRC16 crc;
    crc.Init(0xFFFF, 0x8408);
    crc.Update(p, n);
    return crc.FCRC;
}

}  // namespace

TEST(HexGrid, RowsAndChecksumRangeFollowTheWindow)
{
    struct Case {
        int64_t first, end;
        int rows;
        uint32_t summed;
    };
    const Case cases[] = {
        {0xC00, 0x8000, 1857, 0x7400},    // the FLASH default
        {0, 0x8000, 2049, 0x8000},        // external memory 32 KiB
        {0, 20, 2, 16},                   // a tail shorter than a row is neither shown nor summed
        {0, 0, 2, 0},                     // no external memory
        {0x8000, 0x8000, 2, 0},           // empty region
        {0x9000, 0x8000, 2, 0},           // MemSize below ProgStart
        {0, 0x100000, 0x10001, 0x40000},  // larger than the image: summed up to the image only
    };
    TMemoryImage image;
    for (uint32_t i = 0; i < image.Size(); ++i)
        image[i] = uint8_t(i * 31 + (i >> 9));
    for (const Case& c : cases) {
        const hexgrid::TWindow w{c.first, c.end, TMemoryImage::kSize};
        SCOPED_TRACE(c.end);
        EXPECT_EQ(hexgrid::RowCount(w), c.rows);
        EXPECT_EQ(w.ChecksumLength(), c.summed);
        EXPECT_EQ(hexgrid::Checksum(w, image.Data()), crcOf(image.Data(), c.summed));
    }
    // Known answer of the line CRC over "123456789".
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(crcOf(check, 9), 0x6F91);
}

TEST(HexGrid, CellTexts)
{
    TMemoryImage image;
    image[0] = 0x0A;
    image[0x13] = 0xC5;
    const hexgrid::TWindow flash{0xC00, 0x8000, TMemoryImage::kSize};
    EXPECT_EQ(hexgrid::CellText(flash, image.Data(), 0, 0), QString());
    EXPECT_EQ(hexgrid::CellText(flash, image.Data(), 0, 1), QStringLiteral("00"));
    EXPECT_EQ(hexgrid::CellText(flash, image.Data(), 0, 16), QStringLiteral("0F"));
    EXPECT_EQ(hexgrid::CellText(flash, image.Data(), 1, 0), QStringLiteral("0C00"));
    EXPECT_EQ(hexgrid::CellText(flash, image.Data(), 2, 0), QStringLiteral("0C10"));
    EXPECT_EQ(hexgrid::CellText(flash, image.Data(), 1, 1), QStringLiteral("0A"));
    EXPECT_EQ(hexgrid::CellText(flash, image.Data(), 2, 4), QStringLiteral("C5"));
    // Addresses grow past four digits; an empty window shows labels but no bytes.
    const hexgrid::TWindow big{0x1FFF0, 0x20010, TMemoryImage::kSize};
    EXPECT_EQ(hexgrid::CellText(big, image.Data(), 2, 0), QStringLiteral("20000"));
    const hexgrid::TWindow none{0, 0, TMemoryImage::kSize};
    EXPECT_EQ(hexgrid::CellText(none, image.Data(), 1, 0), QStringLiteral("0000"));
    EXPECT_EQ(hexgrid::CellText(none, image.Data(), 1, 1), QString());
    // Beyond the image nothing is read.
    const hexgrid::TWindow huge{0, 0x100000, TMemoryImage::kSize};
    EXPECT_EQ(hexgrid::CellText(huge, image.Data(), 0x4001, 1), QString());
    EXPECT_EQ(hexgrid::CellText(huge, image.Data(), 0x4000, 16),
              QStringLiteral("%1").arg(image[0x3FFFF], 2, 16, QLatin1Char('0')).toUpper());
}

TEST(HexGrid, ChecksumIsRedOnceAfterAChange)
{
    hexgrid::TChecksumMark mark;
    auto s = mark.Update(0x1234, false);  // no reference yet: a first value counts as a change
    EXPECT_TRUE(s.Red);
    EXPECT_EQ(s.Text, QStringLiteral("Checksum: 1234"));
    EXPECT_FALSE(mark.Update(0x1234, false).Red);
    EXPECT_TRUE(mark.Update(0x00AB, false).Red);
    EXPECT_EQ(mark.Update(0x00AB, false).Text, QStringLiteral("Checksum: 00AB"));
    EXPECT_FALSE(mark.Update(0x00AB, false).Red);
    EXPECT_FALSE(mark.Update(0x7777, true).Red);  // a new reference is never red
}

TEST(MemoryPanel, ReadAndWriteRanges)
{
    using memorypanel::TPart;
    struct Case {
        uint32_t begin, count, block, ext;
        TPart read;
    };
    const Case reads[] = {
        {304, 5, 256, 0x8000, {256, 256}},  // block 1 holds 304 … 308
        {250, 10, 256, 0x8000, {0, 512}},   // the range crosses a block edge: both blocks
        {0, 0, 256, 0x8000, {0, 0}},        // nothing to read
        {32767, 255, 256, 0x8000, {32512, 256}},
        {1000, 200, 256, 1100, {768, 332}},  // up to the end of the memory
        {1090, 5, 256, 1100, {844, 256}},    // start lowered to Ext - B
        {100, 10, 256, 200, {0, 200}},       // memory smaller than a block
        {300, 10, 256, 200, {256, 0}},       // start beyond the memory: nothing
        {10, 40, 32, 0x8000, {0, 64}},
    };
    for (const Case& c : reads) {
        SCOPED_TRACE(c.begin);
        EXPECT_EQ(memorypanel::ReadDataRange(c.begin, c.count, c.block, c.ext), c.read);
    }
    EXPECT_EQ(memorypanel::WriteDataBlock(10, 256, 0x8000), (TPart{0, 256}));
    EXPECT_EQ(memorypanel::WriteDataBlock(700, 256, 0x8000), (TPart{512, 256}));
    EXPECT_EQ(memorypanel::WriteDataBlock(1050, 256, 1100), (TPart{844, 256}));
}

TEST(MemoryPanel, DataGridPlacesBytesByAddress)
{
    TMemoryImage image;
    for (uint32_t a = 0; a < 0x400; ++a)
        image[a] = uint8_t(a);
    const auto init = memorypanel::InitialDataGrid();
    EXPECT_EQ(init.Rows, 2);
    EXPECT_EQ(init.ColumnHeaders.front(), QStringLiteral("0000"));
    EXPECT_EQ(init.ColumnHeaders.back(), QStringLiteral("000F"));
    EXPECT_EQ(init.RowHeaders, QStringList{QStringLiteral("0000")});

    // 304 … 308: row 0130, columns 00 … 04, decimal texts.
    auto g = memorypanel::MakeDataGrid(image, 304, 5);
    EXPECT_EQ(g.Rows, 2);
    EXPECT_EQ(g.ColumnHeaders.front(), QStringLiteral("00"));
    EXPECT_EQ(g.RowHeaders, QStringList{QStringLiteral("0130")});
    EXPECT_EQ(g.Cells[0].mid(0, 6), (QStringList{"48", "49", "50", "51", "52", ""}));

    // 300 … 305: the row labels stay true, so the bytes sit under their addresses' columns.
    g = memorypanel::MakeDataGrid(image, 300, 6);
    EXPECT_EQ(g.Rows, 3);
    EXPECT_EQ(g.RowHeaders, (QStringList{"0120", "0130"}));
    EXPECT_EQ(g.Cells[0][11], QString());
    EXPECT_EQ(g.Cells[0][12], QStringLiteral("44"));
    EXPECT_EQ(g.Cells[1][1], QStringLiteral("49"));
    EXPECT_EQ(g.Cells[1][2], QString());

    EXPECT_EQ(memorypanel::DataCellText("255", 0), QStringLiteral("255"));
    EXPECT_EQ(memorypanel::DataCellText("255", 1), QStringLiteral("FF"));
    EXPECT_EQ(memorypanel::DataCellText("7", 1), QStringLiteral("07"));
    EXPECT_EQ(memorypanel::DataCellText("", 1), QString());
    EXPECT_EQ(memorypanel::DataCellText("x1", 0), QString());
    EXPECT_EQ(memorypanel::HexValueText(10), QStringLiteral("0x0A"));
}

TEST(MemoryPanel, WavImage)
{
    const auto h = memorypanel::WavHeader(0x8000);
    const uint8_t expected[44] = {'R', 'I', 'F', 'F', 0x24, 0x80, 0,   0,   'W', 'A',  'V',  'E',  'f', 'm',  't',
                                  ' ', 16,  0,   0,   0,    1,    0,   1,   0,   0x40, 0x1F, 0,    0,   0x40, 0x1F,
                                  0,   0,   1,   0,   8,    0,    'd', 'a', 't', 'a',  0,    0x80, 0,   0};
    EXPECT_TRUE(std::equal(h.begin(), h.end(), expected));

    QTemporaryDir dir;
    TMemoryImage image;
    image[0] = 0x11;
    image[0x7FFF] = 0x22;
    QString error;
    const QString path = dir.filePath("ext.wav");
    ASSERT_TRUE(memorypanel::SaveWavImage(image, path, 0x8000, error));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(bytes.size(), 0x802C);
    EXPECT_EQ(uint8_t(bytes[44]), 0x11);
    EXPECT_EQ(uint8_t(bytes[0x802B]), 0x22);
    EXPECT_FALSE(memorypanel::SaveWavImage(image, dir.filePath("no/such/dir.wav"), 0x8000, error));
    EXPECT_EQ(error, QStringLiteral("Ошибка файловой системы!"));
}

// The batch against a scripted list: what it does to each device, and where it stops.
TEST(MemoryPanel, WriteAllDevices)
{
    struct Dev {
        TMode mode;  // mode the device shows when selected
        bool writeOk = true;
    };
    struct Case {
        const char* name;
        std::vector<Dev> devices;
        bool runAfterSave;
        memorypanel::TWriteAllEnd end;
        QStringList log;
    };
    const Case cases[] = {
        {"bootloader and application",
         {{mBootloader51}, {mDevice6}},
         true,
         memorypanel::TWriteAllEnd::Done,
         {"ask", "devices", "select 1", "sleep", "write", "run", "select 2", "sleep", "boot", "write", "run", "flash"}},
        {"one device, no run",
         {{mBootloader60}},
         false,
         memorypanel::TWriteAllEnd::Done,
         {"ask", "select 1", "sleep", "write", "flash"}},
        {"silent device stops the batch",
         {{mBootloader50}, {mNone}, {mBootloader50}},
         false,
         memorypanel::TWriteAllEnd::NoAnswer,
         {"ask", "devices", "select 1", "sleep", "write", "select 2", "sleep", "flash"}},
        {"failed write stops the batch",
         {{mBootloader51, false}, {mBootloader51}},
         true,
         memorypanel::TWriteAllEnd::WriteFailed,
         {"ask", "devices", "select 1", "sleep", "write", "flash"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList log;
        size_t current = 0;
        TMode mode = mNone;
        std::vector<uint16_t> addrs;
        for (size_t i = 0; i < c.devices.size(); ++i)
            addrs.push_back(uint16_t(i + 1));
        memorypanel::TWriteAllHooks h;
        h.Confirm = [&](const QString& q) {
            EXPECT_EQ(q, QStringLiteral("Записать FLASH всех устройств?"));
            log << "ask";
            return true;
        };
        h.ShowDeviceTab = [&] { log << "devices"; };
        h.SelectDevice = [&](uint16_t a) {
            log << QStringLiteral("select %1").arg(a);
            current = a - 1;
            mode = c.devices[current].mode;
        };
        h.Sleep = [&](int ms) {
            EXPECT_EQ(ms, 1000);
            log << "sleep";
        };
        h.WaitMode = [&](const std::function<bool(TMode)>&, int ms) {
            EXPECT_EQ(ms, 3000);
            return mode;
        };
        h.RunBootloader = [&] {
            log << "boot";
            mode = mBootloader60;
        };
        h.WriteFLASH = [&] {
            log << "write";
            return c.devices[current].writeOk;
        };
        h.RunProgram = [&] { log << "run"; };
        h.ShowFLASHTab = [&] { log << "flash"; };
        const auto r = memorypanel::WriteFLASHToAll(addrs, c.runAfterSave, h);
        EXPECT_EQ(r.End, c.end);
        EXPECT_EQ(log, c.log);
    }
    // No: nothing happens at all.
    memorypanel::TWriteAllHooks no;
    int calls = 0;
    no.Confirm = [](const QString&) { return false; };
    no.SelectDevice = [&](uint16_t) { ++calls; };
    EXPECT_EQ(memorypanel::WriteFLASHToAll({1, 2}, true, no).End, memorypanel::TWriteAllEnd::Declined);
    EXPECT_EQ(calls, 0);
}

// What a write or compare does with a buffer made for one program region when the selected device
// has another: nothing (same addresses, whatever the part is called), the file loaded again, or a
// refusal naming both.
TEST(FlashOrigin, BufferFitsOnlyItsOwnRegion)
{
    using namespace memorypanel;
    const TFlashRegion mega32{QStringLiteral("ATmega32"), 0x800, 0x8000};
    const TFlashRegion mega64{QStringLiteral("ATmega64"), 0x1000, 0x10000};
    const TFlashRegion sameAddresses{QStringLiteral("ATmega32A"), 0x800, 0x8000};
    const QString loadedFor32 = QStringLiteral(
        "Файл прошивки загружен для ATmega32 (0x0800..0x7FFF), а выбрано устройство ATmega64 "
        "(0x1000..0xFFFF).\r\nЗагрузите файл заново или включите \"Перезагружать файл\".");
    const QString readFrom32 = QStringLiteral(
        "Буфер FLASH прочитан из ATmega32 (0x0800..0x7FFF), а выбрано устройство ATmega64 (0x1000..0xFFFF).\r\n"
        "Прочитайте FLASH этого устройства или загрузите файл.");
    enum Source { Nothing, File, Read, FileThenRead };
    struct Case {
        const char* name;
        Source source;
        TFlashRegion device;
        bool reload;
        TBufferStep step;
        QString message;
    };
    const Case cases[] = {
        {"never filled", Nothing, mega64, false, TBufferStep::Use, {}},
        {"same region", File, mega32, false, TBufferStep::Use, {}},
        {"same addresses, another name", File, sameAddresses, false, TBufferStep::Use, {}},
        {"file, other region", File, mega64, false, TBufferStep::Refuse, loadedFor32},
        {"file, other region, reload", File, mega64, true, TBufferStep::Reload, {}},
        {"read, other region", Read, mega64, false, TBufferStep::Refuse, readFrom32},
        {"read without a file, reload", Read, mega64, true, TBufferStep::Refuse, readFrom32},
        {"read after a file, reload", FileThenRead, mega64, true, TBufferStep::Reload, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFlashOrigin origin;
        if (c.source == File || c.source == FileThenRead)
            origin.Loaded(QStringLiteral("/fw.hex"), mega32);
        if (c.source == Read || c.source == FileThenRead)
            origin.ReadFrom(mega32);
        const TBufferCheck check = origin.Check(c.device, c.reload);
        EXPECT_EQ(check.Step, c.step);
        EXPECT_EQ(check.Message, c.message);
    }
}

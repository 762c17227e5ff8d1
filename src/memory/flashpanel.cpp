#include "memory/flashpanel.h"

#include <algorithm>

#include <QFile>

#include "base/messages.h"
#include "memory/hexgridmodel.h"

namespace memorypanel {

TPart ReadDataRange(uint32_t beginAddr, uint32_t countBytes, uint32_t blockSize, uint32_t ext)
{
    TPart p;
    if (countBytes == 0 || blockSize == 0)
        return p;
    p.Start = blockSize * (beginAddr / blockSize);
    if (ext >= blockSize && p.Start > ext - blockSize)
        p.Start = ext - blockSize;
    // Every block the range touches, also when it crosses a block edge: the grid must not show
    // bytes that were never read.
    const uint64_t end = uint64_t(blockSize) * ((uint64_t(beginAddr) + countBytes + blockSize - 1) / blockSize);
    p.Count = end > p.Start ? uint32_t(std::min<uint64_t>(end - p.Start, 0xFFFFFFFF)) : 0;
    // A start at or past the end of the memory reads nothing (the subtraction would wrap).
    if (p.Start >= ext)
        p.Count = 0;
    else if (uint64_t(p.Start) + p.Count > ext)
        p.Count = ext - p.Start;
    return p;
}

TPart WriteDataBlock(uint32_t addr, uint32_t blockSize, uint32_t ext)
{
    TPart p;
    if (blockSize == 0)
        return p;
    p.Start = blockSize * (addr / blockSize);
    if (ext >= blockSize && p.Start > ext - blockSize)
        p.Start = ext - blockSize;
    p.Count = blockSize;
    return p;
}

namespace {
QStringList columnHeaders(int digits)
{
    QStringList h;
    for (int c = 0; c < hexgrid::kBytesPerRow; ++c)
        h << hexgrid::HexAddr(uint64_t(c), digits);
    return h;
}
}  // namespace

TDataGrid InitialDataGrid()
{
    TDataGrid g;
    g.Rows = 2;
    g.ColumnHeaders = columnHeaders(4);
    g.RowHeaders = {hexgrid::HexAddr(0)};
    g.Cells.assign(1, QStringList(hexgrid::kBytesPerRow, QString()));
    return g;
}

TDataGrid MakeDataGrid(const TMemoryImage& image, uint32_t beginAddr, uint32_t countBytes)
{
    TDataGrid g;
    g.ColumnHeaders = columnHeaders(2);
    const uint32_t firstLine = beginAddr / hexgrid::kBytesPerRow;
    const uint64_t end = uint64_t(beginAddr) + countBytes;
    const uint32_t lines = countBytes ? uint32_t((end - 1) / hexgrid::kBytesPerRow - firstLine + 1) : 0;
    g.Rows = int(lines) + 1;
    g.Cells.assign(lines, QStringList(hexgrid::kBytesPerRow, QString()));
    for (uint32_t i = 0; i < lines; ++i)
        g.RowHeaders << hexgrid::HexAddr(uint64_t(firstLine + i) * hexgrid::kBytesPerRow);
    for (uint64_t a = beginAddr; a < end && a < TMemoryImage::kSize; ++a)
        g.Cells[size_t(a / hexgrid::kBytesPerRow - firstLine)][qsizetype(a % hexgrid::kBytesPerRow)] =
            QString::number(image[size_t(a)]);
    return g;
}

QString DataCellText(const QString& stored, int typeData)
{
    bool ok = false;
    const int v = stored.trimmed().toInt(&ok);
    if (!ok)
        return QString();
    if (typeData == 1)
        return QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper();
    return QString::number(v);
}

QString HexValueText(int value)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

std::array<uint8_t, 44> WavHeader(uint32_t samples)
{
    std::array<uint8_t, 44> h{};
    size_t at = 0;
    auto text = [&](const char* s) {
        for (int i = 0; i < 4; ++i)
            h[at++] = uint8_t(s[i]);
    };
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            h[at++] = uint8_t(v >> (8 * i));
    };
    auto u16 = [&](uint16_t v) {
        h[at++] = uint8_t(v);
        h[at++] = uint8_t(v >> 8);
    };
    text("RIFF");
    u32(samples + 36);
    text("WAVE");
    text("fmt ");
    u32(16);
    u16(1);     // PCM
    u16(1);     // mono
    u32(8000);  // samples per second
    u32(8000);  // bytes per second
    u16(1);     // block alignment
    u16(8);     // bits per sample
    text("data");
    u32(samples);
    return h;
}

bool SaveWavImage(const TMemoryImage& image, const QString& path, uint32_t size, QString& error)
{
    const uint32_t n = std::min<uint32_t>(size, TMemoryImage::kSize);
    const auto header = WavHeader(n);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(reinterpret_cast<const char*>(header.data()), qint64(header.size())) != qint64(header.size()) ||
        f.write(reinterpret_cast<const char*>(image.Data()), n) != qint64(n)) {
        error = Msg::FileSystemError;
        return false;
    }
    return true;
}

QString RegionText(const TFlashRegion& r)
{
    const QString last = r.End > r.Start ? hexgrid::HexAddr(uint64_t(r.End) - 1) : hexgrid::HexAddr(r.End);
    return QStringLiteral("%1 (0x%2..0x%3)").arg(r.Part, hexgrid::HexAddr(r.Start), last);
}

QString PartName(const TDeviceInfo& info)
{
    return info.MCU.section(QStringLiteral("\r\n"), 0, 0).trimmed();
}

TBufferCheck TFlashOrigin::Check(const TFlashRegion& device, bool reloadFile) const
{
    TBufferCheck c;
    if (!FRegion || FRegion->SameAddresses(device))
        return c;
    if (reloadFile && !FPath.isEmpty()) {
        c.Step = TBufferStep::Reload;
        return c;
    }
    c.Step = TBufferStep::Refuse;
    c.Message = (FFromDevice ? Msg::FlashBufferReadForOther : Msg::FlashBufferLoadedForOther)
                    .arg(RegionText(*FRegion), RegionText(device));
    return c;
}

namespace {
bool answering(TMode m)
{
    return m >= mBootloader50 && m <= mDevice6;
}
bool isBootloader(TMode m)
{
    return m == mBootloader50 || m == mBootloader51 || m == mBootloader60;
}
}  // namespace

TWriteAllResult WriteFLASHToAll(const std::vector<uint16_t>& addrs, bool runAfterSave, const TWriteAllHooks& h)
{
    TWriteAllResult r;
    if (h.Confirm && !h.Confirm(Msg::AskWriteFLASHToAll))
        return r;
    r.End = TWriteAllEnd::Done;
    if (addrs.size() > 1 && h.ShowDeviceTab)
        h.ShowDeviceTab();
    for (size_t i = 0; i < addrs.size(); ++i) {
        h.SelectDevice(addrs[i]);
        h.Sleep(kWriteAllSettleMs);
        const TMode mode = h.WaitMode(answering, kWriteAllModeWaitMs);
        if (!answering(mode)) {
            r.End = TWriteAllEnd::NoAnswer;
            r.StoppedAt = int(i);
            break;
        }
        if (mode == mDevice5 || mode == mDevice6) {
            h.RunBootloader();
            h.WaitMode(isBootloader, kWriteAllModeWaitMs);
        }
        if (!h.WriteFLASH()) {
            r.End = TWriteAllEnd::WriteFailed;
            r.StoppedAt = int(i);
            break;
        }
        ++r.Written;
        if (runAfterSave)
            h.RunProgram();
    }
    if (h.ShowFLASHTab)
        h.ShowFLASHTab();
    return r;
}

}  // namespace memorypanel

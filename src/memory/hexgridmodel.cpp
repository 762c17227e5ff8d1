#include "memory/hexgridmodel.h"

#include <algorithm>

#include "link/crc16.h"

namespace hexgrid {

uint32_t TWindow::ChecksumLength() const
{
    const int64_t whole = kBytesPerRow * (Length() / kBytesPerRow);
    return uint32_t(std::min<int64_t>(whole, ImageSize));
}

int RowCount(const TWindow& w)
{
    if (w.Empty())
        return 2;
    // Beyond INT_MAX rows no view could show it anyway; the image caps what holds data.
    return int(std::min<int64_t>(w.Length() / kBytesPerRow + 1, 0x7FFFFFFF));
}

QString HexAddr(uint64_t value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

QString RowLabel(const TWindow& w, int row)
{
    return row >= 1 ? HexAddr(uint64_t(w.First + int64_t(kBytesPerRow) * (row - 1))) : QString();
}

QString ColumnLabel(int column)
{
    return column >= 1 ? HexAddr(uint64_t(column - 1), 2) : QString();
}

QString CellText(const TWindow& w, const uint8_t* image, int row, int column)
{
    if (row == 0)
        return ColumnLabel(column);
    if (column == 0)
        return RowLabel(w, row);
    if (w.Empty() || !image)
        return QString();
    const int64_t i = int64_t(kBytesPerRow) * (row - 1) + column - 1;
    if (i >= int64_t(w.ImageSize) || i >= w.Length())
        return QString();
    return HexAddr(image[i], 2);
}

uint16_t Checksum(const TWindow& w, const uint8_t* image)
{
    TCRC16 crc;
    crc.Init(0xFFFF, 0x8408);
    if (image)
        crc.Update(image, w.ChecksumLength());
    return crc.FCRC;
}

TChecksumMark::Shown TChecksumMark::Update(uint16_t checksum, bool reset)
{
    if (reset)
        FReference = checksum;
    Shown s;
    s.Text = QStringLiteral("Checksum: ") + HexAddr(checksum, 4);
    s.Red = FReference != int32_t(checksum);
    FReference = checksum;
    return s;
}

}  // namespace hexgrid

#pragma once
#include <cstdint>

#include <QString>

// What the FLASH and external-memory hex views show: 16 bytes a row under one header row, the
// first column holding the row's address. Cell texts, row counts and the checksum live here so
// that the widgets only draw them.
namespace hexgrid {

constexpr int kColumns = 17;  // header column + 16 bytes
constexpr int kBytesPerRow = 16;

// A window of device addresses First .. End-1 whose byte i sits at index i of an image of
// ImageSize bytes. Empty when End <= First.
struct TWindow {
    int64_t First = 0;
    int64_t End = 0;
    uint32_t ImageSize = 0;

    bool Empty() const { return End <= First; }
    // Bytes of the window (not limited by the image).
    int64_t Length() const { return Empty() ? 0 : End - First; }
    // Bytes of the window the checksum covers: whole rows only, never past the image.
    uint32_t ChecksumLength() const;
};

// Rows of the grid, the header row included: one per whole 16 bytes, or 2 for an empty window.
int RowCount(const TWindow& w);

// Texts of the fixed cells: row r >= 1 is labelled with its address (at least 4 upper-case hex
// digits), column c >= 1 with c-1 (two digits).
QString RowLabel(const TWindow& w, int row);
QString ColumnLabel(int column);
// Text of any cell. Data cells show their byte as two upper-case hex digits, and nothing when the
// window is empty or the byte lies beyond the image.
QString CellText(const TWindow& w, const uint8_t* image, int row, int column);
inline bool IsHeader(int row, int column)
{
    return row == 0 || column == 0;
}

// CRC-16 of the line code (init 0xFFFF, polynomial 0x8408) over the checksummed bytes.
uint16_t Checksum(const TWindow& w, const uint8_t* image);

// The checksum label: red once after the image changed, black at the next refresh.
class TChecksumMark {
public:
    struct Shown {
        QString Text;  // "Checksum: XXXX"
        bool Red = false;
    };
    // reset makes the new checksum the reference first.
    Shown Update(uint16_t checksum, bool reset);
    int32_t Reference() const { return FReference; }

private:
    int32_t FReference = -1;  // none yet
};

// Hexadecimal address text, at least `digits` upper-case digits.
QString HexAddr(uint64_t value, int digits = 4);

}  // namespace hexgrid

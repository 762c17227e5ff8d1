#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include <QByteArray>
#include <QString>

// Monochrome LCD pictures and the two ways devices keep them in their external memory.
namespace lcd {

struct TSize {
    int W;
    int H;
    bool operator==(const TSize&) const = default;
};
// The sizes of the list, in its order; every width and height is a multiple of 8.
inline constexpr TSize kSizes[] = {{96, 64}, {128, 64}, {128, 128}, {240, 128}, {320, 240}};
inline constexpr int kSizeCount = 5;
TSize SizeOf(int index);  // an index outside the list gives the first size

// "Развёртка": 0 rows, leftmost pixel in the high bit; 1 columns of 8 pixels, top pixel in the
// low bit, the bytes running along bands of 8 rows (the page layout of 128 × 64 controllers).
enum TLayout { lyRows = 0, lyColumns = 1 };

inline constexpr uint32_t PackedSize(TSize s)
{
    return uint32_t(s.W) * uint32_t(s.H) / 8;
}

struct TBitPos {
    uint32_t Byte = 0;
    uint8_t Bit = 0;
    bool operator==(const TBitPos&) const = default;
};
struct TPixel {
    int X = 0;
    int Y = 0;
    bool operator==(const TPixel&) const = default;
};
// Where pixel (x, y) lies, and the way back.
TBitPos BitOf(TSize s, TLayout layout, int x, int y);
TPixel PixelOf(TSize s, TLayout layout, TBitPos pos);

// A picture of W × H pixels, each lit (black) or not (white).
class TPicture {
public:
    TPicture() : TPicture(kSizes[0]) {}
    explicit TPicture(TSize s) : FSize(s), FLit(size_t(s.W) * size_t(s.H), 0) {}

    TSize Size() const { return FSize; }
    bool Lit(int x, int y) const { return FLit[size_t(y) * size_t(FSize.W) + size_t(x)] != 0; }
    void Set(int x, int y, bool lit) { FLit[size_t(y) * size_t(FSize.W) + size_t(x)] = lit ? 1 : 0; }
    void Clear() { std::fill(FLit.begin(), FLit.end(), 0); }
    bool operator==(const TPicture&) const = default;

private:
    TSize FSize;
    std::vector<uint8_t> FLit;
};

// Picture → bytes: `out` (PackedSize bytes) zeroed, then the bit of every lit pixel set.
void Pack(const TPicture& picture, TLayout layout, std::span<uint8_t> out);
std::vector<uint8_t> Pack(const TPicture& picture, TLayout layout);
// Bytes → picture; `in` must hold PackedSize bytes.
TPicture Unpack(TSize s, TLayout layout, std::span<const uint8_t> in);

// Whether a packed picture of size s fits from `addr` in a memory of `memSize` bytes.
bool Fits(TSize s, uint32_t addr, uint64_t memSize);

// The C header of a packed picture (text in the 8-bit code page): one "Splash" array, 16 bytes
// a line.
QByteArray HeaderText(std::span<const uint8_t> packed);
// Writes it to `path` as a whole or not at all; false with a reason in `error`.
bool SaveHeader(const QString& path, std::span<const uint8_t> packed, QString& error);

}  // namespace lcd

#include "memory/lcdbitmap.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QSaveFile>

#include "base/fileio.h"
#include "base/messages.h"

namespace lcd {

namespace {

// Sides beyond this are no picture meant for an LCD; refused before the decoder allocates.
constexpr int32_t kMaxSide = 16384;

// A little-endian header field of `size` bytes at `at`; false when the file ends before it.
bool field(const QByteArray& b, qsizetype at, int size, uint32_t& value)
{
    if (at + size > b.size())
        return false;
    value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | uint8_t(b[at + i]);
    return true;
}

}  // namespace

bool BitmapDepthAccepted(int bitsPerPixel)
{
    return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 24 || bitsPerPixel == 32;
}

bool ReadBitmap(const QByteArray& bytes, TSize s, TPicture& picture)
{
    // The header is checked first, field by field against the length, so that a short file is
    // never read past its end and a file claiming a huge picture is refused before the decoder
    // allocates for it.
    uint32_t dataStart = 0, headerSize = 0, width = 0, height = 0, depth = 0, compression = 0;
    if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M' || !field(bytes, 10, 4, dataStart) ||
        !field(bytes, 14, 4, headerSize) || !field(bytes, 18, 4, width) || !field(bytes, 22, 4, height) ||
        !field(bytes, 28, 2, depth) || !field(bytes, 30, 4, compression))
        return false;
    if (headerSize < 40)  // the old 12-byte core header is not one we write or expect
        return false;
    const int64_t w = int32_t(width);
    const int64_t h = std::abs(int64_t(int32_t(height)));  // negative: stored top-down
    if (w < 1 || w > kMaxSide || h < 1 || h > kMaxSide || !BitmapDepthAccepted(int(depth)))
        return false;
    // Uncompressed pixels only, and all of them present: the decoder would fill a cut-off file
    // with a guess.
    if (compression != 0 && compression != 3)
        return false;
    const int64_t stride = (w * depth + 31) / 32 * 4;
    if (int64_t(dataStart) + stride * h > bytes.size())
        return false;
    QImage image;
    if (!image.loadFromData(bytes, "BMP") || image.width() != w || image.height() != h)
        return false;
    // The top-left W × H pixels; what a smaller picture does not have stays unlit.
    const int cw = int(std::min<int64_t>(w, s.W));
    const int ch = int(std::min<int64_t>(h, s.H));
    image = image.copy(0, 0, cw, ch).convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return false;
    TPicture loaded(s);
    for (int y = 0; y < ch; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < cw; ++x)
            loaded.Set(x, y, (line[x] & 0xFFFFFF) != 0xFFFFFF);
    }
    picture = std::move(loaded);
    return true;
}

bool LoadBitmap(const QString& path, TSize s, TPicture& picture)
{
    // Only a regular file of a sane size is read: a FIFO or a device would hang the window.
    QByteArray bytes;
    QString why;
    return fileio::ReadWholeFile(path, bytes, why) && ReadBitmap(bytes, s, picture);
}

QByteArray BitmapBytes(const TPicture& picture)
{
    const TSize s = picture.Size();
    QImage image(s.W, s.H, QImage::Format_Mono);
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (int y = 0; y < s.H; ++y)
        for (int x = 0; x < s.W; ++x)
            image.setPixel(x, y, picture.Lit(x, y) ? 1 : 0);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "BMP"))
        return {};
    return bytes;
}

bool SaveBitmap(const QString& path, const TPicture& picture, QString& error)
{
    const QByteArray bytes = BitmapBytes(picture);
    QSaveFile f(path);
    if (bytes.isEmpty() || !f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        error = Msg::FileSystemError;
        return false;
    }
    return true;
}

}  // namespace lcd

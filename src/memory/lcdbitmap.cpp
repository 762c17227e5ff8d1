#include "memory/lcdbitmap.h"

#include <cstdlib>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QSaveFile>

#include "base/messages.h"

namespace lcd {

namespace {

// BITMAPFILEHEADER (14 bytes) and the start of BITMAPINFOHEADER, little-endian.
constexpr int kMinHeader = 14 + 16;

int32_t le32(const QByteArray& b, int at)
{
    return int32_t(uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
                   uint32_t(uint8_t(b[at + 3])) << 24);
}

int le16(const QByteArray& b, int at)
{
    return int(uint8_t(b[at])) | int(uint8_t(b[at + 1])) << 8;
}

}  // namespace

bool BitmapDepthAccepted(int bitsPerPixel)
{
    return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 24 || bitsPerPixel == 32;
}

bool ReadBitmap(const QByteArray& bytes, TSize s, TPicture& picture)
{
    // The header is checked first, so that a file claiming a huge picture is refused before
    // the decoder allocates for it.
    if (bytes.size() < kMinHeader || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    if (le32(bytes, 14) < 40)  // the old 12-byte core header is not one we write or expect
        return false;
    const int32_t width = le32(bytes, 18);
    const int32_t height = le32(bytes, 22);
    const int depth = le16(bytes, 28);
    if (width != s.W || (height != s.H && height != -s.H) || !BitmapDepthAccepted(depth))
        return false;
    // Uncompressed pixels only, and all of them present: the decoder would fill a cut-off file
    // with a guess.
    const int32_t compression = le32(bytes, 30);
    if (compression != 0 && compression != 3)
        return false;
    const int64_t stride = (int64_t(s.W) * depth + 31) / 32 * 4;
    const int64_t dataStart = uint32_t(le32(bytes, 10));
    if (dataStart + stride * s.H > bytes.size())
        return false;
    QImage image;
    if (!image.loadFromData(bytes, "BMP") || image.width() != s.W || image.height() != s.H)
        return false;
    image = image.convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return false;
    TPicture loaded(s);
    for (int y = 0; y < s.H; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < s.W; ++x)
            loaded.Set(x, y, (line[x] & 0xFFFFFF) != 0xFFFFFF);
    }
    picture = std::move(loaded);
    return true;
}

bool LoadBitmap(const QString& path, TSize s, TPicture& picture)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    // No picture of the list comes near this; a larger file is not one of ours.
    constexpr qint64 kMaxFile = 4 << 20;
    if (f.size() > kMaxFile)
        return false;
    return ReadBitmap(f.readAll(), s, picture);
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

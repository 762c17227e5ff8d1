#include "memory/lcdimage.h"

#include <QSaveFile>

#include "base/cp1251.h"
#include "base/messages.h"

namespace lcd {

TSize SizeOf(int index)
{
    return index >= 0 && index < kSizeCount ? kSizes[index] : kSizes[0];
}

TBitPos BitOf(TSize s, TLayout layout, int x, int y)
{
    if (layout == lyRows)
        return {uint32_t((y * s.W + x) / 8), uint8_t(7 - x % 8)};
    return {uint32_t(x + (y / 8) * s.W), uint8_t(y % 8)};
}

TPixel PixelOf(TSize s, TLayout layout, TBitPos pos)
{
    if (layout == lyRows) {
        const int first = int(pos.Byte) * 8;
        return {first % s.W + (7 - pos.Bit), first / s.W};
    }
    return {int(pos.Byte) % s.W, int(pos.Byte) / s.W * 8 + pos.Bit};
}

void Pack(const TPicture& picture, TLayout layout, std::span<uint8_t> out)
{
    const TSize s = picture.Size();
    std::fill(out.begin(), out.begin() + PackedSize(s), uint8_t(0));
    if (layout == lyRows) {
        // A row is W / 8 whole bytes: walk the bytes, not the pixels.
        uint8_t* p = out.data();
        for (int y = 0; y < s.H; ++y) {
            for (int x = 0; x < s.W; x += 8, ++p) {
                uint8_t b = 0;
                for (int k = 0; k < 8; ++k)
                    b = uint8_t(b << 1 | (picture.Lit(x + k, y) ? 1 : 0));
                *p = b;
            }
        }
        return;
    }
    for (int band = 0; band < s.H / 8; ++band) {
        uint8_t* p = out.data() + size_t(band) * size_t(s.W);
        for (int x = 0; x < s.W; ++x) {
            uint8_t b = 0;
            for (int k = 7; k >= 0; --k)
                b = uint8_t(b << 1 | (picture.Lit(x, band * 8 + k) ? 1 : 0));
            p[x] = b;
        }
    }
}

std::vector<uint8_t> Pack(const TPicture& picture, TLayout layout)
{
    std::vector<uint8_t> out(PackedSize(picture.Size()));
    Pack(picture, layout, out);
    return out;
}

TPicture Unpack(TSize s, TLayout layout, std::span<const uint8_t> in)
{
    TPicture picture(s);
    if (in.size() < PackedSize(s))
        return picture;
    if (layout == lyRows) {
        const uint8_t* p = in.data();
        for (int y = 0; y < s.H; ++y)
            for (int x = 0; x < s.W; x += 8, ++p)
                for (int k = 0; k < 8; ++k)
                    picture.Set(x + k, y, (*p >> (7 - k)) & 1);
        return picture;
    }
    for (int band = 0; band < s.H / 8; ++band) {
        const uint8_t* p = in.data() + size_t(band) * size_t(s.W);
        for (int x = 0; x < s.W; ++x)
            for (int k = 0; k < 8; ++k)
                picture.Set(x, band * 8 + k, (p[x] >> k) & 1);
    }
    return picture;
}

bool Fits(TSize s, uint32_t addr, uint64_t memSize)
{
    return uint64_t(addr) + PackedSize(s) <= memSize;
}

QByteArray HeaderText(std::span<const uint8_t> packed)
{
    const size_t n = packed.size();
    QString t;
    t += QStringLiteral("#ifndef __SPLASH__\r\n#define __SPLASH__\r\n\r\n");
    t += Msg::LcdHeaderComment + QStringLiteral("\r\n");
    t += QStringLiteral("const char Splash [%1] = {\r\n").arg(n);
    static const char kHex[] = "0123456789ABCDEF";
    for (size_t line = 0; line < n / 16; ++line) {
        t += QString(11, QLatin1Char(' '));
        for (size_t k = 0; k < 16; ++k) {
            const size_t i = line * 16 + k;
            t += QLatin1String("0x");
            t += QLatin1Char(kHex[packed[i] >> 4]);
            t += QLatin1Char(kHex[packed[i] & 15]);
            if (i + 1 < n)
                t += QLatin1Char(',');
        }
        t += QStringLiteral("\r\n");
    }
    t += QString(10, QLatin1Char(' ')) + QStringLiteral("};\r\n\r\n#endif\r\n");
    return Cp1251::fromUnicode(t);
}

bool SaveHeader(const QString& path, std::span<const uint8_t> packed, QString& error)
{
    // A half-written header would compile into a broken picture: all or nothing.
    QSaveFile f(path);
    const QByteArray text = HeaderText(packed);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size() || !f.commit()) {
        error = Msg::FileSystemError;
        return false;
    }
    return true;
}

}  // namespace lcd

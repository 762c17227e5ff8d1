#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Windows code page 1251: the 8-bit text of the event log, HEX parameter lines and route names.
// Table-driven because Qt's own codecs for it depend on ICU being present.
// Header-only so that every core area can use it without a link dependency on core_app.
namespace Cp1251 {

// Unicode for bytes 0x80..0xBF (0xC0..0xFF are А..я in order); byte 0x98 is unassigned and decodes
// to U+FFFD.
inline constexpr char16_t kHigh[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

inline QString toUnicode(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80)
            dst[i] = QChar(b);
        else if (b >= 0xC0)  // А..я run contiguously from U+0410
            dst[i] = QChar(char16_t(0x0410 + (b - 0xC0)));
        else
            dst[i] = QChar(kHigh[b - 0x80]);
    }
    return out;
}

// One character to its byte; 0 when the character has no CP1251 form (U+0000 itself maps to 0 too).
inline char fromChar(char16_t u)
{
    if (u < 0x80)
        return char(u);
    if (u >= 0x0410 && u <= 0x044F)
        return char(0xC0 + (u - 0x0410));
    for (int i = 0; i < 0x40; ++i)
        if (kHigh[i] == u && u != 0xFFFD)
            return char(0x80 + i);
    return 0;
}

// Characters without a CP1251 form become `replacement`.
inline QByteArray fromUnicode(QStringView text, char replacement = '?')
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char* dst = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        const char b = fromChar(u);
        dst[i] = (b == 0 && u != 0) ? replacement : b;
    }
    return out;
}

}  // namespace Cp1251

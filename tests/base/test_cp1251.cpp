#include <gtest/gtest.h>

#include "base/cp1251.h"

// Known answers restated from the code page itself, not taken from the converter's table.
TEST(Cp1251, CyrillicAndPunctuation)
{
    // А..я are 0xC0..0xFF in alphabetical order.
    QByteArray az;
    for (int b = 0xC0; b <= 0xFF; ++b)
        az.append(char(b));
    QString expected;
    for (char16_t u = 0x0410; u <= 0x044F; ++u)
        expected.append(QChar(u));
    EXPECT_EQ(Cp1251::toUnicode(az), expected);
    EXPECT_EQ(Cp1251::fromUnicode(expected), az);

    const std::pair<char16_t, unsigned char> singles[] = {
        {u'Ё', 0xA8}, {u'ё', 0xB8}, {u'№', 0xB9}, {u'«', 0xAB}, {u'»', 0xBB},   {u'—', 0x97}, {u'–', 0x96},
        {u'„', 0x84}, {u'“', 0x93}, {u'”', 0x94}, {u'€', 0x88}, {0x00A0, 0xA0}, {u'Ў', 0xA1}, {u'ў', 0xA2},
        {u'Ґ', 0xA5}, {u'ґ', 0xB4}, {u'Є', 0xAA}, {u'є', 0xBA}, {u'Ї', 0xAF},   {u'ї', 0xBF}, {u'І', 0xB2},
        {u'і', 0xB3}, {u'Ђ', 0x80}, {u'џ', 0x9F}, {u'°', 0xB0}, {u'™', 0x99},
    };
    for (const auto& [u, b] : singles) {
        SCOPED_TRACE(int(b));
        EXPECT_EQ(Cp1251::toUnicode(QByteArray(1, char(b))), QString(QChar(u)));
        EXPECT_EQ(Cp1251::fromUnicode(QString(QChar(u))), QByteArray(1, char(b)));
    }

    EXPECT_EQ(Cp1251::fromUnicode(QStringLiteral("Ёлка №5 «ёж»")), QByteArray("\xA8\xEB\xEA\xE0 \xB9"
                                                                              "5 \xAB\xB8\xE6\xBB"));
}

TEST(Cp1251, EveryByteRoundTripsAndForeignCharactersBecomeReplacement)
{
    for (int b = 0; b < 256; ++b) {
        if (b == 0x98)
            continue;  // unassigned in the code page
        const QByteArray one(1, char(b));
        EXPECT_EQ(Cp1251::fromUnicode(Cp1251::toUnicode(one)), one) << b;
    }
    EXPECT_EQ(Cp1251::toUnicode(QByteArray(1, char(0x98))), QString(QChar(0xFFFD)));
    EXPECT_EQ(Cp1251::fromUnicode(QStringLiteral("a\u00E9\u4E2D\uFFFDb")), QByteArray("a???b"));
    EXPECT_EQ(Cp1251::fromUnicode(QString(QChar(0)) + u'x'), QByteArray("\0x", 2));
}

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "panels/ledfont.h"
#include "panels/ledgeometry.h"

using namespace panels;

namespace {

// The glyph as seven rows of five dots, top first ('#' lit).
std::string Art(uint8_t code)
{
    std::string s;
    for (int r = 0; r < 7; ++r) {
        for (int k = 0; k < 6; ++k)
            s += LEDDotLit(code, r, k) ? '#' : '.';
        s += '|';
    }
    return s;
}

}  // namespace

TEST(LEDFont, RowsThePanelsRelyOn)
{
    // Restated byte for byte: a display of digits and degrees must not drift.
    struct Row {
        uint8_t code;
        uint8_t bytes[5];
    };
    const Row rows[] = {
        {0x20, {0x00, 0x00, 0x00, 0x00, 0x00}}, {0x2D, {0x10, 0x10, 0x10, 0x10, 0x10}},
        {0x2E, {0x00, 0x00, 0x02, 0x00, 0x00}}, {0x30, {0x7C, 0x8A, 0x92, 0xA2, 0x7C}},
        {0x31, {0x00, 0x42, 0xFE, 0x02, 0x00}}, {0x32, {0x46, 0x8A, 0x92, 0x92, 0x62}},
        {0x33, {0x44, 0x92, 0x92, 0x92, 0x6C}}, {0x34, {0xF0, 0x10, 0x10, 0x10, 0xFE}},
        {0x35, {0xF4, 0x92, 0x92, 0x92, 0x8C}}, {0x36, {0x7C, 0x92, 0x92, 0x92, 0x4C}},
        {0x37, {0xC0, 0x80, 0x8E, 0x90, 0xE0}}, {0x38, {0x6C, 0x92, 0x92, 0x92, 0x6C}},
        {0x39, {0x64, 0x92, 0x92, 0x92, 0x7C}}, {0x7F, {0x00, 0x7C, 0x7C, 0x7C, 0x00}},
        {0xB0, {0x00, 0x40, 0xA0, 0x40, 0x00}},
    };
    for (const Row& r : rows)
        for (int k = 0; k < 5; ++k)
            EXPECT_EQ(LEDFont[r.code][k], r.bytes[k]) << std::hex << int(r.code) << " column " << k;
}

TEST(LEDFont, GlyphGeometry)
{
    struct Case {
        uint8_t code;
        const char* art;
    };
    const Case cases[] = {
        // The zero's slash runs from lower left to upper right.
        {'0', ".###..|#...#.|#..##.|#.#.#.|##..#.|#...#.|.###..|"},
        {'-', "......|......|......|#####.|......|......|......|"},
        {'.', "......|......|......|......|......|......|..#...|"},
        {0xB0, "..#...|.#.#..|..#...|......|......|......|......|"},
        {0x7F, "......|.###..|.###..|.###..|.###..|.###..|......|"},
        {'A', ".###..|#...#.|#...#.|#####.|#...#.|#...#.|#...#.|"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Art(c.code), c.art) << std::hex << int(c.code);
    // Bit 0 is never part of a glyph; the sixth column never lights.
    for (int c = 0; c < 256; ++c)
        for (int k = 0; k < 5; ++k)
            EXPECT_EQ(LEDFont[c][k] & 1, 0) << c;
}

TEST(LEDFont, Latin1HasItsOwnGlyphs)
{
    // Printable Latin-1 characters are drawn, distinct from one another and from the block.
    std::set<std::string> seen;
    for (int c = 0x21; c <= 0xFF; ++c) {
        if (c == 0x7F || (c >= 0x80 && c <= 0xA0) || c == 0xAD)
            continue;
        const std::string art = Art(uint8_t(c));
        EXPECT_NE(art, Art(kLEDBlock)) << std::hex << c;
        EXPECT_NE(art, Art(' ')) << std::hex << c;
        EXPECT_TRUE(seen.insert(art).second) << "glyph of " << std::hex << c << " repeats another";
    }
    // Anything without a glyph shows the block.
    for (char16_t c : {u'\x01', u'\x1F', u'\x100', u'Ж', u'€'})
        EXPECT_EQ(LEDGlyphCode(c), kLEDBlock) << int(c);
    EXPECT_EQ(LEDGlyphCode(u'é'), 0xE9);
}

TEST(LEDGeometry, DotsFollowTheHeight)
{
    struct Case {
        int w, h;
        int dot, gap, cellW, cellH, y0;
        bool drawn;
    };
    const Case cases[] = {
        {142, 30, 3, 0, 18, 21, 4, true}, {100, 100, 13, 1, 84, 97, 1, true}, {100, 8, 1, 0, 6, 7, 0, true},
        {100, 7, 1, 0, 6, 7, 0, false},   {0, 30, 3, 0, 18, 21, 4, false},    {100, 50, 6, 0, 36, 42, 4, true},
    };
    for (const Case& c : cases) {
        const TLEDGeometry g = LEDGeometry(c.w, c.h);
        EXPECT_EQ(g.DotSize, c.dot) << c.w << "x" << c.h;
        EXPECT_EQ(g.DotGap, c.gap) << c.w << "x" << c.h;
        EXPECT_EQ(g.CellW, c.cellW) << c.w << "x" << c.h;
        EXPECT_EQ(g.CellH, c.cellH) << c.w << "x" << c.h;
        EXPECT_EQ(g.Y0, c.y0) << c.w << "x" << c.h;
        EXPECT_EQ(g.Drawn, c.drawn) << c.w << "x" << c.h;
    }
}

TEST(LEDGeometry, Alignment)
{
    struct Case {
        const char16_t* caption;
        TLEDAlignment alignment;
        int w;
        std::vector<int> background;  // x of the blank cells
        std::vector<std::pair<int, uint8_t>> text;
    };
    const Case cases[] = {
        // 45° right-aligned in 142 × 30 ends at the right edge; blank cells fill to the left.
        {u"45°", laRight, 142, {124, 106, 88, 70, 52, 34, 16, -2}, {{124, 0xB0}, {106, '5'}, {88, '4'}}},
        {u"12", laLeft, 100, {0, 18, 36, 54, 72, 90}, {{0, '1'}, {18, '2'}}},
        // Centre: the text at (W − n·CW)/2, the blank grid shifted to match it.
        {u"12", laCenter, 100, {14 - 18, 14, 32, 50, 68, 86}, {{32, '1'}, {50, '2'}}},
        // A caption wider than the control starts left of 0 and is clipped by the painter.
        {u"1234567",
         laCenter,
         100,
         {-13 - 18, -13, 5, 23, 41, 59, 77, 95},
         {{-13, '1'}, {5, '2'}, {23, '3'}, {41, '4'}, {59, '5'}, {77, '6'}, {95, '7'}}},
        {u"", laLeft, 40, {0, 18, 36}, {}},
        {u"Ж", laLeft, 20, {0, 18}, {{0, kLEDBlock}}},
    };
    for (const Case& c : cases) {
        const QString caption = QString::fromUtf16(c.caption);
        const auto cells = LEDCells(caption, c.alignment, c.w, 30);
        ASSERT_EQ(cells.size(), c.background.size() + c.text.size()) << caption.toStdString();
        for (size_t i = 0; i < c.background.size(); ++i) {
            EXPECT_EQ(cells[i].X, c.background[i]) << caption.toStdString() << " blank " << i;
            EXPECT_EQ(cells[i].Code, ' ');
        }
        for (size_t i = 0; i < c.text.size(); ++i) {
            const TLEDCell& cell = cells[c.background.size() + i];
            EXPECT_EQ(cell.X, c.text[i].first) << caption.toStdString() << " char " << i;
            EXPECT_EQ(cell.Code, c.text[i].second) << caption.toStdString() << " char " << i;
        }
    }
    EXPECT_TRUE(LEDCells(QStringLiteral("1"), laLeft, 100, 7).empty());
}

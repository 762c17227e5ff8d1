#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "routes/pagelist.h"
#include "routes/routeimage.h"

using Bytes = std::vector<uint8_t>;

namespace {

// Offsets of the unit's layout, restated here rather than taken from the code under test.
constexpr size_t kPage = 528;
constexpr size_t kRouteTable = 1056;

Bytes bytesAt(const TRouteImage& image, size_t offset, size_t count)
{
    return Bytes(image.Data() + offset, image.Data() + offset + count);
}

// Puts a marker into page 0 and evaluates it, as the format check does after reading the page.
bool applyMarker(TRouteImage& image, const char* marker)
{
    std::memcpy(image.Data(), marker, 5);
    return image.ApplyFormatMarker();
}

}  // namespace

TEST(RouteRecord, EncodesKnownBytesAndDecodesThemBack)
{
    TRouteRecord r;
    r.SetName(1, QStringLiteral("AB"));
    r.SetName(2, QStringLiteral("Путь"));
    r.SetName(3, QString());
    r.Number = 3;
    r.TurnCount = 2040;

    Bytes expected(66, 0x00);
    expected[0] = 'A';
    expected[1] = 'B';
    const uint8_t way[] = {0xCF, 0xF3, 0xF2, 0xFC};
    std::memcpy(&expected[17], way, 4);
    expected[51] = 0x03;
    expected[52] = 0x00;
    expected[53] = 0xF8;  // 2040 = 0x07F8, little-endian
    expected[54] = 0x07;

    Bytes wire(66, 0xEE);
    r.Encode(wire.data());
    EXPECT_EQ(wire, expected);

    const TRouteRecord back = TRouteRecord::Decode(wire.data());
    EXPECT_EQ(back.Name(1), QStringLiteral("AB"));
    EXPECT_EQ(back.Name(2), QStringLiteral("Путь"));
    EXPECT_EQ(back.Name(3), QString());
    EXPECT_EQ(back.Number, 3);
    EXPECT_EQ(back.TurnCount, 2040);
    Bytes again(66);
    back.Encode(again.data());
    EXPECT_EQ(again, expected);
}

TEST(RouteRecord, NameFieldKeepsItsTerminator)
{
    struct Case {
        QString text;
        Bytes field;  // all 17 bytes of the field
    };
    const std::vector<Case> cases = {
        {QStringLiteral("ABCDEFGHIJKLMNOP"),
         {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P', 0}},
        // Longer than the field: cut at 16, the next field stays untouched.
        {QStringLiteral("ABCDEFGHIJKLMNOPQRST"),
         {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P', 0}},
        {QStringLiteral("O'Нил"), {'O', '\'', 0xCD, 0xE8, 0xEB, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        // No CP1251 form: one '?' per UTF-16 unit.
        {QStringLiteral("a€b✓"), {'a', 0x88, 'b', '?', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        TRouteRecord r;
        r.Name2.fill(0x55);
        r.SetName(1, c.text);
        Bytes wire(66);
        r.Encode(wire.data());
        EXPECT_EQ(Bytes(wire.begin(), wire.begin() + 17), c.field) << c.text.toStdString();
        EXPECT_EQ(wire[17], 0x55) << c.text.toStdString();
    }
}

TEST(TurnRecord, EncodesLatitudesBeforeLongitudes)
{
    TTurnRecord t;
    t.BegLat = 2007123;
    t.EndLat = -2007123;
    t.BegLong = 1;
    t.EndLong = -1;
    t.Type = 'R';
    const Bytes expected = {0x53, 0xA0, 0x1E, 0x00, 0xAD, 0x5F, 0xE1, 0xFF, 0x01, 0x00, 0x00,
                            0x00, 0xFF, 0xFF, 0xFF, 0xFF, 'R',  0x00, 0x00, 0x00, 0x00, 0x00};
    Bytes wire(22, 0xEE);
    t.Encode(wire.data());
    EXPECT_EQ(wire, expected);

    const TTurnRecord back = TTurnRecord::Decode(wire.data());
    EXPECT_EQ(back.BegLat, 2007123);
    EXPECT_EQ(back.EndLat, -2007123);
    EXPECT_EQ(back.BegLong, 1);
    EXPECT_EQ(back.EndLong, -1);
    EXPECT_EQ(back.Type, 'R');
}

TEST(TurnRecord, TypeByteFromText)
{
    struct Case {
        QString text;
        uint8_t byte;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("L"), 'L'}, {QStringLiteral("E"), 'E'},  {QStringLiteral(""), '?'},
        {QString(), '?'},           {QStringLiteral("LR"), '?'}, {QStringLiteral("Ж"), 0xC6},
        {QStringLiteral("😀"), '?'}, {QStringLiteral("✓"), '?'},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TTurnRecord::TypeByteFromText(c.text), c.byte) << c.text.toStdString();
}

TEST(RouteImage, StartsErasedWithNinetySixSlots)
{
    TRouteImage image;
    EXPECT_EQ(image.Size(), 4325376u);
    EXPECT_EQ(image.MaxRoutes(), 96);
    EXPECT_EQ(image.Data()[0], 0xFF);
    EXPECT_EQ(image.Data()[image.Size() - 1], 0xFF);
    EXPECT_EQ(image.Page(8191), image.Data() + 8191 * kPage);
    EXPECT_EQ(image.Page(8192), nullptr);
    EXPECT_EQ(image.Page(-1), nullptr);
}

TEST(RouteImage, FormatMarker)
{
    struct Case {
        const char* marker;
        bool formatted;
        uint16_t capacity;
    };
    const std::vector<Case> cases = {
        {"*FDA*", true, 96}, {"*32M*", true, 96}, {"*16M*", true, 48},
        {"*fda*", false, 0}, {"*64M*", false, 0}, {"\xFF\xFF\xFF\xFF\xFF", false, 0},
        {"*16M ", false, 0}, {" *16M", false, 0},
    };
    for (const auto& c : cases) {
        const auto capacity = MaxRoutesFromMarker(reinterpret_cast<const uint8_t*>(c.marker), 5);
        EXPECT_EQ(capacity.has_value(), c.formatted) << c.marker;
        if (capacity) {
            EXPECT_EQ(*capacity, c.capacity) << c.marker;
        }
    }
    EXPECT_FALSE(MaxRoutesFromMarker(reinterpret_cast<const uint8_t*>("*FDA"), 4));

    // An unknown marker keeps the capacity the last formatted unit announced.
    TRouteImage image;
    EXPECT_TRUE(applyMarker(image, "*16M*"));
    EXPECT_EQ(image.MaxRoutes(), 48);
    EXPECT_FALSE(applyMarker(image, "\0\0\0\0\0"));
    EXPECT_EQ(image.MaxRoutes(), 48);
    EXPECT_TRUE(applyMarker(image, "*FDA*"));
    EXPECT_EQ(image.MaxRoutes(), 96);
}

TEST(RouteImage, RouteSlotsSitInTheRouteTable)
{
    TRouteImage image;
    TRouteRecord r;
    r.SetName(1, QStringLiteral("X"));
    for (int slot : {1, 8, 9, 96}) {
        r.Number = uint16_t(slot);
        image.WriteRoute(slot, r);
        const size_t at = kRouteTable + size_t(slot - 1) * 66;
        EXPECT_EQ(bytesAt(image, at, 2), (Bytes{'X', 0})) << slot;
        EXPECT_EQ(bytesAt(image, at + 51, 2), (Bytes{uint8_t(slot), 0})) << slot;
        TRouteRecord back;
        EXPECT_TRUE(image.ReadRoute(slot, back)) << slot;
        EXPECT_EQ(back.Number, slot);
    }
    // Outside the table nothing is written and nothing is read.
    const Bytes before(image.Data(), image.Data() + 8 * kPage);
    image.WriteRoute(0, r);
    image.WriteRoute(97, r);
    EXPECT_EQ(Bytes(image.Data(), image.Data() + 8 * kPage), before);
    TRouteRecord back;
    EXPECT_FALSE(image.ReadRoute(0, back));
    EXPECT_FALSE(image.ReadRoute(97, back));
}

TEST(RouteImage, ReadRouteValidatesAndTerminates)
{
    TRouteImage image;
    TRouteRecord back;
    EXPECT_FALSE(image.ReadRoute(5, back)) << "an erased slot reads 0xFFFF as its number";

    // A record that names another slot is not this slot's route.
    uint8_t* slot5 = image.Data() + kRouteTable + 4 * 66;
    std::memset(slot5, 'A', 51);
    slot5[51] = 6;
    slot5[52] = 0;
    EXPECT_FALSE(image.ReadRoute(5, back));

    slot5[51] = 5;
    ASSERT_TRUE(image.ReadRoute(5, back));
    EXPECT_EQ(back.Name1[16], 0);
    EXPECT_EQ(back.Name2[16], 0);
    EXPECT_EQ(back.Name3[16], 0);
    EXPECT_EQ(back.Name(1), QString(16, QLatin1Char('A')));
    EXPECT_EQ(back.Name(3), QString(16, QLatin1Char('A')));

    // With 48 capacity the table ends earlier, so slot 49 is no slot at all.
    applyMarker(image, "*16M*");
    uint8_t* slot49 = image.Data() + kRouteTable + 48 * 66;
    slot49[51] = 49;
    slot49[52] = 0;
    EXPECT_FALSE(image.ReadRoute(49, back));
}

TEST(RouteImage, TurnAreasFollowTheRouteTable)
{
    struct Case {
        const char* marker;
        int slot;
        int turn;
        size_t offset;
    };
    const std::vector<Case> cases = {
        {"*FDA*", 1, 1, 7392},  // 1056 + 96 * 66: start of page 14
        {"*FDA*", 1, 2, 7392 + 22},
        {"*FDA*", 2, 1, 7392 + 44880},
        {"*FDA*", 96, 2040, 8174 * kPage - 22},  // last record of the used area
        {"*16M*", 1, 1, 4224},                   // 1056 + 48 * 66: start of page 8
        {"*16M*", 48, 2040, 4088 * kPage - 22},
    };
    for (const auto& c : cases) {
        TRouteImage image;
        applyMarker(image, c.marker);
        TTurnRecord t;
        t.BegLat = 0x01020304;
        t.Type = 'B';
        image.WriteTurn(c.slot, c.turn, t);
        EXPECT_EQ(bytesAt(image, c.offset, 4), (Bytes{4, 3, 2, 1})) << c.marker << " " << c.slot << "/" << c.turn;
        EXPECT_EQ(image.Data()[c.offset + 16], 'B');
        TTurnRecord back;
        ASSERT_TRUE(image.ReadTurn(c.slot, c.turn, back));
        EXPECT_EQ(back.BegLat, 0x01020304);
    }

    TRouteImage image;
    const Bytes before(image.Data(), image.Data() + image.Size());
    TTurnRecord t;
    t.BegLat = 7;
    for (auto [slot, turn] : {std::pair{1, 0}, {1, 2041}, {0, 1}, {97, 1}, {97, 2040}}) {
        image.WriteTurn(slot, turn, t);
        EXPECT_FALSE(image.ReadTurn(slot, turn, t)) << slot << "/" << turn;
    }
    EXPECT_TRUE(Bytes(image.Data(), image.Data() + image.Size()) == before);
}

TEST(PageList, KeepsFirstOrderWithoutRepeats)
{
    TPageList list;
    EXPECT_TRUE(list.AddPage(5));
    EXPECT_TRUE(list.AddPage(3));
    EXPECT_TRUE(list.AddPage(5));
    EXPECT_TRUE(list.AddPage(8191));
    EXPECT_FALSE(list.AddPage(8192));
    EXPECT_FALSE(list.AddPage(-1));
    EXPECT_EQ(list.Pages(), (std::vector<uint16_t>{5, 3, 8191}));
    EXPECT_TRUE(list.Contains(3));
    EXPECT_FALSE(list.Contains(4));
    list.Clear();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_FALSE(list.Contains(5));
    list.AddPage(5);
    EXPECT_EQ(list.Pages(), (std::vector<uint16_t>{5}));
}

TEST(PageList, RouteAreas)
{
    auto range = [](int first, int last) {
        std::vector<uint16_t> v;
        for (int p = first; p <= last; ++p)
            v.push_back(uint16_t(p));
        return v;
    };
    const int table = -1;
    struct Case {
        const char* what;
        int maxRoutes;
        int slot;  // `table` for the route-record pages
        std::vector<uint16_t> pages;
    };
    const std::vector<Case> cases = {
        {"table, 96 capacity", 96, table, range(2, 13)},
        {"table, 48 capacity", 48, table, range(2, 7)},
        {"slot 1 of 96", 96, 1, range(14, 98)},
        {"slot 2 of 96", 96, 2, range(99, 183)},
        {"slot 96 of 96", 96, 96, range(8089, 8173)},
        {"slot 1 of 48", 48, 1, range(8, 92)},
        {"slot 48 of 48", 48, 48, range(4003, 4087)},
        {"slot 49 of 48", 48, 49, {}},
        {"slot 0", 96, 0, {}},
    };
    for (const auto& c : cases) {
        TPageList list;
        if (c.slot == table)
            list.AddRouteTablePages(c.maxRoutes);
        else
            list.AddRouteTurnPages(c.maxRoutes, c.slot);
        EXPECT_EQ(list.Pages(), c.pages) << c.what;
    }
}

TEST(PageList, TurnPagesCoverExactlyTheTurnsOfTheirSlot)
{
    for (const char* marker : {"*FDA*", "*16M*"}) {
        TRouteImage image;
        applyMarker(image, marker);
        for (int slot : {1, 2, int(image.MaxRoutes())}) {
            TPageList list;
            list.AddRouteTurnPages(image.MaxRoutes(), slot);
            const long first = image.TurnOffset(slot, 1);
            const long endOfLast = image.TurnOffset(slot, 2040) + 22;
            EXPECT_EQ(list.Pages().front() * long(kPage), first) << marker << " " << slot;
            EXPECT_EQ((list.Pages().back() + 1) * long(kPage), endOfLast) << marker << " " << slot;
        }
    }
}

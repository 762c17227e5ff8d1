#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "panels/dorna.h"
#include "panels/pelnik.h"
#include "panels/pleva.h"
#include "panels/tarvik.h"
#include "panels/vida.h"

using namespace panels;
using Bytes = std::vector<uint8_t>;

TEST(Pleva, MaskAndPayload)
{
    uint32_t mask = 0;
    mask = Pleva::SetRelay(mask, 1, true);
    EXPECT_EQ(Pleva::WriteRelaysPayload(0, mask), (Bytes{0, 0x00, 0x00, 0x00, 0x01}));
    mask = Pleva::SetRelay(mask, 32, true);
    EXPECT_EQ(Pleva::WriteRelaysPayload(0, mask), (Bytes{0, 0x80, 0x00, 0x00, 0x01}));
    mask = Pleva::SetRelay(mask, 1, false);
    EXPECT_EQ(Pleva::WriteRelaysPayload(1, mask), (Bytes{1, 0x80, 0x00, 0x00, 0x00}));
    EXPECT_EQ(Pleva::SetRelay(0, 3, true), 4u);
    EXPECT_TRUE(Pleva::RelayOn(0x80000000u, 32));
    // Numbers outside 1..32 are not relays.
    EXPECT_EQ(Pleva::SetRelay(0, 0, true), 0u);
    EXPECT_EQ(Pleva::SetRelay(0, 33, true), 0u);
}

TEST(Pleva, SensorAnswer)
{
    const auto word = Pleva::SensorWord(Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0x00, 0x00, 0x01});
    ASSERT_TRUE(word);
    for (int s = 1; s <= 32; ++s)
        EXPECT_EQ(Pleva::SensorOn(*word, s), s == 1 || s == 32) << s;
    EXPECT_FALSE(Pleva::SensorWord(Bytes(7, 0)));
    EXPECT_FALSE(Pleva::SensorWord(Bytes(9, 0)));
    EXPECT_FALSE(Pleva::SensorWord(Bytes{}));
}

namespace {

Bytes VidaRecord()
{
    Bytes r(24);
    for (size_t i = 0; i < r.size(); ++i)
        r[i] = uint8_t(0xA0 + i);
    const float gx = 1.5f, gy = -2.25f;
    r[0] = 0x2D, r[1] = 0x00;
    std::memcpy(&r[6], &gx, 4);  // little-endian host, as the device
    std::memcpy(&r[10], &gy, 4);
    return r;
}

}  // namespace

TEST(Vida, RecordFieldsAndEdits)
{
    TVIDAData fresh;
    EXPECT_EQ(fresh.Angle(), 0xFFFF);
    for (size_t i = 2; i < 24; ++i)
        EXPECT_EQ(fresh.Bytes()[i], 0) << i;

    const Bytes answer = VidaRecord();
    TVIDAData d;
    ASSERT_TRUE(d.Assign(answer));
    EXPECT_EQ(d.Angle(), 45);
    EXPECT_EQ(d.AngleMin(), 0xA3A2);
    EXPECT_FLOAT_EQ(d.GX(), 1.5f);
    EXPECT_FLOAT_EQ(d.GY(), -2.25f);

    // Each edit changes exactly its bytes; the rest go back as they were read.
    struct Edit {
        const char* name;
        void (*apply)(TVIDAData&);
        std::vector<std::pair<size_t, uint8_t>> changed;
    };
    const Edit edits[] = {
        {"zone 10..350", [](TVIDAData& v) { v.SetZone(10, 350); }, {{2, 0x0A}, {3, 0x00}, {4, 0x5E}, {5, 0x01}}},
        {"zone keeps the low 16 bits",
         [](TVIDAData& v) { v.SetZone(0x12345, -1); },
         {{2, 0x45}, {3, 0x23}, {4, 0xFF}, {5, 0xFF}}},
        {"calibrate",
         [](TVIDAData& v) { v.Calibrate(); },
         {{14, answer[6]},
          {15, answer[7]},
          {16, answer[8]},
          {17, answer[9]},
          {18, answer[10]},
          {19, answer[11]},
          {20, answer[12]},
          {21, answer[13]}}},
        {"no angle", [](TVIDAData& v) { v.SetAngle(0xFFFF); }, {{0, 0xFF}, {1, 0xFF}}},
    };
    for (const Edit& e : edits) {
        TVIDAData v;
        ASSERT_TRUE(v.Assign(answer));
        e.apply(v);
        Bytes expected = answer;
        for (const auto& [at, b] : e.changed)
            expected[at] = b;
        EXPECT_EQ(Bytes(v.Bytes().begin(), v.Bytes().end()), expected) << e.name;
    }
    TVIDAData c;
    ASSERT_TRUE(c.Assign(answer));
    c.Calibrate();
    EXPECT_FLOAT_EQ(c.CalX(), 1.5f);
    EXPECT_FLOAT_EQ(c.CalY(), -2.25f);

    // 23 or 25 bytes are a failed read: nothing changes.
    for (size_t n : {size_t(23), size_t(25), size_t(0)}) {
        TVIDAData v;
        EXPECT_FALSE(v.Assign(Bytes(n, 0x11))) << n;
        EXPECT_EQ(v.Angle(), 0xFFFF) << n;
    }
}

TEST(Vida, GaugeMarker)
{
    using namespace Gauge;
    struct Case {
        uint16_t angle;
        int x, y;
        TMarkerBrush brush;
    };
    const Case cases[] = {
        {0, 310, 160, mbRed},   {45, 266, 54, mbRed},        {46, 264, 52, mbWhite},   {90, 160, 10, mbRed},
        {180, 10, 160, mbRed},  {270, 160, 310, mbRed},      {359, 310, 163, mbWhite}, {360, 310, 160, mbRed},
        {30, 290, 85, mbWhite}, {0xFFFF, 160, 160, mbGreen},
    };
    for (const Case& c : cases) {
        const TMarker m = Marker(c.angle);
        EXPECT_EQ(m.X, c.x) << c.angle;
        EXPECT_EQ(m.Y, c.y) << c.angle;
        EXPECT_EQ(m.Brush, c.brush) << c.angle;
    }
}

TEST(Dorna, AddressesAndRecord)
{
    const uint8_t expected[] = {0x92, 0x94, 0x96, 0x98, 0x9A, 0x9C, 0x9E, 0xA4};
    for (int i = 0; i < Dorna::kUnits; ++i)
        EXPECT_EQ(Dorna::UnitAddress(i), expected[i]) << i;
    EXPECT_EQ(Dorna::AddressCaptions(), (QStringList{"92", "94", "96", "98", "9A", "9C", "9E", "A4"}));

    struct Case {
        Bytes answer;
        const char *ver, *uac, *udc, *r;
    };
    const Case cases[] = {
        {{0x13, 0x00, 0xDC, 0x03, 0xE7, 0x03, 0xE8}, "1.3", "220", "999", "---"},
        {{0xF0, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x01}, "15.0", "---", "0", "1"},
        {{0x13, 0x00, 0xDC, 0x03, 0xE7, 0x03}, "---", "---", "---", "---"},
        {{0x13, 0x00, 0xDC, 0x03, 0xE7, 0x03, 0xE8, 0x00}, "---", "---", "---", "---"},
    };
    for (const Case& c : cases) {
        const Dorna::TView v = Dorna::View(Dorna::Decode(c.answer));
        EXPECT_EQ(v.Version, QLatin1String(c.ver)) << c.answer.size();
        EXPECT_EQ(v.Uac, QLatin1String(c.uac));
        EXPECT_EQ(v.Udc, QLatin1String(c.udc));
        EXPECT_EQ(v.R, QLatin1String(c.r));
    }
}

TEST(Tarvik, CodeText)
{
    EXPECT_EQ(Tarvik::CodeText(Bytes{1, 2, 3, 4, 5, 6, 7, 8}), QStringLiteral("01020304050607-08"));
    EXPECT_EQ(Tarvik::CodeText(Bytes{0xAB, 0xCD, 0xEF, 0, 0, 0, 0x0F, 0xF0}), QStringLiteral("ABCDEF0000000F-F0"));
    EXPECT_FALSE(Tarvik::CodeText(Bytes(7, 1)));
    EXPECT_FALSE(Tarvik::CodeText(Bytes(9, 1)));
}

TEST(Pelnik, ModeAndBigEndianFloat)
{
    const auto s = Pelnik::Decode(Bytes{0x01, 0x3F, 0x80, 0x00, 0x00});
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Mode, Pelnik::pmTransmitter);
    EXPECT_EQ(s->TimeCoeff, 1.0f);
    EXPECT_EQ(Pelnik::Encode({Pelnik::pmReceiver, 2.5f}), (Bytes{0x00, 0x40, 0x20, 0x00, 0x00}));
    EXPECT_EQ(Pelnik::Encode({Pelnik::pmTransmitter, -0.1f}), (Bytes{0x01, 0xBD, 0xCC, 0xCC, 0xCD}));
    // Round trip keeps the exact bit pattern.
    const auto back = Pelnik::Decode(Pelnik::Encode({1, 123.456f}));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->TimeCoeff, 123.456f);
    EXPECT_FALSE(Pelnik::Decode(Bytes(6, 0)));
    EXPECT_FALSE(Pelnik::Decode(Bytes(4, 0)));
}

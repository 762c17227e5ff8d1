#include <gtest/gtest.h>

#include "sim/deviceoption.h"
#include "sim/lcddevice.h"
#include "sim/sensordevices.h"

using namespace zeva::sim;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes accepted(SimDevice& d, uint8_t cmd, const Bytes& payload)
{
    const Reply r = d.handle(cmd, payload);
    EXPECT_EQ(r.kind, Reply::Kind::Accept) << int(cmd);
    return r.payload;
}

bool refused(SimDevice& d, uint8_t cmd, const Bytes& payload)
{
    return d.handle(cmd, payload).kind == Reply::Kind::Refuse;
}

}  // namespace

TEST(SimSensorDevices, PlevaKeepsRelaysPerBoardAndWalksItsSensors)
{
    PlevaDevice d(10);
    accepted(d, 90, {1, 0x80, 0, 0, 0x01});
    EXPECT_EQ(d.relays(1), 0x80000001u);
    EXPECT_EQ(d.relays(0), 0u);
    const Bytes a = accepted(d, 91, {1});
    ASSERT_EQ(a.size(), 8u);
    EXPECT_EQ(Bytes(a.begin(), a.begin() + 4), (Bytes{0x80, 0, 0, 0x01}));
    EXPECT_NE(accepted(d, 91, {1}), a) << "the sensors change between reads";
    d.setSensors(0, 0x80000001u);
    EXPECT_EQ(accepted(d, 91, {0}), (Bytes{0, 0, 0, 0, 0x80, 0, 0, 0x01}));
    EXPECT_TRUE(refused(d, 90, {2, 0, 0, 0, 0}));
    EXPECT_TRUE(refused(d, 91, {}));
}

TEST(SimSensorDevices, VidaKeepsZoneCalibrationAndSpareBytesNotTheAngle)
{
    VidaDevice d(11);
    const Bytes first = accepted(d, 69, {});
    ASSERT_EQ(first.size(), 24u);
    EXPECT_NE(accepted(d, 69, {}), first) << "the angle moves";
    Bytes w(24, 0x77);
    accepted(d, 70, w);
    d.setAngle(45);
    const Bytes r = accepted(d, 69, {});
    EXPECT_EQ(r[0], 45);
    EXPECT_EQ(r[1], 0);
    EXPECT_EQ(Bytes(r.begin() + 2, r.begin() + 6), Bytes(4, 0x77));
    EXPECT_EQ(Bytes(r.begin() + 14, r.end()), Bytes(10, 0x77));
    EXPECT_TRUE(refused(d, 70, Bytes(23, 0)));
}

TEST(SimSensorDevices, DornaUnitsByPayloadAddress)
{
    DornaDevice d(12);
    const Bytes a = accepted(d, 147, {0x94});
    ASSERT_EQ(a.size(), 7u);
    EXPECT_EQ(a[0], 0x12);
    EXPECT_EQ(a[5] << 8 | a[6], 1500);
    EXPECT_TRUE(refused(d, 147, {0x96}));
}

TEST(SimSensorDevices, TarvikCodesChangeAndClear)
{
    TarvikDevice d(13);
    const Bytes c1 = accepted(d, 66, {1});
    ASSERT_EQ(c1.size(), 8u);
    EXPECT_NE(accepted(d, 66, {1}), c1);
    EXPECT_NE(accepted(d, 66, {2}), c1);
    d.setCode(2, {1, 2, 3, 4, 5, 6, 7, 8});
    accepted(d, 65, {2});
    EXPECT_EQ(accepted(d, 66, {2}), Bytes(8, 0));
    EXPECT_TRUE(refused(d, 66, {3}));
}

TEST(SimSensorDevices, PelnikTakesModeAndCoefficient)
{
    PelnikDevice d(14, false);
    accepted(d, 97, {0x00, 0x40, 0x20, 0x00, 0x00});
    EXPECT_EQ(d.deviceMode(), 0);
    EXPECT_EQ(d.coefficient(), 2.5f);
    EXPECT_EQ(accepted(d, 96, {}), (Bytes{0x00, 0x40, 0x20, 0x00, 0x00}));
    EXPECT_TRUE(refused(d, 97, {0x02, 0, 0, 0, 0}));
}

TEST(SimSensorDevices, LcdScreenPagesAreColumnsOfEightPixels)
{
    LcdDevice d(15);
    d.setPixel(9, 10, true);
    const Bytes page1 = accepted(d, 203, {1});
    ASSERT_EQ(page1.size(), 128u);
    EXPECT_TRUE(page1[9] & 0x04);  // (9, 10): page 1, bit 2
    EXPECT_EQ(accepted(d, 203, {0})[0], 0xFF) << "the frame's corner column";
    EXPECT_TRUE(refused(d, 203, {8}));
    EXPECT_TRUE(refused(d, 203, {}));
}

TEST(SimSensorDevices, KindsOfTheDeviceOption)
{
    struct Case {
        const char* option;
        bool ok;
    };
    for (const Case& c :
         {Case{"30:pleva", true}, Case{"31:vida:still=1", true}, Case{"32:dorna", true},
          Case{"33:tarvik:still=0", true}, Case{"34:pelnik", true}, Case{"35:lcd", true},
          Case{"36:dorna:still=1", false}, Case{"37:vida:still=2", false}, Case{"38:pleva:speed=1", false}}) {
        std::string error;
        auto dev = makeDevice(c.option, &error);
        EXPECT_EQ(bool(dev), c.ok) << c.option << ": " << error;
        if (!c.ok) {
            EXPECT_FALSE(error.empty()) << c.option;
        }
    }
    // A held VIDA answers the same angle every time.
    auto vida = makeDevice("31:vida:still=1");
    ASSERT_TRUE(vida);
    EXPECT_EQ(vida->handle(69, {}).payload, vida->handle(69, {}).payload);
}

#include <gtest/gtest.h>

#include "link/controlgroups.h"
#include "link/deviceinfo.h"
#include "link/presencedisplay.h"
#include "sim/deviceoption.h"
#include "sim/simbus.h"

using zeva::sim::FirmwareDevice;
using zeva::sim::Generation;
using zeva::sim::makeDevice;

TEST(SimDeviceOption, KindsAndKeys)
{
    auto d = makeDevice("0x10:app6:ext=64K,block=32,at45=8192,mcu=4,name=Пульт,build=0x0102,temp=-5,voltage=11.5");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->address(), 0x10);
    EXPECT_EQ(d->mode(), FirmwareDevice::Mode::Application);
    const auto c = d->config();
    EXPECT_EQ(c.appGeneration, Generation::Second);
    EXPECT_EQ(d->extSize(), 65536u);
    EXPECT_EQ(d->extBlock(), 32);
    EXPECT_EQ(d->at45Pages(), 8192u);
    EXPECT_EQ(d->flashSize(), 65536u);  // controller 4
    EXPECT_EQ(d->appOffset(), 0x1000u);
    EXPECT_EQ(c.appName, std::string("\xCF\xF3\xEB\xFC\xF2"));  // CP1251 on the line
    EXPECT_EQ(c.appBuild, 0x0102);
    EXPECT_EQ(c.temperature, -5);
    EXPECT_EQ(c.voltageDecivolts, 115);

    d = makeDevice("3:boot50:blank=1,rom=16K,offset=0x400");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->mode(), FirmwareDevice::Mode::Bootloader);
    EXPECT_FALSE(d->applicationPresent());
    EXPECT_EQ(d->flashSize(), 16384u);
    EXPECT_EQ(d->appOffset(), 0x400u);
    EXPECT_EQ(d->config().bootVersion, 0x50);

    // A blank device asked to start in its application stays in the bootloader.
    d = makeDevice("4:app5:blank=1");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->mode(), FirmwareDevice::Mode::Bootloader);
}

TEST(SimDeviceOption, RejectsBadText)
{
    for (const char* option : {"", "1", "x:app5", "32768:app5", "1:app7", "1:app5:ext", "1:app5:ext=abc",
                               "1:app5:at45=100", "1:app5:block=0", "1:app5:temp=200", "1:app5:voltage=1.25",
                               "1:app5:start=later", "1:app5:colour=red", "1:app5:mcu=300"}) {
        std::string error;
        EXPECT_FALSE(makeDevice(option, &error)) << option;
        EXPECT_FALSE(error.empty()) << option;
    }
}

TEST(SimDeviceOption, DefaultBus)
{
    zeva::sim::SimBus bus;
    zeva::sim::addDefaultDevices(bus);
    const std::vector<std::pair<uint16_t, uint8_t>> want = {{1, 0x00}, {2, 0x00}, {3, 0x10}, {4, 0x01}, {5, 0x11}};
    for (const auto& [addr, first] : want) {
        auto* d = bus.deviceAs<FirmwareDevice>(addr);
        ASSERT_TRUE(d) << addr;
        EXPECT_EQ(d->handle(0x71, {}).payload.at(0), first) << addr;
    }
    EXPECT_EQ(bus.deviceAs<FirmwareDevice>(1)->config().bootVersion, 0x50);
    EXPECT_EQ(bus.deviceAs<FirmwareDevice>(4)->at45Pages(), 8192u);
    EXPECT_EQ(bus.deviceAs<FirmwareDevice>(5)->at45Pages(), 4096u);
}

// The route buttons ("Запись...", "Чтение") are in the external-memory group: a simulated unit
// must report external memory as a real one does, or the demo's route workflow stays grey.
TEST(SimDeviceOption, RouteUnitsEnableTheirRouteButtons)
{
    for (const char* option : {"6:travo", "7:travo:marker=none", "8:travo:marker=*16M*,at45=4096"}) {
        auto d = makeDevice(option);
        ASSERT_TRUE(d) << option;
        const zeva::sim::Reply r = d->handle(113, {});
        TDeviceInfo info;
        TParams params;
        DecodeDeviceInfo(r.payload.data(), uint16_t(r.payload.size()), {}, info, params);
        EXPECT_EQ(info.Mode, mDevice5) << option;
        EXPECT_TRUE(EnabledGroups(info.Mode, info.Ext).contains(cgExtMem)) << option;
    }
}

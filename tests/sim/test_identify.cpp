#include <gtest/gtest.h>

#include "sim/deviceoption.h"
#include "sim/firmwaredevice.h"
#include "simtestutil.h"

using namespace simtest;
using zeva::sim::FirmwareDevice;
using zeva::sim::SimBus;

namespace {

// The clock is set to 5 March 2031 07:08:09 before asking; a second may pass meanwhile.
const zeva::sim::ClockBytes kClock{5, 3, 31, 7, 8, 9};

struct Expected {
    Wire w;
    size_t clockAt = SIZE_MAX;
    size_t uptimeAt = SIZE_MAX;
    Expected& clock()
    {
        clockAt = w.b.size();
        w({5, 3, 31, 7, 8, 9});
        return *this;
    }
    Expected& uptime()
    {
        uptimeAt = w.b.size();
        w({0, 0, 0, 0});
        return *this;
    }
};

// Copies the bytes that may legitimately have moved on (seconds, uptime) when they are close.
Bytes settle(const Expected& e, Bytes actual)
{
    Bytes want = e.w.b;
    if (e.clockAt < actual.size() && e.clockAt + 5 < want.size()) {
        const uint8_t s = actual[e.clockAt + 5];
        if (s == 9 || s == 10)
            want[e.clockAt + 5] = s;
    }
    if (e.uptimeAt + 3 < actual.size() && e.uptimeAt + 3 < want.size() && actual[e.uptimeAt + 3] <= 5)
        want[e.uptimeAt + 3] = actual[e.uptimeAt + 3];
    return want;
}

struct Case {
    const char* option;
    Expected expected;
};

std::vector<Case> cases()
{
    std::vector<Case> v;
    // First-generation bootloaders: first byte 00, version, build 12, no name (marker 0), controller 3.
    v.push_back({"1:boot50", {}});
    v.back().expected.w({0x00, 0x50, 0x00, 0x0C, 0x00, 0x03});
    v.push_back({"1:boot51", {}});
    v.back().expected.w({0x00, 0x51, 0x00, 0x0C, 0x00, 0x03});
    // A bootloader with a name sets the marker and ends the name with 0.
    v.push_back({"1:boot51:bootname=BL,bver=0x42,bbuild=258,mcu=5", {}});
    v.back().expected.w({0x00, 0x42, 0x01, 0x02, 0x01})("BL")({0x00, 0x05});
    // Second-generation bootloader: 10, version, build, empty name, controller, 3-byte ext size.
    v.push_back({"1:boot60", {}});
    v.back().expected.w({0x10, 0x60, 0x00, 0x0C, 0x00, 0x03, 0x00, 0x00, 0x00});
    // First-generation application: name, controller, ext 0x8000, tags temp, voltage, mode+clock, end.
    v.push_back({"1:app5", {}});
    v.back().expected.w({0x01, 0x52, 0x01, 0x59, 0x01})("Unit A5")({0x00, 0x03, 0x00, 0x80, 0x00})(
        {0x01, 0x17, 0x02, 0x00, 0x7C, 0x07, 0x01});
    v.back().expected.clock().w({0x00});
    v.push_back({"1:app5:temp=-25,voltage=13.8,ext=0x90000", {}});
    v.back().expected.w({0x01, 0x52, 0x01, 0x59, 0x01})("Unit A5")({0x00, 0x03, 0x09, 0x00, 0x00})(
        {0x01, 0xE7, 0x02, 0x00, 0x8A, 0x07, 0x01});
    v.back().expected.clock().w({0x00});
    // Second-generation application: every record type, in the order the panels read them.
    v.push_back({"5:app6", {}});
    {
        auto& e = v.back().expected;
        e.w({0x11, 0x61, 0x01, 0x59})("Unit B6")({0x00, 0x03, 0x00, 0x80, 0x00});
        e.w({0x01})("Serial")({0x00, 0x05})("ZV-5")({0x00});
        e.w({0x02})("Clock")({0x00, 0x06});
        e.clock();
        e.w({0x03})("Mode")({0x00, 0x01, 0x01});
        e.w({0x04})("Temperature")({0x00, 0x02, 0x00, 0x17});
        e.w({0x05})("Uptime")({0x00, 0x04});
        e.uptime();
        e.w({0x06})("Status")({0x00, 0x02, 0x00, 0xA5});
        e.w({0x07})("Chip ID")({0x00, 0x04, 0x1E, 0x95, 0x0F, 0x03});
    }
    return v;
}

}  // namespace

TEST(SimIdentify, AnswerBytesOfEveryKind)
{
    for (const auto& c : cases()) {
        SCOPED_TRACE(c.option);
        SimBus bus;
        std::string error;
        auto dev = zeva::sim::makeDevice(c.option, &error);
        ASSERT_TRUE(dev) << error;
        ASSERT_TRUE(dev->setClock(kClock));
        const uint16_t addr = dev->address();
        bus.addDevice(std::move(dev));
        const Answer a = ask(bus, addr, 0x71);
        ASSERT_TRUE(a.complete);
        EXPECT_EQ(a.code, kOk);
        EXPECT_EQ(a.addr, addr);
        EXPECT_EQ(a.payload, settle(c.expected, a.payload));
    }
}

TEST(SimIdentify, WholeAnswerFrameOfARefusal)
{
    // Refusal from address 1, CRC included: FF C0 80 01 22 00 00 10 E5.
    SimBus bus;
    auto& dev = bus.emplace<FirmwareDevice>(1, *zeva::sim::kindConfig("app5"));
    dev.addFault({zeva::sim::FaultKind::Refuse});
    EXPECT_EQ(bus.exchange(request(1, 0x71)), (Bytes{0xFF, 0xC0, 0x80, 0x01, 0x22, 0x00, 0x00, 0x10, 0xE5}));
}

TEST(SimIdentify, ModeCommandsSwitchTheAnswer)
{
    SimBus bus;
    auto& old = bus.emplace<FirmwareDevice>(1, *zeva::sim::kindConfig("boot51"));
    auto& gen2 = bus.emplace<FirmwareDevice>(2, *zeva::sim::kindConfig("app6"));
    auto blankCfg = *zeva::sim::kindConfig("boot50");
    blankCfg.blank = true;
    bus.emplace<FirmwareDevice>(3, blankCfg);

    auto firstByte = [&](uint16_t addr) { return ask(bus, addr, 0x71).payload.at(0); };

    // First generation: 1 starts the application, 2 the bootloader, a reset lands in the application.
    EXPECT_EQ(firstByte(1), 0x00);
    EXPECT_EQ(ask(bus, 1, 1).code, kOk);
    EXPECT_EQ(firstByte(1), 0x01);
    EXPECT_EQ(old.mode(), FirmwareDevice::Mode::Application);
    EXPECT_EQ(ask(bus, 1, 2).code, kOk);
    EXPECT_EQ(firstByte(1), 0x00);
    EXPECT_EQ(ask(bus, 1, 8).code, kOk);
    EXPECT_EQ(firstByte(1), 0x01);
    EXPECT_EQ(ask(bus, 1, 2).code, kOk);
    EXPECT_EQ(ask(bus, 1, 0).code, kOk);  // the older reset command
    EXPECT_EQ(firstByte(1), 0x01);

    // Second generation.
    EXPECT_EQ(firstByte(2), 0x11);
    EXPECT_EQ(ask(bus, 2, 2).code, kOk);
    EXPECT_EQ(firstByte(2), 0x10);
    EXPECT_EQ(gen2.mode(), FirmwareDevice::Mode::Bootloader);
    EXPECT_EQ(ask(bus, 2, 1).code, kOk);
    EXPECT_EQ(firstByte(2), 0x11);

    // Without an application the bootloader refuses to start it and a reset stays in the bootloader.
    EXPECT_EQ(ask(bus, 3, 1).code, kNo);
    EXPECT_EQ(ask(bus, 3, 8).code, kOk);
    EXPECT_EQ(firstByte(3), 0x00);
}

TEST(SimIdentify, CommandsFollowTheMode)
{
    SimBus bus;
    auto cfg = *zeva::sim::kindConfig("app6");
    cfg.at45Pages = 4096;
    bus.emplace<FirmwareDevice>(7, cfg);
    const Bytes clock{1, 1, 30, 0, 0, 0};

    struct Probe {
        uint8_t cmd;
        Bytes payload;
        bool inBootloader;
        bool inApplication;
    };
    const std::vector<Probe> probes = {
        {3, {0x08, 0x00, 0x40}, true, false},
        {5, {}, true, false},
        {17, {0x00, 0x00}, false, true},
        {19, {0x00, 0x00}, false, true},
        {33, clock, false, true},
        {122, {0x00, 0x07}, true, false},
        {0x99, {}, false, false},  // unknown command
    };
    for (const bool boot : {false, true}) {
        ask(bus, 7, boot ? 2 : 1);
        for (const auto& p : probes) {
            SCOPED_TRACE(testing::Message() << "cmd " << int(p.cmd) << (boot ? " bootloader" : " application"));
            EXPECT_EQ(ask(bus, 7, p.cmd, p.payload).code, (boot ? p.inBootloader : p.inApplication) ? kOk : kNo);
        }
    }
}

#include <gtest/gtest.h>

#include <algorithm>

#include "link/crc16.h"
#include "sim/deviceoption.h"
#include "sim/firmwaredevice.h"
#include "simtestutil.h"

using namespace simtest;
using zeva::sim::Fault;
using zeva::sim::FaultKind;
using zeva::sim::FirmwareDevice;
using zeva::sim::SimBus;

namespace {

FirmwareDevice& add(SimBus& bus, uint16_t addr, const char* kind = "app5")
{
    return bus.emplace<FirmwareDevice>(addr, *zeva::sim::kindConfig(kind));
}

Bytes cat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(SimBus, DispatchesByAddress)
{
    SimBus bus;
    add(bus, 1);
    add(bus, 0x7FFF, "app6");

    EXPECT_EQ(ask(bus, 0x7FFF, 0x71).payload.at(0), 0x11);
    EXPECT_EQ(ask(bus, 1, 0x71).payload.at(0), 0x01);
    // Nobody at 2, and a frame without address finds no device at 0.
    EXPECT_TRUE(bus.exchange(request(2, 0x71)).empty());
    EXPECT_TRUE(bus.exchange(Bytes{0xFF, 0xC0, 0x71, 0x00, 0x00, 0xE3, 0x37}).empty());
    add(bus, 0);
    const Answer a = decode(bus.exchange(Bytes{0xFF, 0xC0, 0x71, 0x00, 0x00, 0xE3, 0x37}));
    EXPECT_EQ(a.code, kOk);
    EXPECT_EQ(a.addr, 0);

    const auto c = bus.counters();
    EXPECT_EQ(c.framesReceived, 5u);
    EXPECT_EQ(c.answersSent, 3u);
    EXPECT_EQ(c.badFrames, 0u);
}

TEST(SimBus, ChunkingBadFramesAndResynchronisation)
{
    SimBus bus;
    add(bus, 1);
    const Bytes req = request(1, 0x71);
    const Bytes whole = bus.exchange(req);
    ASSERT_EQ(decode(whole).code, kOk);

    // Byte by byte gives the same answer (the clock inside may tick, so compare the frame head).
    Bytes oneByOne;
    for (uint8_t b : req) {
        const Bytes out = bus.exchange(Bytes{b});
        oneByOne.insert(oneByOne.end(), out.begin(), out.end());
    }
    EXPECT_EQ(decode(oneByOne).payload.size(), decode(whole).payload.size());

    // Two requests in one write give two answers.
    EXPECT_EQ(bus.feed(cat(req, request(1, 5))).size(), 2u);

    // A damaged request is not answered and is counted.
    Bytes damaged = req;
    damaged.back() ^= 0x01;
    bus.resetCounters();
    EXPECT_TRUE(bus.exchange(damaged).empty());
    EXPECT_EQ(bus.counters().badFrames, 1u);

    // A request cut off in the middle does not swallow the next one.
    const Bytes cut(req.begin(), req.begin() + 5);
    EXPECT_EQ(bus.feed(cat(cut, req)).size(), 1u);
    // Line noise before a frame is skipped.
    EXPECT_EQ(bus.feed(cat(Bytes{0x00, 0x12, 0xFF}, req)).size(), 1u);
}

TEST(SimBus, FaultModes)
{
    SimBus bus;
    auto& dev = add(bus, 1, "boot51");
    const Bytes block(64, 0x11);
    const Bytes write = request(1, 4, cat({0x08, 0x00}, block));

    struct Case {
        FaultKind kind;
        bool answered;
        bool intact;   // a whole frame with a good CRC
        bool written;  // the command ran
    };
    const std::vector<Case> cases = {
        {FaultKind::Silent, false, false, false},   {FaultKind::Refuse, true, true, false},
        {FaultKind::CorruptCrc, true, false, true}, {FaultKind::DropBytes, true, false, true},
        {FaultKind::Delay, true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.kind));
        dev.writeFlash(0x0800, Bytes(64, 0x00));
        dev.clearFaults();
        dev.addFault({.kind = c.kind, .delayMs = 250, .dropBytes = 3});
        const uint64_t before = dev.requestCount();
        const auto out = bus.feed(write);
        EXPECT_EQ(dev.requestCount(), before + 1);
        EXPECT_EQ(dev.readFlash(0x0800, 64) == block, c.written);
        ASSERT_EQ(out.size(), c.answered ? 1u : 0u);
        if (!c.answered)
            continue;
        const Answer a = decode(out[0].bytes);
        EXPECT_EQ(a.complete, c.intact);
        if (c.kind == FaultKind::Refuse) {
            EXPECT_EQ(a.code, kNo);
        }
        if (c.kind == FaultKind::Delay) {
            EXPECT_EQ(a.code, kOk);
            EXPECT_EQ(out[0].delayMs, 250);
        }
        if (c.kind == FaultKind::CorruptCrc) {
            EXPECT_TRUE(a.badCrc);
        }
        if (c.kind == FaultKind::DropBytes) {
            // An intact answer would be as long as any empty frame from address 1.
            EXPECT_EQ(out[0].bytes.size(), request(1, 0x33).size() - 3);
        }
    }
}

TEST(SimBus, FaultWindowsAndCommandFilter)
{
    SimBus bus;
    auto& dev = add(bus, 1, "boot51");
    auto answered = [&](uint8_t cmd) { return bus.feed(request(1, cmd)).size() == 1; };

    // Silent for the third and fourth request only: a device that drops out and comes back.
    dev.addFault({.kind = FaultKind::Silent, .after = 2, .count = 2});
    std::vector<bool> seen;
    for (int i = 0; i < 6; ++i)
        seen.push_back(answered(0x71));
    EXPECT_EQ(seen, (std::vector<bool>{true, true, false, false, true, true}));

    // Only the first write fails; identification is not affected.
    dev.addFault({.kind = FaultKind::Refuse, .command = 5, .count = 1});
    EXPECT_EQ(ask(bus, 1, 0x71).code, kOk);
    EXPECT_EQ(ask(bus, 1, 5).code, kNo);
    EXPECT_EQ(ask(bus, 1, 5).code, kOk);

    // Silent from now on until cleared.
    dev.addFault({.kind = FaultKind::Silent});
    EXPECT_FALSE(answered(0x71));
    EXPECT_FALSE(answered(5));
    dev.clearFaults();
    EXPECT_TRUE(answered(0x71));

    // Every request reached the device and is in its log, faulted or not.
    const auto log = dev.requestLog();
    ASSERT_EQ(log.size(), 12u);
    EXPECT_EQ(log[7].cmd, 5);
    EXPECT_TRUE(log[7].payload.empty());
}

TEST(SimBus, CorruptedCrcStaysAValidStuffedFrame)
{
    // Accepted answers without payload differ only in the address and so in the CRC. Pick
    // addresses whose CRC low byte is stuffed (C0, DB) or becomes a stuffed byte when a bit
    // flips (C1, DA), plus an ordinary one.
    auto crcLow = [](uint16_t addr) {
        TCRC16 crc;
        const uint8_t body[] = {uint8_t(0x80 | (addr >> 8)), uint8_t(addr), 0x33, 0x00, 0x00};
        crc.Update(body, sizeof body);
        return uint8_t(crc.FCRC);
    };
    for (const uint8_t low : {0xC0, 0xDB, 0xC1, 0xDA, 0x10}) {
        uint16_t addr = 1;
        while (addr < 0x7FFF && crcLow(addr) != low)
            ++addr;
        ASSERT_EQ(crcLow(addr), low);
        SCOPED_TRACE(testing::Message() << "address " << addr);
        SimBus bus;
        auto& dev = add(bus, addr, "boot51");
        dev.addFault({.kind = FaultKind::CorruptCrc});
        const auto out = bus.feed(request(addr, 5));
        ASSERT_EQ(out.size(), 1u);
        const Bytes& f = out[0].bytes;
        // No bare FEND after the start and no dangling escape: the receiver sees the whole frame.
        EXPECT_EQ(std::count(f.begin() + 2, f.end(), 0xC0), 0);
        EXPECT_NE(f.back(), 0xDB);
        const Answer a = decode(f);
        EXPECT_TRUE(a.badCrc);
        EXPECT_EQ(a.code, kOk);
    }
}

namespace {

// The shape of a device family: one command and one parameter on top of the firmware model.
class RelayBoard : public FirmwareDevice {
public:
    using FirmwareDevice::FirmwareDevice;
    uint8_t relays() const
    {
        auto g = lock();
        return m_relays;
    }

protected:
    zeva::sim::Reply extraCommand(uint8_t cmd, std::span<const uint8_t> payload) override
    {
        if (cmd != 81 || payload.size() != 1)
            return zeva::sim::Reply::refuse();
        m_relays = payload[0];
        return zeva::sim::Reply::accept();
    }
    std::vector<zeva::sim::ParamRecord> applicationParameters() override
    {
        return {zeva::sim::ParamRecord::hex16("Relays", m_relays)};
    }

private:
    uint8_t m_relays = 0;
};

}  // namespace

TEST(SimBus, DeviceFamilyAsASmallSubclass)
{
    SimBus bus;
    auto& board = bus.emplace<RelayBoard>(6, *zeva::sim::kindConfig("app6"));
    EXPECT_EQ(ask(bus, 6, 81, {0x05}).code, kOk);
    EXPECT_EQ(board.relays(), 0x05);
    EXPECT_EQ(ask(bus, 6, 82).code, kNo);
    Answer a = ask(bus, 6, 0x71);
    // 11 61 01 59 "Unit B6" 00 03 000080 00, then the one record: 06 "Relays" 00 02 00 05.
    const Bytes tail = Wire{}({0x06})("Relays")({0x00, 0x02, 0x00, 0x05}).b;
    ASSERT_GE(a.payload.size(), tail.size());
    EXPECT_EQ(Bytes(a.payload.end() - long(tail.size()), a.payload.end()), tail);
    EXPECT_EQ(a.payload.size(), 4 + 8 + 4 + tail.size());
    // In the bootloader the family's commands do not exist.
    EXPECT_EQ(ask(bus, 6, 2).code, kOk);
    EXPECT_EQ(ask(bus, 6, 81, {0x01}).code, kNo);
    EXPECT_EQ(board.relays(), 0x05);
}

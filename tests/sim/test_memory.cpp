#include <gtest/gtest.h>

#include "sim/deviceoption.h"
#include "sim/firmwaredevice.h"
#include "simtestutil.h"

using namespace simtest;
using zeva::sim::FirmwareDevice;
using zeva::sim::SimBus;

namespace {

FirmwareDevice& addDevice(SimBus& bus, const char* option)
{
    std::string error;
    auto dev = zeva::sim::makeDevice(option, &error);
    EXPECT_TRUE(dev) << error;
    return static_cast<FirmwareDevice&>(bus.addDevice(std::move(dev)));
}

Bytes block64(uint8_t seed)
{
    Bytes b(64);
    for (size_t i = 0; i < b.size(); ++i)
        b[i] = uint8_t(seed + i * 3);
    b[5] = 0xC0;  // bytes that need stuffing on the line
    b[6] = 0xDB;
    return b;
}

Bytes cat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(SimFlash, WriteReadRoundTripAndErasedBlocks)
{
    SimBus bus;
    // Controller 3: 32 KiB, application from 0x0800.
    auto& dev = addDevice(bus, "1:boot51");
    ASSERT_EQ(dev.flashSize(), 0x8000u);
    ASSERT_EQ(dev.appOffset(), 0x0800u);
    ASSERT_TRUE(dev.applicationPresent());

    EXPECT_EQ(ask(bus, 1, 5).code, kOk);
    EXPECT_EQ(ask(bus, 1, 6, {0xFF}).code, kOk);  // erases the application before a write
    EXPECT_EQ(dev.eraseCount(), 1u);
    EXPECT_FALSE(dev.applicationPresent());
    EXPECT_EQ(dev.readFlash(0x0800, 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));

    const Bytes data = block64(0x10);
    EXPECT_EQ(ask(bus, 1, 4, cat({0x08, 0x00}, data)).code, kOk);
    EXPECT_EQ(ask(bus, 1, 4, cat({0x7F, 0xC0}, block64(0x77))).code, kOk);  // last block
    Answer r = ask(bus, 1, 3, {0x08, 0x00, 0x40});
    EXPECT_EQ(r.code, kOk);
    EXPECT_EQ(r.payload, data);
    EXPECT_EQ(dev.readFlash(0x7FC0, 64), block64(0x77));

    // An all-0xFF block travels as its address alone and clears the block.
    EXPECT_EQ(ask(bus, 1, 4, {0x08, 0x00}).code, kOk);
    EXPECT_EQ(ask(bus, 1, 3, {0x08, 0x00, 0x40}).payload, Bytes(64, 0xFF));
    EXPECT_EQ(ask(bus, 1, 6, {0x47}).code, kOk);
    EXPECT_EQ(ask(bus, 1, 7).code, kOk);
    EXPECT_EQ(dev.finishCount(), 2u);

    // The bootloader keeps itself: the block below the application start is refused and unchanged.
    const Bytes bootBlock = dev.readFlash(0x07C0, 64);
    EXPECT_EQ(ask(bus, 1, 4, cat({0x07, 0xC0}, data)).code, kNo);
    EXPECT_EQ(dev.readFlash(0x07C0, 64), bootBlock);
    EXPECT_EQ(ask(bus, 1, 3, {0x07, 0xC0, 0x40}).payload, bootBlock);  // but it can be read

    // Malformed or out-of-range requests are refused.
    const std::vector<std::pair<uint8_t, Bytes>> bad = {
        {3, {0x7F, 0xC1, 0x40}},              // runs past the end of FLASH
        {3, {0x08, 0x00, 0x00}},              // zero bytes
        {3, {0x08, 0x00}},                    // count missing
        {4, {0x08, 0x00, 0x01, 0x02, 0x03}},  // not a whole block
        {4, cat({0x80, 0x00}, data)},         // beyond 32 KiB
        {5, {0x01}},
        {6, {0x12}},
        {7, {0x00}},
    };
    for (const auto& [cmd, payload] : bad)
        EXPECT_EQ(ask(bus, 1, cmd, payload).code, kNo) << "cmd " << int(cmd);
}

TEST(SimFlash, OldBootloaderPreparesWithoutPayload)
{
    SimBus bus;
    auto& dev = addDevice(bus, "1:boot50");
    EXPECT_EQ(ask(bus, 1, 6).code, kOk);
    EXPECT_EQ(dev.eraseCount(), 1u);
    EXPECT_EQ(ask(bus, 1, 7).code, kOk);
    EXPECT_EQ(dev.finishCount(), 1u);
    // Without an application it now refuses to start one.
    EXPECT_EQ(ask(bus, 1, 1).code, kNo);
}

TEST(SimExtMem, BlocksOfTheConfiguredSize)
{
    SimBus bus;
    auto& dev = addDevice(bus, "2:app5:ext=1000,block=256");
    const Bytes mem = dev.readExt(0, 1000);
    ASSERT_EQ(mem.size(), 1000u);

    // Block 3 holds bytes 768 … 999; the 24 bytes past the end read as erased.
    Answer a = ask(bus, 2, 17, {0x00, 0x03});
    ASSERT_EQ(a.code, kOk);
    ASSERT_EQ(a.payload.size(), 256u);
    EXPECT_EQ(Bytes(a.payload.begin(), a.payload.begin() + 232), Bytes(mem.begin() + 768, mem.end()));
    EXPECT_EQ(Bytes(a.payload.begin() + 232, a.payload.end()), Bytes(24, 0xFF));
    EXPECT_EQ(ask(bus, 2, 17, {0x00, 0x04}).code, kNo);

    Bytes block(256);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = uint8_t(0xC0 + i);
    EXPECT_EQ(ask(bus, 2, 18, cat({0x00, 0x03}, block)).code, kOk);
    EXPECT_EQ(dev.readExt(768, 232), Bytes(block.begin(), block.begin() + 232));
    EXPECT_EQ(dev.extSize(), 1000u);
    EXPECT_EQ(ask(bus, 2, 18, cat({0x00, 0x01}, Bytes(32, 0))).code, kNo);  // wrong block size

    // With 32-byte blocks the block number counts 32-byte steps.
    dev.setExtBlock(32);
    a = ask(bus, 2, 17, {0x00, 0x1F});
    ASSERT_EQ(a.payload.size(), 32u);
    EXPECT_EQ(Bytes(a.payload.begin(), a.payload.begin() + 8), dev.readExt(992, 8));
    EXPECT_EQ(ask(bus, 2, 18, cat({0x00, 0x02}, Bytes(32, 0x5A))).code, kOk);
    EXPECT_EQ(dev.readExt(64, 32), Bytes(32, 0x5A));
    EXPECT_EQ(dev.readExt(96, 1), Bytes{mem[96]});  // the neighbour is untouched

    // A device without external memory refuses.
    addDevice(bus, "3:app5:ext=0");
    EXPECT_EQ(ask(bus, 3, 17, {0x00, 0x00}).code, kNo);
}

TEST(SimAt45, PagesAndFormatMarker)
{
    struct Case {
        const char* option;
        uint32_t pages;
        Bytes marker;
    };
    const std::vector<Case> cases = {
        {"1:app5:at45=4096", 4096, {'*', '1', '6', 'M', '*'}},
        {"1:app5:at45=8192", 8192, {'*', '3', '2', 'M', '*'}},
        {"1:app5:at45=8192,marker=*FDA*", 8192, {'*', 'F', 'D', 'A', '*'}},
        {"1:app5:at45=4096,marker=none", 4096, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        SimBus bus;
        auto& dev = addDevice(bus, c.option);
        EXPECT_EQ(dev.at45Pages(), c.pages);
        Answer a = ask(bus, 1, 19, {0x00, 0x00});
        ASSERT_EQ(a.code, kOk);
        ASSERT_EQ(a.payload.size(), 528u);
        EXPECT_EQ(Bytes(a.payload.begin(), a.payload.begin() + 5), c.marker);
        EXPECT_EQ(a.payload[5], 0xFF);

        const uint16_t last = uint16_t(c.pages - 1);
        Bytes page(528);
        for (size_t i = 0; i < page.size(); ++i)
            page[i] = uint8_t(i * 7);
        EXPECT_EQ(ask(bus, 1, 20, cat({uint8_t(last >> 8), uint8_t(last)}, page)).code, kOk);
        EXPECT_EQ(ask(bus, 1, 19, {uint8_t(last >> 8), uint8_t(last)}).payload, page);
        EXPECT_EQ(dev.at45Page(last), page);
        EXPECT_EQ(ask(bus, 1, 19, {uint8_t(c.pages >> 8), uint8_t(c.pages)}).code, kNo);
        EXPECT_EQ(ask(bus, 1, 20, cat({0x00, 0x01}, Bytes(527, 0))).code, kNo);
    }
    SimBus bus;
    addDevice(bus, "1:app5");
    EXPECT_EQ(ask(bus, 1, 19, {0x00, 0x00}).code, kNo);  // no AT45 fitted
}

TEST(SimDevice, AddressChange)
{
    SimBus bus;
    auto& dev = addDevice(bus, "1:boot51");
    addDevice(bus, "9:boot60");

    // 123 goes as 00 7B; the answer still comes from the old address.
    Answer a = ask(bus, 1, 122, {0x00, 0x7B});
    EXPECT_EQ(a.code, kOk);
    EXPECT_EQ(a.addr, 1);
    EXPECT_EQ(dev.address(), 123);
    EXPECT_FALSE(ask(bus, 1, 0x71).complete);
    EXPECT_EQ(ask(bus, 123, 0x71).code, kOk);
    EXPECT_EQ(bus.device(123), &dev);

    EXPECT_EQ(ask(bus, 123, 122, {0x80, 0x00}).code, kNo);  // above 0x7FFF
    EXPECT_EQ(ask(bus, 123, 122, {0x00}).code, kNo);
    EXPECT_EQ(ask(bus, 123, 122, {0x00, 0x09}).code, kNo);  // taken by another device
    EXPECT_EQ(dev.address(), 123);

    // Address 0: the device then answers frames that carry no address.
    EXPECT_EQ(ask(bus, 123, 122, {0x00, 0x00}).code, kOk);
    a = ask(bus, 0, 0x71);
    EXPECT_EQ(a.code, kOk);
    EXPECT_EQ(a.addr, 0);
}

TEST(SimDevice, ClockCommand)
{
    SimBus bus;
    auto& dev = addDevice(bus, "1:app6");
    // 5 March 2031 07:08:09.
    EXPECT_EQ(ask(bus, 1, 33, {0x05, 0x03, 0x1F, 0x07, 0x08, 0x09}).code, kOk);
    auto c = dev.clock();
    EXPECT_EQ(Bytes(c.begin(), c.begin() + 5), (Bytes{5, 3, 31, 7, 8}));
    EXPECT_LE(c[5], 10);

    const std::vector<Bytes> invalid = {
        {31, 2, 24, 16, 32, 48},  // no 31 February
        {0, 1, 24, 0, 0, 0},     {1, 13, 24, 0, 0, 0}, {1, 1, 24, 24, 0, 0},
        {1, 1, 24, 0, 60, 0},    {1, 1, 24, 0, 0, 60}, {1, 1, 24, 0, 0},
    };
    for (const auto& p : invalid)
        EXPECT_EQ(ask(bus, 1, 33, p).code, kNo);
    EXPECT_EQ(dev.clock()[0], 5);
    EXPECT_EQ(ask(bus, 1, 33, {29, 2, 24, 23, 59, 0}).code, kOk);  // leap day
    EXPECT_EQ(dev.clock()[1], 2);
}

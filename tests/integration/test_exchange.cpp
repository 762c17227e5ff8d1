// The command exchange over a real pseudo-terminal against the simulator's fault modes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

#include "link/zeva16.h"
#include "link/zevaframe.h"
#include "sim/deviceoption.h"
#include "sim/firmwaredevice.h"
#include "sim/simbus.h"

using namespace zeva::sim;
using Bytes = std::vector<uint8_t>;

namespace {

class ExchangeOverPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        addDefaultDevices(bus);
        std::string err;
        ASSERT_TRUE(bus.start(&err)) << err;
        PortMap::SetAlias(120, bus.slavePath());
        link = std::make_unique<TZEVA16>(120, 115200, 40, 16384);
        ASSERT_EQ(link->Error(), errNoError);
    }
    void TearDown() override
    {
        link.reset();
        bus.stop();
        PortMap::SetAlias(120, "");
    }

    // A block write to the application area of the bootloader at address 2.
    void startBlockWrite()
    {
        link->StartZEVA(2, 4);
        link->AddWord(0x0800);
        for (int i = 0; i < 64; ++i)
            link->AddByte(uint8_t(i));
    }

    SimBus bus;
    std::unique_ptr<TZEVA16> link;
};

struct ExchangeCase {
    const char* what;
    Fault fault;
    bool result;
    std::optional<TError> error;  // none: depends on where the bytes went missing
    uint64_t sent;
    uint64_t bad;
};

}  // namespace

TEST_F(ExchangeOverPty, PutCmdOutcomes)
{
    const std::vector<ExchangeCase> cases = {
        {"accepted", {.kind = FaultKind::Delay, .count = 1, .delayMs = 0}, true, errNoError, 1, 0},
        {"refused, no retry", {.kind = FaultKind::Refuse}, false, errAnswerError, 1, 0},
        {"silent", {.kind = FaultKind::Silent}, false, errTimeOut, 3, 3},
        {"bad CRC every time", {.kind = FaultKind::CorruptCrc}, false, errNoError, 3, 3},
        {"bytes dropped every time", {.kind = FaultKind::DropBytes, .dropBytes = 3}, false, std::nullopt, 3, 3},
        {"first attempt lost", {.kind = FaultKind::Silent, .count = 1}, true, errNoError, 2, 1},
        {"first answer damaged", {.kind = FaultKind::CorruptCrc, .count = 1}, true, errNoError, 2, 1},
    };
    auto* dev = bus.deviceAs<FirmwareDevice>(2);
    ASSERT_NE(dev, nullptr);
    for (const auto& c : cases) {
        dev->clearFaults();
        dev->addFault(c.fault);
        SendPackets = 0;
        BadPackets = 0;
        startBlockWrite();
        const Bytes request(link->BufZEVA().begin(), link->BufZEVA().begin() + link->CntZEVA());
        EXPECT_EQ(link->PutCMD(), c.result) << c.what;
        if (c.error) {
            EXPECT_EQ(link->Error(), *c.error) << c.what;
        }
        EXPECT_EQ(SendPackets.load(), c.sent) << c.what;
        EXPECT_EQ(BadPackets.load(), c.bad) << c.what;
        if (!c.result && c.error != errAnswerError) {
            // Exhausted attempts leave the request as it was, ready to send again.
            EXPECT_EQ(link->AddrZEVA(), 2) << c.what;
            EXPECT_EQ(link->CmdZEVA(), 4) << c.what;
            EXPECT_EQ(Bytes(link->BufZEVA().begin(), link->BufZEVA().begin() + link->CntZEVA()), request) << c.what;
        }
        if (c.result) {
            EXPECT_EQ(link->CmdZEVA(), 0x33) << c.what;
            EXPECT_EQ(link->BufPos, 0) << c.what;
        }
    }
}

TEST_F(ExchangeOverPty, IdentifiesEveryKindAndForgetsASilentOne)
{
    link->SetMCUs(LoadMCUCatalog(QStringLiteral(ZEVANTA_SOURCE_DIR "/resources/mcu.xml")));
    const std::vector<std::pair<uint16_t, TMode>> kinds = {
        {1, mBootloader50}, {2, mBootloader51}, {3, mBootloader60}, {4, mDevice5}, {5, mDevice6}};
    for (const auto& [addr, mode] : kinds) {
        TDeviceInfo info;
        ASSERT_TRUE(link->GetDeviceInfo(addr, info)) << addr;
        EXPECT_EQ(info.Mode, mode) << addr;
        EXPECT_NE(info.MCU, QStringLiteral("---")) << addr;
        EXPECT_GT(info.MemSize, info.ProgStart) << addr;
    }
    EXPECT_GT(link->ParamsCopy().Count(), 0);  // second-generation application

    bus.device(5)->addFault({.kind = FaultKind::Silent});
    TDeviceInfo info;
    EXPECT_FALSE(link->GetDeviceInfo(5, info));
    EXPECT_EQ(info.Mode, mNone);
    EXPECT_EQ(info.MCU, QStringLiteral("---"));
    EXPECT_EQ(info.MemSize, 0u);
    EXPECT_EQ(info.Ext, 0u);
    EXPECT_EQ(link->ParamsCopy().Count(), 0);
}

TEST_F(ExchangeOverPty, VanishedDeviceFailsAtOnce)
{
    bus.closeSerialSide();
    const auto t0 = std::chrono::steady_clock::now();
    startBlockWrite();
    EXPECT_FALSE(link->PutCMD());
    EXPECT_TRUE(link->HungUp());
    // Three attempts against a silent line would take at least 3 × (40 + 50) ms.
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(270));
}

// A peer that answers every request with an unexpected command code.
TEST(ExchangeWrongCode, IsRetriedAndFails)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    PortMap::SetAlias(121, ptsname(master));
    TZEVA16 link(121, 115200, 40, 256);
    ASSERT_EQ(link.Error(), errNoError);

    std::atomic<bool> stop{false};
    std::thread peer([&] {
        Bytes buf(256);
        zeva::FrameDecoder dec(buf.data(), buf.size());
        while (!stop) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN))
                continue;
            uint8_t chunk[256];
            const ssize_t n = read(master, chunk, sizeof chunk);
            for (ssize_t i = 0; i < n; ++i)
                if (dec.push(chunk[i]) == zeva::FrameDecoder::Status::Frame) {
                    const auto answer = zeva::encodeFrame(dec.addr(), 0x44, Bytes{1, 2});
                    (void)!write(master, answer.data(), answer.size());
                }
        }
    });
    SendPackets = 0;
    BadPackets = 0;
    link.StartZEVA(7, 0x71);
    EXPECT_FALSE(link.PutCMD());
    EXPECT_EQ(link.Error(), errNoError);
    EXPECT_EQ(SendPackets.load(), 3u);
    EXPECT_EQ(BadPackets.load(), 3u);
    EXPECT_EQ(link.CmdZEVA(), 0x71);
    stop = true;
    peer.join();
    close(master);
    PortMap::SetAlias(121, "");
}

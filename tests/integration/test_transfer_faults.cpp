// Transfers over a real pseudo-terminal against the simulator, with the device misbehaving.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "link/commands.h"
#include "link/zeva16.h"
#include "memory/images.h"
#include "memory/transferrun.h"
#include "sim/firmwaredevice.h"
#include "sim/simbus.h"

namespace {

using namespace zeva::sim;
using Bytes = std::vector<uint8_t>;

constexpr uint16_t kAddr = 0x0123;

Bytes pattern(size_t n, uint8_t seed)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = uint8_t(i * 13 + seed + (i >> 8));
    return b;
}

int threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// One controller in its bootloader on a simulated bus, reached through the real serial stack.
struct Bench {
    SimBus bus;
    FirmwareDevice* dev = nullptr;
    std::unique_ptr<TZEVA16> link;
    std::unique_ptr<TZevaTransferLink> tl;
    TMemoryImage flash;
    TMemoryImage ext;
    TTransferSetup setup;
    std::vector<QString> boxes;
    TTransferHooks hooks;

    // timeOutMs: how long an answer may take to start; the short default keeps silent devices cheap.
    explicit Bench(bool application = false, uint16_t extBlock = 256, uint16_t timeOutMs = 40)
    {
        FirmwareConfig cfg;
        cfg.mcu = 3;  // 32 KiB, application from 0x800
        cfg.extSize = 0x2000;
        cfg.extBlock = extBlock;
        cfg.startInApplication = application;
        cfg.at45Pages = application ? 4096 : 0;
        dev = &bus.emplace<FirmwareDevice>(kAddr, cfg);
        std::string why;
        if (!bus.start(&why))
            throw std::runtime_error(why);
        const int n = PortMap::AliasFor(bus.slavePath());
        link = std::make_unique<TZEVA16>(uint8_t(n), 115200, timeOutMs, 16384);
        if (link->Error() == errNotOpenPort)
            throw std::runtime_error("cannot open " + bus.slavePath());
        tl = std::make_unique<TZevaTransferLink>(*link, kAddr);
        setup.ProgStart = dev->appOffset();
        setup.MemSize = dev->flashSize();
        setup.Ext = dev->extSize();
        setup.ExtBlockSize = extBlock;
        setup.DeviceMode = mBootloader51;
        setup.FlashBuf = flash.Span();
        setup.ExtMemBuf = ext.Span();
        hooks.Message = [this](MsgKind, const QString& t) { boxes.push_back(t); };
    }
    ~Bench()
    {
        PortMap::SetAlias(PortMap::NumberFor(bus.slavePath()), {});
        bus.stop();
    }
    TTransferReport run(TTransferKind kind, uint32_t addr = 0, uint32_t count = 0)
    {
        return StartTransfer(*tl, setup, kind, false, addr, count, hooks);
    }
    uint32_t regionSize() const { return setup.MemSize - setup.ProgStart; }
};

// The device misbehaves from the 20th FLASH block on: a refused or unanswered block stops the
// write there with the right message; spoiled answers are retried and counted as bad frames. The
// counts hold only when every good answer arrives in time, so the time-out is one no loaded machine
// reaches; only the silent case waits it out.
TEST(TransferFaults, FlashWriteStopsAtTheFaultyBlockOrRetriesSpoiledAnswers)
{
    struct Case {
        const char* name;
        FaultKind kind;
        uint64_t count;  // 0: until cleared
        int dropBytes;
        bool ok;
        TBlockResult reason;
        uint64_t bad;  // BadPackets after the write
    };
    const Case cases[] = {
        {"refused", FaultKind::Refuse, 1, 1, false, brRefused, 0},
        {"silent from here on", FaultKind::Silent, 0, 1, false, brNoAnswer, 3},
        {"corrupt CRC twice", FaultKind::CorruptCrc, 2, 1, true, brOk, 2},
        {"dropped bytes once", FaultKind::DropBytes, 1, 3, true, brOk, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b(false, 256, 1000);
        const Bytes image = pattern(b.regionSize(), 1);
        std::copy(image.begin(), image.end(), b.flash.Data());
        Fault f;
        f.kind = c.kind;
        f.command = 4;
        f.after = 20;
        f.count = c.count;
        f.dropBytes = c.dropBytes;
        b.dev->addFault(f);
        const auto rep = b.run(tkWriteFLASH);
        EXPECT_EQ(rep.Ok, c.ok);
        EXPECT_EQ(rep.Transfer.Reason, c.reason);
        EXPECT_EQ(BadPackets.load(), c.bad);
        const uint32_t failAt = b.setup.ProgStart + 20 * 64;
        if (c.ok) {
            EXPECT_EQ(b.dev->readFlash(b.setup.ProgStart, b.regionSize()), image);
            EXPECT_EQ(b.dev->finishCount(), 1u);
            EXPECT_TRUE(b.boxes.empty());
        } else {
            EXPECT_EQ(rep.Transfer.FailAddr, int32_t(failAt));
            ASSERT_EQ(b.boxes.size(), 1u);
            EXPECT_EQ(b.boxes[0], QStringLiteral("Ошибка записи во FLASH\r\nпо адресу 0x") +
                                      QStringLiteral("%1").arg(failAt, 4, 16, QLatin1Char('0')).toUpper());
            EXPECT_EQ(b.dev->readFlash(b.setup.ProgStart, 20 * 64), Bytes(image.begin(), image.begin() + 20 * 64));
            EXPECT_EQ(b.dev->finishCount(), 0u);  // no post-write command after a failed write
        }
    }
}

TEST(TransferFaults, WrittenFirmwareReadsBackAndComparesEqual)
{
    Bench b;
    const Bytes image = pattern(b.regionSize(), 7);
    std::copy(image.begin(), image.end(), b.flash.Data());
    ASSERT_TRUE(b.run(tkWriteFLASH).Ok);
    EXPECT_TRUE(b.run(tkCompareFLASH).Ok);
    b.flash.Fill();
    ASSERT_TRUE(b.run(tkReadFLASH).Ok);
    EXPECT_EQ(Bytes(b.flash.Data(), b.flash.Data() + b.regionSize()), image);
    EXPECT_EQ(b.flash[b.regionSize()], 0xFF);
    EXPECT_EQ(b.boxes, std::vector<QString>{QStringLiteral("Различия не найдены!")});
}

// A device that goes silent in the middle of a read: the blocks read so far stay in the image.
TEST(TransferFaults, SilentDeviceDuringReadKeepsTheBlocksAlreadyRead)
{
    Bench b;
    const Bytes image = pattern(b.regionSize(), 3);
    b.dev->writeFlash(b.setup.ProgStart, image);
    Fault f;
    f.kind = FaultKind::Silent;
    f.command = 3;
    f.after = 33;
    b.dev->addFault(f);
    const auto rep = b.run(tkReadFLASH);
    EXPECT_FALSE(rep.Ok);
    EXPECT_EQ(rep.Transfer.FailAddr, int32_t(b.setup.ProgStart + 33 * 64));
    EXPECT_EQ(Bytes(b.flash.Data(), b.flash.Data() + 33 * 64), Bytes(image.begin(), image.begin() + 33 * 64));
    EXPECT_EQ(b.flash[33 * 64], 0xFF);
}

// The pty closes under a running write: the transfer stops at once at the next block, without the
// retries of a silent device, and no thread is left behind.
TEST(TransferFaults, VanishedDeviceStopsTheTransferAtTheNextBlock)
{
    Bench b;
    const Bytes image = pattern(b.regionSize(), 9);
    std::copy(image.begin(), image.end(), b.flash.Data());
    const int threadsBefore = threadCount();
    const int32_t lastBlock = int32_t(b.setup.ProgStart / 64 + 11);
    b.hooks.RunProgress = [&](TProgressThread& t) {
        t.OnProgress = [&](int32_t pos) {
            if (pos == lastBlock)
                b.bus.closeSerialSide();
        };
        t.Start();
        t.Wait();
    };
    const auto rep = b.run(tkWriteFLASH);
    EXPECT_FALSE(rep.Ok);
    EXPECT_EQ(rep.Transfer.Reason, brGone);
    EXPECT_EQ(rep.Transfer.FailAddr, int32_t((lastBlock + 1) * 64));
    EXPECT_TRUE(b.link->HungUp());
    ASSERT_EQ(b.boxes.size(), 1u);
    EXPECT_TRUE(b.boxes[0].startsWith(QStringLiteral("Ошибка записи во FLASH\r\nпо адресу 0x")));
    EXPECT_EQ(threadCount(), threadsBefore);
}

// Cancel from the owner's thread while the line is paced: the loop stops after the block in hand,
// the write is not finished with the post-write command, and nothing is reported.
TEST(TransferFaults, CancelInTheMiddleStopsWithoutMessage)
{
    Bench b;
    b.bus.setBaud(115200);
    b.dev->writeFlash(b.setup.ProgStart, pattern(b.regionSize(), 4));
    int32_t cancelledAt = -1;
    b.hooks.RunProgress = [&](TProgressThread& t) {
        t.Start();
        while (!t.Finished() && t.Shared().Position.load() < t.Shared().BarMin.load() + 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        t.Cancel();
        t.Wait();
        cancelledAt = t.Shared().Position.load();
        EXPECT_TRUE(t.Shared().Cancelled.load());
    };
    const auto rep = b.run(tkReadFLASH);
    EXPECT_EQ(rep.Transfer.Outcome, TTransferOutcome::Cancelled);
    EXPECT_FALSE(rep.Ok);
    EXPECT_TRUE(b.boxes.empty());
    // Every block counted is stored; the one exchanged when the cancel came is not.
    const uint32_t stored = uint32_t(cancelledAt + 1) * 64 - b.setup.ProgStart;
    EXPECT_EQ(b.dev->readFlash(b.setup.ProgStart, stored), Bytes(b.flash.Data(), b.flash.Data() + stored));
    EXPECT_LT(stored, b.regionSize());
    EXPECT_EQ(b.flash[stored], 0xFF);
}

// External memory in the application, with 32-byte blocks, a range off the block boundaries and a
// refused block in the middle.
TEST(TransferFaults, ExternalMemoryPartialRangesAndRefusal)
{
    Bench b(true, 32);
    const Bytes device = pattern(b.setup.Ext, 5);
    b.dev->writeExt(0, device);
    const Bytes mine = pattern(b.setup.Ext, 99);
    std::copy(mine.begin(), mine.end(), b.ext.Data());
    ASSERT_TRUE(b.run(tkWriteExtMemPart, 70, 100).Ok);
    Bytes expected = device;
    std::copy(mine.begin() + 70, mine.begin() + 170, expected.begin() + 70);
    EXPECT_EQ(b.dev->readExt(0, b.setup.Ext), expected);

    b.ext.Fill();
    Fault f;
    f.kind = FaultKind::Refuse;
    f.command = 17;
    f.after = 100;
    f.count = 1;
    b.dev->addFault(f);
    const auto rep = b.run(tkReadExtMem);
    EXPECT_EQ(rep.Transfer.FailAddr, 100 * 32);
    EXPECT_EQ(b.boxes.back(), QStringLiteral("Ошибка чтения из Ext Mem\r\nпо адресу 0x0C80"));
    EXPECT_EQ(Bytes(b.ext.Data(), b.ext.Data() + 3200), Bytes(expected.begin(), expected.begin() + 3200));
}

// The device answers later than the 40 ms time-out for six requests from the tenth block on. An
// answer carries nothing that ties it to its request, so a late one must never be stored as the
// next block's: every read ends with the device's exact data or with a failure at the first late
// block, never with a shifted image.
TEST(TransferFaults, LateAnswersGiveTheExactDataOrAFailure)
{
    struct Kind {
        const char* name;
        TTransferKind kind;
        uint8_t cmd;
        uint32_t block;  // bytes per exchange
    };
    const Kind kinds[] = {
        {"FLASH", tkReadFLASH, zcmd::kReadFLASH, 64},
        {"external memory", tkReadExtMem, zcmd::kReadExtMem, 256},
        {"AT45 pages", tkReadAT45, zcmd::kReadAT45, 528},
    };
    enum Expect { Exact, Failure, Either };
    const std::pair<int, Expect> delays[] = {
        {20, Exact},    // in time
        {40, Either},   // on the time-out itself
        {70, Failure},  // late, heard while the line settles: every attempt goes unanswered
        {120, Either},  // later than the settling
        {200, Either},
    };
    constexpr uint32_t kLate = 10;
    for (const Kind& k : kinds) {
        for (const auto& [delay, expect] : delays) {
            SCOPED_TRACE(std::string(k.name) + ", answers after " + std::to_string(delay) + " ms");
            Bench b(k.kind != tkReadFLASH);
            Bytes device;
            std::vector<uint8_t> at45;
            std::span<uint8_t> image;
            uint32_t offset = 0;  // of the device's first byte in the image
            if (k.kind == tkReadFLASH) {
                device = pattern(b.regionSize(), 3);
                b.dev->writeFlash(b.setup.ProgStart, device);
                image = b.flash.Span();
            } else if (k.kind == tkReadExtMem) {
                device = pattern(b.setup.Ext, 5);
                b.dev->writeExt(0, device);
                image = b.ext.Span();
            } else {
                // Pages 30..59 of a fresh unit: the image keeps each page at its own place.
                FirmwareConfig cfg = b.dev->config();
                ASSERT_EQ(cfg.at45Pages, 4096u);
                for (uint16_t p = 30; p < 60; ++p) {
                    const Bytes page = pattern(k.block, uint8_t(p));
                    b.dev->writeAt45Page(p, page);
                    device.insert(device.end(), page.begin(), page.end());
                    b.setup.PageList.push_back(p);
                }
                at45.assign(size_t(60) * k.block, 0xFF);
                b.setup.RouteImage = at45;
                image = at45;
                offset = 30 * k.block;
            }
            Fault f;
            f.kind = FaultKind::Delay;
            f.command = k.cmd;
            f.after = kLate;
            f.count = 6;
            f.delayMs = delay;
            b.dev->addFault(f);
            const auto rep = b.run(k.kind);
            const Bytes got(image.begin() + offset, image.begin() + offset + device.size());
            if (rep.Ok) {
                EXPECT_NE(expect, Failure);
                EXPECT_EQ(got, device);
            } else {
                EXPECT_NE(expect, Exact);
                EXPECT_EQ(rep.Transfer.Reason, brNoAnswer);
                // The failure is at one of the late blocks (the first when every attempt there is
                // late), and everything before it is the device's.
                const uint32_t base = k.kind == tkReadFLASH ? b.setup.ProgStart : 0;
                const uint32_t firstLate = base + kLate * k.block;
                EXPECT_GE(rep.Transfer.FailAddr, int32_t(firstLate));
                EXPECT_LT(rep.Transfer.FailAddr, int32_t(firstLate + f.count * k.block));
                if (expect == Failure) {
                    EXPECT_EQ(rep.Transfer.FailAddr, int32_t(firstLate));
                }
                const uint32_t done = uint32_t(std::max(rep.Transfer.FailAddr, int32_t(base))) - base;
                ASSERT_LE(done, got.size());
                EXPECT_EQ(Bytes(got.begin(), got.begin() + done), Bytes(device.begin(), device.begin() + done));
            }
        }
    }
}

// A HEX file that fails to load leaves the image as it was.
TEST(TransferFaults, BrokenHexFileLeavesTheImageUntouched)
{
    TMemoryImage img;
    img[0] = 0x12;
    QString why;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("broken.hex"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(":0400000001020304F2\r\n:0400040005060708E0\r\n");  // second checksum wrong, no end record
    }
    EXPECT_FALSE(LoadHexImage(img, path, 0, 0x100, why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(img[0], 0x12);
    EXPECT_EQ(img[1], 0xFF);
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

#include "memory/transferrun.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Request {
    uint8_t cmd;
    Bytes payload;
};

uint16_t word(const Bytes& p)
{
    return uint16_t(p[0] << 8 | p[1]);
}

// A scripted device behind the engine's link: FLASH, external and AT45 memory with the block
// commands as the bootloader and the application implement them, a log of every request, and a
// hook that can spoil any request.
class FakeDevice : public TTransferLink {
public:
    Bytes flash = Bytes(0x10000, 0xFF);
    Bytes ext = Bytes(0x40000, 0);
    Bytes at45 = Bytes(8192 * 528, 0);
    uint16_t extBlock = 256;
    std::vector<Request> log;
    // Index of the request (from 0), command, payload → brOk to serve it, anything else to fail.
    std::function<TBlockResult(size_t, uint8_t, const Bytes&)> fault;

    TBlockResult Exchange(uint8_t cmd, std::span<const uint8_t> payload, std::span<const uint8_t>& answer) override
    {
        const Bytes p(payload.begin(), payload.end());
        log.push_back({cmd, p});
        if (fault)
            if (const TBlockResult r = fault(log.size() - 1, cmd, p); r != brOk)
                return r;
        out.clear();
        switch (cmd) {
        case 3: out.assign(flash.begin() + word(p), flash.begin() + word(p) + p[2]); break;
        case 4:
            if (p.size() == 2)
                std::fill_n(flash.begin() + word(p), 64, 0xFF);
            else
                std::copy(p.begin() + 2, p.end(), flash.begin() + word(p));
            break;
        case 17: out.assign(ext.begin() + word(p) * extBlock, ext.begin() + (word(p) + 1) * extBlock); break;
        case 18:
            if (p.size() != 2u + extBlock)
                return brRefused;
            std::copy(p.begin() + 2, p.end(), ext.begin() + word(p) * extBlock);
            break;
        case 19: out.assign(at45.begin() + word(p) * 528, at45.begin() + (word(p) + 1) * 528); break;
        case 20: std::copy(p.begin() + 2, p.end(), at45.begin() + word(p) * 528); break;
        default: break;  // 5, 6, 7: accepted
        }
        answer = out;
        return brOk;
    }

    std::vector<uint8_t> commands() const
    {
        std::vector<uint8_t> c;
        for (const auto& r : log)
            c.push_back(r.cmd);
        return c;
    }

private:
    Bytes out;
};

Bytes pattern(size_t n, uint8_t seed)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = uint8_t(i * 7 + seed);
    return b;
}

struct Fixture {
    FakeDevice dev;
    Bytes flashBuf = Bytes(0x40000, 0xFF);
    Bytes extBuf = Bytes(0x40000, 0xFF);
    Bytes route = Bytes(8192 * 528, 0xFF);
    TTransferSetup setup;
    std::vector<std::pair<MsgKind, QString>> boxes;
    TTransferHooks hooks;

    Fixture()
    {
        setup.FlashBuf = flashBuf;
        setup.ExtMemBuf = extBuf;
        setup.RouteImage = route;
        hooks.Message = [this](MsgKind k, const QString& t) { boxes.emplace_back(k, t); };
    }
    TTransferReport run(TTransferKind kind, uint32_t addr = 0, uint32_t count = 64)
    {
        return StartTransfer(dev, setup, kind, true, addr, count, hooks);
    }
};

TEST(TransferBlocks, BlockSizeOptionSelectsAt45SizesForTheLastTwoEntries)
{
    const std::pair<int, uint16_t> table[] = {{0, 4}, {3, 32}, {6, 256}, {7, 512}, {8, 528}, {9, 1056}, {10, 256}};
    for (const auto& [index, size] : table)
        EXPECT_EQ(ExtBlockSizeFromIndex(index), size) << "index " << index;
}

// An erased image goes as addresses only, between command 5 and the mode's command pair.
TEST(Transfer, ModeDecidesTheCommandsAroundAFlashWrite)
{
    struct Case {
        bool autoDetect;
        bool v51;
        TMode device;
        Bytes pre;  // command then payload; empty: nothing sent
        Bytes post;
    };
    const Case cases[] = {
        {true, false, mBootloader50, {6}, {7}},
        {true, false, mBootloader51, {6, 0xFF}, {6, 0x47}},
        {true, true, mBootloader60, {6, 0xFF}, {6, 0x47}},
        {true, true, mDevice6, {}, {}},
        {true, true, mNone, {}, {}},
        {false, false, mBootloader60, {6}, {7}},
        {false, true, mBootloader50, {6, 0xFF}, {6, 0x47}},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.setup.ProgStart = 0xC00;
        f.setup.MemSize = 0xD00;  // four blocks
        f.setup.AutoDetectBL = c.autoDetect;
        f.setup.VersionBL51 = c.v51;
        f.setup.DeviceMode = c.device;
        const auto rep = f.run(tkWriteFLASH);
        SCOPED_TRACE(int(c.device));
        ASSERT_TRUE(rep.Ok);
        std::vector<Request> expected{{5, {}}};
        if (!c.pre.empty())
            expected.push_back({c.pre[0], Bytes(c.pre.begin() + 1, c.pre.end())});
        for (uint16_t a = 0xC00; a < 0xD00; a += 64)
            expected.push_back({4, {uint8_t(a >> 8), uint8_t(a)}});
        if (!c.post.empty())
            expected.push_back({c.post[0], Bytes(c.post.begin() + 1, c.post.end())});
        ASSERT_EQ(f.dev.log.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(f.dev.log[i].cmd, expected[i].cmd) << i;
            EXPECT_EQ(f.dev.log[i].payload, expected[i].payload) << i;
        }
    }
}

TEST(Transfer, FlashWriteSendsDataBlocksWholeAndFailedWriteSkipsPostCommand)
{
    Fixture f;
    f.setup.ProgStart = 0xC00;
    f.setup.MemSize = 0xD00;
    f.setup.DeviceMode = mBootloader51;
    const Bytes data = pattern(64, 3);
    std::copy(data.begin(), data.end(), f.flashBuf.begin() + 64);  // block 0xC40
    ASSERT_TRUE(f.run(tkWriteFLASH).Ok);
    EXPECT_EQ(Bytes(f.dev.flash.begin() + 0xC40, f.dev.flash.begin() + 0xC80), data);
    EXPECT_EQ(f.dev.log[3].payload.size(), 66u);

    // The third block is refused: the loop stops there and the bootloader is not told to finish.
    Fixture g;
    g.setup.ProgStart = 0xC00;
    g.setup.MemSize = 0xD00;
    g.setup.DeviceMode = mBootloader51;
    g.dev.fault = [](size_t, uint8_t cmd, const Bytes& p) { return cmd == 4 && word(p) == 0xC80 ? brRefused : brOk; };
    const auto rep = g.run(tkWriteFLASH);
    EXPECT_FALSE(rep.Ok);
    EXPECT_EQ(rep.Transfer.FailAddr, 0xC80);
    EXPECT_EQ(g.dev.commands(), (std::vector<uint8_t>{5, 6, 4, 4, 4}));
    ASSERT_EQ(g.boxes.size(), 1u);
    EXPECT_EQ(g.boxes[0].first, MsgKind::Warning);
    EXPECT_EQ(g.boxes[0].second, QStringLiteral("Ошибка записи во FLASH\r\nпо адресу 0x0C80"));
}

TEST(Transfer, CompareReportsTheFirstDifferingAddress)
{
    Fixture f;
    f.setup.ProgStart = 0xC00;
    f.setup.MemSize = 0x1000;
    const Bytes data = pattern(0x400, 9);
    std::copy(data.begin(), data.end(), f.dev.flash.begin() + 0xC00);
    std::copy(data.begin(), data.end(), f.flashBuf.begin());
    EXPECT_TRUE(f.run(tkCompareFLASH).Ok);
    ASSERT_EQ(f.boxes.size(), 1u);
    EXPECT_EQ(f.boxes[0], std::make_pair(MsgKind::Information, QStringLiteral("Различия не найдены!")));

    f.boxes.clear();
    f.dev.flash[0xC45] ^= 0x01;
    f.dev.flash[0xE00] ^= 0x01;
    const auto rep = f.run(tkCompareFLASH);
    EXPECT_FALSE(rep.Ok);
    EXPECT_EQ(rep.Transfer.Outcome, TTransferOutcome::Different);
    ASSERT_EQ(f.boxes.size(), 1u);
    EXPECT_EQ(f.boxes[0].second, QStringLiteral("Несовпадение данных по адресу 0x0C45"));
}

// A block the device does not give during a compare is a failure of the line, not a difference:
// the outcome and the message say so, for each kind of compare and each way the block is lost.
TEST(Transfer, CompareThatCannotReadABlockIsAFailureNotADifference)
{
    struct Case {
        TTransferKind kind;
        uint8_t cmd;
        uint16_t failWord;  // address (FLASH) or block number (external memory) of the lost block
        QString message;
    };
    const Case cases[] = {
        {tkCompareFLASH, 3, 0xC80, QStringLiteral("Ошибка чтения из FLASH\r\nпо адресу 0x0C80")},
        {tkCompareExtMem, 17, 2, QStringLiteral("Ошибка чтения из Ext Mem\r\nпо адресу 0x0200")},
        {tkCompareExtMemPart, 17, 2, QStringLiteral("Ошибка чтения из Ext Mem\r\nпо адресу 0x0200")},
    };
    for (const Case& c : cases) {
        for (TBlockResult reason : {brNoAnswer, brGone, brRefused}) {
            SCOPED_TRACE(std::to_string(int(c.kind)) + "/" + std::to_string(int(reason)));
            Fixture f;
            f.setup.ProgStart = 0xC00;
            f.setup.MemSize = 0xD00;
            f.setup.Ext = 0x400;
            f.dev.ext = pattern(0x40000, 2);
            f.extBuf = f.dev.ext;
            std::copy_n(f.dev.flash.begin() + 0xC00, 0x100, f.flashBuf.begin());
            f.dev.fault = [&](size_t, uint8_t cmd, const Bytes& p) {
                return cmd == c.cmd && word(p) == c.failWord ? reason : brOk;
            };
            const auto rep = f.run(c.kind, 0, 0x400);
            EXPECT_FALSE(rep.Ok);
            EXPECT_EQ(rep.Transfer.Outcome, TTransferOutcome::Failed);
            EXPECT_EQ(rep.Transfer.Reason, reason);
            EXPECT_EQ(rep.Message, c.message);
            ASSERT_EQ(f.boxes.size(), 1u);
            EXPECT_EQ(f.boxes[0].second, c.message);
        }
    }
}

TEST(Transfer, FlashReadFailuresStopAtTheBlockAndKeepWhatWasRead)
{
    const TBlockResult reasons[] = {brRefused, brNoAnswer, brGone, brBadLength};
    for (TBlockResult reason : reasons) {
        Fixture f;
        f.setup.ProgStart = 0xC00;
        f.setup.MemSize = 0xD00;
        const Bytes data = pattern(0x100, 1);
        std::copy(data.begin(), data.end(), f.dev.flash.begin() + 0xC00);
        f.dev.fault = [reason](size_t, uint8_t cmd, const Bytes& p) {
            return cmd == 3 && word(p) == 0xC80 ? reason : brOk;
        };
        const auto rep = f.run(tkReadFLASH);
        EXPECT_FALSE(rep.Ok);
        EXPECT_EQ(rep.Transfer.Reason, reason);
        EXPECT_EQ(rep.Message, QStringLiteral("Ошибка чтения из FLASH\r\nпо адресу 0x0C80"));
        EXPECT_EQ(Bytes(f.flashBuf.begin(), f.flashBuf.begin() + 0x80), Bytes(data.begin(), data.begin() + 0x80));
        EXPECT_EQ(f.flashBuf[0x80], 0xFF);
    }
}

// No region is a failure before anything is sent (not a "done" after nothing moved); a program
// region may start at 0.
TEST(Transfer, NoReportedRegionFailsBeforeAnythingIsSent)
{
    for (TTransferKind kind : {tkReadFLASH, tkWriteFLASH, tkCompareFLASH}) {
        SCOPED_TRACE(int(kind));
        Fixture f;
        f.setup.ProgStart = 0x8000;
        f.setup.MemSize = 0x8000;
        const auto rep = f.run(kind);
        EXPECT_FALSE(rep.Ok);
        EXPECT_TRUE(f.dev.log.empty());
        EXPECT_EQ(rep.Message, QStringLiteral("Устройство не сообщило область памяти программы!"));
    }
    for (TTransferKind kind : {tkReadExtMem, tkWriteExtMem, tkReadAT45}) {
        SCOPED_TRACE(int(kind));
        Fixture f;
        f.setup.ProgStart = 0;
        f.setup.MemSize = 0;
        f.setup.PageList = {1};
        EXPECT_FALSE(f.run(kind).Ok);
        EXPECT_TRUE(f.dev.log.empty());
    }
    Fixture f;
    f.setup.ProgStart = 0;
    f.setup.MemSize = 0x80;
    EXPECT_TRUE(f.run(tkReadFLASH).Ok);
    EXPECT_EQ(f.dev.commands(), (std::vector<uint8_t>{5, 3, 3}));
}

TEST(Transfer, RefusedPrepareCommandSendsNothingElse)
{
    Fixture f;
    f.dev.fault = [](size_t, uint8_t cmd, const Bytes&) { return cmd == 5 ? brRefused : brOk; };
    const auto rep = f.run(tkWriteFLASH);
    EXPECT_FALSE(rep.Ok);
    EXPECT_TRUE(rep.PrepareRefused);
    EXPECT_EQ(f.dev.log.size(), 1u);
    EXPECT_EQ(rep.Message, QStringLiteral("Команда не принята!"));
}

// The commands around a FLASH write are part of it: refused or unanswered, the write has failed,
// and the message tells which command and how. A failed erase sends no block at all.
TEST(Transfer, FailedCommandAroundAFlashWriteFailsTheWrite)
{
    struct Case {
        uint8_t cmd;
        TBlockResult reason;
        std::vector<uint8_t> sent;
        const char* message;
    };
    const Case cases[] = {
        {6, brRefused, {5, 6}, "Команда перед записью (06 FF) не принята устройством!\r\nFLASH не записывалась."},
        {6, brNoAnswer, {5, 6}, "Команда перед записью (06 FF) осталась без ответа!\r\nFLASH не записывалась."},
        {7,
         brRefused,
         {5, 6, 4, 4, 4, 4, 6},
         "Команда после записи (06 47) не принята устройством!\r\nЗапись FLASH не завершена."},
        {7,
         brGone,
         {5, 6, 4, 4, 4, 4, 6},
         "Команда после записи (06 47) не выполнена: устройство отключилось!\r\nЗапись FLASH не завершена."},
        {5, brNoAnswer, {5}, "Команда 05 осталась без ответа!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Fixture f;
        f.setup.ProgStart = 0xC00;
        f.setup.MemSize = 0xD00;
        f.setup.DeviceMode = mBootloader60;
        // 7 stands for the command after the write (06 47), 6 for the one before it (06 FF).
        f.dev.fault = [&c](size_t, uint8_t cmd, const Bytes& p) {
            const bool post = cmd == 6 && p == Bytes{0x47};
            const bool pre = cmd == 6 && p == Bytes{0xFF};
            const bool hit = c.cmd == 7 ? post : c.cmd == 6 ? pre : cmd == c.cmd;
            return hit ? c.reason : brOk;
        };
        const auto rep = f.run(tkWriteFLASH);
        EXPECT_FALSE(rep.Ok);
        EXPECT_EQ(f.dev.commands(), c.sent);
        EXPECT_EQ(rep.Message, QString::fromUtf8(c.message));
        EXPECT_EQ(rep.PreWriteFailed, c.cmd == 6);
        EXPECT_EQ(rep.PostWriteFailed, c.cmd == 7);
    }
}

TEST(Transfer, DeclinedConfirmationSendsNothing)
{
    Fixture f;
    QString asked;
    f.hooks.Confirm = [&](const QString& q) {
        asked = q;
        return false;
    };
    int paused = 0, resumed = 0;
    f.hooks.PausePresence = [&] { ++paused; };
    f.hooks.ResumePresence = [&] { ++resumed; };
    EXPECT_TRUE(f.run(tkWriteExtMem).Declined);
    EXPECT_EQ(asked, QStringLiteral("Записать данные из буфера в Ext Mem?"));
    EXPECT_TRUE(f.dev.log.empty());
    EXPECT_EQ(paused, 1);
    EXPECT_EQ(resumed, 1);
}

// Every byte of the range moves; bytes of an edge block outside it are the device's own.
TEST(Transfer, ExternalMemoryEdgesAreReadAndWrittenAroundTheDevicesBytes)
{
    struct Case {
        TTransferKind kind;
        uint32_t ext, addr, count;
        uint16_t block;
        std::vector<Request> expected;  // payload of 18: number only, data checked below
    };
    const Case cases[] = {
        // Ext 1000 with 256-byte blocks: blocks 0..2 whole, then block 3 of which 232 bytes count.
        {tkReadExtMem, 1000, 0, 0, 256, {{17, {0, 0}}, {17, {0, 1}}, {17, {0, 2}}, {17, {0, 3}}}},
        // 10 bytes at 512: read block 2, write it back with the new bytes in front.
        {tkWriteExtMemPart, 0x8000, 512, 10, 256, {{17, {0, 2}}, {18, {0, 2}}}},
        // A range inside one block that starts off the boundary.
        {tkWriteExtMemPart, 0x8000, 300, 10, 256, {{17, {0, 1}}, {18, {0, 1}}}},
        // 32-byte blocks: block numbers count 32-byte blocks.
        {tkReadExtMemPart, 0x8000, 64, 64, 32, {{17, {0, 2}}, {17, {0, 3}}}},
        {tkWriteExtMem, 100, 0, 0, 32, {{18, {0, 0}}, {18, {0, 1}}, {18, {0, 2}}, {17, {0, 3}}, {18, {0, 3}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.kind));
        Fixture f;
        f.dev.extBlock = c.block;
        f.dev.ext = pattern(0x40000, 5);
        const Bytes before = f.dev.ext;
        const Bytes mine = pattern(0x40000, 77);
        if (c.kind == tkWriteExtMem || c.kind == tkWriteExtMemPart)
            f.extBuf = mine;
        f.setup.Ext = c.ext;
        f.setup.ExtBlockSize = c.block;
        ASSERT_TRUE(f.run(c.kind, c.addr, c.count).Ok);
        ASSERT_EQ(f.dev.log.size(), c.expected.size());
        for (size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(f.dev.log[i].cmd, c.expected[i].cmd) << i;
            EXPECT_EQ(Bytes(f.dev.log[i].payload.begin(), f.dev.log[i].payload.begin() + 2), c.expected[i].payload)
                << i;
        }
        const uint32_t from = c.kind == tkReadExtMem || c.kind == tkWriteExtMem ? 0 : c.addr;
        const uint32_t to = c.kind == tkReadExtMem || c.kind == tkWriteExtMem ? c.ext : c.addr + c.count;
        for (uint32_t i = 0; i < 0x2000; ++i) {
            const bool inside = i >= from && i < to;
            if (c.kind == tkReadExtMem || c.kind == tkReadExtMemPart)
                ASSERT_EQ(f.extBuf[i], inside ? before[i] : 0xFF) << i;
            else
                ASSERT_EQ(f.dev.ext[i], inside ? mine[i] : before[i]) << i;
        }
    }
}

TEST(Transfer, ExternalCompareCoversTheTailToo)
{
    Fixture f;
    f.dev.ext = pattern(0x40000, 5);
    f.extBuf = f.dev.ext;
    f.setup.Ext = 1000;
    EXPECT_TRUE(f.run(tkCompareExtMem).Ok);
    f.extBuf[990] ^= 0xFF;
    f.extBuf[1010] ^= 0xFF;  // beyond Ext: not compared
    const auto rep = f.run(tkCompareExtMem);
    EXPECT_EQ(rep.Transfer.FailAddr, 990);
    EXPECT_EQ(rep.Message, QStringLiteral("Несовпадение данных по адресу 0x03DE"));
}

TEST(Transfer, NeverReachesOutsideTheImages)
{
    // Unaligned region into an image exactly as long as the region; memory larger than the image.
    Fixture f;
    Bytes small(0x40, 0xEE);
    f.setup.FlashBuf = small;
    f.setup.ProgStart = 0xC10;
    f.setup.MemSize = 0xC50;
    f.dev.flash = pattern(0x10000, 2);
    ASSERT_TRUE(f.run(tkReadFLASH).Ok);
    EXPECT_EQ(small, Bytes(f.dev.flash.begin() + 0xC10, f.dev.flash.begin() + 0xC50));
    EXPECT_EQ(f.dev.commands(), (std::vector<uint8_t>{5, 3, 3}));

    // What the image cannot hold is not moved, and that is a failure at its first address.
    Fixture g;
    g.setup.Ext = 0x80000;
    Bytes ext(0x1000, 0);
    g.setup.ExtMemBuf = ext;
    auto rep = g.run(tkReadExtMem);
    EXPECT_EQ(rep.Transfer.Reason, brOutside);
    EXPECT_EQ(rep.Message, QStringLiteral("Ошибка чтения из Ext Mem\r\nпо адресу 0x1000"));
    EXPECT_EQ(g.dev.log.size(), 0x1000u / 256);

    // Block addresses are 16-bit: a region past 0xFFFF stops there.
    Fixture r;
    r.setup.ProgStart = 0xFF80;
    r.setup.MemSize = 0x10100;
    rep = r.run(tkReadFLASH);
    EXPECT_EQ(rep.Transfer.Reason, brOutside);
    EXPECT_EQ(rep.Transfer.FailAddr, 0x10000);
    EXPECT_EQ(r.dev.commands(), (std::vector<uint8_t>{5, 3, 3}));

    // A page that the route image does not hold fails at its list position without an exchange.
    Fixture h;
    Bytes route(528 * 4, 0);
    h.setup.RouteImage = route;
    h.setup.PageList = {1, 3, 4};
    rep = h.run(tkReadAT45);
    EXPECT_EQ(rep.Transfer.Reason, brOutside);
    EXPECT_EQ(rep.Transfer.FailAddr, 2 * 528);
    EXPECT_EQ(h.dev.log.size(), 2u);
}

TEST(Transfer, AT45FailureIsReportedAtTheListPosition)
{
    Fixture f;
    f.setup.PageList = {100, 7, 300, 5};
    f.dev.at45 = pattern(8192 * 528, 4);
    f.dev.fault = [](size_t, uint8_t cmd, const Bytes& p) { return cmd == 20 && word(p) == 300 ? brNoAnswer : brOk; };
    const auto rep = f.run(tkWriteAT45);
    EXPECT_EQ(rep.Message, QStringLiteral("Ошибка записи в AT45 Mem\r\nпо адресу 0x000420"));
    EXPECT_EQ(f.dev.commands(), (std::vector<uint8_t>{20, 20, 20}));

    f.dev.fault = nullptr;
    ASSERT_TRUE(f.run(tkReadAT45).Ok);
    for (uint16_t p : f.setup.PageList)
        EXPECT_EQ(Bytes(f.route.begin() + p * 528, f.route.begin() + (p + 1) * 528),
                  Bytes(f.dev.at45.begin() + p * 528, f.dev.at45.begin() + (p + 1) * 528));
}

// The block that was exchanged when the cancel came is not stored; no message follows.
TEST(Transfer, CancelStopsAfterTheExchangeInHand)
{
    Fixture f;
    f.setup.ProgStart = 0xC00;
    f.setup.MemSize = 0x1000;
    f.dev.flash = pattern(0x10000, 8);
    std::vector<int32_t> positions;
    f.hooks.RunProgress = [&](TProgressThread& t) {
        t.OnProgress = [&](int32_t pos) {
            positions.push_back(pos);
            if (pos == 0xC80 / 64)
                t.Cancel();
        };
        t.Start();
    };
    const auto rep = f.run(tkReadFLASH);
    EXPECT_FALSE(rep.Ok);
    EXPECT_EQ(rep.Transfer.Outcome, TTransferOutcome::Cancelled);
    EXPECT_EQ(rep.Transfer.FailAddr, -1);
    EXPECT_TRUE(f.boxes.empty());
    EXPECT_EQ(positions, (std::vector<int32_t>{0xC00 / 64, 0xC40 / 64, 0xC80 / 64}));
    EXPECT_EQ(f.dev.commands(), (std::vector<uint8_t>{5, 3, 3, 3, 3}));
    EXPECT_EQ(Bytes(f.flashBuf.begin(), f.flashBuf.begin() + 0xC0),
              Bytes(f.dev.flash.begin() + 0xC00, f.dev.flash.begin() + 0xCC0));
    EXPECT_EQ(f.flashBuf[0xC0], 0xFF);
}

// An exception inside the thread still ends the transfer (state 1) with the kind's message.
TEST(Transfer, ExceptionInTheThreadEndsTheTransferWithAMessage)
{
    Fixture f;
    f.setup.Ext = 0x1000;
    f.dev.fault = [](size_t i, uint8_t, const Bytes&) -> TBlockResult {
        if (i == 2)
            throw std::runtime_error("boom");
        return brOk;
    };
    bool finishedInHook = false;
    f.hooks.RunProgress = [&](TProgressThread& t) {
        t.Start();
        ASSERT_TRUE(t.Wait(5000));
        finishedInHook = t.Finished();
    };
    const auto rep = f.run(tkReadExtMem);
    EXPECT_TRUE(finishedInHook);
    EXPECT_EQ(rep.Transfer.Reason, brError);
    EXPECT_EQ(rep.Transfer.ErrorText, QStringLiteral("boom"));
    EXPECT_EQ(rep.Message, QStringLiteral("Ошибка чтения из Ext Mem\r\nпо адресу 0x0200"));
}

TEST(Transfer, ProgressViewFormatsPercentRateAndCounters)
{
    TTransferShared s;
    s.BarMin = 10;
    s.BarMax = 20;
    s.Position = 15;
    s.BytesDone = 12345;
    const TProgressView v = MakeProgressView(s, 1000, 42, 3);
    EXPECT_EQ(v.PercentText, QStringLiteral("50%"));
    EXPECT_EQ(v.RateText, QStringLiteral("12.35 KB/s"));
    EXPECT_EQ(v.SendPackets, QStringLiteral("42"));
    EXPECT_EQ(v.BadPackets, QStringLiteral("3"));
    s.BarMax = 10;  // a single block
    s.Position = 10;
    EXPECT_EQ(MakeProgressView(s, 0, 0, 0).PercentText, QStringLiteral("0%"));
}

}  // namespace

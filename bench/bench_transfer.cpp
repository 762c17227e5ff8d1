// Transfer throughput against the simulator over a pty: the engine path zevanta-cli uses
// (StartTransfer → transfer thread → PutCMD), and the link layer alone. Prints figures only.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "link/zeva16.h"
#include "link/zevaframe.h"
#include "memory/images.h"
#include "memory/transferrun.h"
#include "sim/firmwaredevice.h"
#include "sim/simbus.h"

namespace {

using namespace zeva::sim;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

constexpr uint16_t kAddr = 0x0123;
constexpr uint32_t kStart = 0x1000;
constexpr uint32_t kFirmware = 32 * 1024;

size_t wireBytes(uint16_t addr, uint8_t cmd, const Bytes& payload)
{
    return zeva::encodeFrame(addr, cmd, payload).size();
}

// Times every exchange of the engine and subtracts what the line itself needs, so the figures show
// where the rest goes: inside the exchange (host and simulator wake-ups, pacing) or in the loop.
class TimingLink : public TTransferLink {
public:
    TimingLink(TTransferLink& inner, uint32_t baud) : FInner(inner), FBaud(baud) {}
    TBlockResult Exchange(uint8_t cmd, std::span<const uint8_t> payload, std::span<const uint8_t>& answer) override
    {
        const auto t0 = Clock::now();
        const TBlockResult r = FInner.Exchange(cmd, payload, answer);
        if (cmd != 3 && cmd != 4)
            return r;  // only the block frames of the loop
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
        const size_t wire = wireBytes(kAddr, cmd, Bytes(payload.begin(), payload.end())) +
                            wireBytes(kAddr, 0x33, Bytes(answer.begin(), answer.end()));
        inside += us;
        extra.push_back(us - double(wire) * 10e6 / FBaud);
        return r;
    }
    double inside = 0;          // µs spent in exchanges
    std::vector<double> extra;  // µs per exchange beyond its wire time

private:
    TTransferLink& FInner;
    uint32_t FBaud;
};

double percentile(std::vector<double> v, double q)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[size_t(q * double(v.size() - 1))];
}

struct Rig {
    SimBus bus;
    FirmwareDevice* dev = nullptr;
    std::unique_ptr<TZEVA16> link;

    Rig()
    {
        FirmwareConfig cfg;
        cfg.mcu = 4;  // 64 KiB of program memory, application from 0x1000
        dev = &bus.emplace<FirmwareDevice>(kAddr, cfg);
        std::string why;
        if (!bus.start(&why)) {
            std::fprintf(stderr, "simulator: %s\n", why.c_str());
            std::exit(1);
        }
        link = std::make_unique<TZEVA16>(uint8_t(PortMap::AliasFor(bus.slavePath())), 115200, 120, 16384);
        if (link->Error() == errNotOpenPort) {
            std::fprintf(stderr, "cannot open %s\n", bus.slavePath().c_str());
            std::exit(1);
        }
    }
    ~Rig() { bus.stop(); }
};

// Runs one kind through StartTransfer and reports the block loop's time against the wire.
void engineRun(Rig& rig, TMemoryImage& image, TTransferKind kind, uint32_t baud)
{
    TTransferSetup setup;
    setup.ProgStart = kStart;
    setup.MemSize = kStart + kFirmware;
    setup.DeviceMode = mBootloader51;
    setup.FlashBuf = image.Span();
    // The exact bytes on the line for every block frame and its answer, stuffing included.
    size_t wire = 0;
    for (uint32_t a = kStart; a < kStart + kFirmware; a += 64) {
        const Bytes addr{uint8_t(a >> 8), uint8_t(a)};
        Bytes block(image.Data() + (a - kStart), image.Data() + (a - kStart) + 64);
        if (kind == tkWriteFLASH) {
            Bytes req = addr;
            req.insert(req.end(), block.begin(), block.end());
            wire += wireBytes(kAddr, 4, req) + wireBytes(kAddr, 0x33, {});
        } else {
            wire += wireBytes(kAddr, 3, {addr[0], addr[1], 64}) + wireBytes(kAddr, 0x33, block);
        }
    }
    int64_t loopUs = 0;
    TTransferHooks hooks;
    hooks.RunProgress = [&](TProgressThread& t) {
        const auto t0 = Clock::now();
        t.Start();
        t.Wait();
        loopUs = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0).count();
    };
    TZevaTransferLink zl(*rig.link, kAddr);
    TimingLink tl(zl, baud);
    const auto t0 = Clock::now();
    const TTransferReport rep = StartTransfer(tl, setup, kind, false, 0, 0, hooks);
    const double totalMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    const double loopS = double(loopUs) / 1e6;
    const double wireS = double(wire) * 10.0 / baud;
    const double kbs = kFirmware / loopS / 1000.0;
    const double limit = kFirmware / wireS / 1000.0;
    std::printf(
        "  %-16s %s  %6.2f KB/s payload, wire limit %6.2f KB/s -> %5.1f %%  "
        "(%zu wire bytes, loop %.0f ms, with commands 5/6 %.0f ms, frames %llu, bad %llu)\n",
        TransferCaption(kind).toUtf8().constData(), rep.Ok ? "ok  " : "FAIL", kbs, limit, 100.0 * kbs / limit, wire,
        loopS * 1000.0, totalMs, (unsigned long long)SendPackets.load(), (unsigned long long)BadPackets.load());
    std::printf(
        "  %-16s      per frame beyond the wire: median %.0f us, 90th %.0f us, max %.0f us; "
        "outside the exchanges %.1f ms in all\n",
        "", percentile(tl.extra, 0.5), percentile(tl.extra, 0.9), percentile(tl.extra, 1.0),
        (double(loopUs) - tl.inside) / 1000.0);
}

// PutCMD round trips for one 64-byte FLASH block write.
void linkRun(Rig& rig, uint32_t baud, int rounds)
{
    Bytes req{0x20, 0x00};
    for (int i = 0; i < 64; ++i)
        req.push_back(uint8_t(0x30 + i));  // no byte that needs stuffing
    const size_t wire = wireBytes(kAddr, 4, req) + wireBytes(kAddr, 0x33, {});
    int ok = 0;
    const auto t0 = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        rig.link->StartZEVA(kAddr, 4);
        for (uint8_t b : req)
            rig.link->AddByte(b);
        ok += rig.link->PutCMD();
    }
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    const double perSec = rounds / s;
    if (baud == 0) {
        std::printf("  no pacing:  %8.0f round trips/s (%.1f us each, %d/%d accepted)\n", perSec, 1e6 / perSec, ok,
                    rounds);
    } else {
        const double limit = double(baud) / 10.0 / double(wire);
        std::printf("  %7u Bd:  %8.1f round trips/s, wire limit %.1f/s (%zu bytes) -> %5.1f %% (%d/%d accepted)\n",
                    baud, perSec, limit, wire, 100.0 * perSec / limit, ok, rounds);
    }
}

}  // namespace

int main()
{
    Rig rig;
    std::mt19937 rnd(1859);
    TMemoryImage firmware;
    for (uint32_t i = 0; i < kFirmware; ++i)
        firmware[i] = uint8_t(rnd());

    std::printf("Write and verify a 32 KiB firmware, 64-byte blocks, through StartTransfer:\n");
    for (uint32_t baud : {115200u, 921600u}) {
        rig.bus.setBaud(baud);
        std::printf(" simulator paced at %u Bd\n", baud);
        engineRun(rig, firmware, tkWriteFLASH, baud);
        engineRun(rig, firmware, tkCompareFLASH, baud);
    }

    std::printf("Link layer alone, PutCMD of a 64-byte FLASH block write (command 4):\n");
    rig.bus.setBaud(0);
    linkRun(rig, 0, 3000);
    rig.bus.setBaud(115200);
    linkRun(rig, 115200, 300);
    return 0;
}

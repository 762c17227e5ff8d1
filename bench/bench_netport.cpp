// A FLASH write and compare through network ports: ser2net on 127.0.0.1 in front of the
// simulator's pty (raw tcp:// and rfc2217://), against the same run on the pty itself, and through
// a relay that delays each direction. Prints figures only.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include <QTemporaryDir>

#include "link/zeva16.h"
#include "link/zevaframe.h"
#include "memory/images.h"
#include "memory/transferrun.h"
#include "sim/firmwaredevice.h"
#include "sim/netservers.h"
#include "sim/simbus.h"

namespace {

using namespace zeva::sim;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

constexpr uint16_t kAddr = 0x0123;
constexpr uint32_t kStart = 0x1000;
constexpr uint32_t kImage = 30 * 1024;
constexpr uint32_t kBaud = 115200;
constexpr int kRuns = 3;

// Bytes on the line of every block frame and its answer of a write and of a compare, stuffing included.
size_t wireBytes(const TMemoryImage& image)
{
    size_t wire = 0;
    for (uint32_t a = kStart; a < kStart + kImage; a += 64) {
        const Bytes addr{uint8_t(a >> 8), uint8_t(a)};
        const Bytes block(image.Data() + (a - kStart), image.Data() + (a - kStart) + 64);
        Bytes req = addr;
        req.insert(req.end(), block.begin(), block.end());
        wire += zeva::encodeFrame(kAddr, 4, req).size() + zeva::encodeFrame(kAddr, 0x33, Bytes{}).size();
        wire += zeva::encodeFrame(kAddr, 3, Bytes{addr[0], addr[1], 64}).size() +
                zeva::encodeFrame(kAddr, 0x33, block).size();
    }
    return wire;
}

// Seconds for a write and a compare through the port named, best of kRuns; 0 when it failed.
double writeAndCompare(const std::string& port, TMemoryImage& image, uint32_t* roundTripMs = nullptr)
{
    TZEVA16 link(uint8_t(PortMap::AliasFor(port)), kBaud, 120, 16384);
    if (link.Error() != errNoError) {
        std::fprintf(
            stderr, "%s: %s\n", port.c_str(),
            PortOpenFailureText(link.PortNumber(), port, link.OpenFailure(), link.OpenErrno()).toUtf8().constData());
        return 0;
    }
    if (roundTripMs)
        *roundTripMs = link.RoundTripMs();
    TTransferSetup setup;
    setup.ProgStart = kStart;
    setup.MemSize = kStart + kImage;
    setup.DeviceMode = mBootloader51;
    setup.FlashBuf = image.Span();
    double best = 0;
    for (int run = 0; run < kRuns; ++run) {
        TZevaTransferLink zl(link, kAddr);
        const auto t0 = Clock::now();
        const bool ok = StartTransfer(zl, setup, tkWriteFLASH, false, 0, 0, {}).Ok &&
                        StartTransfer(zl, setup, tkCompareFLASH, false, 0, 0, {}).Ok;
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        if (!ok)
            return 0;
        best = run == 0 ? s : std::min(best, s);
    }
    return best;
}

}  // namespace

int main()
{
    SimBus bus;
    FirmwareConfig cfg;
    cfg.mcu = 4;  // 64 KiB of program memory, application from 0x1000
    bus.emplace<FirmwareDevice>(kAddr, cfg);
    bus.setBaud(kBaud);
    std::string why;
    QTemporaryDir dir;
    Ser2netServer server;
    if (!bus.start(&why) || !server.start(bus.slavePath(), dir.path().toStdString(), &why)) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return 1;
    }
    std::mt19937 rnd(1859);
    TMemoryImage image;
    for (uint32_t i = 0; i < kImage; ++i)
        image[i] = uint8_t(rnd());
    const uint32_t blocks = kImage / 64;
    const double wireS = double(wireBytes(image)) * 10.0 / kBaud;

    std::printf("FLASH write + compare of %u KiB (%u blocks each way), simulator paced at %u Bd, best of %d:\n",
                kImage / 1024, blocks, kBaud, kRuns);
    std::printf("  wire time alone                 %7.3f s\n", wireS);
    const double direct = writeAndCompare(bus.slavePath(), image);
    std::printf("  pty directly                    %7.3f s\n", direct);
    // ser2net holds the device for a while after a connection of the other accepter ended, so
    // each kind of port gets a server of its own.
    auto restart = [&] {
        server.kill();
        if (!server.start(bus.slavePath(), dir.path().toStdString(), &why)) {
            std::fprintf(stderr, "%s\n", why.c_str());
            std::exit(1);
        }
    };
    for (const bool telnet : {false, true}) {
        restart();
        const std::string port = telnet ? server.telnetUrl() : server.rawUrl();
        uint32_t rtt = 0;
        const double s = writeAndCompare(port, image, &rtt);
        std::printf("  %-30s  %7.3f s  speed %.3f x the pty (round trip %u ms)\n", port.c_str(), s,
                    s > 0 ? direct / s : 0.0, rtt);
    }

    for (const int delayMs : {20}) {
        restart();
        DelayRelay relay(server.telnetPort(), delayMs);
        const std::string port = "rfc2217://127.0.0.1:" + std::to_string(relay.port());
        uint32_t rtt = 0;
        const double s = writeAndCompare(port, image, &rtt);
        // Each of the 2 × blocks exchanges pays its wire time and one round trip.
        const double expected = wireS + 2.0 * blocks * (2.0 * delayMs / 1000.0);
        std::printf(
            "  relay %d ms each way (round trip measured %u ms): %7.3f s, "
            "blocks x (wire + round trip) = %.3f s -> %+.1f %%\n",
            delayMs, rtt, s, expected, s > 0 ? 100.0 * (s - expected) / expected : 0.0);
    }
    server.kill();
    bus.stop();
    return 0;
}

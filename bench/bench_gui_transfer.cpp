// A 32 KiB firmware written and verified through the window's path (StartTransfer of the main
// window → modal progress window offscreen → transfer thread → progress steps handed to the main
// thread) against the simulator pacing its line at 115200 and 921600 baud. Prints the payload
// rate against the wire limit for 64-byte blocks, and what the progress display costs per block
// on the main thread. Asserts nothing.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "link/zeva16.h"
#include "link/zevaframe.h"
#include "support/guibench.h"

#ifdef ZEVANTA_BENCH_GUI
#include "memory/ui/frmprogress.h"
#endif

namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint16_t kAddr = 0x0123;
constexpr uint32_t kStart = 0x1000;
constexpr uint32_t kFirmware = 32 * 1024;

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Bytes on the line for the block frames and their answers, stuffing included.
size_t wireBytes(const TMemoryImage& image, bool write)
{
    size_t wire = 0;
    for (uint32_t a = kStart; a < kStart + kFirmware; a += 64) {
        const Bytes block(image.Data() + (a - kStart), image.Data() + (a - kStart) + 64);
        if (write) {
            Bytes req(2 + block.size());
            req[0] = uint8_t(a >> 8);
            req[1] = uint8_t(a);
            std::copy(block.begin(), block.end(), req.begin() + 2);
            wire += zeva::encodeFrame(kAddr, 4, req).size() + zeva::encodeFrame(kAddr, 0x33, {}).size();
        } else {
            const Bytes req{uint8_t(a >> 8), uint8_t(a), 64};
            wire += zeva::encodeFrame(kAddr, 3, req).size() + zeva::encodeFrame(kAddr, 0x33, block).size();
        }
    }
    return wire;
}

}  // namespace

int main(int argc, char** argv)
{
#ifndef ZEVANTA_BENCH_GUI
    (void)argc;
    (void)argv;
    return benchsupport::WithoutGui("bench_gui_transfer");
#else
    benchsupport::TGuiBench gui(argc, argv);
    benchsupport::YesService& answers = gui.answers;
    benchsupport::TSimFirmware sim(kAddr, 4);  // 64 KiB of program memory, application from 0x1000
    if (!sim.Start())
        return 1;
    benchsupport::TFlashBench bench(sim.Session, kStart, kFirmware);
    TMemoryImage& flash = bench.Flash;
    for (uint32_t i = 0; i < kFirmware; i += 1024)  // some erased blocks, as real firmware has
        std::fill(flash.Data() + i + 512, flash.Data() + i + 576, uint8_t(0xFF));
    bench.Window.setWindowTitle(QStringLiteral("Zevanta"));

    const uint32_t blocks = kFirmware / 64;
    std::printf("GUI transfer path, %u KiB firmware in %u blocks of 64 bytes, progress window offscreen\n",
                kFirmware / 1024, blocks);
    for (uint32_t baud : {115200u, 921600u}) {
        if (!sim.Open(baud))
            return 1;
        std::printf("%u baud:\n", baud);
        for (TTransferKind kind : {tkWriteFLASH, tkCompareFLASH}) {
            answers.last.clear();
            const double cpu0 = threadCpuMs();
            const auto t0 = std::chrono::steady_clock::now();
            const bool ok = StartTransfer(bench.Ctx, kind, true, 0, 0);
            const double wallMs =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            const double cpuMs = threadCpuMs() - cpu0;
            sim.Session.PausePresence();  // StartTransfer resumed it; keep the line to ourselves
            const TfrmProgress::Stats st = TfrmProgress::LastStats();
            const double loopS = double(st.lastStepNs) / 1e9;
            const double wireS = double(wireBytes(flash, kind == tkWriteFLASH)) * 10.0 / baud;
            const double kbs = kFirmware / loopS / 1000.0;
            const double limit = kFirmware / wireS / 1000.0;
            std::printf(
                "  %-16s %s %6.2f KB/s payload, wire limit %6.2f KB/s -> %5.1f %%  (loop %.0f ms, "
                "whole StartTransfer with window %.0f ms%s)\n",
                TransferCaption(kind).toUtf8().constData(), ok ? "ok  " : "FAIL", kbs, limit, 100.0 * kbs / limit,
                loopS * 1000.0, wallMs, answers.last.isEmpty() ? "" : (", box: " + answers.last.toStdString()).c_str());
            std::printf(
                "  %-16s      progress display on the main thread: %lld steps, mean %.1f us, longest %.1f us; "
                "main-thread CPU %.1f us per block in all; the transfer thread waits %.1f us per step\n",
                "", (long long)st.calls, st.calls ? double(st.totalNs) / double(st.calls) / 1000.0 : 0.0,
                double(st.longestNs) / 1000.0, cpuMs * 1000.0 / blocks,
                st.calls ? double(st.threadWaitNs) / double(st.calls) / 1000.0 : 0.0);
        }
        const auto back = sim.Dev->readFlash(kStart, kFirmware);
        if (!std::equal(back.begin(), back.end(), flash.Data()))
            std::printf("  the device does not hold the image!\n");
    }
    return 0;
#endif
}

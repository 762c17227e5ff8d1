// The bus monitor's cost. First a 32 KiB firmware written through the window's path against the
// simulator at 115200 baud, with the monitor closed and with it open and showing (offscreen),
// alternating; then the program's memory as a million frames and more pass through the monitor.
// Prints the figures; asserts nothing.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "support/guibench.h"

#ifdef ZEVANTA_BENCH_GUI
#include <QTableView>

#include "app/busmonitormodel.h"
#include "app/ui/frmbusmonitor.h"
#include "memory/ui/frmprogress.h"
#endif

namespace {

constexpr uint16_t kAddr = 0x0123;
constexpr uint32_t kStart = 0x1000;
constexpr uint32_t kFirmware = 32 * 1024;

// Resident and peak resident memory of this process, in MiB.
std::pair<double, double> residentMiB()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    double rss = 0, hwm = 0;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            rss = std::stod(line.substr(6)) / 1024.0;
        if (line.rfind("VmHWM:", 0) == 0)
            hwm = std::stod(line.substr(6)) / 1024.0;
    }
    return {rss, hwm};
}

}  // namespace

int main(int argc, char** argv)
{
#ifndef ZEVANTA_BENCH_GUI
    (void)argc;
    (void)argv;
    return benchsupport::WithoutGui("bench_monitor");
#else
    benchsupport::TGuiBench gui(argc, argv);
    const auto [rss0, hwm0] = residentMiB();

    benchsupport::TSimFirmware sim(kAddr, 4);
    if (!sim.Start() || !sim.Open(115200))
        return 1;
    benchsupport::TFlashBench bench(sim.Session, kStart, kFirmware);
    DeviceSession& session = sim.Session;

    TfrmBusMonitor monitor(&session.Frames());
    std::printf("FLASH write, %u KiB at 115200 baud through the window's path, transfer loop time:\n",
                kFirmware / 1024);
    double sum[2] = {0, 0};
    const int rounds = 4;
    for (int round = 0; round < rounds; ++round)
        for (int open = 0; open < 2; ++open) {
            if (open) {
                monitor.show();
            } else {
                monitor.hide();
                monitor.Model().Clear();
            }
            QApplication::processEvents();
            const bool ok = StartTransfer(bench.Ctx, tkWriteFLASH, true, 0, 0);
            session.PausePresence();
            monitor.Flush();
            const double s = double(TfrmProgress::LastStats().lastStepNs) / 1e9;
            sum[open] += s;
            std::printf("  monitor %-6s %s %.3f s  (%zu rows listed)\n", open ? "open" : "closed", ok ? "ok  " : "FAIL",
                        s, monitor.Model().Log().Total());
        }
    const double closed = sum[0] / rounds, opened = sum[1] / rounds;
    std::printf("  mean: closed %.3f s, open %.3f s -> speed with the monitor open %.3f x of closed\n", closed, opened,
                closed / opened);
    monitor.hide();
    sim.Stop();

    // Memory: attempts of presence polling and of a FLASH write, pushed as the link's thread
    // would, taken by the list in batches as its timer does, the window shown.
    monitor.Model().Clear();
    monitor.show();
    QApplication::processEvents();
    const auto [rssStart, hwmStart] = residentMiB();
    std::printf("memory (VmRSS): at start of the program %.1f MiB; with the monitor shown %.1f MiB\n", rss0, rssStart);
    (void)hwm0;
    (void)hwmStart;
    TFrameEvent poll, write;
    poll.Addr = write.Addr = kAddr;
    poll.Cmd = 113;
    poll.Outcome = TFrameOutcome::Accepted;
    poll.Answer.assign(41, 0x5A);
    write.Cmd = 4;
    write.Outcome = TFrameOutcome::Accepted;
    write.Payload.assign(66, 0xA5);
    uint64_t frames = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (uint64_t target : {1000000ull, 2000000ull, 4000000ull}) {
        while (frames < target) {
            for (int i = 0; i < 2000; ++i) {
                TFrameEvent& e = (frames / 2) % 3 ? poll : write;
                e.Sent = std::chrono::steady_clock::now();
                e.Done = e.Sent + std::chrono::milliseconds(7);
                session.Frames().Push(e, "COM97");
                frames += 2;
            }
            monitor.Flush();
            QApplication::processEvents();
        }
        const auto [rss, hwm] = residentMiB();
        std::printf(
            "  after %7llu frames: %.1f MiB (%+.1f MiB over the program's start, %+.1f over the empty "
            "monitor), peak %.1f MiB; %zu rows kept\n",
            (unsigned long long)frames, rss, rss - rss0, rss - rssStart, hwm, monitor.Model().Log().Total());
    }
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("  list throughput: %.0f frames/s taken and shown on the main thread\n", double(frames) / secs);
    return 0;
#endif
}

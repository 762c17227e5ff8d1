// Presence polling: cycles per second, the longest display step on the main thread, and the
// CPU the otherwise idle program uses, with a responsive, a silent and a vanished device.
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "link/comport.h"
#include "link/devicesession.h"
#include "link/presencedisplay.h"
#include "link/regiontracker.h"
#include "sim/firmwaredevice.h"
#include "sim/simbus.h"

#ifdef ZEVANTA_BENCH_GUI
#include <QApplication>

#include "data/datamodule.h"
#include "data/ui/devicetab.h"
#else
#include <QCoreApplication>
#endif

namespace {

double cpuSeconds(int who)
{
    rusage ru{};
    getrusage(who, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

struct Figures {
    uint64_t cycles = 0;
    double seconds = 0;
    qint64 longestStepNs = 0;
    double meanStepNs = 0;
    double processCpu = 0;  // share of one core, simulator thread included
    double mainCpu = 0;     // share of one core, main thread only
};

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef ZEVANTA_BENCH_GUI
    QApplication app(argc, argv);
    TDM dm;  // not connected: the tab's list stays empty, only its display step is timed
#else
    QCoreApplication app(argc, argv);
#endif
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;

    zeva::sim::SimBus bus;
    zeva::sim::FirmwareConfig cfg;  // a first-generation application with external memory
    cfg.startInApplication = true;
    cfg.extSize = 0x8000;
    auto& device = bus.emplace<zeva::sim::FirmwareDevice>(uint16_t(2), cfg);
    zeva::sim::FirmwareConfig cfg6 = cfg;  // second generation: parameter grid of 8 rows
    cfg6.bootGeneration = cfg6.appGeneration = zeva::sim::Generation::Second;
    cfg6.bootVersion = 0x60;
    cfg6.appVersion = 0x61;
    bus.emplace<zeva::sim::FirmwareDevice>(uint16_t(3), cfg6);
    std::string error;
    if (!bus.start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }

    DeviceSession session;
    PortSettings ps;
    ps.Number = PortMap::AliasFor(bus.slavePath());
    ps.BaudRate = 115200;
    ps.RepCount = 3;
    ps.TimeOut = 120;
    const auto opened = session.OpenLink(ps);
    if (!opened.opened) {
        std::fprintf(stderr, "port: %s\n", qPrintable(opened.portError));
        return 1;
    }

#ifdef ZEVANTA_BENCH_GUI
    // The tab sends nothing here; it only needs a host to sit on.
    struct BenchHost : TPanelHost {
        DeviceSession session;
        DeviceSession& Session() override { return session; }
        void EnableDeviceControls(const QSet<int>&) override {}
        bool ShowTab(const QString&) override { return false; }
        QString ActiveTabName() const override { return {}; }
        QWidget* DialogParent() override { return nullptr; }
        void ShowStatusLine(const QString&) override {}
    } host;
    DeviceTab tab(host, dm);
    tab.resize(800, 500);
    tab.show();
    const char* stepKind = "view + DeviceTab + region";
#else
    const char* stepKind = "view + region (no widgets)";
#endif
    RegionTracker region;

    Figures f;
    qint64 totalStepNs = 0;
    uint64_t steps = 0;
    session.onDisplay = [&](const TDeviceInfo& info, const TParams& params) {
        QElapsedTimer t;
        t.start();
        const PresenceView view = MakePresenceView(info, params);
#ifdef ZEVANTA_BENCH_GUI
        tab.ShowPresence(view);
#endif
        region.Update(info);
        const qint64 ns = t.nsecsElapsed();
        f.longestStepNs = std::max(f.longestStepNs, ns);
        totalStepNs += ns;
        ++steps;
    };

    auto run = [&](const char* name, uint16_t addr) {
        f = Figures{};
        totalStepNs = 0;
        steps = 0;
        session.DevAddr = addr;
        const uint64_t c0 = session.PresenceCycles();
        const double p0 = cpuSeconds(RUSAGE_SELF), m0 = cpuSeconds(RUSAGE_THREAD);
        QElapsedTimer wall;
        wall.start();
        session.ResumePresence();
        // The main thread idles in its event loop, as the program does between user actions.
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        session.PausePresence();
        f.seconds = double(wall.nsecsElapsed()) / 1e9;
        f.cycles = session.PresenceCycles() - c0;
        f.meanStepNs = steps ? double(totalStepNs) / double(steps) : 0;
        f.processCpu = (cpuSeconds(RUSAGE_SELF) - p0) / f.seconds;
        f.mainCpu = (cpuSeconds(RUSAGE_THREAD) - m0) / f.seconds;
        std::printf(
            "%-38s %8.1f cycles/s  display step (%s): longest %7.1f us, mean %6.1f us  "
            "CPU: process %5.1f %%, main thread %5.1f %%\n",
            name, double(f.cycles) / f.seconds, stepKind, double(f.longestStepNs) / 1e3, f.meanStepNs / 1e3,
            100 * f.processCpu, 100 * f.mainCpu);
    };

    std::printf("presence polling, %d s per case, RepCount %d, TimeOut %d ms per byte\n", seconds, ps.RepCount,
                ps.TimeOut);
    bus.setBaud(0);
    run("responsive, first generation, unpaced", 2);
    run("responsive, second generation, unpaced", 3);
    bus.setBaud(115200);
    run("responsive, first gen, paced 115200 Bd", 2);
    run("responsive, second gen, paced 115200 Bd", 3);
    bus.setBaud(0);
    device.addFault({zeva::sim::FaultKind::Silent});
    run("silent device", 2);
    device.clearFaults();
    bus.closeSerialSide();
    run("vanished device (port hung up)", 2);
    std::printf("(process CPU includes the in-process simulator thread)\n");
    session.CloseLink();
    bus.stop();
    PortMap::SetAlias(ps.Number, {});
    return 0;
}

// The session's frame feed against a simulated device: presence polls on its own thread while
// the main thread takes the frames, as the bus monitor does.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>
#include <thread>

#include "base/mainthreadcalls.h"
#include "link/commands.h"
#include "link/comport.h"
#include "link/devicesession.h"
#include "link/framemonitor.h"
#include "sim/firmwaredevice.h"
#include "sim/simbus.h"

using zeva::sim::FaultKind;
using zeva::sim::FirmwareConfig;
using zeva::sim::FirmwareDevice;
using zeva::sim::SimBus;

namespace {

constexpr uint16_t kAddr = 12;

void ensureApp()
{
    static int argc = 1;
    static char name[] = "test_framemonitor";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

}  // namespace

TEST(FrameFeedOnSim, PresenceAndForegroundFramesReachTheLog)
{
    ensureApp();
    SimBus bus;
    FirmwareConfig cfg;
    cfg.startInApplication = true;
    auto& dev = bus.emplace<FirmwareDevice>(kAddr, cfg);
    std::string why;
    ASSERT_TRUE(bus.start(&why)) << why;
    const int port = PortMap::AliasFor(bus.slavePath());
    ASSERT_GT(port, 0);

    {
        DeviceSession session;
        session.catalogPath = QStringLiteral(ZEVANTA_SOURCE_DIR "/resources/mcu.xml");
        session.onDisplay = [](const TDeviceInfo&, const TParams&) {};
        PortSettings ps;
        ps.Number = port;
        ps.TimeOut = 30;
        ps.RepCount = 2;
        ASSERT_TRUE(session.OpenLink(ps).opened);
        session.DevAddr = kAddr;

        // Nothing is kept while the monitor is closed.
        EXPECT_TRUE(session.Send(zcmd::kIdentify).Accepted());
        EXPECT_TRUE(session.Frames().Take().empty());

        session.Frames().SetEnabled(true);
        TMonitorLog log;
        session.ResumePresence();
        // Take while presence pushes from its thread, the way the monitor's timer does.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (log.Total() < 6 && std::chrono::steady_clock::now() < deadline) {
            MainThreadCalls::waitServing([] { return false; }, 5);
            log.Append(session.Frames().Take());
        }
        session.PausePresence();
        ASSERT_GE(log.Total(), 6u);
        for (size_t i = 0; i < log.Count(); ++i) {
            const TMonitorRecord& r = log.Row(i);
            EXPECT_EQ(r.Frame.Addr, kAddr);
            EXPECT_EQ(r.Frame.Cmd, zcmd::kIdentify);
            EXPECT_EQ(r.Frame.Outcome, TFrameOutcome::Accepted);
            EXPECT_EQ(r.Frame.Port, "COM" + std::to_string(port));
            EXPECT_EQ(r.Frame.Request, i % 2 == 0);
            if (i > 0) {
                EXPECT_GE(r.SincePrevMs, 0);
            }
        }
        EXPECT_FALSE(log.Row(1).Frame.Bytes.empty());  // the identification answer
        EXPECT_GT(log.Row(1).RoundTripMs, 0);

        // A silent device: one row pair per attempt, each unanswered.
        dev.addFault({FaultKind::Silent});
        session.Frames().Take();
        const uint8_t clock[] = {1, 2, 3, 4, 5, 6};
        EXPECT_FALSE(session.Send(zcmd::kSetClock, clock).Accepted());
        dev.clearFaults();
        const auto rows = session.Frames().Take();
        ASSERT_EQ(rows.size(), 4u);
        for (const auto& r : rows) {
            EXPECT_EQ(r.Frame.Cmd, zcmd::kSetClock);
            EXPECT_EQ(r.Frame.Outcome, TFrameOutcome::NoAnswer);
        }
        EXPECT_EQ(rows[0].Frame.Bytes, std::vector<uint8_t>(std::begin(clock), std::end(clock)));
        session.CloseLink();
    }
    PortMap::SetAlias(port, {});
    bus.stop();
}

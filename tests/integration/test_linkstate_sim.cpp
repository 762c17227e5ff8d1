// The connection state the status bar shows, and the port reopening by itself once its device
// path is back, against a simulated bus reached through a symlink (as an adapter's fixed path).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <optional>

#include "app/linkstate.h"
#include "base/mainthreadcalls.h"
#include "link/comport.h"
#include "link/devicesession.h"
#include "sim/deviceoption.h"
#include "sim/simbus.h"

using zeva::sim::SimBus;

namespace {

class LinkStateOnSim : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "test_integration";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
    }

    void SetUp() override
    {
        linkPath = dir.filePath(QStringLiteral("adapter")).toStdString();
        settings.Number = PortMap::AliasFor(linkPath);
        ASSERT_GT(settings.Number, 0);
        settings.TimeOut = 50;
        settings.RepCount = 1;
        session.catalogPath = QStringLiteral(ZEVANTA_SOURCE_DIR "/resources/mcu.xml");
        session.DevAddr = 4;
        // The state as the window's display step reads it: the presence thread waits meanwhile.
        session.onDisplay = [this](const TDeviceInfo& info, const TParams&) {
            lastMode = info.Mode;
            shown = LinkStateOf(session.ZevaLink(), info.Mode);
            ++displays;
        };
    }
    void TearDown() override
    {
        session.CloseLink();
        PortMap::SetAlias(settings.Number, {});
    }

    // The adapter comes (back): a bus with one application device at address 4 behind linkPath.
    void plugIn()
    {
        bus.emplace();
        bus->setLinkPath(linkPath);
        bus->addDevice(zeva::sim::makeDevice("4:app5"));
        std::string error;
        ASSERT_TRUE(bus->start(&error)) << error;
    }

    // Serves display steps until one more has run.
    bool nextDisplay()
    {
        const int target = displays + 1;
        return MainThreadCalls::waitServing([&] { return displays >= target; }, 10000);
    }
    // Only while presence is paused: the running thread writes the link's state.
    TLinkState state() const { return LinkStateOf(session.ZevaLink(), lastMode); }

    QTemporaryDir dir;
    std::string linkPath;
    PortSettings settings;
    DeviceSession session;
    std::optional<SimBus> bus;
    TMode lastMode = mNone;
    TLinkState shown = TLinkState::NoPort;
    int displays = 0;
};

}  // namespace

TEST_F(LinkStateOnSim, HangUpThenTheAdapterReturns)
{
    EXPECT_EQ(state(), TLinkState::NoPort);
    EXPECT_FALSE(session.ReopenIfBack(settings));  // nothing to reopen without a link

    plugIn();
    ASSERT_TRUE(session.OpenLink(settings).opened);
    EXPECT_FALSE(session.ReopenIfBack(settings));  // an open, working port is left alone
    session.ResumePresence();
    ASSERT_TRUE(nextDisplay());
    ASSERT_TRUE(nextDisplay());
    EXPECT_EQ(shown, TLinkState::Present);

    // Another address: the port works, the device does not answer.
    session.DevAddr = 77;
    ASSERT_TRUE(nextDisplay());
    ASSERT_TRUE(nextDisplay());
    EXPECT_EQ(shown, TLinkState::Silent);
    session.DevAddr = 4;

    // Unplugged: the line hangs up; while the device is away nothing reopens.
    bus->closeSerialSide();
    ASSERT_TRUE(MainThreadCalls::waitServing([&] { return shown == TLinkState::HungUp; }, 5000));
    EXPECT_FALSE(session.ReopenIfBack(settings));
    bus->stop();
    EXPECT_FALSE(session.ReopenIfBack(settings));

    // Reopening by hand (OK in the port dialog) while it is away: unavailable, still waiting.
    ASSERT_FALSE(session.OpenLink(settings).opened);
    EXPECT_EQ(state(), TLinkState::Unavailable);
    EXPECT_FALSE(session.ReopenIfBack(settings));

    // Plugged in again at the same path: the port reopens and the device is found again, but
    // not under a foreground operation that still holds the old link.
    plugIn();
    {
        TPresencePause pause(session);
        EXPECT_FALSE(session.ReopenIfBack(settings));
    }
    ASSERT_TRUE(session.ReopenIfBack(settings));
    lastMode = mNone;
    session.ResumePresence();
    ASSERT_TRUE(MainThreadCalls::waitServing([&] { return lastMode != mNone; }, 10000));
    EXPECT_EQ(shown, TLinkState::Present);
    session.PausePresence();
    bus->stop();
}

TEST(LinkStateText, SaysWhatTheUserCanDo)
{
    EXPECT_EQ(LinkStateText(TLinkState::NoPort, -1, 0x7FFF),
              QStringLiteral("Порт не выбран: «Настройки» → «COM-порт...»"));
    EXPECT_EQ(LinkStateText(TLinkState::Unavailable, 33, 5),
              QStringLiteral("COM33 недоступен, ждём подключения адаптера"));
    EXPECT_EQ(LinkStateText(TLinkState::HungUp, 33, 5),
              QStringLiteral("COM33: связь прервана, ждём подключения адаптера"));
    EXPECT_EQ(LinkStateText(TLinkState::Silent, 33, 5), QStringLiteral("Устройство 5 не отвечает"));
    EXPECT_EQ(LinkStateText(TLinkState::Present, 33, 5), QString());
}

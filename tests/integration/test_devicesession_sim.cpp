// The command helper and the presence thread against simulated devices on a pseudo-terminal.
#include <gtest/gtest.h>

#include <map>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

#include "base/mainthreadcalls.h"
#include "base/messageservice.h"
#include "link/commands.h"
#include "link/comport.h"
#include "link/devicesession.h"
#include "link/presencedisplay.h"
#include "sim/firmwaredevice.h"
#include "sim/simbus.h"

using zeva::sim::Fault;
using zeva::sim::FaultKind;
using zeva::sim::FirmwareConfig;
using zeva::sim::FirmwareDevice;
using zeva::sim::Generation;
using zeva::sim::ParamRecord;
using zeva::sim::SimBus;

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

struct MessageRecorder : MessageService {
    QStringList shown;
    // Runs as each message is shown, while the exchange that caused it still holds the link.
    std::function<void()> onShow;
    void show(MsgKind, const QString& text) override
    {
        shown << text;
        if (onShow)
            onShow();
    }
    bool askYesNo(const QString&, AskIcon) override { return false; }
};

// A second-generation bootloader that reports two parameter records.
class Boot60WithParams : public FirmwareDevice {
public:
    using FirmwareDevice::FirmwareDevice;

protected:
    std::vector<ParamRecord> bootloaderParameters() override
    {
        return {ParamRecord::str("Serial", "ZV-5"), ParamRecord::hex16("Status", 0x00A5)};
    }
};

FirmwareConfig config(Generation gen, bool app, uint32_t ext)
{
    FirmwareConfig c;
    c.bootGeneration = c.appGeneration = gen;
    c.bootVersion = gen == Generation::First ? 0x50 : 0x60;
    c.appVersion = gen == Generation::First ? 0x52 : 0x61;
    c.appName = gen == Generation::First ? "Unit A5" : "Unit B6";
    c.startInApplication = app;
    c.extSize = ext;
    c.temperature = 25;
    c.voltageDecivolts = 124;
    c.varMode = 10;
    return c;
}

constexpr uint16_t kBoot50 = 1, kApp5Ext = 2, kApp5 = 3, kApp6 = 4, kBoot60 = 5, kNobody = 9;

class SessionOnSim : public ::testing::Test {
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
        bus.emplace<FirmwareDevice>(kBoot50, config(Generation::First, false, 0));
        bus.emplace<FirmwareDevice>(kApp5Ext, config(Generation::First, true, 0x8000));
        bus.emplace<FirmwareDevice>(kApp5, config(Generation::First, true, 0));
        bus.emplace<FirmwareDevice>(kApp6, config(Generation::Second, true, 0x8000));
        bus.emplace<Boot60WithParams>(kBoot60, config(Generation::Second, false, 0));
        std::string error;
        ASSERT_TRUE(bus.start(&error)) << error;
        port = PortMap::AliasFor(bus.slavePath());
        ASSERT_GT(port, 0);
        previous = MessageService::install(&messages);

        session.catalogPath = QStringLiteral(ZEVANTA_SOURCE_DIR "/resources/mcu.xml");
        session.onDisplay = [this](const TDeviceInfo& info, const TParams& params) {
            ASSERT_TRUE(MainThreadCalls::isMainThread());
            lastInfo = info;
            lastParams = params;
            ++displays;
        };
        session.onControlsDisabled = [this] { ++controlsDisabled; };
    }

    void TearDown() override
    {
        session.CloseLink();
        MessageService::install(previous);
        bus.stop();
        PortMap::SetAlias(port, {});
    }

    void open(uint16_t timeOut = 50, uint16_t repCount = 2)
    {
        PortSettings ps;
        ps.Number = port;
        ps.TimeOut = timeOut;
        ps.RepCount = repCount;
        const DeviceSession::OpenResult r = session.OpenLink(ps);
        ASSERT_TRUE(r.opened) << r.portError.toStdString();
        ASSERT_TRUE(r.catalogError.isEmpty()) << r.catalogError.toStdString();
    }

    // Serves display steps until `n` more have run.
    bool waitDisplays(int n)
    {
        const int target = displays + n;
        return MainThreadCalls::waitServing([&] { return displays >= target; }, 10000);
    }

    FirmwareDevice& dev(uint16_t addr) { return *bus.deviceAs<FirmwareDevice>(addr); }

    SimBus bus;
    int port = 0;
    DeviceSession session;
    MessageRecorder messages;
    MessageService* previous = nullptr;
    TDeviceInfo lastInfo;
    TParams lastParams;
    int displays = 0;
    int controlsDisabled = 0;
};

TEST_F(SessionOnSim, DisplayStepForEachKindOfDevice)
{
    open();
    const QRegularExpression date(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4}$"));
    const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
    const QString dash = QStringLiteral("- - -");
    struct Case {
        uint16_t addr;
        TMode mode;
        QSet<int> groups;
        bool clock, values;
        int paramRows;  // rows of the grid including the title; 0 = hidden
    };
    const Case cases[] = {
        {kBoot50, mBootloader50, {1, 3, 5}, false, false, 0},
        {kApp5Ext, mDevice5, {2, 3, 4}, true, true, 0},
        {kApp5, mDevice5, {3, 4}, true, true, 0},
        {kApp6, mDevice6, {2, 3, 4, 8}, true, false, 8},
        {kBoot60, mBootloader60, {1, 3, 5}, false, false, 3},
        {kNobody, mNone, {}, false, false, 0},
    };
    session.DevAddr = kBoot50;
    session.ResumePresence();
    for (const Case& c : cases) {
        // The address changes while the thread runs; the cycle in flight may still show the
        // previous device, the one after it asks the new one.
        session.DevAddr = c.addr;
        ASSERT_TRUE(waitDisplays(2)) << "addr " << c.addr;
        const PresenceView v = MakePresenceView(lastInfo, lastParams, QLocale::c());
        const auto where = ::testing::Message() << "addr " << c.addr;
        EXPECT_EQ(lastInfo.Mode, c.mode) << where;
        EXPECT_EQ(v.groups, c.groups) << where;
        if (c.mode == mNone) {
            EXPECT_EQ(v.mcuText, dash);
            EXPECT_EQ(v.statusText, QStringLiteral(" "));
        } else {
            EXPECT_NE(v.mcuText, dash) << where;
            EXPECT_GT(v.statusText.size(), 1) << where;
        }
        EXPECT_TRUE(c.clock ? date.match(v.dateText).hasMatch() : v.dateText == dash)
            << where << v.dateText.toStdString();
        EXPECT_TRUE(c.clock ? time.match(v.timeText).hasMatch() || v.timeText == dash : v.timeText == dash) << where;
        EXPECT_EQ(v.valuesVisible, c.values) << where;
        if (c.values) {
            EXPECT_EQ(v.tempText, QStringLiteral("25 °C  (77 °F)")) << where;
            EXPECT_EQ(v.voltageText, QStringLiteral("12.4 V")) << where;
            EXPECT_EQ(v.varModeText, QStringLiteral("10  (0x0A)")) << where;
        } else {
            EXPECT_EQ(v.tempText, dash) << where;
        }
        EXPECT_EQ(int(v.paramRows.size()), c.paramRows) << where;
        EXPECT_EQ(v.paramsVisible, c.paramRows > 0) << where;
    }
    session.PausePresence();
    EXPECT_TRUE(messages.shown.isEmpty());
}

// Another device selected while a question is on the line: the answer that comes back is shown
// for the address that was asked, not for the one selected now (the inventory keeps it by address).
TEST_F(SessionOnSim, EachDisplayStepNamesTheAddressItsAnswerCameFrom)
{
    open();
    const std::map<uint16_t, TMode> modes = {
        {kBoot50, mBootloader50}, {kApp5Ext, mDevice5}, {kApp6, mDevice6}, {kBoot60, mBootloader60}};
    const uint16_t order[] = {kBoot50, kApp6, kApp5Ext, kBoot60};
    int mismatches = 0;
    int selectedElsewhere = 0;
    int step = 0;
    session.onDisplay = [&](const TDeviceInfo& info, const TParams&) {
        if (info.Mode != modes.at(session.ShownAddr()))
            ++mismatches;
        if (session.ShownAddr() != session.DevAddr)
            ++selectedElsewhere;
        // The next device is selected at once, while the question to this one is already asked.
        session.DevAddr = order[size_t(++step) % std::size(order)];
        ++displays;
    };
    session.DevAddr = order[0];
    session.ResumePresence();
    ASSERT_TRUE(waitDisplays(12));
    session.PausePresence();
    EXPECT_EQ(mismatches, 0);
    // Every step after the first showed an address that was no longer the selected one.
    EXPECT_GE(selectedElsewhere, 10);
}

TEST_F(SessionOnSim, SendToDeviceInAllFourFlagCombinations)
{
    // No link: false, nothing shown, nothing started.
    EXPECT_FALSE(session.SendToDevice(1, {}, false, false));
    EXPECT_FALSE(session.PresenceRunning());
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(controlsDisabled, 0);

    open();
    FirmwareDevice& app = dev(kApp5Ext);
    session.DevAddr = kApp5Ext;
    session.ResumePresence();
    ASSERT_TRUE(waitDisplays(1));

    // The last command of ours: presence may already have identified the device again once it
    // resumed, before the test pauses it.
    auto lastRequest = [&] {
        const auto log = app.requestLog();
        const auto it = std::find_if(log.rbegin(), log.rend(), [](const auto& r) { return r.cmd != zcmd::kIdentify; });
        return it != log.rend() ? *it : zeva::sim::LoggedRequest{};
    };
    const uint8_t unknownCmd = 0x7E;  // refused by every device
    // Presence runs again as soon as the call returns and owns the link's error from then on.
    TError errorWhenShown = errNoError;
    messages.onShow = [&] { errorWhenShown = session.ZevaLink()->Error(); };

    // Presence running, not silent: a refusal shows the message once; presence runs again.
    EXPECT_FALSE(session.SendToDevice(unknownCmd, {}, false, false));
    EXPECT_EQ(errorWhenShown, errAnswerError);
    EXPECT_EQ(messages.shown, QStringList{QStringLiteral("Команда не принята!")});
    EXPECT_EQ(controlsDisabled, 1);
    EXPECT_TRUE(session.PresenceRunning());
    ASSERT_TRUE(waitDisplays(2));
    EXPECT_EQ(lastInfo.Mode, mDevice5);

    // Presence running, silent: no message; an empty payload goes out with length 0.
    EXPECT_FALSE(session.SendToDevice(unknownCmd, {}, false, true));
    EXPECT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(controlsDisabled, 2);
    EXPECT_TRUE(session.PresenceRunning());
    session.PausePresence();
    EXPECT_EQ(lastRequest().cmd, unknownCmd);
    EXPECT_TRUE(lastRequest().payload.empty());

    // Presence paused by the caller: it stays paused; the caller's controls are left alone.
    const uint8_t clock[] = {5, 3, 31, 7, 8, 9};
    EXPECT_TRUE(session.SendToDevice(33, clock, true, false));
    EXPECT_FALSE(session.PresenceRunning());
    EXPECT_EQ(lastRequest().cmd, 33);
    EXPECT_EQ(lastRequest().payload, std::vector<uint8_t>(std::begin(clock), std::end(clock)));
    EXPECT_EQ(app.clock()[0], 5);
    EXPECT_EQ(app.clock()[2], 31);
    EXPECT_EQ(controlsDisabled, 2);

    // Paused and silent, with a device that does not answer: false, no message.
    app.addFault({FaultKind::Silent});
    EXPECT_FALSE(session.SendToDevice(33, clock, true, true));
    EXPECT_EQ(session.ZevaLink()->Error(), errTimeOut);
    EXPECT_EQ(messages.shown.size(), 1);
    EXPECT_FALSE(session.PresenceRunning());
    app.clearFaults();

    // An oversized payload is not sent; presence is restarted all the same.
    const uint64_t before = app.requestCount();
    const std::vector<uint8_t> huge(DeviceSession::kLinkBufSize + 1, 0x55);
    session.ResumePresence();
    EXPECT_FALSE(session.SendToDevice(34, huge, false, false));
    EXPECT_TRUE(session.PresenceRunning());
    EXPECT_EQ(messages.shown.size(), 1);
    session.PausePresence();
    for (const auto& r : app.requestLog())
        EXPECT_NE(r.cmd, 34);
    EXPECT_GE(app.requestCount(), before);
}

TEST_F(SessionOnSim, PausePresenceServesTheLastDisplayStepAndTwiceDoesNothing)
{
    // Long exchanges with a silent device: the pause arrives while the thread is inside one.
    open(100, 2);
    session.DevAddr = kApp5Ext;
    FirmwareDevice& app = dev(kApp5Ext);
    app.addFault({FaultKind::Silent});
    session.ResumePresence();
    ASSERT_TRUE(MainThreadCalls::waitServing([&] { return app.requestCount() >= 1; }, 5000));
    session.PausePresence();
    // The thread finished its exchange and its display step ran while we waited.
    EXPECT_EQ(displays, 1);
    EXPECT_EQ(lastInfo.Mode, mNone);
    EXPECT_FALSE(session.PresenceRunning());

    const uint64_t cycles = session.PresenceCycles();
    const uint64_t requests = app.requestCount();
    session.PausePresence();
    EXPECT_FALSE(session.PresenceRunning());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    MainThreadCalls::drain();
    EXPECT_EQ(session.PresenceCycles(), cycles);
    EXPECT_EQ(app.requestCount(), requests);
    EXPECT_EQ(displays, 1);

    // Resume while running does not start a second thread on the same link.
    app.clearFaults();
    session.ResumePresence();
    session.ResumePresence();
    ASSERT_TRUE(waitDisplays(3));
    EXPECT_EQ(lastInfo.Mode, mDevice5);
    session.PausePresence();
    EXPECT_EQ(bus.counters().badFrames, 0u);
}

TEST_F(SessionOnSim, VanishedDeviceDoesNotSpinThePresenceLoop)
{
    open(50, 3);
    session.DevAddr = kApp5Ext;
    session.ResumePresence();
    ASSERT_TRUE(waitDisplays(1));
    bus.closeSerialSide();
    ASSERT_TRUE(MainThreadCalls::waitServing([&] { return session.ZevaLink()->HungUp(); }, 5000));
    const uint64_t start = session.PresenceCycles();
    MainThreadCalls::waitServing([] { return false; }, 1000);
    const uint64_t cycles = session.PresenceCycles() - start;
    session.PausePresence();
    EXPECT_EQ(lastInfo.Mode, mNone);
    // A spinning loop makes thousands of cycles a second; the pause between them allows a few.
    EXPECT_LT(cycles, 30u);
    EXPECT_GE(cycles, 1u);
}

TEST(SessionOpenLink, NoPortAndUnavailablePort)
{
    DeviceSession session;
    int disabled = 0;
    session.onControlsDisabled = [&] { ++disabled; };
    PortSettings none;
    none.Number = -1;
    const auto r0 = session.OpenLink(none);
    EXPECT_FALSE(r0.opened);
    EXPECT_TRUE(r0.portError.isEmpty());
    EXPECT_EQ(session.ZevaLink(), nullptr);
    EXPECT_EQ(disabled, 1);

    PortSettings gone;
    gone.Number = PortMap::kLastAlias;
    PortMap::SetAlias(gone.Number, "/nonexistent/zevanta-port");
    session.catalogPath = QStringLiteral("/nonexistent/mcu.xml");
    const auto r1 = session.OpenLink(gone);
    PortMap::SetAlias(gone.Number, {});
    EXPECT_FALSE(r1.opened);
    // The fixed message, the reason, then the port doctor's list of the ports there are.
    const QStringList lines = r1.portError.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3) << r1.portError.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Порт COM127 недоступен!"));
    EXPECT_EQ(lines[1], QStringLiteral("Порт COM127 (/nonexistent/zevanta-port) отсутствует (устройство не подключено "
                                       "или имя неверно)"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Имеющиеся порты: ")) ||
                lines[2] == QStringLiteral("Последовательных портов в системе нет: подключите адаптер"))
        << lines[2].toStdString();
    EXPECT_TRUE(r1.catalogError.startsWith(QStringLiteral("Каталог контроллеров не загружен")))
        << r1.catalogError.toStdString();
    EXPECT_TRUE(r1.catalogError.contains(QStringLiteral("mcu.xml: файл не читается"))) << r1.catalogError.toStdString();
    EXPECT_FALSE(r1.startPresence());
    // The link stays in place; every exchange on it fails.
    ASSERT_NE(session.ZevaLink(), nullptr);
    EXPECT_FALSE(session.SendToDevice(1, {}, true, true));
}

}  // namespace

TEST_F(SessionOnSim, PresenceStartsOnlyWithAControllerCatalogue)
{
    QTemporaryDir dir;
    const QString empty = dir.filePath(QStringLiteral("mcu.xml"));
    {
        QFile f(empty);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<root><list/></root>");
    }
    PortSettings ps;
    ps.Number = port;
    session.catalogPath = empty;
    const auto r = session.OpenLink(ps);
    EXPECT_TRUE(r.opened);  // the port itself is fine
    EXPECT_FALSE(r.startPresence());
    EXPECT_EQ(r.catalogError, QStringLiteral("Каталог контроллеров не загружен, устройства не опрашиваются:\r\n%1: "
                                             "в каталоге нет ни одного контроллера")
                                  .arg(QDir::toNativeSeparators(empty)));

    session.catalogPath = QStringLiteral(ZEVANTA_SOURCE_DIR "/resources/mcu.xml");
    EXPECT_TRUE(session.OpenLink(ps).startPresence());
}

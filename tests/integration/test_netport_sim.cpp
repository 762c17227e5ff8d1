// Network ports against a real serial server: ser2net on 127.0.0.1 in front of the simulator's
// pty, reached as tcp:// (raw) and rfc2217:// (Telnet with line control).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "app/linkstate.h"
#include "base/mainthreadcalls.h"
#include "link/comport_baud.h"
#include "link/devicesession.h"
#include "link/portinfo.h"
#include "link/zeva16.h"
#include "sim/deviceoption.h"
#include "sim/firmwaredevice.h"
#include "sim/netservers.h"
#include "sim/simbus.h"
#include "support/cliprocess.h"

using namespace zeva::sim;
using Bytes = std::vector<uint8_t>;

namespace {

// Bytes that need every escape of the way: Telnet's 0xFF (often doubled), the frame's 0xC0 and 0xDB.
Bytes escapeHeavy(size_t n, uint8_t salt)
{
    static constexpr uint8_t kTricky[] = {0xFF, 0xFF, 0xC0, 0xFF, 0xDB, 0x00, 0xFF};
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = i % 2 ? kTricky[(i / 2) % std::size(kTricky)] : uint8_t(i * 13 + salt);
    return b;
}

// The line speed the pty was last set to, as the device side would see it.
unsigned ptyRate(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    unsigned in = 0, out = 0;
    if (fd >= 0) {
        zvGetBaudRate(fd, &in, &out);
        ::close(fd);
    }
    return out;
}

// The simulator's bus (an ARM bootloader at 16, the default devices beside it) behind ser2net.
class NetPort : public ::testing::Test {
protected:
    static constexpr uint16_t kArm = 16;

    void SetUp() override
    {
        ASSERT_FALSE(Ser2netServer::program().empty()) << "ser2net is missing; scripts/setup installs it";
        addDefaultDevices(bus);
        bus.addDevice(makeDevice("16:boot60:mcu=16"));
        std::string err;
        ASSERT_TRUE(bus.start(&err)) << err;
        ASSERT_TRUE(server.start(bus.slavePath(), dir.path().toStdString(), &err)) << err;
        arm = bus.deviceAs<FirmwareDevice>(kArm);
        ASSERT_TRUE(arm);
    }
    QString file(const QString& name, const QByteArray& data) { return writeTestFile(dir, name, data); }
    QString url(bool telnet) const { return QString::fromStdString(telnet ? server.telnetUrl() : server.rawUrl()); }

    QTemporaryDir dir;
    SimBus bus;
    Ser2netServer server;
    FirmwareDevice* arm = nullptr;
};

}  // namespace

// FLASH and external memory written, compared and read back through each kind of network port,
// with data full of the bytes that Telnet and the frame escape.
TEST_F(NetPort, WritesReadsAndComparesMemoryThroughEitherKindOfPort)
{
    auto* app = bus.deviceAs<FirmwareDevice>(5);
    ASSERT_TRUE(app);
    for (const bool telnet : {false, true}) {
        SCOPED_TRACE(telnet ? "rfc2217" : "tcp");
        // ser2net holds the device for a while after a connection of the other accepter ended.
        server.kill();
        std::string err;
        ASSERT_TRUE(server.start(bus.slavePath(), dir.path().toStdString(), &err)) << err;
        const Bytes code = escapeHeavy(0x1000, telnet ? 1 : 2);
        auto r =
            runCli({"flash", "write", file("fw.hex", hexFileAt(0x2000, code)), "-p", url(telnet), "-a", "16"}, 60000);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains("Различия не найдены!")) << r.out.toStdString();
        EXPECT_EQ(arm->readFlash(0x2000, uint32_t(code.size())), code);

        const Bytes ext = escapeHeavy(app->extSize(), telnet ? 3 : 4);
        const QString extFile =
            file("ext.bin", QByteArray(reinterpret_cast<const char*>(ext.data()), qsizetype(ext.size())));
        r = runCli({"extmem", "write", extFile, "--verify", "-p", url(telnet), "-a", "5"}, 60000);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains("Различия не найдены!")) << r.out.toStdString();
        EXPECT_EQ(app->readExt(0, app->extSize()), ext);

        app->writeExt(0, escapeHeavy(app->extSize(), 9));
        const QString back = dir.filePath("back.bin");
        r = runCli({"extmem", "read", back, "-p", url(telnet), "-a", "5"}, 60000);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        QFile f(back);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray got = f.readAll();
        EXPECT_EQ(Bytes(got.begin(), got.end()), escapeHeavy(app->extSize(), 9));
    }
}

// The rate the program asks for reaches the device's line, at opening and when it changes.
TEST_F(NetPort, RateReachesThePty)
{
    TZEVA16 link(uint8_t(PortNumberForName(server.telnetUrl())), 9600, 120, 16384);
    ASSERT_EQ(link.Error(), errNoError) << PortOpenFailureText(link.PortNumber(), server.telnetUrl(),
                                                               link.OpenFailure(), link.OpenErrno())
                                               .toStdString();
    EXPECT_EQ(ptyRate(bus.slavePath()), 9600u);
    link.SetRate(57600);
    EXPECT_EQ(ptyRate(bus.slavePath()), 57600u);
    EXPECT_EQ(link.OpenFailure(), TPortOpenFailure::None) << "the server confirmed the new rate";
    // And the line still carries frames.
    EXPECT_TRUE(link.GetDeviceInfo(kArm));
}

// A server that goes away mid-transfer ends the run with the address, well before a hang.
TEST_F(NetPort, ServerKilledMidTransferFailsNamingTheAddress)
{
    bus.setBaud(115200);
    const Bytes code = escapeHeavy(0xC000, 5);
    const QString fw = file("big.hex", hexFileAt(0x2000, code));
    for (const bool telnet : {false, true}) {
        SCOPED_TRACE(telnet ? "rfc2217" : "tcp");
        // The server just started must be serving the device before the clock of the kill runs.
        ASSERT_EQ(runCli({"identify", "-p", url(telnet), "-a", "16", "--timeout", "1000"}, 20000).code, 0);
        std::thread killer([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
            server.kill();
        });
        const CliRun r = runCli({"flash", "write", fw, "-p", url(telnet), "-a", "16", "--timeout", "1000"}, 20000);
        killer.join();
        EXPECT_NE(r.code, 0);
        EXPECT_TRUE(r.err.contains(url(telnet))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("сервер закрыл соединение")) << r.err.toStdString();
        EXPECT_LT(r.ms, 5000) << "a closed connection is no silent device: no retries, no waiting";
        std::string err;
        ASSERT_TRUE(server.start(bus.slavePath(), dir.path().toStdString(), &err)) << err;
    }
}

// A bus 2 × 30 ms away answers later than a 20 ms time-out allows; the measured round trip makes
// up the difference.
TEST_F(NetPort, RoundTripExtendsTheTimeOut)
{
    DelayRelay relay(server.telnetPort(), 30);
    ASSERT_NE(relay.port(), 0);
    const std::string address = "rfc2217://127.0.0.1:" + std::to_string(relay.port());
    TZEVA16 link(uint8_t(PortNumberForName(address)), 115200, 20, 16384);
    ASSERT_EQ(link.Error(), errNoError);
    EXPECT_GE(link.RoundTripMs(), 60u);
    EXPECT_LT(link.RoundTripMs(), 200u);
    EXPECT_TRUE(link.GetDeviceInfo(kArm));
}

// The window's view of a network port: a server that goes away is an unplugged adapter, and the
// port reopens by itself once the server is back.
TEST_F(NetPort, ServerGoneIsAHangUpAndTheLinkReturnsWithIt)
{
    static int argc = 1;
    static char name[] = "test_integration";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);

    DeviceSession session;
    session.catalogPath = QStringLiteral(ZEVANTA_SOURCE_DIR "/resources/mcu.xml");
    session.DevAddr = 5;
    TMode lastMode = mNone;
    TLinkState shown = TLinkState::NoPort;
    session.onDisplay = [&](const TDeviceInfo& info, const TParams&) {
        lastMode = info.Mode;
        shown = LinkStateOf(session.ZevaLink(), info.Mode);
    };
    PortSettings settings;
    settings.Number = PortMap::AliasFor(server.telnetUrl());
    settings.TimeOut = 50;
    settings.RepCount = 1;
    ASSERT_TRUE(session.OpenLink(settings).opened);
    session.ResumePresence();
    ASSERT_TRUE(MainThreadCalls::waitServing([&] { return shown == TLinkState::Present; }, 10000));

    server.kill();
    ASSERT_TRUE(MainThreadCalls::waitServing([&] { return shown == TLinkState::HungUp; }, 5000));
    session.PausePresence();
    EXPECT_FALSE(session.ReopenIfBack(settings));
    const QString refused = session.OpenLink(settings).portError;
    EXPECT_TRUE(refused.contains(QString::fromStdString(server.telnetUrl()))) << refused.toStdString();
    EXPECT_TRUE(refused.contains("сервер отказал в соединении")) << refused.toStdString();
    EXPECT_EQ(LinkStateOf(session.ZevaLink(), mNone), TLinkState::Unavailable);

    std::string err;
    ASSERT_TRUE(server.start(bus.slavePath(), dir.path().toStdString(), &err, server.rawPort(), server.telnetPort()))
        << err;
    // As the window's timer does: ser2net may still be letting go of the device after the probe.
    bool back = false;
    for (int i = 0; i < 50 && !back; ++i) {
        back = session.ReopenIfBack(settings);
        if (!back)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(back);
    lastMode = mNone;
    session.ResumePresence();
    ASSERT_TRUE(MainThreadCalls::waitServing([&] { return lastMode != mNone; }, 10000));
    EXPECT_EQ(shown, TLinkState::Present);
    session.CloseLink();
    PortMap::SetAlias(settings.Number, {});
}

// Where a port is named on the command line: the address itself, or a COMn the window's settings
// point at the network; the round trip shows with -v and in the JSON result.
TEST_F(NetPort, CommandLineTakesAddressesAndStoredAliases)
{
    const QString config = dir.filePath("config");
    ASSERT_TRUE(QDir().mkpath(config));
    file("config/zevanta.ini", "[COM-port]\nAlias\\COM100=" + url(true).toUtf8() + "\n");

    auto r = runCli({"ports"}, 20000, config);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("COM100\t" + url(true))) << r.out.toStdString();

    r = runCli({"identify", "-p", "COM100", "-a", "16", "-v"}, 20000, config);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(url(true) + ": время оборота")) << r.out.toStdString();

    r = runCli({"mode", "boot", "-p", url(true), "-a", "16", "--json"}, 60000);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject result = QJsonDocument::fromJson(r.out.trimmed().split('\n').last().toUtf8()).object();
    EXPECT_EQ(result.value("port").toString(), url(true)) << r.out.toStdString();
    EXPECT_TRUE(result.value("roundTripMs").isDouble()) << r.out.toStdString();
}

namespace {

// A Telnet server of the test's own: answers the first thing the client sends with `first`, the
// next with `second`, then closes.
class FakeServer {
public:
    FakeServer(Bytes first, Bytes second) : FFirst(std::move(first)), FSecond(std::move(second))
    {
        FListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        ::bind(FListen, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(FListen, 1);
        ::getsockname(FListen, reinterpret_cast<sockaddr*>(&a), &len);
        FPort = ntohs(a.sin_port);
        FThread = std::thread([this] {
            const int c = ::accept(FListen, nullptr, nullptr);
            if (c < 0)
                return;
            uint8_t buf[512];
            for (const Bytes* reply : {&FFirst, &FSecond}) {
                if (::read(c, buf, sizeof buf) <= 0 || reply->empty())
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the rest of the request
                ::send(c, reply->data(), reply->size(), MSG_NOSIGNAL);
            }
            ::close(c);
        });
    }
    ~FakeServer()
    {
        ::shutdown(FListen, SHUT_RDWR);
        FThread.join();
        ::close(FListen);
    }
    std::string url() const { return "rfc2217://127.0.0.1:" + std::to_string(FPort); }

private:
    Bytes FFirst, FSecond;
    int FListen = -1;
    uint16_t FPort = 0;
    std::thread FThread;
};

Bytes answer(uint8_t code, const Bytes& value)
{
    Bytes b{0xFF, 0xFA, 44, code};
    for (uint8_t v : value)
        b.push_back(v);
    b.push_back(0xFF);
    b.push_back(0xF0);
    return b;
}

}  // namespace

// Each way a network port fails to open ends with the address and the reason.
TEST(NetPortFaults, OpeningFailuresNameTheAddressAndTheReason)
{
    const Bytes purged = answer(112, {3});
    Bytes at9600 = answer(101, {0, 0, 0x25, 0x80});  // asked 115200
    for (const Bytes& b : {answer(102, {8}), answer(103, {1}), answer(104, {1}), answer(105, {1})})
        for (uint8_t v : b)
            at9600.push_back(v);
    FakeServer rateRefused(purged, at9600);
    FakeServer noOption({0xFF, 0xFE, 44}, {});
    FakeServer closes({}, {});
    const std::string nobody = "rfc2217://127.0.0.1:" + std::to_string(freeLoopbackPort());

    struct Case {
        std::string address;
        TPortOpenFailure failure;
        const char* reason;
    };
    const Case cases[] = {
        {nobody, TPortOpenFailure::Refused, "сервер отказал в соединении"},
        {"tcp://no-such-host.invalid:7000", TPortOpenFailure::Unresolved, "имя узла не найдено"},
        {"tcp://127.0.0.1", TPortOpenFailure::BadAddress, "неверный адрес порта"},
        {rateRefused.url(), TPortOpenFailure::SettingRefused, "сервер не принял настройку линии: скорость"},
        {noOption.url(), TPortOpenFailure::SettingRefused, "не поддерживает управление линией"},
        {closes.url(), TPortOpenFailure::ServerClosed, "сервер закрыл соединение"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        const int n = PortNumberForName(c.address);
        ASSERT_GT(n, 0);
        TZEVA16 link(uint8_t(n), 115200, 50, 256);
        EXPECT_EQ(link.Error(), errNotOpenPort);
        EXPECT_EQ(link.OpenFailure(), c.failure);
        const QString text = PortOpenFailureText(uint8_t(n), c.address, link.OpenFailure(), link.OpenErrno());
        EXPECT_TRUE(text.startsWith(QString::fromStdString(c.address) + ": ")) << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.reason))) << text.toStdString();
        PortMap::SetAlias(n, {});
    }
}

// A server that takes the connection but never completes it: a clear error after the connect time-out.
TEST(NetPortFaults, ConnectTimeOutEndsTheWait)
{
    // A listener that never accepts, its queue filled: further connections get no answer at all.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        const int f = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ::connect(f, reinterpret_cast<sockaddr*>(&a), sizeof a);
        fillers.push_back(f);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));

    const int before = TCOMPort::NetTimeOut();
    TCOMPort::SetNetTimeOut(400);
    const std::string address = "tcp://127.0.0.1:" + std::to_string(ntohs(a.sin_port));
    const int n = PortNumberForName(address);
    QElapsedTimer t;
    t.start();
    TCOMPort port(uint8_t(n), 115200, db8, prNone, sbOne, 50);
    const qint64 ms = t.elapsed();
    TCOMPort::SetNetTimeOut(before);
    EXPECT_EQ(port.OpenFailure(), TPortOpenFailure::ConnectTimeOut);
    EXPECT_GE(ms, 350);
    EXPECT_LT(ms, 2000);
    EXPECT_EQ(PortOpenFailureText(uint8_t(n), address, port.OpenFailure(), port.OpenErrno()),
              QString::fromStdString(address) + ": сервер не ответил за 400 мс");
    PortMap::SetAlias(n, {});
    for (int f : fillers)
        ::close(f);
    ::close(listener);
}

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <QTemporaryDir>

#include "link/comport.h"
#include "link/comport_baud.h"

namespace {

using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point t0)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
}

void ClearAliases()
{
    for (const auto& a : PortMap::Aliases())
        PortMap::SetAlias(a.first, "");
}

class AliasTable : public ::testing::Test {
protected:
    void SetUp() override { ClearAliases(); }
    void TearDown() override { ClearAliases(); }
};

// A pseudo-terminal whose slave is reachable as COM97; the test plays the device on the master.
class PtyPort : public AliasTable {
protected:
    static constexpr uint8_t kCOM = PortMap::kFirstAlias;

    void SetUp() override
    {
        AliasTable::SetUp();
        master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        slavePath = ptsname(master);
        PortMap::SetAlias(kCOM, slavePath);
    }
    void TearDown() override
    {
        CloseMaster();
        AliasTable::TearDown();
    }
    void CloseMaster()
    {
        if (master >= 0)
            close(master);
        master = -1;
    }
    void DeviceSends(const std::vector<uint8_t>& bytes) const
    {
        ASSERT_EQ(write(master, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    std::vector<uint8_t> DeviceReceives(size_t n) const
    {
        std::vector<uint8_t> got;
        const auto t0 = Clock::now();
        while (got.size() < n && MsSince(t0) < 5000) {
            pollfd pf{master, POLLIN, 0};
            if (poll(&pf, 1, 100) > 0) {
                uint8_t buf[512];
                const ssize_t r = read(master, buf, sizeof buf);
                if (r > 0)
                    got.insert(got.end(), buf, buf + r);
            }
        }
        return got;
    }
    // Line settings as the driver holds them, read through a second descriptor.
    termios SlaveTermios() const
    {
        termios t{};
        const int fd = open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(tcgetattr(fd, &t), 0);
        close(fd);
        return t;
    }
    std::pair<unsigned, unsigned> SlaveSpeeds() const
    {
        unsigned in = 0, out = 0;
        const int fd = open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(zvGetBaudRate(fd, &in, &out), 0);
        close(fd);
        return {in, out};
    }
    static void WaitForInput(TCOMPort& port)
    {
        const auto t0 = Clock::now();
        while (!port.InQue() && MsSince(t0) < 5000)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        // Let the pty hand over the rest of the write as well.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }

    int master = -1;
    std::string slavePath;
};

}  // namespace

TEST(ComSettings, ParsesFourFieldsOrFallsBackToDefaults)
{
    struct Case {
        const char* params;
        uint32_t rate;
        TComDataBits bits;
        TComParity parity;
        TComStopBits stop;
    };
    const Case cases[] = {
        {"9600,7,e,2", 9600, db7, prEven, sbTwo},
        {"9600,7,E", 115200, db8, prNone, sbOne},
        {"x,9,N,1", 115200, db8, prNone, sbOne},
        {" 19200 , 5 , O , 1 ", 19200, db5, prOdd, sbOne},
        {"10400,6,o,2", 10400, db6, prOdd, sbTwo},
        {"9600,8,Even,2", 9600, db8, prNone, sbTwo},
        // The fourth field keeps further commas, so it is no longer "2".
        {"9600,7,E,2,1", 9600, db7, prEven, sbOne},
        {"", 115200, db8, prNone, sbOne},
        {",,,", 115200, db8, prNone, sbOne},
        // Rate 0 (it would hang up the line) and negative rates count as no number.
        {"0,8,N,1", 115200, db8, prNone, sbOne},
        {"-9600,8,N,1", 115200, db8, prNone, sbOne},
        {"99999999999,8,N,1", 115200, db8, prNone, sbOne},
    };
    for (const Case& c : cases) {
        const TComSettings s = ParseComSettings(c.params);
        EXPECT_EQ(s.Rate, c.rate) << c.params;
        EXPECT_EQ(s.Bits, c.bits) << c.params;
        EXPECT_EQ(s.Parity, c.parity) << c.params;
        EXPECT_EQ(s.StopBits, c.stop) << c.params;
    }
}

TEST_F(AliasTable, FixedMapBothWays)
{
    const std::pair<int, const char*> fixed[] = {
        {1, "/dev/ttyS0"},     {32, "/dev/ttyS31"},  {33, "/dev/ttyUSB0"},
        {64, "/dev/ttyUSB31"}, {65, "/dev/ttyACM0"}, {96, "/dev/ttyACM31"},
    };
    for (const auto& [n, path] : fixed) {
        EXPECT_EQ(PortMap::PathFor(n), path);
        EXPECT_EQ(PortMap::NumberFor(path), n) << path;
    }
    for (int n : {0, 97, 127, 128, 255})
        EXPECT_EQ(PortMap::PathFor(n), "") << n;
    for (const char* path : {"", "/dev/ttyS32", "/dev/ttyUSB32", "/dev/ttyACM99", "/dev/ttyS01", "/dev/ttyS+1",
                             "/dev/ttyS", "/dev/ttyS1x", "/dev/pts/3", "ttyS0"})
        EXPECT_EQ(PortMap::NumberFor(path), 0) << path;
}

TEST_F(AliasTable, AliasesMapArbitraryPaths)
{
    PortMap::SetAlias(100, "/tmp/sim-a");
    EXPECT_EQ(PortMap::PathFor(100), "/tmp/sim-a");
    EXPECT_EQ(PortMap::NumberFor("/tmp/sim-a"), 100);

    // Only 97..127 can be aliases.
    PortMap::SetAlias(5, "/tmp/sim-b");
    PortMap::SetAlias(128, "/tmp/sim-b");
    EXPECT_EQ(PortMap::PathFor(5), "/dev/ttyS4");
    EXPECT_EQ(PortMap::NumberFor("/tmp/sim-b"), 0);

    EXPECT_EQ(PortMap::AliasFor("/tmp/sim-b"), 97);
    EXPECT_EQ(PortMap::AliasFor("/tmp/sim-b"), 97);
    EXPECT_EQ(PortMap::AliasFor("/tmp/sim-a"), 100);
    EXPECT_EQ(PortMap::AliasFor("/tmp/sim-c"), 98);

    PortMap::SetAlias(100, "");
    EXPECT_EQ(PortMap::PathFor(100), "");
    EXPECT_EQ(PortMap::NumberFor("/tmp/sim-a"), 0);

    for (int i = 0; i < 40; ++i)
        PortMap::AliasFor("/tmp/fill-" + std::to_string(i));
    EXPECT_EQ(PortMap::Aliases().size(), size_t(PortMap::kLastAlias - PortMap::kFirstAlias + 1));
    EXPECT_EQ(PortMap::AliasFor("/tmp/one-too-many"), 0);
}

TEST_F(AliasTable, PortListIsAscendingWithinRangeAndUntouchedWhenEmpty)
{
    PortMap::SetAlias(120, "/tmp/sim-port");
    QStringList ports{"keep"};
    TCOMPort::COMPortsList(ports, {"/tmp/sim-port", "/dev/ttyS2", "/dev/ttyS40", "/dev/pts/9", "/dev/ttyS0",
                                   "/dev/ttyS2", "/dev/ttyACM0"});
    EXPECT_EQ(ports, QStringList({"keep", "COM1", "COM3", "COM65", "COM120"}));

    for (const std::vector<std::string>& none :
         {std::vector<std::string>{}, std::vector<std::string>{"/dev/ttyUSB32", "/dev/pts/1"}}) {
        QStringList untouched{"a", "b"};
        TCOMPort::COMPortsList(untouched, none);
        EXPECT_EQ(untouched, QStringList({"a", "b"}));
    }
}

TEST_F(AliasTable, AbsentPortFailsEveryTransferWithoutWaiting)
{
    PortMap::SetAlias(99, "/nonexistent/zevanta-tty");
    for (uint8_t n : {uint8_t(0), uint8_t(99), uint8_t(98), uint8_t(200)}) {
        EXPECT_FALSE(TCOMPort::AccessCOM(n)) << int(n);
        TCOMPort port(n, 9600, db8, prNone, sbOne, 10000);
        EXPECT_EQ(port.Error(), errNotOpenPort) << int(n);
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(port.PortNumber(), n);

        port.TxData("ab", 2);
        EXPECT_EQ(port.Error(), errNotOpenPort);
        const auto t0 = Clock::now();
        port.ClearErrors();
        EXPECT_EQ(port.GetUART(), 0);
        EXPECT_EQ(port.Error(), errTimeOut);
        EXPECT_LT(MsSince(t0), 5000);
        EXPECT_FALSE(port.InQue());
        port.PurgeCOM();
        port.WaitTX();
    }
}

TEST_F(AliasTable, SettersOnUnopenedPortKeepTheFields)
{
    TCOMPort port(0, 19200, db8, prNone, sbOne, 120);
    port.SetRate(9600);
    port.SetRTSHandshake(true);
    port.SetTimeOut(500);
    EXPECT_EQ(port.Rate(), 19200u);
    EXPECT_FALSE(port.RTSHandshake());
    EXPECT_EQ(port.TimeOut(), 120);
    // RTS and DTR keep the value asked for even though the line cannot follow.
    port.SetRTS(true);
    port.SetDTR(true);
    EXPECT_TRUE(port.RTS());
    EXPECT_TRUE(port.DTR());
    EXPECT_EQ(port.ModemStatus(), 0u);
}

TEST_F(AliasTable, HostDevicesIncludeExistingAliasesOnly)
{
    char dir[] = "/tmp/zevanta-port-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string present = std::string(dir) + "/tty";
    close(open(present.c_str(), O_CREAT | O_WRONLY, 0600));
    PortMap::SetAlias(110, present);
    PortMap::SetAlias(111, std::string(dir) + "/gone");

    const auto devices = TCOMPort::HostSerialDevices();
    EXPECT_EQ(std::count(devices.begin(), devices.end(), present), 1);
    EXPECT_EQ(std::count(devices.begin(), devices.end(), std::string(dir) + "/gone"), 0);
    for (const std::string& d : devices)
        EXPECT_NE(PortMap::NumberFor(d), 0) << d;
    QStringList ports;
    TCOMPort::COMPortsList(ports);
    EXPECT_TRUE(ports.contains("COM110"));
    EXPECT_FALSE(ports.contains("COM111"));

    unlink(present.c_str());
    rmdir(dir);
}

TEST_F(PtyPort, RawBytesBothWays)
{
    TCOMPort port(kCOM, 115200, db8, prNone, sbOne, 1000);
    ASSERT_EQ(port.Error(), errNoError);
    ASSERT_TRUE(port.IsOpen());

    // Every byte value, including CR, LF, XON/XOFF and the interrupt characters, passes untouched.
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
        all[size_t(i)] = uint8_t(i);
    port.TxData(all.data(), uint32_t(all.size()));
    EXPECT_EQ(DeviceReceives(all.size()), all);

    DeviceSends(all);
    std::vector<uint8_t> got;
    for (size_t i = 0; i < all.size(); ++i)
        got.push_back(port.GetUART());
    EXPECT_EQ(port.Error(), errNoError);
    EXPECT_EQ(got, all);

    port.PutUART(std::string("OK\r\n"));
    EXPECT_EQ(DeviceReceives(4), (std::vector<uint8_t>{'O', 'K', '\r', '\n'}));
}

TEST_F(PtyPort, TimeOutSticksUntilCleared)
{
    TCOMPort port(kCOM, 115200, db8, prNone, sbOne, 300);
    ASSERT_EQ(port.Error(), errNoError);
    EXPECT_EQ(port.GetUART(), 0);
    EXPECT_EQ(port.Error(), errTimeOut);
    // A master that is open but silent is no hang-up.
    EXPECT_FALSE(port.HungUp());

    DeviceSends({0x5A});
    WaitForInput(port);
    EXPECT_EQ(port.GetUART(), 0);  // sticky: does not read
    EXPECT_EQ(port.Error(), errTimeOut);

    port.ClearErrors();
    EXPECT_EQ(port.GetUART(), 0x5A);
    EXPECT_EQ(port.Error(), errNoError);

    // A received 0 is told from a time-out only by Error.
    DeviceSends({0x00});
    EXPECT_EQ(port.GetUART(), 0);
    EXPECT_EQ(port.Error(), errNoError);

    EXPECT_EQ(port.GetUART(), 0);
    EXPECT_EQ(port.Error(), errTimeOut);
    port.PutUART(uint8_t(0x01));  // writing clears the error as well
    EXPECT_EQ(port.Error(), errNoError);
}

TEST_F(PtyPort, ReadOfKBytesWaitsKTimesTheTimeOut)
{
    TCOMPort port(kCOM, 115200, db8, prNone, sbOne, 100);
    ASSERT_EQ(port.Error(), errNoError);
    uint8_t buf[5]{};
    uint32_t done = 99;

    auto t0 = Clock::now();
    port.RxData(buf, 5, done);
    EXPECT_EQ(done, 0u);
    EXPECT_GE(MsSince(t0), 400);

    DeviceSends({7, 8});
    t0 = Clock::now();
    port.RxData(buf, 5, done);
    EXPECT_EQ(done, 2u);
    EXPECT_EQ(buf[0], 7);
    EXPECT_EQ(buf[1], 8);
    EXPECT_GE(MsSince(t0), 400);
}

TEST_F(PtyPort, PurgeDiscardsReceivedAndReadAheadBytes)
{
    TCOMPort port(kCOM, 115200, db8, prNone, sbOne, 300);
    ASSERT_EQ(port.Error(), errNoError);

    DeviceSends({'a', 'b', 'c'});
    WaitForInput(port);
    EXPECT_EQ(port.GetUART(), 'a');  // "bc" may now sit ahead of the caller
    port.PurgeCOM();
    EXPECT_FALSE(port.InQue());
    EXPECT_EQ(port.GetUART(), 0);
    EXPECT_EQ(port.Error(), errTimeOut);

    port.ClearErrors();
    DeviceSends({'d', 'e'});
    WaitForInput(port);
    port.PurgeCOM();
    EXPECT_EQ(port.GetUART(), 0);
    EXPECT_EQ(port.Error(), errTimeOut);

    port.ClearErrors();
    DeviceSends({'f'});
    EXPECT_EQ(port.GetUART(), 'f');
}

// Settling the line drops what arrives until it has been quiet long enough: a late burst is
// dropped (nothing of it is read afterwards), and a line that never stops talking ends the wait at
// its limit instead of holding the caller.
TEST_F(PtyPort, WaitQuietDropsLateBytesAndGivesUpOnALineThatNeverStops)
{
    struct Case {
        const char* name;
        int burstAfterMs;  // -1: none
        bool talks;        // a byte every 10 ms for the whole wait
        bool quiet;
        bool heard;
        int minMs, maxMs;
    };
    const Case cases[] = {
        {"silent line", -1, false, true, false, 50, 400},
        {"late burst", 30, false, true, true, 80, 500},
        {"endless talk", -1, true, false, true, 200, 700},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TCOMPort port(kCOM, 115200, db8, prNone, sbOne, 100);
        ASSERT_EQ(port.Error(), errNoError);
        std::atomic<bool> stop{false};
        std::thread device([&] {
            const auto t0 = Clock::now();
            bool burstSent = false;
            while (!stop && MsSince(t0) < 2000) {
                if (c.burstAfterMs >= 0 && !burstSent && MsSince(t0) >= c.burstAfterMs) {
                    DeviceSends({0xFF, 0xC0, 0x33, 0x00, 0x00});
                    burstSent = true;
                }
                if (c.talks)
                    DeviceSends({0x55});
                std::this_thread::sleep_for(std::chrono::milliseconds(c.talks ? 10 : 1));
            }
        });
        bool heard = false;
        const auto t0 = Clock::now();
        EXPECT_EQ(port.WaitQuiet(50, 200, &heard), c.quiet);
        const int64_t took = MsSince(t0);
        stop = true;
        device.join();
        EXPECT_EQ(heard, c.heard);
        EXPECT_GE(took, c.minMs);
        EXPECT_LT(took, c.maxMs);
        if (c.quiet) {
            EXPECT_EQ(port.GetUART(), 0);
            EXPECT_EQ(port.Error(), errTimeOut);
        }
    }
}

TEST_F(PtyPort, BusyPortCannotBeOpenedTwice)
{
    EXPECT_TRUE(TCOMPort::AccessCOM(kCOM));
    {
        TCOMPort first(kCOM, 9600, db8, prNone, sbOne, 100);
        ASSERT_EQ(first.Error(), errNoError);
        TCOMPort second(kCOM, 9600, db8, prNone, sbOne, 100);
        EXPECT_EQ(second.Error(), errNotOpenPort);
        EXPECT_FALSE(second.IsOpen());
        EXPECT_FALSE(TCOMPort::AccessCOM(kCOM));
    }
    EXPECT_TRUE(TCOMPort::AccessCOM(kCOM));
}

// Absent, busy, forbidden and not-a-port each say what to do about it.
TEST_F(PtyPort, OpenFailuresAreToldApart)
{
    TCOMPort holder(kCOM, 9600, db8, prNone, sbOne, 100);
    ASSERT_EQ(holder.Error(), errNoError);
    const uint8_t other = kCOM + 1;
    struct Case {
        const char* name;
        std::string path;
        TPortOpenFailure failure;
        QString text;
    };
    const std::string pts = slavePath;
    std::vector<Case> cases = {
        {"absent", "/nonexistent/ttyUSB9", TPortOpenFailure::Absent,
         "Порт COM98 (/nonexistent/ttyUSB9) отсутствует (устройство не подключено или имя неверно)"},
        {"busy", pts, TPortOpenFailure::Busy,
         QString::fromStdString("Порт COM98 (" + pts + ") занят другой программой")},
        {"not a terminal", "/dev/null", TPortOpenFailure::NotSerial,
         "COM98 (/dev/null) не является последовательным портом"},
    };
    // Root opens any device whatever its mode: the permission case needs an ordinary user.
    QTemporaryDir dir;
    if (::geteuid() != 0) {
        const std::string locked = (dir.path() + "/locked").toStdString();
        ::close(::open(locked.c_str(), O_CREAT | O_WRONLY, 0000));
        cases.push_back({"permission", locked, TPortOpenFailure::Permission,
                         QString::fromStdString("Нет доступа к порту COM98 (" + locked +
                                                "): пользователь должен входить в группу \"" + PortOwnerGroup(locked) +
                                                "\", владеющую устройством")});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PortMap::SetAlias(other, c.path);
        TCOMPort port(other, 9600, db8, prNone, sbOne, 100);
        EXPECT_EQ(port.Error(), errNotOpenPort);
        EXPECT_EQ(port.OpenFailure(), c.failure);
        EXPECT_EQ(PortOpenFailureText(other, c.path, port.OpenFailure(), port.OpenErrno()), c.text);
    }
    PortMap::SetAlias(other, "");
}

TEST_F(PtyPort, ClosedMasterIsAHangUpAndEndsReadsAtOnce)
{
    // The slave was opened and closed once already (AccessCOM): reopening it is no hang-up.
    ASSERT_TRUE(TCOMPort::AccessCOM(kCOM));
    TCOMPort port(kCOM, 115200, db8, prNone, sbOne, 10000);
    ASSERT_EQ(port.Error(), errNoError);
    port.SetTimeOut(100);
    EXPECT_EQ(port.GetUART(), 0);
    EXPECT_FALSE(port.HungUp());
    port.SetTimeOut(10000);

    CloseMaster();
    for (int i = 0; i < 2; ++i) {
        port.ClearErrors();
        const auto t0 = Clock::now();
        EXPECT_EQ(port.GetUART(), 0);
        EXPECT_EQ(port.Error(), errTimeOut);
        EXPECT_LT(MsSince(t0), 5000);
        EXPECT_TRUE(port.HungUp());
    }
    port.TxData("x", 1);  // must not block on a vanished device
    EXPECT_TRUE(port.HungUp());
}

TEST_F(PtyPort, HangUpWakesAReadWithoutTimeOut)
{
    TCOMPort port(kCOM, 115200, db8, prNone, sbOne, 0);
    ASSERT_EQ(port.Error(), errNoError);
    std::thread closer([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        CloseMaster();
    });
    EXPECT_EQ(port.GetUART(), 0);
    closer.join();
    EXPECT_EQ(port.Error(), errTimeOut);
    EXPECT_TRUE(port.HungUp());
}

TEST_F(PtyPort, LineSettingsAndRates)
{
    TCOMPort port(kCOM, "10400, 7, E, 2", 100);
    ASSERT_EQ(port.Error(), errNoError);
    // A pty forces 8 data bits without parity; the stop bits and the rest it keeps.
    termios t = SlaveTermios();
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(t.c_iflag & (IXON | ICRNL | INPCK));
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    EXPECT_EQ(SlaveSpeeds(), std::make_pair(10400u, 10400u));

    port.SetRTSHandshake(true);
    EXPECT_TRUE(port.RTSHandshake());
    EXPECT_TRUE(SlaveTermios().c_cflag & CRTSCTS);
    EXPECT_EQ(SlaveSpeeds(), std::make_pair(10400u, 10400u));

    // Every rate of the port dialog, and back from a non-standard one to a standard one.
    for (uint32_t rate : {110u,   300u,   600u,    1200u,   2400u,   4800u,   9600u,   14400u,  10400u, 19200u, 38400u,
                          56000u, 57600u, 115200u, 128000u, 256000u, 230400u, 460800u, 921600u, 10400u, 9600u}) {
        port.SetRate(rate);
        EXPECT_EQ(port.Rate(), rate);
        EXPECT_EQ(SlaveSpeeds(), std::make_pair(rate, rate)) << rate;
    }
    EXPECT_EQ(port.Error(), errNoError);

    // A pty has no modem lines: the calls are accepted and change nothing on the line.
    port.SetRTS(true);
    port.SetDTR(true);
    EXPECT_TRUE(port.RTS());
    EXPECT_TRUE(port.DTR());
    EXPECT_EQ(port.ModemStatus(), 0u);
    DeviceSends({0x42});
    EXPECT_EQ(port.GetUART(), 0x42);
}

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "sim/deviceoption.h"
#include "sim/firmwaredevice.h"
#include "simtestutil.h"

using namespace simtest;
using zeva::sim::FaultKind;
using zeva::sim::FirmwareDevice;
using zeva::sim::SimBus;
using Clock = std::chrono::steady_clock;

namespace {

int openSerial(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0) {
        termios tio{};
        ::tcgetattr(fd, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    return fd;
}

struct Received {
    Answer answer;
    Bytes raw;
    bool hangup = false;
};

// Reads until one whole frame is in, the line stays quiet for `quietMs`, or the other side hangs up.
Received readFrame(int fd, int quietMs = 2000)
{
    Received r;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, quietMs) <= 0)
            return r;
        if (p.revents & (POLLHUP | POLLERR)) {
            r.hangup = true;
            return r;
        }
        uint8_t buf[1024];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) {
            r.hangup = true;
            return r;
        }
        r.raw.insert(r.raw.end(), buf, buf + n);
        r.answer = decode(r.raw);
        if (r.answer.complete || r.answer.badCrc)
            return r;
    }
}

bool writeAll(int fd, const Bytes& b)
{
    return ::write(fd, b.data(), b.size()) == ssize_t(b.size());
}

class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/zevanta-sim-test-XXXXXX";
        m_path = ::mkdtemp(tmpl);
    }
    ~TempDir()
    {
        std::string cmd = "rm -rf '" + m_path + "'";
        [[maybe_unused]] int rc = std::system(cmd.c_str());
    }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

TEST(SimPty, AnswersOverThePtyAndSurvivesReopening)
{
    TempDir dir;
    const std::string link = dir.path() + "/ttyZEVA";
    SimBus bus;
    bus.emplace<FirmwareDevice>(1, *zeva::sim::kindConfig("app5"));
    bus.setLinkPath(link);
    std::string error;
    ASSERT_TRUE(bus.start(&error)) << error;
    ASSERT_FALSE(bus.slavePath().empty());
    char target[256] = {};
    ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(bus.slavePath(), target);

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        const int fd = openSerial(link);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(writeAll(fd, request(1, 0x71)));
        const Received r = readFrame(fd);
        EXPECT_TRUE(r.answer.complete);
        EXPECT_EQ(r.answer.code, kOk);
        EXPECT_EQ(r.answer.payload.at(0), 0x01);
        ::close(fd);  // the program closes the port; the bus must not see a hang-up
    }
    bus.stop();
    struct stat st {};
    EXPECT_NE(::lstat(link.c_str(), &st), 0) << "the link outlived the bus";
}

TEST(SimPty, PacingMakesARoundTripTakeTheWireTime)
{
    SimBus bus;
    bus.emplace<FirmwareDevice>(1, *zeva::sim::kindConfig("boot51"));
    ASSERT_TRUE(bus.start());
    const int fd = openSerial(bus.slavePath());
    ASSERT_GE(fd, 0);

    // A block read is mostly answer, a block write mostly request: both directions are paced.
    Bytes write{0x08, 0x00};
    write.resize(66, 0x5A);
    const std::vector<std::pair<const char*, Bytes>> exchanges = {
        {"read", request(1, 3, {0x08, 0x00, 0x40})},
        {"write", request(1, 4, write)},
    };
    for (const auto& [what, req] : exchanges) {
        for (const uint32_t baud : {0u, 9600u, 115200u}) {
            bus.setBaud(baud);
            const auto t0 = Clock::now();
            ASSERT_TRUE(writeAll(fd, req));
            const Received r = readFrame(fd);
            const double took = ms(Clock::now() - t0);
            ASSERT_TRUE(r.answer.complete);
            ASSERT_EQ(r.answer.code, kOk);
            const double wire = baud ? (req.size() + r.raw.size()) * 10.0 * 1000.0 / baud : 0.0;
            std::printf("[ pacing ] %-5s %6u baud: %zu + %zu bytes, wire %.2f ms, round trip %.2f ms\n", what, baud,
                        req.size(), r.raw.size(), wire, took);
            EXPECT_GE(took, 0.8 * wire);
        }
    }
    ::close(fd);
}

TEST(SimPty, DelayedAnswerAndHangUp)
{
    SimBus bus;
    auto& dev = bus.emplace<FirmwareDevice>(1, *zeva::sim::kindConfig("app6"));
    ASSERT_TRUE(bus.start());
    const int fd = openSerial(bus.slavePath());
    ASSERT_GE(fd, 0);

    dev.addFault({.kind = FaultKind::Delay, .count = 1, .delayMs = 300});
    auto t0 = Clock::now();
    ASSERT_TRUE(writeAll(fd, request(1, 0x71)));
    Received r = readFrame(fd);
    EXPECT_TRUE(r.answer.complete);
    EXPECT_GE(ms(Clock::now() - t0), 290.0);

    // The device vanishes: the open port sees a hang-up rather than a mere time-out.
    bus.closeSerialSide();
    r = readFrame(fd, 3000);
    EXPECT_TRUE(r.hangup);
    ::close(fd);
    bus.stop();
}

TEST(SimPty, StopInterruptsASlowAnswer)
{
    SimBus bus;
    auto cfg = *zeva::sim::kindConfig("app5");
    cfg.at45Pages = 4096;
    bus.emplace<FirmwareDevice>(1, cfg);
    bus.setBaud(300);  // a 528-byte page takes about 18 s at this rate
    ASSERT_TRUE(bus.start());
    const int fd = openSerial(bus.slavePath());
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(writeAll(fd, request(1, 19, {0x00, 0x00})));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto t0 = Clock::now();
    bus.stop();
    EXPECT_LT(ms(Clock::now() - t0), 3000.0);
    EXPECT_FALSE(bus.running());
    ::close(fd);
}

// TCOMPort over POSIX termios. The descriptor stays non-blocking; poll() provides the time-outs.
#include "link/comport.h"

#include <algorithm>
#include <cerrno>

#include <grp.h>
#include <sys/stat.h>
#include <chrono>
#include <climits>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/serial.h>
#endif

#include "link/comport_baud.h"
#include "link/portinfo.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kReadAhead = 4096;
constexpr short kGone = POLLHUP | POLLERR | POLLNVAL;

// The descriptor, or -1 with errno set (EBUSY when another process holds the port).
int OpenExclusive(const std::string& path)
{
    if (path.empty()) {
        errno = ENOENT;
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    // flock rather than TIOCEXCL: root ignores the latter.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        errno = EBUSY;
        return -1;
    }
    if (!::isatty(fd)) {
        ::close(fd);
        errno = ENOTTY;
        return -1;
    }
    return fd;
}

TPortOpenFailure FailureOf(int err)
{
    switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO: return TPortOpenFailure::Absent;
    case EACCES:
    case EPERM: return TPortOpenFailure::Permission;
    case EBUSY:
    case EWOULDBLOCK: return TPortOpenFailure::Busy;
    case ENOTTY: return TPortOpenFailure::NotSerial;
    default: return TPortOpenFailure::Other;
    }
}

// Errors of read/write that mean the device is gone rather than "try again".
bool IsGone(int err)
{
    return err == EIO || err == ENXIO || err == ENODEV || err == EBADF;
}

int PollMs(int64_t waitMs)
{
    return waitMs < 0 ? -1 : int(std::min<int64_t>(waitMs, INT_MAX));
}

void SetModemLine(int fd, int line, bool on)
{
    // A pty has no modem lines and refuses this; like an unopened port, that is no error.
    if (fd >= 0)
        ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line);
}

}  // namespace

TCOMPort::TCOMPort(uint8_t number, uint32_t rate, TComDataBits bits, TComParity parity, TComStopBits stopBits,
                   uint16_t timeOut)
    : nCOM(number), FRate(rate), FTimeOut(timeOut)
{
    Open(bits, parity, stopBits);
}

TCOMPort::TCOMPort(uint8_t number, const std::string& params, uint16_t timeOut)
    : TCOMPort(number, ParseComSettings(params), timeOut)
{
}

TCOMPort::TCOMPort(uint8_t number, const TComSettings& s, uint16_t timeOut)
    : TCOMPort(number, s.Rate, s.Bits, s.Parity, s.StopBits, timeOut)
{
}

TCOMPort::~TCOMPort()
{
    if (hCOM < 0)
        return;
    PurgeCOM();
    SetRTS(false);
    SetDTR(false);
    ::close(hCOM);
    hCOM = -1;
}

void TCOMPort::Open(TComDataBits bits, TComParity parity, TComStopBits stopBits)
{
    FError = errNoError;
    const int fd = OpenExclusive(PortMap::PathFor(nCOM));
    if (fd < 0) {
        FOpenErrno = errno;
        FOpenFailure = FailureOf(FOpenErrno);
        FError = errNotOpenPort;
        return;
    }
    termios t{};
    if (::tcgetattr(fd, &t) == 0) {
        ::cfmakeraw(&t);
        t.c_iflag &= ~(INPCK | IGNPAR | IXOFF | IXANY);
        t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
        static constexpr tcflag_t kSize[] = {CS5, CS6, CS7, CS8};
        t.c_cflag |= kSize[bits <= db8 ? bits : db8] | CLOCAL | CREAD;
        if (parity == prEven)
            t.c_cflag |= PARENB;
        else if (parity == prOdd)
            t.c_cflag |= PARENB | PARODD;
        if (stopBits == sbTwo)
            t.c_cflag |= CSTOPB;
        // VMIN 0 would make a read with no data return 0, which reads as a hang-up.
        t.c_cc[VMIN] = 1;
        t.c_cc[VTIME] = 0;
        // A pty may refuse part of this; the line works regardless.
        ::tcsetattr(fd, TCSANOW, &t);
    }
    zvSetBaudRate(fd, FRate);
#ifdef __linux__
    // USB adapters hand short answers over late unless asked not to; a driver without the flag
    // (or a pty) refuses, and the line works regardless.
    if (PortMap::PathFor(nCOM).rfind("/dev/ttyUSB", 0) == 0) {
        serial_struct ss{};
        if (::ioctl(fd, TIOCGSERIAL, &ss) == 0 && !(ss.flags & ASYNC_LOW_LATENCY)) {
            ss.flags |= ASYNC_LOW_LATENCY;
            ::ioctl(fd, TIOCSSERIAL, &ss);
        }
    }
#endif
    hCOM = fd;
}

bool TCOMPort::IsOpen() const
{
    return hCOM >= 0;
}

std::string PortOwnerGroup(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    if (const group* g = ::getgrgid(st.st_gid))
        return g->gr_name;
    return std::to_string(st.st_gid);
}

bool TCOMPort::AccessCOM(uint8_t nCOM)
{
    const int fd = OpenExclusive(PortMap::PathFor(nCOM));
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

std::vector<std::string> TCOMPort::HostSerialDevices()
{
    std::vector<std::string> paths;
    for (const TPortDescription& d : DescribeHostPorts())
        paths.push_back(d.Path);
    return paths;
}

void TCOMPort::TxData(const void* buffer, uint32_t n)
{
    if (hCOM < 0 || FHungUp)
        return;
    auto p = static_cast<const uint8_t*>(buffer);
    size_t left = n;
    while (left > 0) {
        const ssize_t w = ::write(hCOM, p, left);
        if (w > 0) {
            p += w;
            left -= size_t(w);
            continue;
        }
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd pf{hCOM, POLLOUT, 0};
            if (::poll(&pf, 1, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (pf.revents & kGone) {
                FHungUp = true;
                return;
            }
            continue;
        }
        if (w < 0 && IsGone(errno))
            FHungUp = true;
        return;
    }
}

bool TCOMPort::FillReadAhead(int64_t waitMs)
{
    if (hCOM < 0 || FHungUp)
        return false;
    if (FAheadPos >= FAhead.size()) {
        FAhead.clear();
        FAheadPos = 0;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max<int64_t>(waitMs, 0));
    for (;;) {
        int64_t remaining = -1;
        if (waitMs >= 0) {
            // Rounded up so that poll does not wake just before the deadline and spin.
            remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            remaining = std::max<int64_t>(remaining, 0);
        }
        pollfd pf{hCOM, POLLIN, 0};
        const int r = ::poll(&pf, 1, PollMs(remaining));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (r == 0) {
            if (remaining > 0 && Clock::now() < deadline)
                continue;
            return false;
        }
        const size_t old = FAhead.size();
        FAhead.resize(old + kReadAhead);
        const ssize_t got = ::read(hCOM, FAhead.data() + old, kReadAhead);
        const int err = errno;
        FAhead.resize(old + size_t(std::max<ssize_t>(got, 0)));
        if (got > 0)
            return true;
        if (got == 0) {  // end of file: the other side is gone (with VMIN 1, "no data" is EAGAIN)
            FHungUp = true;
            return false;
        }
        if (err == EINTR)
            continue;
        if ((err == EAGAIN || err == EWOULDBLOCK) && !(pf.revents & kGone)) {
            if (remaining == 0)
                return false;
            continue;
        }
        FHungUp = true;
        return false;
    }
}

void TCOMPort::RxData(void* buffer, uint32_t n, uint32_t& nDone)
{
    nDone = 0;
    auto out = static_cast<uint8_t*>(buffer);
    const bool noLimit = FTimeOut == 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(int64_t(n) * FTimeOut);
    while (nDone < n) {
        const size_t take = std::min<size_t>(FAhead.size() - FAheadPos, n - nDone);
        if (take > 0) {
            std::memcpy(out + nDone, FAhead.data() + FAheadPos, take);
            FAheadPos += take;
            nDone += uint32_t(take);
            continue;
        }
        int64_t waitMs = -1;
        if (!noLimit) {
            waitMs = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (waitMs <= 0)
                return;
        }
        if (!FillReadAhead(waitMs))
            return;
    }
}

void TCOMPort::PutUART(uint8_t b)
{
    TxData(&b, 1);
    FError = errNoError;
}

void TCOMPort::PutUART(const std::string& s)
{
    for (char c : s)
        PutUART(uint8_t(c));
}

uint8_t TCOMPort::GetUART()
{
    if (FError != errNoError)
        return 0;
    uint8_t b = 0;
    uint32_t done = 0;
    RxData(&b, 1, done);
    if (done == 1)
        return b;
    FError = errTimeOut;
    return 0;
}

void TCOMPort::PurgeCOM()
{
    // Bytes already read ahead count as part of the receive queue.
    FAhead.clear();
    FAheadPos = 0;
    if (hCOM >= 0)
        ::tcflush(hCOM, TCIOFLUSH);
}

bool TCOMPort::WaitQuiet(int quietMs, int limitMs, bool* heard)
{
    bool any = FAheadPos < FAhead.size();
    FAhead.clear();
    FAheadPos = 0;
    if (hCOM < 0) {
        // Nothing can arrive; keep the pause the caller asked for.
        std::this_thread::sleep_for(std::chrono::milliseconds(std::max(quietMs, 0)));
        if (heard)
            *heard = false;
        return true;
    }
    const auto limit = Clock::now() + std::chrono::milliseconds(std::max(limitMs, 0));
    bool quiet = false;
    while (!FHungUp) {
        if (!FillReadAhead(std::max(quietMs, 0))) {
            quiet = !FHungUp;
            break;
        }
        any = true;
        FAhead.clear();
        FAheadPos = 0;
        if (Clock::now() >= limit)
            break;
    }
    if (heard)
        *heard = any;
    return quiet;
}

bool TCOMPort::InQue()
{
    if (FAheadPos < FAhead.size())
        return true;
    int n = 0;
    return hCOM >= 0 && ::ioctl(hCOM, FIONREAD, &n) == 0 && n > 0;
}

void TCOMPort::ClearErrors()
{
    // POSIX drivers keep no error state that blocks transfers; only ours remains.
    FError = errNoError;
}

void TCOMPort::WaitTX()
{
    if (hCOM < 0)
        return;
    while (::tcdrain(hCOM) != 0 && errno == EINTR) {
    }
}

void TCOMPort::WaitRX()
{
    if (FAheadPos < FAhead.size())
        return;
    FillReadAhead(-1);
}

void TCOMPort::SetRate(uint32_t rate)
{
    if (hCOM < 0 || rate == FRate || rate == 0)
        return;
    FRate = rate;
    zvSetBaudRate(hCOM, rate);
}

void TCOMPort::SetRTSHandshake(bool on)
{
    if (hCOM < 0 || on == FRTSHandshake)
        return;
    FRTSHandshake = on;
    termios t{};
    if (::tcgetattr(hCOM, &t) != 0)
        return;
    if (on)
        t.c_cflag |= CRTSCTS;
    else
        t.c_cflag &= ~CRTSCTS;
    ::tcsetattr(hCOM, TCSANOW, &t);
    zvSetBaudRate(hCOM, FRate);  // in case the round trip through termios lost a non-standard rate
}

void TCOMPort::SetTimeOut(uint16_t ms)
{
    if (hCOM < 0 || ms == FTimeOut)
        return;
    FTimeOut = ms;
}

void TCOMPort::SetRTS(bool on)
{
    FRTS = on;
    SetModemLine(hCOM, TIOCM_RTS, on);
}

void TCOMPort::SetDTR(bool on)
{
    FDTR = on;
    SetModemLine(hCOM, TIOCM_DTR, on);
}

uint32_t TCOMPort::ModemStatus() const
{
    int bits = 0;
    if (hCOM < 0 || ::ioctl(hCOM, TIOCMGET, &bits) != 0)
        return 0;
    uint32_t r = 0;
    if (bits & TIOCM_CTS)
        r |= 0x10;
    if (bits & TIOCM_DSR)
        r |= 0x20;
    if (bits & TIOCM_RNG)
        r |= 0x40;
    if (bits & TIOCM_CD)
        r |= 0x80;
    return r;
}

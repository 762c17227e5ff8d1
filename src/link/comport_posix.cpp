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
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
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

// Errors of read/write that mean the device (or the connection) is gone rather than "try again".
bool IsGone(int err)
{
    return err == EIO || err == ENXIO || err == ENODEV || err == EBADF || err == EPIPE || err == ECONNRESET ||
           err == ETIMEDOUT || err == EHOSTUNREACH || err == ENETUNREACH;
}

std::atomic<int> gNetTimeOutMs{5000};

int64_t MsSince(Clock::time_point t0)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
}

// A connected, non-blocking TCP socket with Nagle off, or -1 with failure and err set.
int ConnectTcp(const TNetAddress& a, int timeOutMs, TPortOpenFailure& failure, int& err, uint32_t& connectMs)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const int rc = ::getaddrinfo(a.Host.c_str(), std::to_string(a.Port).c_str(), &hints, &list);
    if (rc != 0) {
        failure = TPortOpenFailure::Unresolved;
        err = rc;
        return -1;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeOutMs);
    failure = TPortOpenFailure::Other;
    err = 0;
    int fd = -1;
    for (addrinfo* ai = list; ai && fd < 0; ai = ai->ai_next) {
        const auto t0 = Clock::now();
        fd = ::socket(ai->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            err = errno;
            continue;
        }
        int e = 0;
        if (::connect(fd, ai->ai_addr, ai->ai_addrlen) != 0) {
            e = errno;
            while (e == EINPROGRESS || e == EINTR) {
                const int64_t left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
                pollfd pf{fd, POLLOUT, 0};
                const int r = left > 0 ? ::poll(&pf, 1, int(left)) : 0;
                if (r < 0 && errno == EINTR)
                    continue;
                if (r <= 0) {
                    e = ETIMEDOUT;
                    break;
                }
                socklen_t len = sizeof e;
                if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &e, &len) != 0)
                    e = errno;
                break;
            }
        }
        if (e != 0) {
            ::close(fd);
            fd = -1;
            err = e;
            failure = e == ECONNREFUSED ? TPortOpenFailure::Refused
                      : e == ETIMEDOUT  ? TPortOpenFailure::ConnectTimeOut
                                        : TPortOpenFailure::Other;
            if (failure == TPortOpenFailure::ConnectTimeOut) {
                err = timeOutMs;
                break;  // the time is spent; further addresses would only add to the wait
            }
            continue;
        }
        connectMs = uint32_t(std::max<int64_t>(MsSince(t0), 0));
        // Every frame is one small write that waits for its answer: Nagle's delay would be paid on each.
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    ::freeaddrinfo(list);
    return fd;
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

void TCOMPort::SetNetTimeOut(int ms)
{
    gNetTimeOutMs = std::max(ms, 1);
}

int TCOMPort::NetTimeOut()
{
    return gNetTimeOutMs;
}

TCOMPort::~TCOMPort()
{
    if (hCOM < 0)
        return;
    if (IsOpen() && FNetKind != nkLocal) {
        // The server puts its line back when the connection ends.
        ::close(hCOM);
        hCOM = -1;
        return;
    }
    PurgeCOM();
    SetRTS(false);
    SetDTR(false);
    ::close(hCOM);
    hCOM = -1;
}

void TCOMPort::Open(TComDataBits bits, TComParity parity, TComStopBits stopBits)
{
    FError = errNoError;
    const std::string path = PortMap::PathFor(nCOM);
    if (IsNetPortName(path)) {
        OpenNetwork(path, bits, parity, stopBits);
        return;
    }
    const int fd = OpenExclusive(path);
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

void TCOMPort::OpenNetwork(const std::string& name, TComDataBits bits, TComParity parity, TComStopBits stopBits)
{
    auto fail = [this](TPortOpenFailure f, int err) {
        if (hCOM >= 0)
            ::close(hCOM);
        hCOM = -1;
        FOpenFailure = f;
        FOpenErrno = err;
        FError = errNotOpenPort;
    };
    const std::optional<TNetAddress> address = ParseNetAddress(name);
    if (!address) {
        fail(TPortOpenFailure::BadAddress, 0);
        return;
    }
    TPortOpenFailure failure = TPortOpenFailure::None;
    int err = 0;
    uint32_t connectMs = 0;
    const int fd = ConnectTcp(*address, NetTimeOut(), failure, err, connectMs);
    if (fd < 0) {
        fail(failure, err);
        return;
    }
    hCOM = fd;
    FRoundTripMs = connectMs;
    if (address->Kind == TNetAddress::nkTcp) {
        FNetKind = nkTcp;
        return;
    }
    FNetKind = nkRfc2217;
    FTelnet = std::make_unique<telnet::TTelnetDecoder>();
    using namespace telnet;
    static constexpr uint8_t kParity[] = {1, 3, 2};  // none, even, odd as the option numbers them
    const uint32_t rate = FRate;
    struct TSetting {
        uint8_t Cmd;
        std::vector<uint8_t> Value;
    };
    const TSetting settings[] = {
        {cpSetBaudRate, {uint8_t(rate >> 24), uint8_t(rate >> 16), uint8_t(rate >> 8), uint8_t(rate)}},
        {cpSetDataSize, {uint8_t(5 + std::min<int>(bits, db8))}},
        {cpSetParity, {kParity[parity <= prOdd ? parity : prNone]}},
        {cpSetStopSize, {uint8_t(stopBits == sbTwo ? 2 : 1)}},
        {cpSetControl, {FRTSHandshake ? ctlHardwareFlow : ctlNoFlow}},
    };
    // The purge goes first and alone: its answer times the round trip, which the line settings
    // would stretch by the server's work on the device.
    std::vector<uint8_t> out = OpeningNegotiation();
    const std::vector<uint8_t> purge = ComPortCommand(cpPurgeData, std::vector<uint8_t>{purgeBoth});
    out.insert(out.end(), purge.begin(), purge.end());
    const auto sent = Clock::now();
    WriteRaw(out.data(), out.size());
    std::vector<uint8_t> codes{uint8_t(cpPurgeData + kServerOffset)};
    std::vector<TComPortAnswer> got;
    bool complete = AwaitComPortAnswers(codes, got, NetTimeOut());
    if (complete) {
        FRoundTripMs = std::max(FRoundTripMs, uint32_t(std::max<int64_t>(MsSince(sent), 0)));
        out.clear();
        for (const TSetting& st : settings) {
            const std::vector<uint8_t> cmd = ComPortCommand(st.Cmd, st.Value);
            out.insert(out.end(), cmd.begin(), cmd.end());
            codes.push_back(uint8_t(st.Cmd + kServerOffset));
        }
        WriteRaw(out.data(), out.size());
        complete = AwaitComPortAnswers(codes, got, NetTimeOut());
    }
    if (FTelnet->ComPortRefused) {
        fail(TPortOpenFailure::SettingRefused, 0);
        return;
    }
    if (FHungUp) {
        FHungUp = false;
        fail(TPortOpenFailure::ServerClosed, 0);
        return;
    }
    if (!complete) {
        // Silent about the line: a raw TCP server, or a Telnet one without the option.
        fail(got.empty() ? TPortOpenFailure::SettingRefused : TPortOpenFailure::ConnectTimeOut,
             got.empty() ? 0 : NetTimeOut());
        return;
    }
    for (const TSetting& st : settings) {
        for (const TComPortAnswer& a : got)
            if (a.Code == st.Cmd + kServerOffset && a.Value != st.Value) {
                fail(TPortOpenFailure::SettingRefused, st.Cmd);
                return;
            }
    }
    // Line data that came before the purge belongs to nobody.
    FAhead.clear();
    FAheadPos = 0;
}

bool TCOMPort::AwaitComPortAnswers(std::vector<uint8_t>& codes, std::vector<telnet::TComPortAnswer>& got, int timeOutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeOutMs);
    auto take = [&] {
        for (auto it = FAnswers.begin(); it != FAnswers.end();) {
            const auto want = std::find(codes.begin(), codes.end(), it->Code);
            if (want == codes.end()) {
                ++it;
                continue;
            }
            codes.erase(want);
            got.push_back(std::move(*it));
            it = FAnswers.erase(it);
        }
    };
    take();
    while (!codes.empty()) {
        const int64_t left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || FTelnet->ComPortRefused)
            return false;
        if (ReadChunk(left) == chGone)
            return false;
        take();
    }
    return true;
}

bool TCOMPort::SendComPort(uint8_t cmd, std::vector<uint8_t> value, bool check)
{
    if (hCOM < 0 || FNetKind != nkRfc2217)
        return false;
    const std::vector<uint8_t> out = telnet::ComPortCommand(cmd, value);
    FAnswers.clear();
    WriteRaw(out.data(), out.size());
    if (!check)
        return true;
    std::vector<uint8_t> codes{uint8_t(cmd + telnet::kServerOffset)};
    std::vector<telnet::TComPortAnswer> got;
    if (!AwaitComPortAnswers(codes, got, NetTimeOut()) || got.front().Value != value) {
        FOpenFailure = TPortOpenFailure::SettingRefused;
        FOpenErrno = cmd;
        return false;
    }
    return true;
}

bool TCOMPort::AccessCOM(uint8_t nCOM)
{
    const std::string path = PortMap::PathFor(nCOM);
    if (IsNetPortName(path)) {
        const std::optional<TNetAddress> address = ParseNetAddress(path);
        TPortOpenFailure failure = TPortOpenFailure::None;
        int err = 0;
        uint32_t ms = 0;
        // A short probe: the window asks this on its own thread while waiting for the server.
        const int fd = address ? ConnectTcp(*address, std::min(NetTimeOut(), 1000), failure, err, ms) : -1;
        if (fd < 0)
            return false;
        ::close(fd);
        return true;
    }
    const int fd = OpenExclusive(path);
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
    auto p = static_cast<const uint8_t*>(buffer);
    if (FNetKind == nkRfc2217) {
        // Firmware is full of 0xFF: each one not doubled would be taken for a Telnet command.
        std::vector<uint8_t> escaped;
        escaped.reserve(n + n / 8);
        telnet::AppendEscaped(escaped, std::span<const uint8_t>(p, n));
        WriteRaw(escaped.data(), escaped.size());
        return;
    }
    WriteRaw(p, n);
}

void TCOMPort::WriteRaw(const uint8_t* p, size_t n)
{
    if (hCOM < 0 || FHungUp)
        return;
    size_t left = n;
    while (left > 0) {
        // A socket whose server has gone must not raise SIGPIPE: the write fails and we see a hang-up.
        const ssize_t w = FNetKind != nkLocal ? ::send(hCOM, p, left, MSG_NOSIGNAL) : ::write(hCOM, p, left);
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
    const size_t had = FAhead.size();
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max<int64_t>(waitMs, 0));
    for (;;) {
        int64_t remaining = -1;
        if (waitMs >= 0)
            remaining =
                std::max<int64_t>(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count(), 0);
        if (ReadChunk(remaining) != chGot)
            return false;
        if (FAhead.size() > had)
            return true;
        // Only Telnet negotiation came: keep waiting for line data while time is left.
        if (remaining == 0)
            return false;
    }
}

TCOMPort::TChunk TCOMPort::ReadChunk(int64_t waitMs)
{
    if (hCOM < 0 || FHungUp)
        return chGone;
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
            return chTimeOut;
        }
        if (r == 0) {
            if (remaining > 0 && Clock::now() < deadline)
                continue;
            return chTimeOut;
        }
        uint8_t chunk[kReadAhead];
        const ssize_t got = ::read(hCOM, chunk, kReadAhead);
        const int err = errno;
        if (got > 0) {
            if (IsNetwork()) {
                // A server that keeps Nagle's delay on (ser2net's default) holds the rest of an
                // answer until we acknowledge its first part; a delayed ACK would cost ~20 ms a frame.
                int one = 1;
                ::setsockopt(hCOM, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
            }
            if (FTelnet) {
                FTelnet->Push(std::span<const uint8_t>(chunk, size_t(got)), FAhead);
                if (!FTelnet->Reply.empty()) {
                    std::vector<uint8_t> reply;
                    reply.swap(FTelnet->Reply);
                    WriteRaw(reply.data(), reply.size());
                }
                for (telnet::TComPortAnswer& a : FTelnet->Answers) {
                    if (a.Code == telnet::cpNotifyModemState + telnet::kServerOffset && !a.Value.empty())
                        FModemState = a.Value[0];
                    else
                        FAnswers.push_back(std::move(a));
                }
                FTelnet->Answers.clear();
            } else {
                FAhead.insert(FAhead.end(), chunk, chunk + got);
            }
            return chGot;
        }
        if (got == 0) {  // end of file: the other side is gone (with VMIN 1, "no data" is EAGAIN)
            FHungUp = true;
            return chGone;
        }
        if (err == EINTR)
            continue;
        if ((err == EAGAIN || err == EWOULDBLOCK) && !(pf.revents & kGone)) {
            if (remaining == 0)
                return chTimeOut;
            continue;
        }
        FHungUp = true;
        return chGone;
    }
}

void TCOMPort::RxData(void* buffer, uint32_t n, uint32_t& nDone)
{
    nDone = 0;
    auto out = static_cast<uint8_t*>(buffer);
    const bool noLimit = FTimeOut == 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(int64_t(n) * FTimeOut + FRoundTripMs);
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
    if (FNetKind != nkLocal) {
        // What the connection already holds is the receive queue; the server's own buffers were
        // purged when it opened.
        while (ReadChunk(0) == chGot) {
        }
        FAhead.clear();
        return;
    }
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
    if (FNetKind != nkLocal)
        return FillReadAhead(0);
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
    // A socket has no line to drain; what was sent is the server's to pace.
    if (hCOM < 0 || FNetKind != nkLocal)
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
    if (FNetKind == nkRfc2217)
        SendComPort(telnet::cpSetBaudRate,
                    {uint8_t(rate >> 24), uint8_t(rate >> 16), uint8_t(rate >> 8), uint8_t(rate)}, true);
    else if (FNetKind == nkLocal)
        zvSetBaudRate(hCOM, rate);
}

void TCOMPort::SetRTSHandshake(bool on)
{
    if (hCOM < 0 || on == FRTSHandshake)
        return;
    FRTSHandshake = on;
    if (FNetKind != nkLocal) {
        SendComPort(telnet::cpSetControl, {on ? telnet::ctlHardwareFlow : telnet::ctlNoFlow}, true);
        return;
    }
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
    if (FNetKind == nkLocal) {
        SetModemLine(hCOM, TIOCM_RTS, on);
    } else if (on || FLinesSent) {
        FLinesSent = true;
        // Servers differ in answering these (some not at all): not checked.
        SendComPort(telnet::cpSetControl, {on ? telnet::ctlRtsOn : telnet::ctlRtsOff}, false);
    }
}

void TCOMPort::SetDTR(bool on)
{
    FDTR = on;
    if (FNetKind == nkLocal) {
        SetModemLine(hCOM, TIOCM_DTR, on);
    } else if (on || FLinesSent) {
        FLinesSent = true;
        SendComPort(telnet::cpSetControl, {on ? telnet::ctlDtrOn : telnet::ctlDtrOff}, false);
    }
}

uint32_t TCOMPort::ModemStatus() const
{
    if (FNetKind != nkLocal)
        return hCOM >= 0 ? uint32_t(FModemState & 0xF0) : 0;
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

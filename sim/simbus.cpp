#include "sim/simbus.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <poll.h>

#include <condition_variable>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace zeva::sim {

namespace {

constexpr size_t kDecodeCapacity = 0x10000;  // every length the 16-bit field can announce
constexpr uint8_t kChangeAddress = 122;
// A stuck reader must not hold the worker forever.
constexpr int kWriteStallMs = 1000;

std::chrono::nanoseconds wireTime(size_t bytes, uint32_t baud)
{
    // 8N1: ten bit times per byte.
    return std::chrono::nanoseconds(int64_t(bytes) * 10 * 1000000000LL / baud);
}

void drain(int fd)
{
    uint8_t buf[64];
    while (::read(fd, buf, sizeof buf) > 0) {
    }
}

// Replaces the last CRC byte of an encoded frame by another byte that needs no stuffing.
void corruptLastCrcByte(std::vector<uint8_t>& f)
{
    const size_t n = f.size();
    if (n >= 2 && f[n - 2] == FESC && (f[n - 1] == TFEND || f[n - 1] == TFESC)) {
        f.pop_back();
        f.back() = 0x00;  // was C0 or DB, now plain 00
        return;
    }
    uint8_t b = uint8_t(f[n - 1] ^ 0x01);
    if (b == FEND || b == FESC)
        b = uint8_t(f[n - 1] ^ 0x02);
    f[n - 1] = b;
}

}  // namespace

// --- receiver ----------------------------------------------------------------------------

SimBus::Receiver::Receiver() : m_buf(new uint8_t[kDecodeCapacity]), m_decoder(m_buf.get(), kDecodeCapacity) {}

std::optional<SimBus::Request> SimBus::Receiver::push(uint8_t b, Clock::time_point now, std::atomic<uint64_t>& bad)
{
    if (b == FEND && !m_decoder.hunting()) {
        // A bare FEND never occurs inside a stuffed frame: the previous frame was cut off.
        m_decoder.reset();
        ++bad;
        m_marked = false;
    }
    if (m_decoder.hunting()) {
        if (b == kPreamble || b == FEND) {
            if (!m_marked) {
                m_marked = true;
                m_start = now;
                m_raw = 0;
            }
        } else {
            m_marked = false;
        }
    }
    ++m_raw;
    switch (m_decoder.push(b)) {
    case FrameDecoder::Status::NeedMore: return std::nullopt;
    case FrameDecoder::Status::Frame: {
        Request r;
        r.addr = m_decoder.addr();
        r.cmd = m_decoder.cmd();
        r.payload.assign(m_buf.get(), m_buf.get() + m_decoder.count());
        r.start = m_marked ? m_start : now;
        r.rawBytes = m_marked ? m_raw : 1;
        m_marked = false;
        return r;
    }
    case FrameDecoder::Status::BadCrc:
    case FrameDecoder::Status::TooLong:
        ++bad;
        m_marked = false;
        return std::nullopt;
    }
    return std::nullopt;
}

// --- devices -----------------------------------------------------------------------------

SimBus::SimBus() = default;

SimBus::~SimBus()
{
    stop();
}

SimDevice& SimBus::addDevice(std::unique_ptr<SimDevice> device)
{
    std::lock_guard g(m_devicesMutex);
    m_devices.push_back(std::move(device));
    return *m_devices.back();
}

SimDevice* SimBus::device(uint16_t address) const
{
    std::lock_guard g(m_devicesMutex);
    for (const auto& d : m_devices)
        if (d->address() == address)
            return d.get();
    return nullptr;
}

std::vector<SimDevice*> SimBus::devices() const
{
    std::lock_guard g(m_devicesMutex);
    std::vector<SimDevice*> out;
    for (const auto& d : m_devices)
        out.push_back(d.get());
    return out;
}

std::optional<SimBus::Outgoing> SimBus::serve(const Request& req)
{
    ++m_framesReceived;
    Outcome o;
    {
        std::lock_guard g(m_devicesMutex);
        SimDevice* dev = nullptr;
        for (const auto& d : m_devices)
            if (d->address() == req.addr) {
                dev = d.get();
                break;
            }
        if (!dev)
            return std::nullopt;
        // Two devices at one address would garble every answer; the bus keeps them apart.
        bool taken = false;
        if (req.cmd == kChangeAddress && req.payload.size() == 2) {
            const uint16_t to = uint16_t((req.payload[0] << 8) | req.payload[1]);
            for (const auto& d : m_devices)
                taken = taken || (d.get() != dev && d->address() == to);
        }
        if (taken) {
            dev->serve(req.cmd, {});  // logged and counted like any request; an empty 122 is refused
            o.reply = Reply::refuse();
        } else {
            o = dev->serve(req.cmd, req.payload);
        }
    }
    if (o.reply.kind == Reply::Kind::None)
        return std::nullopt;

    Outgoing out;
    out.delayMs = o.delayMs;
    const uint8_t code = o.reply.kind == Reply::Kind::Accept ? kAnswerAccepted : kAnswerRefused;
    // The answer carries the address the request was sent to (before any address change).
    encodeFrame(out.bytes, req.addr, code, o.reply.payload);
    if (o.corruptCrc)
        corruptLastCrcByte(out.bytes);
    if (o.dropBytes > 0) {
        const size_t from = std::max<size_t>(2, out.bytes.size() / 2);
        const size_t n = std::min<size_t>(size_t(o.dropBytes), out.bytes.size() - from);
        out.bytes.erase(out.bytes.begin() + from, out.bytes.begin() + from + n);
    }
    return out;
}

std::vector<SimBus::Outgoing> SimBus::feed(std::span<const uint8_t> bytes)
{
    std::vector<Outgoing> out;
    const auto now = Clock::now();
    for (uint8_t b : bytes)
        if (auto req = m_directRx.push(b, now, m_badFrames))
            if (auto o = serve(*req)) {
                ++m_answersSent;
                out.push_back(std::move(*o));
            }
    return out;
}

std::vector<uint8_t> SimBus::exchange(std::span<const uint8_t> bytes)
{
    std::vector<uint8_t> all;
    for (const auto& o : feed(bytes))
        all.insert(all.end(), o.bytes.begin(), o.bytes.end());
    return all;
}

SimBus::Counters SimBus::counters() const
{
    return {m_framesReceived.load(), m_badFrames.load(), m_answersSent.load()};
}

void SimBus::resetCounters()
{
    m_framesReceived = 0;
    m_badFrames = 0;
    m_answersSent = 0;
}

// --- pty and worker ----------------------------------------------------------------------

void SimBus::setLinkPath(std::string path)
{
    std::lock_guard g(m_stateMutex);
    m_linkPath = std::move(path);
}

std::string SimBus::slavePath() const
{
    std::lock_guard g(m_stateMutex);
    return m_slavePath;
}

bool SimBus::start(std::string* error)
{
    if (running())
        return true;
    auto fail = [&](const std::string& what) {
        if (error)
            *error = what + ": " + std::strerror(errno);
        closeFds();
        return false;
    };

    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0)
        return fail("openpty");
    char name[PATH_MAX] = {};
    if (::ttyname_r(m_slave, name, sizeof name) != 0)
        return fail("ttyname");
    // Raw on our side too: no echo, no line editing, no CR/LF translation before the program
    // sets its own mode.
    termios tio{};
    if (::tcgetattr(m_slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return fail("pipe");

    std::string link;
    {
        std::lock_guard g(m_stateMutex);
        m_slavePath = name;
        link = m_linkPath;
        m_linkMade = false;
    }
    if (!link.empty()) {
        struct stat st {};
        if (::lstat(link.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                errno = EEXIST;
                return fail("link " + link);
            }
            ::unlink(link.c_str());
        }
        if (::symlink(name, link.c_str()) != 0)
            return fail("link " + link);
        std::lock_guard g(m_stateMutex);
        m_linkMade = true;
    }

    m_stop = false;
    m_closeRequested = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void SimBus::stop()
{
    if (m_thread.joinable()) {
        m_stop = true;
        wake();
        m_thread.join();
    }
    closeFds();
    std::lock_guard g(m_stateMutex);
    if (m_linkMade) {
        // Only our own link goes; someone may have replaced it meanwhile.
        char target[PATH_MAX] = {};
        const ssize_t n = ::readlink(m_linkPath.c_str(), target, sizeof target - 1);
        if (n > 0 && m_slavePath == std::string(target, size_t(n)))
            ::unlink(m_linkPath.c_str());
        m_linkMade = false;
    }
}

void SimBus::closeSerialSide()
{
    m_closeRequested = true;
    wake();
    // Return only once the line is really gone, so that a caller's next request cannot still be
    // answered (a test that pulls the plug between two blocks relies on this).
    if (!running() || std::this_thread::get_id() == m_thread.get_id())
        return;
    std::unique_lock lock(m_closeMutex);
    m_closeCv.wait_for(lock, std::chrono::seconds(5), [this] { return m_serialClosed; });
}

void SimBus::wake()
{
    if (m_wake[1] >= 0) {
        const uint8_t b = 1;
        [[maybe_unused]] auto r = ::write(m_wake[1], &b, 1);
    }
}

void SimBus::closeFds()
{
    for (int* fd : {&m_master, &m_slave, &m_wake[0], &m_wake[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

bool SimBus::waitUntil(Clock::time_point deadline)
{
    using namespace std::chrono;
    for (;;) {
        if (interrupted())
            return false;
        const auto now = Clock::now();
        if (now >= deadline)
            return true;
        const auto left = deadline - now;
        if (left > milliseconds(3)) {
            // Long waits sleep on the wake pipe so that stop() is not held up.
            pollfd p{m_wake[0], POLLIN, 0};
            const int ms = int(duration_cast<milliseconds>(left).count()) - 2;
            if (::poll(&p, 1, ms) > 0)
                drain(m_wake[0]);
        } else {
            std::this_thread::sleep_until(deadline);
        }
    }
}

bool SimBus::writeAll(const uint8_t* p, size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(m_master, p, n);
        if (w > 0) {
            p += w;
            n -= size_t(w);
            continue;
        }
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0 && errno != EAGAIN)
            return false;
        // The pty buffer is full: nobody reads the serial side.
        pollfd fds[2] = {{m_master, POLLOUT, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 2, kWriteStallMs) <= 0)
            return false;
        if (fds[1].revents & POLLIN) {
            drain(m_wake[0]);
            if (interrupted())
                return false;
        }
    }
    return true;
}

void SimBus::sendPaced(const std::vector<uint8_t>& bytes, Clock::time_point t0)
{
    const uint32_t baud = m_baud.load();
    if (baud == 0) {
        writeAll(bytes.data(), bytes.size());
        return;
    }
    // Each burst leaves when its last byte would have finished on the line, against a schedule
    // fixed at the start, so sleep overshoot does not add up. Bursts of about 2 ms keep the
    // number of wake-ups low at high rates.
    const size_t burst = std::max<size_t>(1, baud / 10 / 500);
    for (size_t sent = 0; sent < bytes.size();) {
        const size_t upto = std::min(bytes.size(), sent + burst);
        if (!waitUntil(t0 + wireTime(upto, baud)))
            return;
        if (!writeAll(bytes.data() + sent, upto - sent))
            return;
        sent = upto;
    }
}

void SimBus::run()
{
#ifdef __linux__
    // Sleeps here stand for wire time; the default 50 µs slack would add to every frame.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
    Receiver rx;
    std::vector<uint8_t> chunk(4096);
    for (;;) {
        if (m_stop)
            return;
        if (m_closeRequested && m_master >= 0) {
            ::close(m_master);
            ::close(m_slave);
            m_master = m_slave = -1;
            std::lock_guard lock(m_closeMutex);
            m_serialClosed = true;
            m_closeCv.notify_all();
        }
        pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {m_master, POLLIN, 0}};
        const nfds_t count = m_master >= 0 ? 2 : 1;
        const int r = ::poll(fds, count, -1);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents & POLLIN)
            drain(m_wake[0]);
        if (count < 2 || !(fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        const ssize_t n = ::read(m_master, chunk.data(), chunk.size());
        if (n <= 0) {
            // Only a closed serial side can bring us here; wait for a wake-up instead of spinning.
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            pollfd w{m_wake[0], POLLIN, 0};
            ::poll(&w, 1, 50);
            continue;
        }
        const auto now = Clock::now();
        for (ssize_t i = 0; i < n; ++i) {
            auto req = rx.push(chunk[size_t(i)], now, m_badFrames);
            if (!req)
                continue;
            const uint32_t baud = m_baud.load();
            // The request counts only once its last byte would have crossed the line.
            auto answerStart = baud ? req->start + wireTime(req->rawBytes, baud) : Clock::now();
            if (baud && !waitUntil(answerStart))
                break;
            auto out = serve(*req);
            if (!out)
                continue;
            if (out->delayMs > 0) {
                answerStart = Clock::now() + std::chrono::milliseconds(out->delayMs);
                if (!waitUntil(answerStart))
                    break;
            }
            ++m_answersSent;
            // The answer follows the request on the line at once: scheduling it from the request's
            // ideal end keeps a late wake-up from adding to the round trip.
            sendPaced(out->bytes, answerStart);
        }
    }
}

}  // namespace zeva::sim

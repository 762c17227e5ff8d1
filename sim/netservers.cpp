#include "sim/netservers.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zeva::sim {

namespace {

using Clock = std::chrono::steady_clock;

sockaddr_in loopback(uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// Whether /proc/net/tcp shows a listening socket on 127.0.0.1:port or *:port. Looking there
// rather than connecting: a connection to ser2net opens its device, which a test wants for itself.
bool listening(uint16_t port)
{
    std::ifstream in("/proc/net/tcp");
    std::string line;
    std::getline(in, line);
    char want[16];
    std::snprintf(want, sizeof want, ":%04X", port);
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (state == "0A" && local.size() > 5 && local.compare(local.size() - 5, 5, want) == 0)
            return true;
    }
    return false;
}

void setNoDelay(int fd)
{
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

}  // namespace

uint16_t freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof a;
    uint16_t port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

bool waitForListener(uint16_t port, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!listening(port)) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// --- ser2net ---------------------------------------------------------------------------------

std::string Ser2netServer::program()
{
    for (const char* p : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/usr/local/sbin/ser2net"})
        if (::access(p, X_OK) == 0)
            return p;
    return {};
}

Ser2netServer::~Ser2netServer()
{
    kill();
}

bool Ser2netServer::start(const std::string& devicePath, const std::string& folder, std::string* error,
                          uint16_t rawPort, uint16_t telnetPort)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        kill();
        return false;
    };
    const std::string exe = program();
    if (exe.empty())
        return fail("ser2net is not installed");
    m_raw = rawPort ? rawPort : freeLoopbackPort();
    m_telnet = telnetPort ? telnetPort : freeLoopbackPort();
    while (m_telnet == m_raw)
        m_telnet = freeLoopbackPort();
    const std::string config = folder + "/ser2net.yaml";
    {
        std::ofstream out(config);
        const std::string device = "serialdev," + devicePath + ",115200n81,local";
        out << "connection: &raw\n  accepter: tcp,127.0.0.1," << m_raw << "\n  connector: " << device
            << "\n  options:\n    kickolduser: true\n    chardelay: false\n"
            << "connection: &rfc2217\n  accepter: telnet(rfc2217),tcp,127.0.0.1," << m_telnet
            << "\n  connector: " << device << "\n  options:\n    kickolduser: true\n    chardelay: false\n";
        if (!out)
            return fail("cannot write " + config);
    }
    const std::string log = folder + "/ser2net.log";
    const std::string pidFile = folder + "/ser2net.pid";
    m_pid = ::fork();
    if (m_pid < 0)
        return fail(std::string("fork: ") + std::strerror(errno));
    if (m_pid == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            ::dup2(fd, 1);
            ::dup2(fd, 2);
        }
        ::execl(exe.c_str(), exe.c_str(), "-n", "-d", "-c", config.c_str(), "-P", pidFile.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (!waitForListener(m_raw, 5000) || !waitForListener(m_telnet, 5000)) {
        std::ifstream in(log);
        std::stringstream text;
        text << in.rdbuf();
        return fail("ser2net did not listen: " + text.str());
    }
    return true;
}

void Ser2netServer::kill()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

// --- relay -----------------------------------------------------------------------------------

struct DelayRelay::Pipe {
    int client = -1;
    int server = -1;
    std::thread up, down;
    ~Pipe()
    {
        if (up.joinable())
            up.join();
        if (down.joinable())
            down.join();
        if (client >= 0)
            ::close(client);
        if (server >= 0)
            ::close(server);
    }
};

namespace {

// Moves bytes from one socket to the other, each chunk held back delayMs; one thread per direction.
void carry(int from, int to, int delayMs, const std::atomic<bool>& stop)
{
    struct Chunk {
        Clock::time_point due;
        std::vector<uint8_t> bytes;
    };
    std::deque<Chunk> queue;
    bool open = true;
    while (!stop.load() && (open || !queue.empty())) {
        int waitMs = 50;
        if (!queue.empty()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(queue.front().due - Clock::now()).count();
            waitMs = int(std::clamp<int64_t>(left, 0, 50));
        }
        pollfd pf{from, short(open ? POLLIN : 0), 0};
        const int r = ::poll(&pf, 1, waitMs);
        if (r > 0 && (pf.revents & (POLLIN | POLLHUP | POLLERR))) {
            uint8_t buf[4096];
            const ssize_t got = ::read(from, buf, sizeof buf);
            if (got > 0)
                queue.push_back({Clock::now() + std::chrono::milliseconds(delayMs), {buf, buf + got}});
            else if (got == 0 || (errno != EINTR && errno != EAGAIN))
                open = false;
        }
        while (!queue.empty() && queue.front().due <= Clock::now()) {
            const std::vector<uint8_t>& b = queue.front().bytes;
            size_t done = 0;
            while (done < b.size()) {
                const ssize_t w = ::send(to, b.data() + done, b.size() - done, MSG_NOSIGNAL);
                if (w <= 0)
                    return;
                done += size_t(w);
            }
            queue.pop_front();
        }
    }
    ::shutdown(to, SHUT_WR);
}

}  // namespace

DelayRelay::DelayRelay(uint16_t targetPort, int delayMs) : m_target(targetPort), m_delayMs(delayMs)
{
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof a;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(m_listen, 4) != 0 || ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return;
    m_port = ntohs(a.sin_port);
    m_accept = std::thread([this] { acceptLoop(); });
}

DelayRelay::~DelayRelay()
{
    m_stop = true;
    if (m_accept.joinable())
        m_accept.join();
    m_pipes.clear();
    if (m_listen >= 0)
        ::close(m_listen);
}

void DelayRelay::acceptLoop()
{
    while (!m_stop.load()) {
        pollfd pf{m_listen, POLLIN, 0};
        if (::poll(&pf, 1, 50) <= 0)
            continue;
        const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_in target = loopback(m_target);
        if (server < 0 || ::connect(server, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
            ::close(client);
            if (server >= 0)
                ::close(server);
            continue;
        }
        setNoDelay(client);
        setNoDelay(server);
        auto pipe = std::make_unique<Pipe>();
        pipe->client = client;
        pipe->server = server;
        pipe->up = std::thread(carry, client, server, m_delayMs, std::cref(m_stop));
        pipe->down = std::thread(carry, server, client, m_delayMs, std::cref(m_stop));
        m_pipes.push_back(std::move(pipe));
    }
}

}  // namespace zeva::sim

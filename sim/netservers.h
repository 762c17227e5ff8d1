#pragma once
// Network fronts for a simulated bus, for tests and benches of tcp:// and rfc2217:// ports:
// a real ser2net started on 127.0.0.1 in front of the bus's pty, and a relay that delays every
// byte by a fixed time in each direction (a distant bus on a loopback).
#include <sys/types.h>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace zeva::sim {

// ser2net with one raw and one telnet(rfc2217) accepter, both on the same device. A device is
// opened by one connection at a time; ser2net answers a second with a text and closes it.
class Ser2netServer {
public:
    Ser2netServer() = default;
    ~Ser2netServer();
    Ser2netServer(const Ser2netServer&) = delete;
    Ser2netServer& operator=(const Ser2netServer&) = delete;

    // The ser2net program, or empty when it is not installed.
    static std::string program();
    // Starts it for the device at devicePath with its configuration in folder; returns once both
    // accepters take connections. False with a reason in error otherwise. Free ports are chosen
    // unless given (a server started again where it was).
    bool start(const std::string& devicePath, const std::string& folder, std::string* error = nullptr,
               uint16_t rawPort = 0, uint16_t telnetPort = 0);
    // SIGKILL: the connections drop as when the server's computer goes away.
    void kill();
    uint16_t rawPort() const { return m_raw; }
    uint16_t telnetPort() const { return m_telnet; }
    std::string rawUrl() const { return "tcp://127.0.0.1:" + std::to_string(m_raw); }
    std::string telnetUrl() const { return "rfc2217://127.0.0.1:" + std::to_string(m_telnet); }

private:
    pid_t m_pid = -1;
    uint16_t m_raw = 0;
    uint16_t m_telnet = 0;
};

// Accepts connections on 127.0.0.1 and joins each to target, delivering every chunk delayMs after
// it arrived, in each direction; throughput is not limited, only the time of flight.
class DelayRelay {
public:
    DelayRelay(uint16_t targetPort, int delayMs);
    ~DelayRelay();
    DelayRelay(const DelayRelay&) = delete;
    DelayRelay& operator=(const DelayRelay&) = delete;

    uint16_t port() const { return m_port; }

private:
    struct Pipe;
    void acceptLoop();

    uint16_t m_target;
    int m_delayMs;
    int m_listen = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_accept;
    std::vector<std::unique_ptr<Pipe>> m_pipes;
};

// A free TCP port of 127.0.0.1 (asked of the kernel, then released).
uint16_t freeLoopbackPort();
// True once something accepts connections on 127.0.0.1:port, false after timeoutMs.
bool waitForListener(uint16_t port, int timeoutMs);

}  // namespace zeva::sim

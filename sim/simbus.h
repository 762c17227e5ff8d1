#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "link/zevaframe.h"
#include "sim/simdevice.h"

namespace zeva::sim {

// A bus of simulated devices behind a pseudo-terminal. The program opens slavePath() like any
// serial port; a worker thread reads the master side, decodes requests, lets the addressed
// device answer and writes the answer back, paced at baud() when that is non-zero.
//
// Devices are added before or while the bus runs and stay owned by it. Device accessors,
// faults, the baud rate and the counters may be used from any thread while the bus runs.
class SimBus {
public:
    struct Counters {
        uint64_t framesReceived = 0;  // requests with a valid CRC, whatever their address
        uint64_t badFrames = 0;       // requests with a wrong CRC or an impossible length
        uint64_t answersSent = 0;
    };
    // One answer as it would leave the bus: encoded (and possibly spoiled) frame bytes.
    struct Outgoing {
        std::vector<uint8_t> bytes;
        int delayMs = 0;
    };

    SimBus();
    ~SimBus();
    SimBus(const SimBus&) = delete;
    SimBus& operator=(const SimBus&) = delete;

    SimDevice& addDevice(std::unique_ptr<SimDevice> device);
    template <class T, class... Args>
    T& emplace(Args&&... args)
    {
        return static_cast<T&>(addDevice(std::make_unique<T>(std::forward<Args>(args)...)));
    }
    // The device that currently answers at `address` (addresses change with command 122).
    SimDevice* device(uint16_t address) const;
    template <class T>
    T* deviceAs(uint16_t address) const
    {
        return dynamic_cast<T*>(device(address));
    }
    std::vector<SimDevice*> devices() const;

    // Line rate for pacing both directions; 0 answers at once. May change while running.
    void setBaud(uint32_t baud) { m_baud.store(baud); }
    uint32_t baud() const { return m_baud.load(); }

    // A symlink to the serial side, made by start() and removed by stop(); set before start().
    void setLinkPath(std::string path);

    // Opens the pseudo-terminal and starts the worker. False with a reason in `error` on failure.
    bool start(std::string* error = nullptr);
    // Stops the worker (bounded by the answer being written), closes the pty, removes the link.
    void stop();
    bool running() const { return m_thread.joinable(); }
    std::string slavePath() const;
    // The device vanishes: the master side closes, so the program's port sees a hang-up.
    // Returns once the worker has closed it. The bus stays "running" but deaf until stop().
    void closeSerialSide();

    // Without a pty or timing: decode `bytes` as if they arrived on the line and return the
    // answers. For tests; not to be mixed with a running worker on the same requests.
    std::vector<Outgoing> feed(std::span<const uint8_t> bytes);
    std::vector<uint8_t> exchange(std::span<const uint8_t> bytes);

    Counters counters() const;
    void resetCounters();

private:
    using Clock = std::chrono::steady_clock;

    struct Request {
        uint16_t addr = 0;
        uint8_t cmd = 0;
        std::vector<uint8_t> payload;
        Clock::time_point start;  // arrival of the frame's first byte
        size_t rawBytes = 0;      // bytes on the line, preamble and stuffing included
    };

    class Receiver {
    public:
        Receiver();
        // Returns a complete request with a valid CRC; counts bad ones in `bad`.
        std::optional<Request> push(uint8_t b, Clock::time_point now, std::atomic<uint64_t>& bad);

    private:
        std::unique_ptr<uint8_t[]> m_buf;
        FrameDecoder m_decoder;
        bool m_marked = false;
        Clock::time_point m_start;
        size_t m_raw = 0;
    };

    std::optional<Outgoing> serve(const Request& req);
    void run();
    bool waitUntil(Clock::time_point deadline);
    bool writeAll(const uint8_t* p, size_t n);
    void sendPaced(const std::vector<uint8_t>& bytes, Clock::time_point t0);
    void wake();
    void closeFds();
    bool interrupted() const { return m_stop.load() || m_closeRequested.load(); }

    mutable std::mutex m_devicesMutex;
    std::vector<std::unique_ptr<SimDevice>> m_devices;

    mutable std::mutex m_stateMutex;  // paths
    std::string m_linkPath;
    std::string m_slavePath;
    bool m_linkMade = false;

    std::atomic<uint32_t> m_baud{0};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_closeRequested{false};
    std::mutex m_closeMutex;  // m_serialClosed: set by the worker once the master is closed
    std::condition_variable m_closeCv;
    bool m_serialClosed = false;
    int m_master = -1;
    int m_slave = -1;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;

    Receiver m_directRx;
    std::atomic<uint64_t> m_framesReceived{0};
    std::atomic<uint64_t> m_badFrames{0};
    std::atomic<uint64_t> m_answersSent{0};
};

}  // namespace zeva::sim

#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <vector>

namespace zeva::sim {

// A device's answer to one request: accepted (0x33) with a payload, refused (0x22), or nothing.
struct Reply {
    enum class Kind { Accept, Refuse, None };
    Kind kind = Kind::None;
    std::vector<uint8_t> payload;

    static Reply accept(std::vector<uint8_t> payload = {}) { return {Kind::Accept, std::move(payload)}; }
    static Reply refuse() { return {Kind::Refuse, {}}; }
    static Reply none() { return {Kind::None, {}}; }
};

// Misbehaviour on request. Silent and Refuse drop the request before the device sees it; the
// others let it run and spoil or hold back the answer (a write then has taken place).
enum class FaultKind {
    Silent,       // no answer
    Refuse,       // 0x22 instead of running the command
    CorruptCrc,   // answer with a wrong CRC
    DropBytes,    // answer with `dropBytes` bytes missing from its middle
    Delay,        // answer after `delayMs`
    ShortAnswer,  // a whole frame whose payload lacks its last `dropBytes` bytes
};

struct Fault {
    FaultKind kind = FaultKind::Silent;
    int command = -1;    // only requests with this command byte; −1: every request
    uint64_t after = 0;  // matching requests that pass unharmed before the fault starts
    uint64_t count = 0;  // matching requests it hits; 0: until cleared
    int delayMs = 0;     // Delay
    int dropBytes = 1;   // DropBytes, ShortAnswer
};

// What the bus sends for one request once faults are applied.
struct Outcome {
    Reply reply;
    bool corruptCrc = false;
    int dropBytes = 0;
    int delayMs = 0;
};

struct LoggedRequest {
    uint8_t cmd = 0;
    std::vector<uint8_t> payload;
};

// One device on the simulated bus. A device family derives from this (or from FirmwareDevice)
// and overrides identify() and command()/extraCommand(). The bus thread calls serve(); tests
// call the accessors from their own thread, so every virtual runs with the device lock held and
// public accessors of subclasses take lock() themselves.
class SimDevice {
public:
    explicit SimDevice(uint16_t address) : m_address(address) {}
    virtual ~SimDevice() = default;
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    uint16_t address() const { return m_address.load(); }
    void setAddress(uint16_t address) { m_address.store(address & 0x7FFF); }

    // Runs one request without faults (113 → identify(), anything else → command()).
    Reply handle(uint8_t cmd, std::span<const uint8_t> payload);
    // Runs one request as the bus does: logs it, applies the faults, then handle().
    Outcome serve(uint8_t cmd, std::span<const uint8_t> payload);

    // Faults may be changed while the bus runs; `after` and `count` count from the moment of adding.
    void addFault(const Fault& fault);
    void clearFaults();

    uint64_t requestCount() const;
    // Every request that reached this device, faulted or not, oldest first (the last 100000).
    std::vector<LoggedRequest> requestLog() const;
    void clearRequestLog();

protected:
    virtual std::vector<uint8_t> identify() = 0;
    // Every command except 113; the default hands it to extraCommand().
    virtual Reply command(uint8_t cmd, std::span<const uint8_t> payload) { return extraCommand(cmd, payload); }
    // Commands of a device family; unknown commands are refused.
    virtual Reply extraCommand(uint8_t cmd, std::span<const uint8_t> payload);

    std::unique_lock<std::mutex> lock() const { return std::unique_lock<std::mutex>(m_mutex); }

private:
    struct ActiveFault {
        Fault fault;
        uint64_t seen = 0;
    };

    mutable std::mutex m_mutex;
    std::atomic<uint16_t> m_address;
    std::vector<ActiveFault> m_faults;
    std::deque<LoggedRequest> m_log;
    uint64_t m_requests = 0;
};

}  // namespace zeva::sim

#pragma once
#include <array>
#include <chrono>
#include <cstdint>
#include <span>

namespace zeva::sim {

// Device clock as it goes over the line: day, month, year − 2000, hour, minute, second.
using ClockBytes = std::array<uint8_t, 6>;

// A running real-time clock: it keeps the time it was set to and advances with the host's
// steady clock, so the identification answer shows a ticking clock.
class SimClock {
public:
    SimClock();  // starts at the host's local time

    // False (clock unchanged) when the bytes are not a valid date and time.
    bool set(std::span<const uint8_t> bytes);
    ClockBytes now() const;

    static bool valid(std::span<const uint8_t> bytes);

private:
    std::chrono::sys_seconds m_base;
    std::chrono::steady_clock::time_point m_setAt;
};

}  // namespace zeva::sim

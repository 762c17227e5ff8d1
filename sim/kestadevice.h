#pragma once
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "sim/firmwaredevice.h"

namespace zeva::sim {

// A KESTA controller: three driven columns with upper and lower limit inputs, seven outputs, a
// radio key fob and the list of key-fob codes it accepts. Its 9 parameters: serial, firmware,
// output bits, input bits (1/2, 3/4, 5/6 = upper/lower limit of columns 1–3), temperature, last
// key-fob code (hexadecimal), key-fob buttons held, drive states (one hexadecimal digit a
// column: 0 idle, 1 raising, 2 lowering, 3 fault, 4 at its limit), time-out.
// Commands: 97 outputs, 99 raise, 100 lower, 101 stop, 106/107 read/write the key-fob list,
// 108/109 read/write the time-out.
class KestaDevice : public FirmwareDevice {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr size_t kMaxFobs = 16;

    struct Options {
        std::vector<uint32_t> fobs;  // the accepted key-fob codes
        uint16_t timeout = 10;       // seconds
        int faultyColumn = 0;        // 1 … 3: that drive reports a fault and does not move
        uint32_t heldFob = 0;        // a key fob held down from the start (0: none)
        uint8_t heldButtons = 1;     // its buttons: bit 0 close, bit 1 open
        uint16_t extraInputs = 0;    // inputs 7–9 (bits 6–8)
        // Seconds column 1 takes from one limit to the other; columns 2 and 3 are a little slower.
        double travelSeconds = 4.0;
    };
    KestaDevice(uint16_t address, Options options);

    // Where the drives take their time from (tests step it by hand); the steady clock by default.
    void setTimeSource(std::function<Clock::time_point()> now);

    // The key fob: its code is heard and its buttons show in the parameters until released;
    // the code stays as the last one heard.
    void pressFob(uint32_t code, uint8_t buttons);
    void releaseFob();

    uint8_t outputs() const;
    std::vector<uint32_t> fobs() const;
    uint16_t timeout() const;
    // Drive state and position (0 bottom … 1 top) of column i (0-based), at `now`.
    unsigned driveState(int column) const;
    double position(int column) const;

protected:
    std::vector<ParamRecord> applicationParameters() override;
    Reply extraCommand(uint8_t cmd, std::span<const uint8_t> payload) override;

private:
    // Moves the columns up to `now` (lock held); positions follow the clock, so readers move them too.
    void advance(Clock::time_point now) const;
    uint16_t inputBits() const;
    void drive(unsigned state);

    Options m_opt;
    uint8_t m_outputs = 0;
    uint32_t m_lastFob = 0;
    uint8_t m_buttons = 0;
    mutable std::array<double, 3> m_pos{};  // all at the bottom
    mutable std::array<unsigned, 3> m_state{};
    mutable Clock::time_point m_moved;
    std::function<Clock::time_point()> m_now = [] { return Clock::now(); };
};

}  // namespace zeva::sim

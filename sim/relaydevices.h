#pragma once
#include <cstdint>
#include <map>

#include "sim/firmwaredevice.h"

namespace zeva::sim {

// A USB relay module: up to eight relays and four inputs, reported as 5 parameters (count of
// relays, count of inputs, relay bits, input bits, serial) or, with a reset relay and locks, as
// 8 (… reset relay, lock of relays 6–8, lock of relays 1–5, serial). Command 81 sets the relays
// (locked ones keep their state), 83 the reset relay (8-parameter modules only).
class UsbRelayDevice : public FirmwareDevice {
public:
    struct Options {
        bool withReset = false;  // the 8-parameter variant
        int relays = 8;          // 1 … 8
        int inputs = 4;          // 0 … 4
        uint8_t inputBits = 0;
        bool lockHigh = false;  // relays 6–8
        bool lockLow = false;   // relays 1–5
    };
    UsbRelayDevice(uint16_t address, Options options);

    uint8_t relayBits() const;
    bool resetRelay() const;
    void setInputBits(uint8_t bits);
    void setLocks(bool lockHigh, bool lockLow);

protected:
    std::vector<ParamRecord> applicationParameters() override;
    Reply extraCommand(uint8_t cmd, std::span<const uint8_t> payload) override;

private:
    Options m_opt;
    uint8_t m_relays = 0;
    bool m_reset = false;
};

// MIRAN: eight outputs and eight inputs in 7 parameters (serial, outputs, inputs, output bits,
// input bits, temperature, firmware). Command 81 sets the outputs.
class MiranDevice : public FirmwareDevice {
public:
    MiranDevice(uint16_t address, uint8_t inputBits);

    uint8_t outputBits() const;
    void setInputBits(uint8_t bits);

protected:
    std::vector<ParamRecord> applicationParameters() override;
    Reply extraCommand(uint8_t cmd, std::span<const uint8_t> payload) override;

private:
    uint8_t m_outputs = 0;
    uint8_t m_inputs = 0;
};

// A SARVEL master with 32-output units behind it. Command 107 reads a unit (version, output
// bits), 106 writes its outputs. A unit that is not there, or the one set silent, never
// answers, and neither does the master for it.
class SarvelMaster : public FirmwareDevice {
public:
    static constexpr uint8_t kUnitVersion = 0x21;
    SarvelMaster(uint16_t address, std::vector<uint8_t> units, uint8_t silentUnit);

    bool hasUnit(uint8_t unit) const;
    uint32_t unitOutputs(uint8_t unit) const;
    void setUnitOutputs(uint8_t unit, uint32_t bits);

protected:
    std::vector<ParamRecord> applicationParameters() override;
    Reply extraCommand(uint8_t cmd, std::span<const uint8_t> payload) override;

private:
    std::map<uint8_t, uint32_t> m_units;
    uint8_t m_silent = 0;
};

}  // namespace zeva::sim

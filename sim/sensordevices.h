#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "sim/panelkinds.h"

namespace zeva::sim {

// Builds a device of the kinds pleva, vida, dorna, tarvik, pelnik, lcd; the key still=1 stops
// the values that move by themselves. `known` tells whether the kind is one of these.
std::unique_ptr<FirmwareDevice> makeSensorDevice(uint16_t address, std::string_view kind, const OptionKeys& keys,
                                                 bool* known, std::string* error);
std::string sensorDeviceHelp();

// 32 relays and 32 sensor inputs on two boards. Command 90 sets a board's relays, 91 reads its
// state (relay word, sensor word). While `moving`, the sensors walk on by one step per read.
class PlevaDevice : public FirmwareDevice {
public:
    PlevaDevice(uint16_t address, bool moving = true);
    uint32_t relays(int board) const;
    void setSensors(int board, uint32_t word);  // and stops the walk
    uint32_t sensors(int board) const;

protected:
    Reply extraCommand(uint8_t cmd, std::span<const uint8_t> payload) override;

private:
    std::array<uint32_t, 2> m_relays{};
    std::array<uint32_t, 2> m_sensors{0x00000001u, 0x80000000u};
    bool m_moving;
};

// The angle sensor: a 24-byte little-endian record (angle, alarm zone, GX, GY, CalX, CalY, two
// spare bytes). Command 69 reads it, 70 writes it; the device keeps the zone, the calibration
// and the spare bytes, while angle and readings come from the sensor. While `moving`, the
// angle turns by 3° per read.
class VidaDevice : public FirmwareDevice {
public:
    VidaDevice(uint16_t address, bool moving = true);
    std::array<uint8_t, 24> record() const;
    void setAngle(uint16_t degrees);  // and stops the turning; 0xFFFF reports no data

protected:
    Reply extraCommand(uint8_t cmd, std::span<const uint8_t> payload) override;

private:
    void refreshReadings();
    std::array<uint8_t, 24> m_record{};
    uint16_t m_angle = 30;
    bool m_moving;
};

// A line of measuring units behind one device: command 147 with a unit address answers that
// unit's version, AC and DC voltage and resistance (7 bytes); a unit that is not there is refused.
class DornaDevice : public FirmwareDevice {
public:
    struct Unit {
        uint8_t address;
        uint8_t version;
        uint16_t uac, udc, r;
    };
    // Units 0x92 (220 V), 0x94 (resistance 1500, above what the tab shows), 0x9E and 0xA4.
    static std::vector<Unit> defaultUnits();
    DornaDevice(uint16_t address, std::vector<Unit> units = defaultUnits());

protected:
    Reply extraCommand(uint8_t cmd, std::span<const uint8_t> payload) override;

private:
    std::vector<Unit> m_units;
    uint32_t m_reads = 0;
};

// The two-channel code receiver: command 66 reads a channel's 8-byte code, 65 clears it. While
// `moving`, every read of a channel first lets it receive a new code.
class TarvikDevice : public FirmwareDevice {
public:
    TarvikDevice(uint16_t address, bool moving = true);
    std::array<uint8_t, 8> code(int channel) const;
    void setCode(int channel, const std::array<uint8_t, 8>& code);  // and stops the receiving

protected:
    Reply extraCommand(uint8_t cmd, std::span<const uint8_t> payload) override;

private:
    std::array<std::array<uint8_t, 8>, 2> m_codes{};
    std::array<uint32_t, 2> m_received{};
    bool m_moving;
};

// Mode byte and time coefficient (big-endian float): 96 reads them, 97 writes them. While
// `drifting`, the coefficient read back wanders a little around the one written.
class PelnikDevice : public FirmwareDevice {
public:
    PelnikDevice(uint16_t address, bool drifting = true);
    uint8_t deviceMode() const;
    float coefficient() const;

protected:
    Reply extraCommand(uint8_t cmd, std::span<const uint8_t> payload) override;

private:
    uint8_t m_deviceMode = 1;
    float m_coefficient = 1.25f;
    uint32_t m_reads = 0;
    bool m_drifting;
};

}  // namespace zeva::sim

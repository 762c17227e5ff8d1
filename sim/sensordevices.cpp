#include "sim/sensordevices.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>

#include "sim/deviceoption.h"
#include "sim/lcddevice.h"

namespace zeva::sim {

namespace {

uint32_t be32(std::span<const uint8_t> p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void putBe32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8)
        out.push_back(uint8_t(v >> s));
}

void putLeFloat(std::array<uint8_t, 24>& r, size_t at, float v)
{
    const uint32_t bits = std::bit_cast<uint32_t>(v);
    for (size_t i = 0; i < 4; ++i)
        r[at + i] = uint8_t(bits >> (8 * i));
}

}  // namespace

std::unique_ptr<FirmwareDevice> makeSensorDevice(uint16_t address, std::string_view kind, const OptionKeys& keys,
                                                 bool* known, std::string* error)
{
    *known =
        kind == "pleva" || kind == "vida" || kind == "dorna" || kind == "tarvik" || kind == "pelnik" || kind == "lcd";
    if (!*known)
        return nullptr;
    bool moving = true;
    for (const auto& [k, v] : keys) {
        const auto n = optionNumber(v);
        if (k != "still" || kind == "dorna" || kind == "lcd" || !n || *n > 1) {
            if (error)
                *error = "bad key for " + std::string(kind) + ": " + std::string(k) + "=" + std::string(v);
            return nullptr;
        }
        moving = *n == 0;
    }
    if (kind == "pleva")
        return std::make_unique<PlevaDevice>(address, moving);
    if (kind == "vida")
        return std::make_unique<VidaDevice>(address, moving);
    if (kind == "dorna")
        return std::make_unique<DornaDevice>(address);
    if (kind == "tarvik")
        return std::make_unique<TarvikDevice>(address, moving);
    if (kind == "pelnik")
        return std::make_unique<PelnikDevice>(address, moving);
    return std::make_unique<LcdDevice>(address);
}

std::string sensorDeviceHelp()
{
    return "            pleva (32 реле, 32 меняющихся датчика), vida (поворотный датчик угла),\n"
           "            dorna (измерительные блоки 92, 94, 9E, A4), tarvik (два кодовых канала),\n"
           "            pelnik (режим и плывущий коэффициент): still=1 замораживает их значения;\n"
           "            lcd (экран 128 x 64 команды 203, 32 КиБ внешней памяти)\n";
}

// --- PLEVA -------------------------------------------------------------------------------

PlevaDevice::PlevaDevice(uint16_t address, bool moving)
    : FirmwareDevice(address, familyConfig("PLEVA 32")), m_moving(moving)
{
}

uint32_t PlevaDevice::relays(int board) const
{
    auto g = lock();
    return m_relays[size_t(board & 1)];
}

void PlevaDevice::setSensors(int board, uint32_t word)
{
    auto g = lock();
    m_sensors[size_t(board & 1)] = word;
    m_moving = false;
}

uint32_t PlevaDevice::sensors(int board) const
{
    auto g = lock();
    return m_sensors[size_t(board & 1)];
}

Reply PlevaDevice::extraCommand(uint8_t cmd, std::span<const uint8_t> payload)
{
    if (cmd == 90 && payload.size() == 5 && payload[0] < 2) {
        m_relays[payload[0]] = be32(payload.subspan(1));
        return Reply::accept();
    }
    if (cmd == 91 && payload.size() == 1 && payload[0] < 2) {
        uint32_t& s = m_sensors[payload[0]];
        if (m_moving)
            s = std::rotl(s, 1) ^ (s & 0x100 ? 0x00010000u : 0);
        std::vector<uint8_t> out;
        putBe32(out, m_relays[payload[0]]);
        putBe32(out, s);
        return Reply::accept(std::move(out));
    }
    return FirmwareDevice::extraCommand(cmd, payload);
}

// --- VIDA --------------------------------------------------------------------------------

VidaDevice::VidaDevice(uint16_t address, bool moving) : FirmwareDevice(address, familyConfig("VIDA")), m_moving(moving)
{
    // An alarm zone and a calibration as a device leaves the factory.
    m_record[2] = 20;
    m_record[4] = 0x54, m_record[5] = 0x01;  // 340
    putLeFloat(m_record, 14, 0.015f);
    putLeFloat(m_record, 18, -0.02f);
    m_record[22] = 0x5A, m_record[23] = 0xA5;
    refreshReadings();
}

void VidaDevice::refreshReadings()
{
    m_record[0] = uint8_t(m_angle);
    m_record[1] = uint8_t(m_angle >> 8);
    const double a = m_angle * std::numbers::pi / 180.0;
    putLeFloat(m_record, 6, m_angle == 0xFFFF ? 0.0f : float(std::cos(a) * 9.81));
    putLeFloat(m_record, 10, m_angle == 0xFFFF ? 0.0f : float(std::sin(a) * 9.81));
}

std::array<uint8_t, 24> VidaDevice::record() const
{
    auto g = lock();
    return m_record;
}

void VidaDevice::setAngle(uint16_t degrees)
{
    auto g = lock();
    m_angle = degrees;
    m_moving = false;
    refreshReadings();
}

Reply VidaDevice::extraCommand(uint8_t cmd, std::span<const uint8_t> payload)
{
    if (cmd == 69 && payload.empty()) {
        if (m_moving)
            m_angle = uint16_t((m_angle + 3) % 360);
        refreshReadings();
        return Reply::accept({m_record.begin(), m_record.end()});
    }
    if (cmd == 70 && payload.size() == 24) {
        // What is written is kept except what the sensor itself measures.
        std::copy(payload.begin() + 2, payload.begin() + 6, m_record.begin() + 2);
        std::copy(payload.begin() + 14, payload.end(), m_record.begin() + 14);
        return Reply::accept();
    }
    return FirmwareDevice::extraCommand(cmd, payload);
}

// --- DORNA -------------------------------------------------------------------------------

std::vector<DornaDevice::Unit> DornaDevice::defaultUnits()
{
    return {
        {0x92, 0x13, 220, 12, 470}, {0x94, 0x12, 231, 24, 1500}, {0x9E, 0x20, 0, 999, 10}, {0xA4, 0x21, 1000, 5, 0}};
}

DornaDevice::DornaDevice(uint16_t address, std::vector<Unit> units)
    : FirmwareDevice(address, familyConfig("DORNA")), m_units(std::move(units))
{
}

Reply DornaDevice::extraCommand(uint8_t cmd, std::span<const uint8_t> payload)
{
    if (cmd == 147 && payload.size() == 1) {
        for (const Unit& u : m_units) {
            if (u.address != payload[0])
                continue;
            // Mains voltage wanders by a volt or two; the rest holds still.
            const uint16_t uac = u.uac > 0 && u.uac < 999 ? uint16_t(u.uac + (m_reads++ % 3)) : u.uac;
            return Reply::accept({u.version, uint8_t(uac >> 8), uint8_t(uac), uint8_t(u.udc >> 8), uint8_t(u.udc),
                                  uint8_t(u.r >> 8), uint8_t(u.r)});
        }
        return Reply::refuse();
    }
    return FirmwareDevice::extraCommand(cmd, payload);
}

// --- TARVIK ------------------------------------------------------------------------------

TarvikDevice::TarvikDevice(uint16_t address, bool moving)
    : FirmwareDevice(address, familyConfig("TARVIK")), m_moving(moving)
{
    m_codes[0] = {0x3A, 0x91, 0x07, 0xC2, 0x55, 0x10, 0x00, 0x01};
    m_codes[1] = {0x7E, 0x02, 0xB4, 0x19, 0xE0, 0x44, 0x00, 0x02};
}

std::array<uint8_t, 8> TarvikDevice::code(int channel) const
{
    auto g = lock();
    return m_codes[size_t(channel == 2)];
}

void TarvikDevice::setCode(int channel, const std::array<uint8_t, 8>& code)
{
    auto g = lock();
    m_codes[size_t(channel == 2)] = code;
    m_moving = false;
}

Reply TarvikDevice::extraCommand(uint8_t cmd, std::span<const uint8_t> payload)
{
    if ((cmd == 65 || cmd == 66) && payload.size() == 1 && (payload[0] == 1 || payload[0] == 2)) {
        const size_t ch = payload[0] - 1;
        if (cmd == 65) {
            m_codes[ch].fill(0);
            return Reply::accept();
        }
        if (m_moving) {
            // A key-fob pressed again: a rolling part in the middle, the counter at the end.
            const uint32_t n = ++m_received[ch];
            m_codes[ch] = {uint8_t(0x3A + ch * 0x44),
                           uint8_t(0x91 - ch * 0x8F),
                           uint8_t(n * 37),
                           uint8_t(n * 101),
                           uint8_t(n >> 8),
                           uint8_t(n),
                           0x00,
                           uint8_t(ch + 1)};
        }
        return Reply::accept({m_codes[ch].begin(), m_codes[ch].end()});
    }
    return FirmwareDevice::extraCommand(cmd, payload);
}

// --- PELNIK ------------------------------------------------------------------------------

PelnikDevice::PelnikDevice(uint16_t address, bool drifting)
    : FirmwareDevice(address, familyConfig("PELNIK")), m_drifting(drifting)
{
}

uint8_t PelnikDevice::deviceMode() const
{
    auto g = lock();
    return m_deviceMode;
}

float PelnikDevice::coefficient() const
{
    auto g = lock();
    return m_coefficient;
}

Reply PelnikDevice::extraCommand(uint8_t cmd, std::span<const uint8_t> payload)
{
    if (cmd == 96 && payload.empty()) {
        float shown = m_coefficient;
        if (m_drifting)
            shown += 0.001f * float(int(m_reads++ % 7) - 3);
        std::vector<uint8_t> out{m_deviceMode};
        putBe32(out, std::bit_cast<uint32_t>(shown));
        return Reply::accept(std::move(out));
    }
    if (cmd == 97 && payload.size() == 5 && payload[0] < 2) {
        m_deviceMode = payload[0];
        m_coefficient = std::bit_cast<float>(be32(payload.subspan(1)));
        return Reply::accept();
    }
    return FirmwareDevice::extraCommand(cmd, payload);
}

}  // namespace zeva::sim

#include "sim/kestadevice.h"

#include <algorithm>

#include "sim/panelkinds.h"

namespace zeva::sim {

namespace {
constexpr unsigned kIdle = 0, kRaising = 1, kLowering = 2, kFault = 3, kAtLimit = 4;

uint32_t dword(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
}  // namespace

KestaDevice::KestaDevice(uint16_t address, Options options)
    : FirmwareDevice(address, familyConfig("KESTA")), m_opt(std::move(options)), m_moved(Clock::now())
{
    if (m_opt.fobs.size() > kMaxFobs)
        m_opt.fobs.resize(kMaxFobs);
    if (m_opt.faultyColumn >= 1 && m_opt.faultyColumn <= 3)
        m_state[size_t(m_opt.faultyColumn - 1)] = kFault;
    if (m_opt.heldFob) {
        m_lastFob = m_opt.heldFob;
        m_buttons = m_opt.heldButtons;
    }
}

void KestaDevice::setTimeSource(std::function<Clock::time_point()> now)
{
    auto g = lock();
    m_now = std::move(now);
    m_moved = m_now();
}

void KestaDevice::pressFob(uint32_t code, uint8_t buttons)
{
    auto g = lock();
    m_lastFob = code;
    m_buttons = buttons;
}

void KestaDevice::releaseFob()
{
    auto g = lock();
    m_buttons = 0;
}

uint8_t KestaDevice::outputs() const
{
    auto g = lock();
    return m_outputs;
}

std::vector<uint32_t> KestaDevice::fobs() const
{
    auto g = lock();
    return m_opt.fobs;
}

uint16_t KestaDevice::timeout() const
{
    auto g = lock();
    return m_opt.timeout;
}

unsigned KestaDevice::driveState(int column) const
{
    auto g = lock();
    advance(m_now());
    return m_state[size_t(column)];
}

double KestaDevice::position(int column) const
{
    auto g = lock();
    advance(m_now());
    return m_pos[size_t(column)];
}

void KestaDevice::advance(Clock::time_point now) const
{
    const double dt = std::chrono::duration<double>(now - m_moved).count();
    m_moved = now;
    for (size_t i = 0; i < 3; ++i) {
        const double step = dt / (m_opt.travelSeconds * (1.0 + 0.25 * double(i)));
        if (m_state[i] == kRaising) {
            m_pos[i] = std::min(1.0, m_pos[i] + step);
            if (m_pos[i] >= 1.0)
                m_state[i] = kAtLimit;
        } else if (m_state[i] == kLowering) {
            m_pos[i] = std::max(0.0, m_pos[i] - step);
            if (m_pos[i] <= 0.0)
                m_state[i] = kAtLimit;
        }
    }
}

uint16_t KestaDevice::inputBits() const
{
    uint16_t bits = m_opt.extraInputs & 0x1C0;
    for (size_t i = 0; i < 3; ++i) {
        if (m_pos[i] >= 1.0)
            bits |= uint16_t(1u << (2 * i));
        if (m_pos[i] <= 0.0)
            bits |= uint16_t(1u << (2 * i + 1));
    }
    return bits;
}

void KestaDevice::drive(unsigned state)
{
    advance(m_now());
    for (size_t i = 0; i < 3; ++i) {
        if (m_state[i] == kFault)
            continue;
        // A column already at the limit it is sent to stays there.
        const bool there = (state == kRaising && m_pos[i] >= 1.0) || (state == kLowering && m_pos[i] <= 0.0);
        m_state[i] = there ? kAtLimit : state;
    }
}

std::vector<ParamRecord> KestaDevice::applicationParameters()
{
    advance(m_now());
    const uint16_t drives = uint16_t(m_state[0] | m_state[1] << 4 | m_state[2] << 8);
    return {
        ParamRecord::str("Serial", "KS-" + std::to_string(address())),
        ParamRecord::str("Firmware", "1.3"),
        ParamRecord::int16("Outputs", m_outputs),
        ParamRecord::int16("Inputs", int16_t(inputBits())),
        ParamRecord::int16("Temperature", m_config.temperature),
        ParamRecord::hex32("Key fob", m_lastFob),
        ParamRecord::int16("Key fob buttons", m_buttons),
        ParamRecord::hex16("Drives", drives),
        ParamRecord::int16("Time-out", int16_t(m_opt.timeout)),
    };
}

Reply KestaDevice::extraCommand(uint8_t cmd, std::span<const uint8_t> payload)
{
    switch (cmd) {
    case 97:
        if (payload.size() != 1)
            break;
        m_outputs = payload[0] & 0x7F;
        return Reply::accept();
    case 99:
    case 100:
    case 101:
        if (payload.size() != 1)
            break;
        drive(cmd == 99 ? kRaising : cmd == 100 ? kLowering : kIdle);
        return Reply::accept();
    case 106: {
        if (!payload.empty())
            break;
        std::vector<uint8_t> out{uint8_t(m_opt.fobs.size())};
        for (uint32_t c : m_opt.fobs)
            out.insert(out.end(), {uint8_t(c >> 24), uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
        return Reply::accept(std::move(out));
    }
    case 107: {
        if (payload.empty() || payload.size() != 1 + 4 * size_t(payload[0]) || payload[0] > kMaxFobs)
            break;
        m_opt.fobs.clear();
        for (size_t i = 0; i < payload[0]; ++i)
            m_opt.fobs.push_back(dword(payload.data() + 1 + 4 * i));
        return Reply::accept();
    }
    case 108:
        if (!payload.empty())
            break;
        return Reply::accept({uint8_t(m_opt.timeout >> 8), uint8_t(m_opt.timeout)});
    case 109:
        if (payload.size() != 2)
            break;
        m_opt.timeout = uint16_t(payload[0] << 8 | payload[1]);
        return Reply::accept();
    default: break;
    }
    return FirmwareDevice::extraCommand(cmd, payload);
}

}  // namespace zeva::sim

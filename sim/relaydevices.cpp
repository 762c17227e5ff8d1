#include "sim/relaydevices.h"

#include "sim/panelkinds.h"

namespace zeva::sim {

UsbRelayDevice::UsbRelayDevice(uint16_t address, Options options)
    : FirmwareDevice(address, familyConfig(options.withReset ? "USB relay R8" : "USB relay R5")), m_opt(options)
{
}

uint8_t UsbRelayDevice::relayBits() const
{
    auto g = lock();
    return m_relays;
}

bool UsbRelayDevice::resetRelay() const
{
    auto g = lock();
    return m_reset;
}

void UsbRelayDevice::setInputBits(uint8_t bits)
{
    auto g = lock();
    m_opt.inputBits = bits;
}

void UsbRelayDevice::setLocks(bool lockHigh, bool lockLow)
{
    auto g = lock();
    m_opt.lockHigh = lockHigh;
    m_opt.lockLow = lockLow;
}

std::vector<ParamRecord> UsbRelayDevice::applicationParameters()
{
    const uint8_t inputMask = uint8_t((1u << m_opt.inputs) - 1);
    std::vector<ParamRecord> p{
        ParamRecord::int16("Relays", int16_t(m_opt.relays)),
        ParamRecord::int16("Inputs", int16_t(m_opt.inputs)),
        ParamRecord::int16("Relay states", m_relays),
        ParamRecord::int16("Input states", int16_t(m_opt.inputBits & inputMask)),
    };
    if (m_opt.withReset) {
        p.push_back(ParamRecord::int16("Reset relay", m_reset ? 1 : 0));
        p.push_back(ParamRecord::int16("Lock 6-8", m_opt.lockHigh ? 1 : 0));
        p.push_back(ParamRecord::int16("Lock 1-5", m_opt.lockLow ? 1 : 0));
    }
    p.push_back(ParamRecord::str("Serial", "UR-" + std::to_string(address())));
    return p;
}

Reply UsbRelayDevice::extraCommand(uint8_t cmd, std::span<const uint8_t> payload)
{
    if (cmd == 81 && payload.size() == 1) {
        // Relays that do not exist stay off; a locked group keeps what it had.
        uint8_t keep = 0;
        if (m_opt.lockLow)
            keep |= 0x1F;
        if (m_opt.lockHigh)
            keep |= 0xE0;
        const uint8_t present = uint8_t((1u << m_opt.relays) - 1);
        m_relays = uint8_t(((m_relays & keep) | (payload[0] & ~keep)) & present);
        return Reply::accept();
    }
    if (cmd == 83 && payload.size() == 1 && m_opt.withReset) {
        m_reset = payload[0] == 1;
        return Reply::accept();
    }
    return FirmwareDevice::extraCommand(cmd, payload);
}

MiranDevice::MiranDevice(uint16_t address, uint8_t inputBits)
    : FirmwareDevice(address, familyConfig("MIRAN")), m_inputs(inputBits)
{
}

uint8_t MiranDevice::outputBits() const
{
    auto g = lock();
    return m_outputs;
}

void MiranDevice::setInputBits(uint8_t bits)
{
    auto g = lock();
    m_inputs = bits;
}

std::vector<ParamRecord> MiranDevice::applicationParameters()
{
    return {
        ParamRecord::str("Serial", "MR-" + std::to_string(address())),
        ParamRecord::int16("Outputs", 8),
        ParamRecord::int16("Inputs", 8),
        ParamRecord::int16("Output states", m_outputs),
        ParamRecord::int16("Input states", m_inputs),
        ParamRecord::int16("Temperature", m_config.temperature),
        ParamRecord::str("Firmware", "2.4"),
    };
}

Reply MiranDevice::extraCommand(uint8_t cmd, std::span<const uint8_t> payload)
{
    if (cmd == 81 && payload.size() == 1) {
        m_outputs = payload[0];
        return Reply::accept();
    }
    return FirmwareDevice::extraCommand(cmd, payload);
}

SarvelMaster::SarvelMaster(uint16_t address, std::vector<uint8_t> units, uint8_t silentUnit)
    : FirmwareDevice(address, familyConfig("SARVEL")), m_silent(silentUnit)
{
    // Each unit starts with a few outputs on, so a read shows which unit answered.
    for (uint8_t u : units)
        m_units[u] = uint32_t(u) * 0x00010001u;
}

bool SarvelMaster::hasUnit(uint8_t unit) const
{
    auto g = lock();
    return m_units.count(unit) != 0;
}

uint32_t SarvelMaster::unitOutputs(uint8_t unit) const
{
    auto g = lock();
    const auto it = m_units.find(unit);
    return it == m_units.end() ? 0 : it->second;
}

void SarvelMaster::setUnitOutputs(uint8_t unit, uint32_t bits)
{
    auto g = lock();
    m_units[unit] = bits;
}

std::vector<ParamRecord> SarvelMaster::applicationParameters()
{
    return {
        ParamRecord::str("Serial", "SV-" + std::to_string(address())),
        ParamRecord::int16("Units", int16_t(m_units.size())),
    };
}

Reply SarvelMaster::extraCommand(uint8_t cmd, std::span<const uint8_t> payload)
{
    if ((cmd == 107 && payload.size() == 1) || (cmd == 106 && payload.size() == 5)) {
        const auto it = m_units.find(payload[0]);
        if (it == m_units.end() || payload[0] == m_silent)
            return Reply::none();
        if (cmd == 106) {
            it->second =
                uint32_t(payload[1]) << 24 | uint32_t(payload[2]) << 16 | uint32_t(payload[3]) << 8 | payload[4];
            return Reply::accept();
        }
        const uint32_t v = it->second;
        return Reply::accept({kUnitVersion, uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
    }
    return FirmwareDevice::extraCommand(cmd, payload);
}

}  // namespace zeva::sim

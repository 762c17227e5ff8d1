#include "sim/galtedevice.h"

#include "sim/panelkinds.h"

namespace zeva::sim {

GalteMaster::GalteMaster(uint16_t address, std::vector<uint16_t> slaves, uint16_t silentSlave)
    : FirmwareDevice(address, familyConfig("GALTE")), m_silent(silentSlave)
{
    for (uint16_t s : slaves)
        m_slaves[s] = {};
}

bool GalteMaster::hasSlave(uint16_t slave) const
{
    auto g = lock();
    return m_slaves.count(slave) != 0;
}

bool GalteMaster::slaveRelay(uint16_t slave) const
{
    auto g = lock();
    const auto it = m_slaves.find(slave);
    return it != m_slaves.end() && it->second.relay;
}

std::vector<uint16_t> GalteMaster::slaves() const
{
    auto g = lock();
    std::vector<uint16_t> out;
    for (const auto& [a, s] : m_slaves)
        out.push_back(a);
    return out;
}

uint32_t GalteMaster::resets(uint16_t slave) const
{
    auto g = lock();
    const auto it = m_slaves.find(slave);
    return it == m_slaves.end() ? 0 : it->second.resets;
}

std::vector<ParamRecord> GalteMaster::applicationParameters()
{
    return {
        ParamRecord::str("Serial", "GL-" + std::to_string(address())),
        ParamRecord::int16("Slaves", int16_t(m_slaves.size())),
    };
}

Reply GalteMaster::extraCommand(uint8_t cmd, std::span<const uint8_t> payload)
{
    if (cmd != 161 || payload.size() < 3)
        return FirmwareDevice::extraCommand(cmd, payload);
    const uint16_t addr = uint16_t(payload[0] << 8 | payload[1]);
    const char op = char(payload[2]);
    const auto it = m_slaves.find(addr);
    if (it == m_slaves.end() || addr == m_silent)
        return Reply::none();
    Slave& s = it->second;
    switch (op) {
    case 'S':
        if (payload.size() != 3)
            break;
        return Reply::accept({'S', uint8_t(s.relay ? '1' : '0')});
    case '1':
    case '0':
        if (payload.size() != 3)
            break;
        s.relay = op == '1';
        return Reply::accept();
    case 'R':
        if (payload.size() != 3)
            break;
        s.relay = false;
        ++s.resets;
        return Reply::accept();
    case 'A': {
        if (payload.size() != 5)
            break;
        const uint16_t to = uint16_t(payload[3] << 8 | payload[4]);
        if (to > 0x7FFF || (to != addr && m_slaves.count(to)))
            break;
        const Slave moved = s;
        m_slaves.erase(it);
        m_slaves[to] = moved;
        return Reply::accept({'A', payload[3], payload[4]});
    }
    default: break;
    }
    return Reply::refuse();
}

}  // namespace zeva::sim

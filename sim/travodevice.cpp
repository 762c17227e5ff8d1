#include "sim/travodevice.h"

namespace zeva::sim {

namespace {
uint32_t bigEndian32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
}  // namespace

TravoDevice::TravoDevice(uint16_t address, FirmwareConfig config, uint32_t masterPassword)
    : FirmwareDevice(address, std::move(config)), m_master(masterPassword)
{
}

uint32_t TravoDevice::masterPassword() const
{
    auto g = lock();
    return m_master;
}

uint32_t TravoDevice::password() const
{
    auto g = lock();
    return m_password;
}

uint8_t TravoDevice::outputs() const
{
    auto g = lock();
    return m_outputs;
}

uint8_t TravoDevice::driveSignals() const
{
    auto g = lock();
    return m_drive;
}

Reply TravoDevice::extraCommand(uint8_t cmd, std::span<const uint8_t> payload)
{
    if (cmd != kCommand || payload.empty())
        return FirmwareDevice::extraCommand(cmd, payload);
    switch (payload[0]) {
    case 1:
        if (payload.size() != 3 || payload[2] > 1)
            return Reply::refuse();
        m_outputs = payload[2] ? uint8_t(m_outputs | payload[1]) : uint8_t(m_outputs & ~payload[1]);
        return Reply::accept();
    case 3: {
        if (payload.size() != 9)
            return Reply::refuse();
        const uint32_t master = bigEndian32(payload.data() + 1);
        const uint32_t next = bigEndian32(payload.data() + 5);
        if (master != m_master || next == 0 || next > 999999)
            return Reply::refuse();
        m_password = next;
        return Reply::accept();
    }
    case 4:
        if (payload.size() != 2)
            return Reply::refuse();
        m_drive = payload[1];
        return Reply::accept();
    }
    return Reply::refuse();
}

}  // namespace zeva::sim

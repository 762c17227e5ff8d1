#pragma once
#include <cstdint>
#include <map>
#include <vector>

#include "sim/firmwaredevice.h"

namespace zeva::sim {

// A GALTE master with relay slaves behind it. Command 161 carries the slave's address, an
// operation letter and its data: 'S' query ('S' then '0'/'1'), '1'/'0' relay on/off, 'R' reset,
// 'A' new address (answered with 'A' and the new address). A slave that is not there, or the
// one set silent, never answers, and neither does the master for it.
class GalteMaster : public FirmwareDevice {
public:
    GalteMaster(uint16_t address, std::vector<uint16_t> slaves, uint16_t silentSlave);

    bool hasSlave(uint16_t slave) const;
    bool slaveRelay(uint16_t slave) const;
    std::vector<uint16_t> slaves() const;
    uint32_t resets(uint16_t slave) const;

protected:
    std::vector<ParamRecord> applicationParameters() override;
    Reply extraCommand(uint8_t cmd, std::span<const uint8_t> payload) override;

private:
    struct Slave {
        bool relay = false;
        uint32_t resets = 0;
    };
    std::map<uint16_t, Slave> m_slaves;
    uint16_t m_silent = 0xFFFF;
};

}  // namespace zeva::sim

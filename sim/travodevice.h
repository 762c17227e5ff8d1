#pragma once
#include <cstdint>

#include "sim/firmwaredevice.h"

namespace zeva::sim {

// A route-guidance unit: an application with AT45 DataFlash for its routes, plus command 153
// (sub-function 1 switches actuator outputs, 3 sets a new password when the master password
// matches, 4 sets the drive signals).
class TravoDevice : public FirmwareDevice {
public:
    static constexpr uint8_t kCommand = 153;
    static constexpr uint32_t kDefaultMasterPassword = 123456;

    TravoDevice(uint16_t address, FirmwareConfig config, uint32_t masterPassword = kDefaultMasterPassword);

    uint32_t masterPassword() const;
    uint32_t password() const;  // 0 until one was set
    uint8_t outputs() const;
    uint8_t driveSignals() const;

protected:
    Reply extraCommand(uint8_t cmd, std::span<const uint8_t> payload) override;

private:
    uint32_t m_master;
    uint32_t m_password = 0;
    uint8_t m_outputs = 0;
    uint8_t m_drive = 0;
};

}  // namespace zeva::sim

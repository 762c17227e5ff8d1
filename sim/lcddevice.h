#pragma once
#include <array>
#include <cstdint>

#include "sim/firmwaredevice.h"

namespace zeva::sim {

// A controller with a 128 × 64 graphic LCD and external memory. Command 203 with a page number
// 0..7 answers that page of its screen: 128 bytes, one column of 8 pixels each, top pixel in the
// low bit. The screen shows a frame, a filled block and a bar that grows with every page 7 read.
class LcdDevice : public FirmwareDevice {
public:
    static constexpr int kW = 128;
    static constexpr int kH = 64;
    static constexpr size_t kScreenBytes = kW * kH / 8;

    explicit LcdDevice(uint16_t address);
    std::array<uint8_t, kScreenBytes> screen() const;
    void setPixel(int x, int y, bool lit);

protected:
    Reply extraCommand(uint8_t cmd, std::span<const uint8_t> payload) override;

private:
    void setLocked(int x, int y, bool lit);
    std::array<uint8_t, kScreenBytes> m_screen{};
    int m_bar = 0;
};

}  // namespace zeva::sim

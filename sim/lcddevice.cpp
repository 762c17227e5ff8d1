#include "sim/lcddevice.h"

#include "sim/deviceoption.h"

namespace zeva::sim {

namespace {

FirmwareConfig lcdConfig()
{
    FirmwareConfig c = *kindConfig("app6");
    c.appName = "LCD 128x64";
    return c;
}

}  // namespace

LcdDevice::LcdDevice(uint16_t address) : FirmwareDevice(address, lcdConfig())
{
    for (int x = 0; x < kW; ++x) {
        setLocked(x, 0, true);
        setLocked(x, kH - 1, true);
    }
    for (int y = 0; y < kH; ++y) {
        setLocked(0, y, true);
        setLocked(kW - 1, y, true);
    }
    for (int y = 8; y < 24; ++y)
        for (int x = 8; x < 40; ++x)
            setLocked(x, y, true);
    // A diagonal, so a wrong bit order shows at once.
    for (int i = 0; i < 40; ++i)
        setLocked(50 + i, 10 + i, true);
}

void LcdDevice::setLocked(int x, int y, bool lit)
{
    uint8_t& b = m_screen[size_t(x + (y / 8) * kW)];
    const uint8_t bit = uint8_t(1u << (y % 8));
    b = lit ? uint8_t(b | bit) : uint8_t(b & ~bit);
}

void LcdDevice::setPixel(int x, int y, bool lit)
{
    auto g = lock();
    if (x >= 0 && x < kW && y >= 0 && y < kH)
        setLocked(x, y, lit);
}

std::array<uint8_t, LcdDevice::kScreenBytes> LcdDevice::screen() const
{
    auto g = lock();
    return m_screen;
}

Reply LcdDevice::extraCommand(uint8_t cmd, std::span<const uint8_t> payload)
{
    if (cmd == 203 && payload.size() == 1 && payload[0] < kH / 8) {
        const size_t page = payload[0];
        std::vector<uint8_t> out(m_screen.begin() + page * kW, m_screen.begin() + (page + 1) * kW);
        if (page == 7) {
            // The bar of the next screenshot is one step longer.
            m_bar = (m_bar + 6) % 100;
            for (int x = 0; x < 100; ++x)
                for (int y = 54; y < 58; ++y)
                    setLocked(14 + x, y, x < m_bar);
        }
        return Reply::accept(std::move(out));
    }
    return FirmwareDevice::extraCommand(cmd, payload);
}

}  // namespace zeva::sim

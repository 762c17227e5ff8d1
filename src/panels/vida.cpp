#include "panels/vida.h"

#include <bit>
#include <cmath>
#include <numbers>

namespace panels {

TVIDAData::TVIDAData()
{
    SetAngle(kNoAngle);
}

bool TVIDAData::Assign(std::span<const uint8_t> answer)
{
    if (answer.size() != kSize)
        return false;
    std::copy(answer.begin(), answer.end(), FBytes.begin());
    return true;
}

void TVIDAData::PutU16(size_t at, uint16_t v)
{
    FBytes[at] = uint8_t(v);
    FBytes[at + 1] = uint8_t(v >> 8);
}

float TVIDAData::F32(size_t at) const
{
    const uint32_t bits = uint32_t(FBytes[at]) | uint32_t(FBytes[at + 1]) << 8 | uint32_t(FBytes[at + 2]) << 16 |
                          uint32_t(FBytes[at + 3]) << 24;
    return std::bit_cast<float>(bits);
}

void TVIDAData::SetZone(int64_t minimum, int64_t maximum)
{
    PutU16(2, uint16_t(uint64_t(minimum)));
    PutU16(4, uint16_t(uint64_t(maximum)));
}

void TVIDAData::Calibrate()
{
    std::copy(FBytes.begin() + 6, FBytes.begin() + 14, FBytes.begin() + 14);
}

namespace Gauge {

TMarker Marker(uint16_t angle)
{
    if (angle == TVIDAData::kNoAngle)
        return {kSide / 2, kSide / 2, mbGreen};
    const double a = angle * std::numbers::pi / 180.0;
    // std::nearbyint rounds halves to even in the default rounding mode.
    const int x = int(std::nearbyint(kR * std::cos(a) + kR + 10));
    const int y = int(std::nearbyint(kR - kR * std::sin(a) + 10));
    return {x, y, angle % 45 == 0 ? mbRed : mbWhite};
}

}  // namespace Gauge
}  // namespace panels

#include "panels/pelnik.h"

#include <bit>

namespace panels::Pelnik {

std::optional<TSettings> Decode(std::span<const uint8_t> answer)
{
    if (answer.size() != 5)
        return std::nullopt;
    const uint32_t bits = uint32_t(answer[1]) << 24 | uint32_t(answer[2]) << 16 | uint32_t(answer[3]) << 8 | answer[4];
    return TSettings{answer[0], std::bit_cast<float>(bits)};
}

std::vector<uint8_t> Encode(const TSettings& settings)
{
    const uint32_t bits = std::bit_cast<uint32_t>(settings.TimeCoeff);
    return {settings.Mode, uint8_t(bits >> 24), uint8_t(bits >> 16), uint8_t(bits >> 8), uint8_t(bits)};
}

}  // namespace panels::Pelnik

#include "panels/pleva.h"

namespace panels::Pleva {

uint32_t SetRelay(uint32_t mask, int relay, bool on)
{
    if (relay < 1 || relay > kRelays)
        return mask;
    const uint32_t bit = uint32_t(1) << (relay - 1);
    return on ? mask | bit : mask & ~bit;
}

bool RelayOn(uint32_t mask, int relay)
{
    return relay >= 1 && relay <= kRelays && (mask >> (relay - 1)) & 1;
}

std::vector<uint8_t> WriteRelaysPayload(uint8_t board, uint32_t mask)
{
    return {board, uint8_t(mask >> 24), uint8_t(mask >> 16), uint8_t(mask >> 8), uint8_t(mask)};
}

std::optional<uint32_t> SensorWord(std::span<const uint8_t> answer)
{
    if (answer.size() != 8)
        return std::nullopt;
    return uint32_t(answer[4]) << 24 | uint32_t(answer[5]) << 16 | uint32_t(answer[6]) << 8 | answer[7];
}

bool SensorOn(uint32_t word, int sensor)
{
    return sensor >= 1 && sensor <= kRelays && (word >> (sensor - 1)) & 1;
}

}  // namespace panels::Pleva

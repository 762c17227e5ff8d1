#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace panels {

// The 32-relay board with 32 sensor inputs: the desired relay state is one mask, written whole.
namespace Pleva {

inline constexpr int kRelays = 32;

// Mask with relay n (1..32) switched on or off.
uint32_t SetRelay(uint32_t mask, int relay, bool on);
bool RelayOn(uint32_t mask, int relay);

std::vector<uint8_t> WriteRelaysPayload(uint8_t board, uint32_t mask);

// The sensor word of a state answer: exactly 8 bytes, the second big-endian word. Anything else
// is no answer and must leave the indicators alone.
std::optional<uint32_t> SensorWord(std::span<const uint8_t> answer);
// Sensor n (1..32) of the word.
bool SensorOn(uint32_t word, int sensor);

}  // namespace Pleva
}  // namespace panels

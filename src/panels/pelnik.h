#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace panels {

// Operating mode and time coefficient of the radio unit; the coefficient travels as the
// big-endian bit pattern of a single-precision float.
namespace Pelnik {

enum TMode : uint8_t { pmReceiver = 0, pmTransmitter = 1 };

struct TSettings {
    uint8_t Mode = pmReceiver;
    float TimeCoeff = 0;
};

// Exactly 5 bytes; any other length is a format error.
std::optional<TSettings> Decode(std::span<const uint8_t> answer);
std::vector<uint8_t> Encode(const TSettings& settings);

}  // namespace Pelnik
}  // namespace panels

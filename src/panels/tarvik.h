#pragma once
#include <cstdint>
#include <optional>
#include <span>

#include <QString>

namespace panels {

// The two-channel radio code receiver: each channel holds the last code it received.
namespace Tarvik {

inline constexpr int kClearSettleMs = 50;  // the device needs this before the channel reads back

// "01020304050607-08" for an answer of exactly 8 bytes; nothing for any other length.
std::optional<QString> CodeText(std::span<const uint8_t> answer);

}  // namespace Tarvik
}  // namespace panels

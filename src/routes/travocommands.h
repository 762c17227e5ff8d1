#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include <QString>

// The route-guidance unit's control command (zcmd::travo): password and actuator outputs.
namespace TravoCmd {
inline constexpr uint32_t MaxPassword = 999999;
}  // namespace TravoCmd

// The three password fields as typed. Which message the dialog shows and which fields are at
// fault (master, new, repeat), or the payload to send.
struct TPasswordCheck {
    enum class TResult { Ok, Empty, Invalid, Differ };
    TResult Result = TResult::Ok;
    std::array<bool, 3> Faulty{};  // Empty/Invalid: the fields at fault, in focus order
    std::vector<uint8_t> Payload;  // Ok: sub-function 3, master and new password big-endian
};
TPasswordCheck CheckPasswords(const QString& master, const QString& new1, const QString& new2);

// Sub-function 1: the output mask from the seven boxes in the order of bits 1 … 7 (left forcing,
// red light, right forcing, green light, blow-out, fixed position, sound); bit 0 stays 0.
uint8_t ActuatorMask(const std::array<bool, 7>& boxes);
std::vector<uint8_t> ActuatorPayload(uint8_t mask, bool state);
// Sub-function 4: bits 0 … 3 from the boxes STF, RH, RM, RL.
std::vector<uint8_t> DrivePayload(const std::array<bool, 4>& boxes);

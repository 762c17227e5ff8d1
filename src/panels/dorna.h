#pragma once
#include <cstdint>
#include <optional>
#include <span>

#include <QString>
#include <QStringList>

namespace panels {

// The measuring unit read through the selected device: the unit's own address goes in the payload.
namespace Dorna {

inline constexpr int kUnits = 8;

// Captions of the address list ("92" … "9E", "A4").
QStringList AddressCaptions();
// Address of list item i: 0x92 + 2·i, skipping 0xA0 and 0xA2.
uint8_t UnitAddress(int item);

struct TRecord {
    uint8_t Version = 0;  // high nibble major, low nibble minor
    uint16_t Uac = 0;
    uint16_t Udc = 0;
    uint16_t R = 0;
};

// Exactly 7 bytes: version, then three big-endian words.
std::optional<TRecord> Decode(std::span<const uint8_t> answer);

// What the tab shows: the version "major.minor" and the three readings; a failed read shows
// "---" everywhere, and so does a reading above 999, which the three-digit display cannot hold.
struct TView {
    QString Version;
    QString Uac;
    QString Udc;
    QString R;
};
TView View(const std::optional<TRecord>& record);
QString Reading(uint16_t value);

}  // namespace Dorna
}  // namespace panels

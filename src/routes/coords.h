#pragma once
#include <cstdint>

#include <QString>
#include <QStringView>

// Coordinates are kept as text in the database (12 characters: sign or hundreds digit, degrees,
// "°", minutes, "'", seconds, ".", tenths, '"') and as a signed count of tenths of an arc-second
// in the unit. 0 stands for a missing coordinate.
namespace Coord {
inline constexpr int TextLength = 12;
inline constexpr int32_t TenthsPerDegree = 36000;
inline constexpr int32_t TenthsPerMinute = 600;
}  // namespace Coord

// A text shorter than 12 characters, or fields that are not numbers, read as 0 (field by field).
int32_t CoordFromText(QStringView text);
// The 12-character text of a value; "- - -" for 0; empty for a value the 12 characters cannot
// carry (1000 degrees or more, or 100 degrees or more west/south, where the sign would not fit).
QString CoordToText(int32_t value);

// Decimal degrees as GPS exports write them ("55.753215", "-37,6", "55.75N", "W 3.5"): a point
// or a comma, and a sign or a letter of the axis (N/S for a latitude, E/W for a longitude), in
// tenths of an arc-second rounded half away from zero. False for any other text, and for a
// value past 90 degrees (latitude) or 180 (longitude).
bool CoordFromDegrees(QStringView text, bool latitude, int32_t& value);

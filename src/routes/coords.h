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

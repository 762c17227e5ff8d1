#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include <QString>

// Geometry of the route-guidance unit's DataFlash and of its route and turn records.
namespace RouteLayout {
inline constexpr int PageSize = 528;
inline constexpr int PageCount = 8192;  // the 32-Mbit part; the 16-Mbit part has half of it
inline constexpr size_t ImageSize = size_t(PageSize) * PageCount;
inline constexpr int HeaderPages = 2;  // page 0 carries the format marker; never written by us
inline constexpr int HeaderSize = HeaderPages * PageSize;
inline constexpr int RouteRecordSize = 66;  // 8 records a page
inline constexpr int TurnRecordSize = 22;   // 24 records a page
inline constexpr int MaxTurns = 2040;
inline constexpr int TurnAreaSize = MaxTurns * TurnRecordSize;  // 44880 bytes
inline constexpr int TurnAreaPages = TurnAreaSize / PageSize;   // 85
inline constexpr uint16_t DefaultMaxRoutes = 96;
inline constexpr int NameFieldSize = 17;  // 16 characters and a zero terminator
inline constexpr int NameMaxBytes = NameFieldSize - 1;
}  // namespace RouteLayout

// One route slot of the unit, 66 bytes little-endian: three zero-terminated name lines in code
// page 1251, the slot number that marks the record valid, and the turn count.
struct TRouteRecord {
    std::array<uint8_t, RouteLayout::NameFieldSize> Name1{};
    std::array<uint8_t, RouteLayout::NameFieldSize> Name2{};
    std::array<uint8_t, RouteLayout::NameFieldSize> Name3{};
    uint16_t Number = 0;
    uint16_t TurnCount = 0;
    std::array<uint8_t, 11> Reserved{};

    static TRouteRecord Decode(const uint8_t* bytes);  // reads RouteRecordSize bytes
    void Encode(uint8_t* bytes) const;                 // writes RouteRecordSize bytes

    // line is 1, 2 or 3. Stores at most 16 bytes and zero-fills the rest of the field, so the
    // terminator is always there and a long name never runs into the next field.
    void SetName(int line, const QString& text);
    // The line up to its first zero byte.
    QString Name(int line) const;

private:
    std::array<uint8_t, RouteLayout::NameFieldSize>* nameField(int line);
    const std::array<uint8_t, RouteLayout::NameFieldSize>* nameField(int line) const;
};

// One turn, 22 bytes little-endian. Both latitudes come before both longitudes on purpose:
// that is how the unit stores them.
struct TTurnRecord {
    int32_t BegLat = 0;
    int32_t EndLat = 0;
    int32_t BegLong = 0;
    int32_t EndLong = 0;
    uint8_t Type = 0;  // 'L', 'R', 'B', 'E', or '?' for a type the unit cannot hold
    std::array<uint8_t, 5> Reserved{};

    static TTurnRecord Decode(const uint8_t* bytes);  // reads TurnRecordSize bytes
    void Encode(uint8_t* bytes) const;                // writes TurnRecordSize bytes

    // The stored type text as the unit's type byte: its one CP1251 byte, or '?' when the text
    // is not exactly one character.
    static uint8_t TypeByteFromText(const QString& text);
};

#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace crc16detail {
// Byte-at-a-time table for the line's polynomial; the bitwise loop below stays the definition.
constexpr std::array<uint16_t, 256> makeTable(uint16_t poly)
{
    std::array<uint16_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        uint16_t c = uint16_t(i);
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? uint16_t((c >> 1) ^ poly) : uint16_t(c >> 1);
        t[size_t(i)] = c;
    }
    return t;
}
inline constexpr uint16_t kLinePoly = 0x8408;
inline constexpr auto kLineTable = makeTable(kLinePoly);
}  // namespace crc16detail

// CRC-16/MCRF4XX as used on the ZEVA line: reflected 0x1021, init 0xFFFF, no final XOR.
struct TCRC16 {
    uint16_t InitCRC = 0xFFFF;
    uint16_t FCRC = 0xFFFF;
    uint16_t Polynom = 0x8408;

    void Init(uint16_t initValue, uint16_t poly)
    {
        InitCRC = initValue;
        Polynom = poly;
        StartCRC();
    }
    void StartCRC() { FCRC = InitCRC; }
    void UpdateCRC(uint8_t b)
    {
        if (Polynom == crc16detail::kLinePoly) {
            FCRC = uint16_t((FCRC >> 8) ^ crc16detail::kLineTable[(FCRC ^ b) & 0xFF]);
            return;
        }
        FCRC ^= b;
        for (int i = 0; i < 8; ++i)
            FCRC = (FCRC & 1) ? uint16_t((FCRC >> 1) ^ Polynom) : uint16_t(FCRC >> 1);
    }
    void Update(const uint8_t* p, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            UpdateCRC(p[i]);
    }
};

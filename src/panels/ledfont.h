#pragma once
#include <cstdint>

namespace panels {

// The 5 × 7 dot font of the LED display: 256 glyphs of five column bytes, left to right; in each
// byte bit 7 is the top row and bit 1 the bottom (seventh) row, bit 0 is unused. Codes 32..255
// are the Latin-1 repertoire; every code without a glyph holds the block of 0x7F.
extern const uint8_t LEDFont[256][5];

inline constexpr uint8_t kLEDBlock = 0x7F;

// Glyph drawn for a UTF-16 code unit: control codes and everything past Latin-1 show the block.
inline uint8_t LEDGlyphCode(char16_t c)
{
    return c < 32 || c > 255 ? kLEDBlock : uint8_t(c);
}

// Dot of glyph `code` at row 0..6 (top first), column 0..5; the sixth column is always dark.
inline bool LEDDotLit(uint8_t code, int row, int column)
{
    return column >= 0 && column < 5 && row >= 0 && row < 7 && (LEDFont[code][column] >> (7 - row)) & 1;
}

}  // namespace panels

#pragma once
#include <cstdint>
#include <string>

// Big-endian readers over a received payload. Reading past the end yields 0 and never moves
// the cursor beyond the payload, so a short answer simply ends strings and tag lists.
struct PayloadReader {
    const uint8_t* data;
    uint16_t count;
    uint16_t& pos;

    uint8_t ReadByte() { return pos < count ? data[pos++] : 0; }
    uint16_t ReadWord()
    {
        const uint16_t hi = ReadByte();
        return uint16_t((hi << 8) | ReadByte());
    }
    uint32_t ReadInt24()
    {
        const uint32_t hi = ReadByte();
        return (hi << 16) | ReadWord();
    }
    uint32_t ReadDWord()
    {
        const uint32_t hi = ReadWord();
        return (hi << 16) | ReadWord();
    }
    std::string ReadString()
    {
        std::string s;
        for (uint8_t b = ReadByte(); b != 0; b = ReadByte())
            s.push_back(char(b));
        return s;
    }
    void SkipByte(uint16_t n) { pos = uint16_t(count - pos < n ? count : pos + n); }
    bool EndOfBuf() const { return pos >= count; }
};

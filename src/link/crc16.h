#pragma once
#include <cstddef>
#include <cstdint>

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

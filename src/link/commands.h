#pragma once
#include <cstdint>

// Command codes on the line. The codes every device understands live in zcmd; a device family's
// own codes live in a namespace of its own, since the same number means different things to
// different families (106 is a key-fob read to one, an output write to another).
namespace zcmd {
constexpr uint8_t kResetSystem = 0;     // reset, for devices with the "ResetSystem" option
constexpr uint8_t kRunProgram = 1;      // leave the bootloader for the application
constexpr uint8_t kRunBootloader = 2;   // leave the application for the bootloader
constexpr uint8_t kReadFLASH = 3;       // 16-bit address, count → bytes
constexpr uint8_t kWriteFLASH = 4;      // 16-bit address, 64 bytes (or the address alone: erased)
constexpr uint8_t kPrepareFLASH = 5;    // before a FLASH transfer
constexpr uint8_t kEraseFLASH = 6;      // before a write (5.1 and 6.0: [0xFF]); after it, 5.1 and 6.0: [0x47]
constexpr uint8_t kFinishFLASH = 7;     // after a write, bootloader 5.0
constexpr uint8_t kReset = 8;
constexpr uint8_t kReadExtMem = 17;     // block number → block
constexpr uint8_t kWriteExtMem = 18;    // block number, block
constexpr uint8_t kReadAT45 = 19;       // page number → 528 bytes
constexpr uint8_t kWriteAT45 = 20;      // page number, 528 bytes
constexpr uint8_t kSetClock = 33;       // six clock bytes
constexpr uint8_t kIdentify = 113;
constexpr uint8_t kChangeAddr = 122;    // new 16-bit address
}  // namespace zcmd

#pragma once
#include <cstdint>

// Command codes on the line. The codes every device understands live in zcmd; a device family's
// own codes live in a namespace of its own, since the same number means different things to
// different families (106 is a key-fob read to one, an output write to another).
namespace zcmd {
constexpr uint8_t kResetSystem = 0;    // reset, for devices with the "ResetSystem" option
constexpr uint8_t kRunProgram = 1;     // leave the bootloader for the application
constexpr uint8_t kRunBootloader = 2;  // leave the application for the bootloader
constexpr uint8_t kReadFLASH = 3;      // 16-bit address, count → bytes
constexpr uint8_t kWriteFLASH = 4;     // 16-bit address, 64 bytes (or the address alone: erased)
constexpr uint8_t kPrepareFLASH = 5;   // before a FLASH transfer
constexpr uint8_t kEraseFLASH = 6;     // before a write (5.1 and 6.0: [0xFF]); after it, 5.1 and 6.0: [0x47]
constexpr uint8_t kFinishFLASH = 7;    // after a write, bootloader 5.0
constexpr uint8_t kReset = 8;
constexpr uint8_t kReadExtMem = 17;   // block number → block
constexpr uint8_t kWriteExtMem = 18;  // block number, block
constexpr uint8_t kReadAT45 = 19;     // page number → 528 bytes
constexpr uint8_t kWriteAT45 = 20;    // page number, 528 bytes
constexpr uint8_t kSetClock = 33;     // six clock bytes
constexpr uint8_t kIdentify = 113;
constexpr uint8_t kChangeAddr = 122;  // new 16-bit address
}  // namespace zcmd

// Codes of one device family each. The same number means something else to another family, so
// a panel names its family's code, never the number.
namespace zcmd::relay {              // the USB relay module and the MIRAN device
constexpr uint8_t kSetRelays = 81;   // 1 byte: bit k − 1 = relay k
constexpr uint8_t kResetRelay = 83;  // 1 byte: 1 on, 0 off (USB relay module only)
}  // namespace zcmd::relay

namespace zcmd::sarvel {
constexpr uint8_t kWrite = 106;  // unit address, 32 output bits big-endian
constexpr uint8_t kRead = 107;   // unit address → version, 32 output bits
}  // namespace zcmd::sarvel

namespace zcmd::kesta {
constexpr uint8_t kOutputs = 97;        // 1 byte, bit k − 1 = output k
constexpr uint8_t kUp = 99;             // [0x00]
constexpr uint8_t kDown = 100;          // [0x00]
constexpr uint8_t kStop = 101;          // [0x00]
constexpr uint8_t kReadFobs = 106;      // → count, codes (big-endian 32-bit)
constexpr uint8_t kWriteFobs = 107;     // count, codes
constexpr uint8_t kReadTimeout = 108;   // → 2 bytes, seconds
constexpr uint8_t kWriteTimeout = 109;  // 2 bytes, seconds
}  // namespace zcmd::kesta

namespace zcmd::galte {
constexpr uint8_t kSlave = 161;  // slave address, operation letter, its data
}  // namespace zcmd::galte

namespace zcmd::pleva {
constexpr uint8_t kWriteRelays = 90;  // board, mask (big-endian); answer not read
constexpr uint8_t kReadState = 91;    // board; answer: unused word, sensor word
}  // namespace zcmd::pleva

namespace zcmd::vida {
constexpr uint8_t kRead = 69;
constexpr uint8_t kWrite = 70;
}  // namespace zcmd::vida

namespace zcmd::dorna {
constexpr uint8_t kRead = 147;  // unit address → 7 bytes
}  // namespace zcmd::dorna

namespace zcmd::tarvik {
constexpr uint8_t kClear = 65;  // channel (1 or 2); no answer used
constexpr uint8_t kRead = 66;   // channel; answer: exactly 8 code bytes
}  // namespace zcmd::tarvik

namespace zcmd::pelnik {
constexpr uint8_t kRead = 96;   // empty; answer: mode, coefficient (5 bytes)
constexpr uint8_t kWrite = 97;  // mode, coefficient; no answer used
}  // namespace zcmd::pelnik

namespace zcmd::lcd {
constexpr uint8_t kScreenPage = 203;  // one byte: page 0 … 7 of the screen
}  // namespace zcmd::lcd

namespace zcmd::travo {               // the route-guidance unit
constexpr uint8_t kControl = 153;     // sub-function, its data
constexpr uint8_t kSubActuators = 1;  // output mask, state
constexpr uint8_t kSubPassword = 3;   // master and new password, big-endian
constexpr uint8_t kSubDrive = 4;      // STF, RH, RM, RL bits
}  // namespace zcmd::travo

#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include <QString>

#include "link/deviceinfo.h"

// What the relay tabs show, decided from the identification parameters or an answer.
namespace panels {

// USB relay module: recognised by exactly 5 or 8 parameters.
struct UsbRelayView {
    bool valid = false;  // false: controls disabled, indicators dark, button visibility kept
    std::array<bool, 8> relayVisible{};
    std::array<bool, 8> relayEnabled{};
    std::array<bool, 8> relayLit{};
    bool resetVisible = false;  // the "Реле RESET" group
    bool resetLit = false;
    std::array<bool, 4> inputVisible{};
    std::array<bool, 4> inputLit{};
    bool noInputs = true;  // the "- - -" label
};
UsbRelayView UsbRelayViewOf(const TParams& params);

// MIRAN device: exactly 7 parameters.
struct MiranView {
    bool valid = false;
    std::array<bool, 8> outputLit{};
    std::array<bool, 8> inputLit{};
};
MiranView MiranViewOf(const TParams& params);

// SARVEL output units: 64 address items, 0x10 … 0x90 in steps of 2 without 0x78.
constexpr int kSarvelItems = 64;
uint8_t SarvelAddress(int item);
QString SarvelCaption(int item);  // "0x10"

struct SarvelUnit {
    bool ok = false;
    QString version = QStringLiteral("- - -");
    uint32_t outputs = 0;  // bit k − 1 = output k
};
// The read answer counts only when the command succeeded with exactly 5 bytes.
SarvelUnit SarvelUnitOf(bool succeeded, std::span<const uint8_t> answer);
std::vector<uint8_t> SarvelWritePayload(uint8_t address, uint32_t outputs);
// "TEST1": odd outputs 1, 3, …, 31; "TEST2": the even ones.
constexpr uint32_t kSarvelTest1 = 0x55555555;
constexpr uint32_t kSarvelTest2 = 0xAAAAAAAA;

}  // namespace panels

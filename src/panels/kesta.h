#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include <QString>

#include "link/deviceinfo.h"

// The KESTA controller: three driven columns, seven outputs, nine inputs, a radio key fob.
namespace panels {

// What a drive nibble does to the pump indicator of its column.
enum class PumpAction { Stop, Forward, Inverse, Keep };
PumpAction PumpActionOf(unsigned driveState);
// State 3 is a stopped drive with a fault: the column shows the warning picture.
inline bool DriveWarning(unsigned driveState)
{
    return driveState == 3;
}

struct KestaView {
    bool valid = false;  // exactly 9 parameters; otherwise the live display is blanked
    std::array<bool, 7> outputLit{};
    std::array<bool, 9> inputLit{};
    std::array<bool, 3> upperLimit{};  // inputs 1, 3, 5
    std::array<bool, 3> lowerLimit{};  // inputs 2, 4, 6
    bool fobClose = false;             // green ring over the close button
    bool fobOpen = false;              // green ring over the open button
    bool fobLamp = false;              // red dot on the fob's lamp
    uint32_t code = 0;                 // last key fob heard; 0: none
    QString codeText = QStringLiteral("- - -");
    std::array<unsigned, 3> drive{};  // nibble of each column
};
KestaView KestaViewOf(const TParams& params);

// A key-fob code as the tab shows it: upper-case hexadecimal, at least 7 digits.
QString FobCodeText(uint32_t code);

// Key-fob codes are 1 … 0x0FFFFFFF: at most seven hexadecimal digits, read as if "$" stood before.
constexpr uint32_t kMaxFobCode = 0x0FFFFFFF;
std::optional<uint32_t> ParseFobCode(const QString& text);

std::vector<uint8_t> FobListPayload(const std::vector<uint32_t>& codes);
// The codes of a list answer; nothing for an empty answer or one shorter than its count says
// (a cut answer would otherwise turn into made-up codes that the next save writes back).
std::optional<std::vector<uint32_t>> FobListOf(std::span<const uint8_t> answer);

// Time-out in seconds: exactly two bytes, big-endian.
std::optional<unsigned> TimeoutOf(std::span<const uint8_t> answer);
// What "write time-out" sends for the edit's text: not a number counts as 3, below 3 becomes 3.
constexpr unsigned kMinTimeout = 3;
unsigned TimeoutToWrite(const QString& text);
std::vector<uint8_t> TimeoutPayload(unsigned seconds);

// The pump indicator's angle after one 100 ms tick (18° forward, −18° reverse).
constexpr int kPumpStep = 18;
int NextPumpAngle(int angle, int step);

// The in-memory key-fob list of the tab (at most 7 rows added from the panel) with its current row.
class FobList {
public:
    static constexpr int kMaxRows = 7;

    int Count() const { return int(FCodes.size()); }
    bool IsEmpty() const { return FCodes.empty(); }
    const std::vector<uint32_t>& Codes() const { return FCodes; }
    int Current() const { return FCurrent; }  // 0-based; −1 on an empty list
    void SetCurrent(int row);
    bool CanAdd() const { return Count() < kMaxRows; }

    bool Add(uint32_t code);                    // appends and makes it current; false when full
    bool EditCurrent(uint32_t code);            // false on an empty list
    bool DeleteCurrent();                       // the row after it (or the new last one) becomes current
    void Replace(std::vector<uint32_t> codes);  // a loaded list; its first row becomes current
    bool Locate(uint32_t code);                 // makes the first row with this code current

private:
    std::vector<uint32_t> FCodes;
    int FCurrent = -1;
};

}  // namespace panels

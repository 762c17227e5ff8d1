#pragma once
#include <cstdint>
#include <functional>

#include "link/deviceinfo.h"

// Carries the program region and external-memory size a device reports over to the main
// window's copies that the memory panels work with. A device that reports smaller values (or
// vanishes) is followed only once 3.5 s have passed since the last check, so a single odd
// answer does not throw away the views; growing values are followed at once.
class RegionTracker {
public:
    // Millisecond tick; the default is the steady clock. Tests inject their own.
    using Clock = std::function<int64_t()>;
    static constexpr int64_t kHoldMs = 3500;

    struct Change {
        bool flash = false;  // ProgStart or MemSize changed: rebuild the FLASH view
        bool ext = false;    // Ext changed: rebuild the external-memory view
        bool operator==(const Change&) const = default;
    };

    explicit RegionTracker(Clock clock = {});

    // One check after an identification. Calls the hooks below for what changed.
    Change Update(int64_t memSize, int64_t progStart, int64_t ext);
    Change Update(const TDeviceInfo& info) { return Update(info.MemSize, info.ProgStart, info.Ext); }

    // The main window's copies, read by the memory panels.
    int64_t ProgStart() const { return FProgStart; }
    int64_t MemSize() const { return FMemSize; }
    int64_t Ext() const { return FExt; }

    // Filled by the FLASH and external-memory panels; called with true (new checksum reference).
    std::function<void(bool)> UpdateFLASHView;
    std::function<void(bool)> UpdateExtMemView;

private:
    Clock FClock;
    int64_t FProgStart = 0xC00;
    int64_t FMemSize = 0x8000;
    int64_t FExt = 0x8000;
    int64_t FLastMemSize = -1;
    int64_t FLastProgStart = -1;
    int64_t FLastExt = -1;
    int64_t FLastCheck = 0;
};

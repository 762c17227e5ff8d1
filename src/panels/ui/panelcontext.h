#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include <QSet>

class DeviceSession;

// What the device tabs use of the main window: the selected device's session and the rule that
// enables the device controls.
struct TPanelContext {
    DeviceSession* Session = nullptr;
    std::function<void(const QSet<int>&)> EnableDeviceControls;
    int PauseDepth = 0;  // TPanelPause guards alive now
};

// Presence stopped and the device controls off for the guard's life. Guards nest: presence runs
// again when the outermost one ends, on every way out of the block.
class TPanelPause {
public:
    explicit TPanelPause(TPanelContext& ctx);
    ~TPanelPause();
    TPanelPause(const TPanelPause&) = delete;
    TPanelPause& operator=(const TPanelPause&) = delete;

private:
    TPanelContext& FCtx;
};

// One command's outcome as a value, so nothing reads the link's buffers afterwards.
struct TPanelAnswer {
    bool Ok = false;  // answered 0x33
    std::vector<uint8_t> Answer;
    bool Accepted() const { return Ok; }
};

// One command to the selected device, inside a TPanelPause; shows nothing itself.
TPanelAnswer PanelSend(TPanelContext& ctx, uint8_t cmd, std::span<const uint8_t> payload = {});

#pragma once
#include <QSet>
#include <QString>

#include "link/deviceinfo.h"

// Device controls of the main window carry their group number as the property "tag".
// Tag 0 is no group; 1000 marks the tab sheets that are always shown. Neither is ever touched.
namespace ControlGroups {
constexpr int kNoGroup = 0;
constexpr int kFixedSheet = 1000;

// Whether a control with this tag is driven by EnableDeviceControls.
bool IsDeviceTag(int tag);
// Enabled state of a device control: its group is in `groups` (0..255) or every control is
// switched on by the user. Only meaningful for IsDeviceTag(tag).
bool TagEnabled(int tag, const QSet<int>& groups, bool allControls);
// "Сменить адрес..." is usable only while a bootloader runs (the application cannot change its
// address), unless every control is switched on.
bool ChangeAddrEnabled(bool allControls, bool hasLink, TMode mode);
bool IsBootloader(TMode mode);

// Keyboard shortcuts of the main window: the objectName of the button a key stands for on the
// active tab, or an empty string. Shortcuts act only while a device is present (the console's
// send button is enabled) and without Shift, Ctrl or Alt; the caller checks those.
QString ShortcutButton(const QString& activeTab, int key);

// Timers of the panels that redraw from the identification: each runs only while its tab is
// active. Pairs of tab name and timer name.
struct TabTimer {
    const char* tab;
    const char* timer;
};
const TabTimer* TabTimers(int* count);
}  // namespace ControlGroups

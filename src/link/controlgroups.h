#pragma once
#include <QSet>
#include <QString>

#include "link/deviceinfo.h"

class QObject;

// Groups of device controls, by the device states they are usable in. The numbers are the ones
// the controls carry; EnableDeviceControls switches each control by its group.
enum TControlGroup : int {
    cgBootloader = 1,   // a bootloader runs (FLASH options, the ext-mem control reads, "run program")
    cgExtMem = 2,       // an application with external memory runs
    cgPresent = 3,      // any device answers
    cgApplication = 4,  // an application runs
    cgFlash = 5,        // a bootloader runs (the FLASH transfers)
    cgClock = 8,        // an application of the second generation runs (its clock)
};

// Device controls of the main window carry their group number as the property "tag".
// Tag 0 is no group; 1000 marks the tab sheets that are always shown. Neither is ever touched.
namespace ControlGroups {
constexpr int kNoGroup = 0;
constexpr int kFixedSheet = 1000;

// Puts a control into a group: the one way a panel tags its device controls.
void Tag(QObject* control, TControlGroup group);
// The tag a control carries (kNoGroup when none).
int TagOf(const QObject* control);

// Whether a control with this tag is driven by EnableDeviceControls.
bool IsDeviceTag(int tag);
// Enabled state of a device control: its group is in `groups` (0..255) or every control is
// switched on by the user. Only meaningful for IsDeviceTag(tag).
bool TagEnabled(int tag, const QSet<int>& groups, bool allControls);
// "Сменить адрес..." is usable only while a bootloader runs (the application cannot change its
// address), unless every control is switched on.
bool ChangeAddrEnabled(bool allControls, bool hasLink, TMode mode);
bool IsBootloader(TMode mode);
}  // namespace ControlGroups

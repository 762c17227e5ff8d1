#pragma once
#include <vector>

#include <QString>

class DeviceTab;
class QPushButton;
class TConsoleTab;
class TCtrlExtMemTab;
class TDM;
class TExtMemTab;
class TFlashTab;
class TPanel;
class TPanelHost;
class TTravoTab;
struct TAppSettings;
struct TMemoryContext;

// What the tabs get from the window beyond the panel host; the window fills it before it makes
// them, so the tab table needs nothing of the window itself.
struct TTabContext {
    TPanelHost& Host;
    TDM* Dm;  // nullptr without a database: the tabs that need one stay empty
    TMemoryContext& Memory;
    QString DataFolder;  // the map window writes its page files here
    // Read when the map opens, so a tile source changed in the options counts.
    const TAppSettings& Settings;
    QPushButton* BtnReset;
    QPushButton* BtnRunProgram;
    QPushButton* BtnRunBootloader;
    // The window's handles of the tabs it talks to after start; the factories set them.
    DeviceTab*& DeviceTabPanel;
    TFlashTab*& FlashTab;
    TExtMemTab*& ExtMemTab;
    TCtrlExtMemTab*& CtrlExtMemTab;
    TConsoleTab*& ConsoleTab;
    TTravoTab*& TravoTab;
};

// A key of the main window that stands for a button while its tab is in front.
struct TTabShortcut {
    int Key;             // Qt::Key
    const char* Button;  // objectName of the button, anywhere in the window
};

// One tab of the main window, in the window's order.
struct TTabRow {
    const char* Sheet;  // component name of the tab sheet, also its settings name
    const QString* Caption;
    bool Fixed = false;  // always shown (tag 1000); otherwise chosen in the options dialog
    // Makes the tab's content; nullptr leaves the sheet empty. The window puts the panel on the
    // sheet and owns it from then on.
    TPanel* (*Make)(const TTabContext& ctx) = nullptr;
    // Tab timer: created on the panel with this objectName, running only while the tab is in front.
    const char* Timer = nullptr;
    int TimerMs = 0;
    std::vector<TTabShortcut> Shortcuts = {};
    // Subkey the panel's own settings live under.
    const char* Section = "Form";
};

const std::vector<TTabRow>& TabRows();

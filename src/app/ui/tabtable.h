#pragma once
#include <vector>

#include <QString>

class TPanel;
class TfrmMain;

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
    TPanel* (*Make)(TfrmMain& window) = nullptr;
    // Tab timer: created on the panel with this objectName, running only while the tab is in front.
    const char* Timer = nullptr;
    int TimerMs = 0;
    std::vector<TTabShortcut> Shortcuts = {};
    // Subkey the panel's own settings live under.
    const char* Section = "Form";
};

const std::vector<TTabRow>& TabRows();

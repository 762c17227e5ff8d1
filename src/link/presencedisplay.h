#pragma once
#include <utility>
#include <vector>

#include <QLocale>
#include <QSet>
#include <QString>

#include "link/deviceinfo.h"

// What one display step after an identification shows: every text and visibility of the
// device tab, the status bar's name line, the controller summary and the control groups to
// enable. Widgets only copy it into their controls.
struct PresenceView {
    QString statusText;  // status bar panel 0
    QSet<int> groups;    // control groups to enable (EnableDeviceControls)
    QString mcuText;     // LabelMCU1, LabelMCU2
    QString dateText;    // DateRTC
    QString timeText;    // TimeRTC
    QString varModeText;
    QString tempText;
    QString voltageText;
    bool valuesVisible = false;  // GB_Mode, GB_Temp, GB_Voltage
    bool paramsVisible = false;  // ParamsList
    // Rows of ParamsList, the title row first; empty when the grid is hidden.
    std::vector<std::pair<QString, QString>> paramRows;
};

PresenceView MakePresenceView(const TDeviceInfo& info, const TParams& params, const QLocale& locale = QLocale());

// Control groups usable in a device state.
QSet<int> EnabledGroups(TMode mode, uint32_t ext);

// Single texts, "- - -" where the device gave nothing.
QString FormatVarMode(uint8_t varMode);
QString FormatTemp(int temp);
QString FormatVoltage(double voltage, const QLocale& locale = QLocale());
QString FormatRtcDate(double dateRtc);
QString FormatRtcTime(double timeRtc);

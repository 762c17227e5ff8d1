#pragma once
#include <functional>

#include <QDateTime>

#include "data/devicelist.h"
#include "tabhost/ui/panel.h"

class QAction;
class QGroupBox;
class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;
class QToolButton;
class TDM;
class TfrmEditDevice;
class TfrmScanDevices;

// The "Устройства" tab: the device list with its buttons, menu and keys, and the part of the
// presence display that belongs here (clock, mode, temperature, voltage, parameter grid).
// The main window embeds it in tsDevice and hands it each identification through ShowDevice.
// Device controls carry their group in the property "tag" for EnableDeviceControls.
class DeviceTab : public TPanel {
    Q_OBJECT
public:
    DeviceTab(TPanelHost& host, TDM& dm, QWidget* parent = nullptr);

    void ShowDevice(const TPresenceFeed& feed) override { ShowPresence(feed.View); }

    // Display step: copies the view's texts, visibilities and parameter rows into the tab.
    void ShowPresence(const PresenceView& view);
    // Convenience for callers that have only the identification.
    PresenceView ShowInfo(const TDeviceInfo& info, const TParams& params);

    // Operations of the buttons, menu and keys.
    void btnDeviceSelectClick();
    void btnDeviceAddClick();
    void btnDeviceEditClick();
    void btnDeviceDelClick();
    void btnMoveUpClick();
    void btnMoveDownClick();
    void btnSyncDateTimeClick();
    void btnScanDevicesClick();

    DeviceList& List() { return FList; }

    // Runs the edit dialog modally; tests replace it to fill and close the dialog themselves.
    std::function<void(TfrmEditDevice&)> execEditDialog;
    // Runs the scan dialog modally; tests replace it to drive the dialog themselves.
    std::function<void(TfrmScanDevices&)> execScanDialog;
    // Local time for the clock command; tests inject a fixed one.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };

    QTableView* dbgDevice = nullptr;
    QAction* M_DeviceSelect = nullptr;
    QToolButton* btnDeviceAdd = nullptr;
    QToolButton* btnDeviceEdit = nullptr;
    QToolButton* btnDeviceDel = nullptr;
    QToolButton* btnDeviceSelect = nullptr;
    QToolButton* btnMoveUp = nullptr;
    QToolButton* btnMoveDown = nullptr;
    QPushButton* btnScanDevices = nullptr;
    QLabel* DateRTC = nullptr;
    QLabel* TimeRTC = nullptr;
    QPushButton* btnSyncDateTime = nullptr;
    QGroupBox* GB_Mode = nullptr;
    QGroupBox* GB_Temp = nullptr;
    QGroupBox* GB_Voltage = nullptr;
    QLabel* VarMode = nullptr;
    QLabel* Temp = nullptr;
    QLabel* Voltage = nullptr;
    QTableWidget* ParamsList = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OpenEditor(bool started);
    void ShowCurrentRow();
    void GridRowChanged(int row);

    TDM& FDM;
    DeviceList FList;
};

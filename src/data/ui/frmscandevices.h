#pragma once
#include <QDialog>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "link/busscan.h"

class DeviceList;
class DeviceSession;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimer;
class TPresencePause;

// "Поиск устройств": asks a range of addresses on the bus, lists those that answer with a tick
// each, and adds the ticked ones to the device list (a listed address is renamed, not added
// again). The scan runs on a thread of its own with presence paused; a timer on the main thread
// shows its progress, so the window never waits for the bus. Stopping takes effect after the
// address in hand; closing the window stops the scan first.
class TfrmScanDevices : public QDialog {
    Q_OBJECT
public:
    TfrmScanDevices(DeviceSession& session, DeviceList& list, QWidget* parent = nullptr);
    ~TfrmScanDevices() override;

    enum Column { colAddr, colMode, colName, colVersion, colBuild, colPart, colExt, colListed, colCount };

    QSpinBox* edtFirst = nullptr;
    QSpinBox* edtLast = nullptr;
    QPushButton* btnScan = nullptr;
    QPushButton* btnStop = nullptr;
    QProgressBar* PB = nullptr;
    QLabel* lbStatus = nullptr;
    QTableWidget* grdFound = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnClose = nullptr;

    void btnScanClick();
    void btnStopClick();
    void btnAddClick();
    bool Scanning() const { return FThread.joinable(); }
    // Addresses asked by the scan in hand (or the last one).
    size_t Asked() const { return FAsked.load(); }

public slots:
    void reject() override;

private:
    void Poll();
    void Finish();
    void AddRow(const TFoundDevice& d);
    void ShowListed(int row);
    void ShowState();

    DeviceSession& FSession;
    DeviceList& FList;
    QTimer* FPoll = nullptr;
    std::unique_ptr<TPresencePause> FPause;
    std::unique_ptr<TScanLinkSetup> FQuick;
    std::thread FThread;
    std::atomic<bool> FCancel{false};
    std::atomic<bool> FDone{false};
    std::atomic<size_t> FAsked{0};
    size_t FTotal = 0;
    std::mutex FLock;
    std::vector<TFoundDevice> FPending;  // found by the thread, not yet shown
};

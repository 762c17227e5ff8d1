#pragma once
#include <array>

#include "link/deviceinfo.h"
#include "panels/kesta.h"
#include "tabhost/ui/panel.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TLed;
class TSCDPump;

// "КЕСТА": three driven columns, seven outputs, nine inputs, the key fob last heard, the list
// of accepted key-fob codes and the time-out. The live part is redrawn by the tab timer from
// the latest identification parameters.
class TKestaTab : public TPanel {
    Q_OBJECT
public:
    explicit TKestaTab(TPanelHost& host, QWidget* parent = nullptr);

    void ShowDevice(const TPresenceFeed& feed) override;
    void TimerTick() override { tmrKESTATimer(); }
    // Screenshot mode: what a user does first here, so the picture shows data.
    void DemoShot() override;

    void tmrKESTATimer();
    void btnRelayKESTAClick(int k);  // k = 1 … 7
    void btnClearAllRelaysKESTAClick();
    void btnUpKESTAClick();
    void btnDownKESTAClick();
    void btnStopKESTAClick();
    void btnLoadSNClick();
    void btnSaveSNClick();
    void btnLoadTimeoutKESTAClick();
    void btnSaveTimeoutKESTAClick();
    void btnAddSNClick();
    void btnEditSNClick();
    void btnDeleteSNClick();
    void btnCopyPultSnKESTAClick();

    const panels::FobList& FobList() const { return mdKESTA; }
    // Which picture column i shows: 0 the column, 1 with the warning sign.
    int ColumnPicture(int i) const;

    std::array<TLed*, 9> ledSensKESTA{};
    std::array<QPushButton*, 7> btnRelayKESTA{};
    std::array<TLed*, 7> ledRelayKESTA{};
    QPushButton* btnClearAllRelaysKESTA = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* picButtonCloseKESTA = nullptr;
    QLabel* picButtonOpenKESTA = nullptr;
    QLabel* picIndKESTA = nullptr;
    QLineEdit* edtPultSnKESTA = nullptr;
    QPushButton* btnCopyPultSnKESTA = nullptr;
    QGroupBox* gbControlKESTA = nullptr;
    QPushButton* btnUpKESTA = nullptr;
    QPushButton* btnDownKESTA = nullptr;
    QPushButton* btnStopKESTA = nullptr;
    std::array<QLabel*, 3> imgKESTA{};
    std::array<TLed*, 3> ledSensUpKESTA{};
    std::array<TLed*, 3> ledSensDownKESTA{};
    std::array<TSCDPump*, 3> Pumps{};
    QLineEdit* edtTimeoutKESTA = nullptr;
    QPushButton* btnLoadTimeoutKESTA = nullptr;
    QPushButton* btnSaveTimeoutKESTA = nullptr;
    QTableWidget* dbgKESTA = nullptr;
    QPushButton* btnAddSN = nullptr;
    QPushButton* btnEditSN = nullptr;
    QPushButton* btnDeleteSN = nullptr;
    QPushButton* btnLoadSN = nullptr;
    QPushButton* btnSaveSN = nullptr;

private:
    QWidget* BuildFob();
    QGroupBox* BuildControl();
    QWidget* BuildFobList();
    // One exchange of the tab, bracketed by the timer and the presence pause.
    TExchangeResult Exchange(uint8_t cmd, std::span<const uint8_t> payload);
    // A write or command: its line when the controller takes it, the box when it refuses.
    void SendCommand(uint8_t cmd, std::span<const uint8_t> payload, const QString& doneText);
    void ShowFobList();
    void SetColumnPicture(int i, int picture);

    TParams FParams;
    panels::FobList mdKESTA;
    // Not in the property "tag": the control-group rule reads that one and would grey the picture.
    std::array<int, 3> FColumnPicture{};
};

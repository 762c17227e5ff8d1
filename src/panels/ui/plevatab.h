#pragma once
#include <array>

#include <QWidget>

#include "tabhost/ui/panel.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;
class QToolButton;

// The "ПЛЕВА" tab: 32 relays set as one mask and sent whole, 32 sensors read by a fast timer.
class TPlevaTab : public TPanel {
    Q_OBJECT
public:
    explicit TPlevaTab(TPanelHost& host, QWidget* parent = nullptr);
    // What a user does first here, for the screenshots of the demo.
    void DemoShot() override;

    std::array<QToolButton*, 32> sbPLEVAR{};
    QPushButton* sbPLEVASTOP = nullptr;
    QCheckBox* cbRefreshRelayPLEVA = nullptr;
    QPushButton* btnPLEVARefreshRelay = nullptr;
    std::array<QLabel*, 32> led{};
    QCheckBox* cbRefreshSensPLEVA = nullptr;
    QSpinBox* edtPlateNum = nullptr;
    QTimer* tmrReadDataPLEVA = nullptr;

    uint32_t PLEVARelayMask() const { return FMask; }
    bool SensorLit(int n) const;

    void sbPLEVARClick(int relay);
    void btnPLEVARefreshRelayClick();
    void sbPLEVASTOPClick();
    void tmrReadDataPLEVATimer();

private:
    // Sends the mask to the plate: its line when taken, the box when refused.
    void WritePLEVARelays();
    void ShowSensor(int n, bool lit);

    uint32_t FMask = 0;
    uint32_t FSensors = 0;
};

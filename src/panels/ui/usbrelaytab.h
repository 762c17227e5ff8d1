#pragma once
#include <array>

#include "link/deviceinfo.h"
#include "tabhost/ui/panel.h"

class QGroupBox;
class QLabel;
class QPushButton;
class TLed;

// "USB-реле": a relay module that describes itself in its identification parameters. The tab
// timer redraws it from the latest list; the buttons switch the relays.
class TUsbRelayTab : public TPanel {
    Q_OBJECT
public:
    explicit TUsbRelayTab(TPanelHost& host, QWidget* parent = nullptr);

    void ShowDevice(const TPresenceFeed& feed) override;
    void TimerTick() override { tmrUSBRelayTimer(); }
    // Screenshot mode: what a user does first here, so the picture shows data.
    void DemoShot() override;

    void btnRelayUSBClick(int k);  // k = 1 … 8
    void btnClearAllRelaysUSBClick() { SendAll(0x00); }
    void btnSetAllRelaysUSBClick() { SendAll(0xFF); }
    void btnRelayResetClick();
    void tmrUSBRelayTimer();

    std::array<TLed*, 4> ledSens{};
    std::array<QLabel*, 4> lbSens{};
    QLabel* lbNoneSens = nullptr;
    std::array<QPushButton*, 8> btnRelay{};
    std::array<TLed*, 8> ledRelay{};
    QPushButton* btnClearAllRelaysUSB = nullptr;
    QPushButton* btnSetAllRelaysUSB = nullptr;
    QGroupBox* gbRelayRESET = nullptr;
    QPushButton* btnRelayReset = nullptr;
    TLed* ledRelayReset = nullptr;

private:
    void SendAll(uint8_t bits);

    TParams FParams;
};

// "Fentor": the MIRAN device, eight outputs and eight inputs, drawn the same way.
class TMiranTab : public TPanel {
    Q_OBJECT
public:
    explicit TMiranTab(TPanelHost& host, QWidget* parent = nullptr);

    void ShowDevice(const TPresenceFeed& feed) override;
    void TimerTick() override { tmrMIRANTimer(); }
    // Screenshot mode: what a user does first here, so the picture shows data.
    void DemoShot() override;

    void btnRelayMIRANClick(int k);
    void btnClearAllRelaysMIRANClick();
    void tmrMIRANTimer();

    std::array<TLed*, 8> ledSensMIRAN{};
    std::array<QPushButton*, 8> btnRelayMIRAN{};
    std::array<TLed*, 8> ledRelayMIRAN{};
    QPushButton* btnClearAllRelaysMIRAN = nullptr;

private:
    TParams FParams;
};

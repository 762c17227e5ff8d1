#include "panels/ui/usbrelaytab.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/messageservice.h"
#include "link/commands.h"
#include "panels/panelint.h"
#include "panels/relaypanels.h"
#include "panels/ui/led.h"

namespace {

// A numbered column: indicator over its button (or over its label).
QWidget* ledOver(TLed* led, QWidget* below, QWidget* parent)
{
    auto* cell = new QWidget(parent);
    auto* v = new QVBoxLayout(cell);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(4);
    v->addWidget(led, 0, Qt::AlignHCenter);
    v->addWidget(below, 0, Qt::AlignHCenter);
    return cell;
}

QPushButton* relayButton(const QString& name, int k, QWidget* parent)
{
    auto* b = new QPushButton(QString::number(k), parent);
    b->setObjectName(name);
    b->setAccessibleName(Msg::RelayAccessibleName.arg(k));
    b->setFixedSize(36, 28);
    return b;
}

}  // namespace

TUsbRelayTab::TUsbRelayTab(TPanelHost& host, QWidget* parent) : TPanel(host, parent)
{
    setObjectName(QStringLiteral("UsbRelayTab"));
    auto* inputs = new QGroupBox(Msg::GroupInputs, this);
    auto* inRow = new QHBoxLayout(inputs);
    for (int k = 1; k <= 4; ++k) {
        ledSens[k - 1] = new TLed(QStringLiteral("ledSens%1").arg(k), TLed::LimeColor(), inputs);
        lbSens[k - 1] = new QLabel(QString::number(k), inputs);
        lbSens[k - 1]->setObjectName(QStringLiteral("lbSens%1").arg(k));
        inRow->addWidget(ledOver(ledSens[k - 1], lbSens[k - 1], inputs));
        ledSens[k - 1]->hide();
        lbSens[k - 1]->hide();
    }
    lbNoneSens = new QLabel(Msg::PresenceNoValue, inputs);
    lbNoneSens->setObjectName(QStringLiteral("lbNoneSens"));
    inRow->addWidget(lbNoneSens);
    inRow->addStretch();

    auto* relays = new QGroupBox(Msg::GroupRelays, this);
    auto* relayRow = new QHBoxLayout(relays);
    for (int k = 1; k <= 8; ++k) {
        btnRelay[k - 1] = relayButton(QStringLiteral("btnRelay%1").arg(k), k, relays);
        ledRelay[k - 1] = new TLed(QStringLiteral("ledRelay%1").arg(k), TLed::RelayColor(), relays);
        relayRow->addWidget(ledOver(ledRelay[k - 1], btnRelay[k - 1], relays));
        btnRelay[k - 1]->hide();
        ledRelay[k - 1]->hide();
        connect(btnRelay[k - 1], &QPushButton::clicked, this, [this, k] { btnRelayUSBClick(k); });
    }
    relayRow->addSpacing(16);
    btnClearAllRelaysUSB = new QPushButton(Msg::BtnAllOff, relays);
    btnClearAllRelaysUSB->setObjectName(QStringLiteral("btnClearAllRelaysUSB"));
    btnSetAllRelaysUSB = new QPushButton(Msg::BtnAllOn, relays);
    btnSetAllRelaysUSB->setObjectName(QStringLiteral("btnSetAllRelaysUSB"));
    auto* allCol = new QVBoxLayout;
    allCol->addWidget(btnClearAllRelaysUSB);
    allCol->addWidget(btnSetAllRelaysUSB);
    relayRow->addLayout(allCol);
    relayRow->addStretch();
    btnClearAllRelaysUSB->hide();
    btnSetAllRelaysUSB->hide();
    connect(btnClearAllRelaysUSB, &QPushButton::clicked, this, [this] { btnClearAllRelaysUSBClick(); });
    connect(btnSetAllRelaysUSB, &QPushButton::clicked, this, [this] { btnSetAllRelaysUSBClick(); });

    gbRelayRESET = new QGroupBox(Msg::GroupRelayReset, this);
    gbRelayRESET->setObjectName(QStringLiteral("gbRelayRESET"));
    auto* resetRow = new QHBoxLayout(gbRelayRESET);
    btnRelayReset = new QPushButton(QStringLiteral("RES"), gbRelayRESET);
    btnRelayReset->setObjectName(QStringLiteral("btnRelayReset"));
    btnRelayReset->setFixedSize(44, 28);
    ledRelayReset = new TLed(QStringLiteral("ledRelayReset"), TLed::RelayColor(), gbRelayRESET);
    resetRow->addWidget(ledOver(ledRelayReset, btnRelayReset, gbRelayRESET));
    btnRelayReset->hide();
    ledRelayReset->hide();
    connect(btnRelayReset, &QPushButton::clicked, this, [this] { btnRelayResetClick(); });

    auto* top = new QHBoxLayout;
    top->addWidget(relays, 1);
    top->addWidget(gbRelayRESET);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(inputs);
    layout->addLayout(top);
    layout->addStretch();
}

void TUsbRelayTab::ShowDevice(const TPresenceFeed& feed)
{
    FParams = feed.Params;
}

void TUsbRelayTab::DemoShot()
{
    tmrUSBRelayTimer();
    for (int k : {1, 3})
        if (btnRelay[size_t(k - 1)]->isEnabled() && !ledRelay[size_t(k - 1)]->IsOn())
            btnRelayUSBClick(k);
}

void TUsbRelayTab::btnRelayUSBClick(int k)
{
    TTabTimerStop stop(TabTimer());
    TPresencePause pause(Host.Session());
    const bool on = !ledRelay[size_t(k - 1)]->IsOn();
    ledRelay[size_t(k - 1)]->SetOn(on);
    std::array<bool, 8> lit{};
    for (size_t i = 0; i < 8; ++i)
        lit[i] = ledRelay[i]->IsOn();
    const uint8_t bits[] = {panels::BitsOf(lit)};
    ClearDone();
    ShowToggled(Host.Session().Send(zcmd::relay::kSetRelays, bits).Accepted(), QString::number(k), on);
}

void TUsbRelayTab::SendAll(uint8_t bits)
{
    TTabTimerStop stop(TabTimer());
    TPresencePause pause(Host.Session());
    const uint8_t payload[] = {bits};
    ClearDone();
    if (Host.Session().Send(zcmd::relay::kSetRelays, payload).Accepted())
        ShowDone(bits ? Msg::StatusAllRelaysOn : Msg::StatusAllRelaysOff);
    else
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
}

void TUsbRelayTab::btnRelayResetClick()
{
    TTabTimerStop stop(TabTimer());
    TPresencePause pause(Host.Session());
    const bool on = !ledRelayReset->IsOn();
    ledRelayReset->SetOn(on);
    const uint8_t payload[] = {uint8_t(on ? 1 : 0)};
    ClearDone();
    ShowToggled(Host.Session().Send(zcmd::relay::kResetRelay, payload).Accepted(), QStringLiteral("RESET"), on);
}

void TUsbRelayTab::tmrUSBRelayTimer()
{
    if (!Host.Session().ZevaLink())
        return;
    const panels::UsbRelayView v = panels::UsbRelayViewOf(FParams);
    if (!v.valid) {
        for (QPushButton* b : btnRelay)
            b->setEnabled(false);
        btnRelayReset->setEnabled(false);
        btnClearAllRelaysUSB->setEnabled(false);
        btnSetAllRelaysUSB->setEnabled(false);
        for (TLed* l : ledRelay)
            l->SetOn(false);
        ledRelayReset->SetOn(false);
        lbNoneSens->show();
        for (size_t k = 0; k < 4; ++k) {
            lbSens[k]->hide();
            ledSens[k]->hide();
        }
        return;
    }
    for (size_t k = 0; k < 8; ++k) {
        btnRelay[k]->setEnabled(v.relayEnabled[k]);
        btnRelay[k]->setVisible(v.relayVisible[k]);
        ledRelay[k]->setVisible(v.relayVisible[k]);
        ledRelay[k]->SetOn(v.relayLit[k]);
    }
    btnRelayReset->setEnabled(true);
    btnClearAllRelaysUSB->setEnabled(true);
    btnSetAllRelaysUSB->setEnabled(true);
    btnClearAllRelaysUSB->show();
    btnSetAllRelaysUSB->show();
    btnRelayReset->setVisible(v.resetVisible);
    gbRelayRESET->setVisible(v.resetVisible);
    ledRelayReset->setVisible(v.resetVisible);
    ledRelayReset->SetOn(v.resetLit);
    for (size_t k = 0; k < 4; ++k) {
        ledSens[k]->setVisible(v.inputVisible[k]);
        lbSens[k]->setVisible(v.inputVisible[k]);
        ledSens[k]->SetOn(v.inputLit[k]);
    }
    lbNoneSens->setVisible(v.noInputs);
}

TMiranTab::TMiranTab(TPanelHost& host, QWidget* parent) : TPanel(host, parent)
{
    setObjectName(QStringLiteral("MiranTab"));
    auto* inputs = new QGroupBox(Msg::GroupInputs, this);
    auto* inRow = new QHBoxLayout(inputs);
    for (int k = 1; k <= 8; ++k) {
        ledSensMIRAN[k - 1] = new TLed(QStringLiteral("ledSensMIRAN%1").arg(k), TLed::YellowColor(), inputs);
        inRow->addWidget(ledOver(ledSensMIRAN[k - 1], new QLabel(QString::number(k), inputs), inputs));
    }
    inRow->addStretch();
    auto* outputs = new QGroupBox(Msg::GroupOutputs, this);
    auto* outRow = new QHBoxLayout(outputs);
    for (int k = 1; k <= 8; ++k) {
        btnRelayMIRAN[k - 1] = relayButton(QStringLiteral("btnRelayMIRAN%1").arg(k), k, outputs);
        ledRelayMIRAN[k - 1] = new TLed(QStringLiteral("ledRelayMIRAN%1").arg(k), TLed::RelayColor(), outputs);
        outRow->addWidget(ledOver(ledRelayMIRAN[k - 1], btnRelayMIRAN[k - 1], outputs));
        connect(btnRelayMIRAN[k - 1], &QPushButton::clicked, this, [this, k] { btnRelayMIRANClick(k); });
    }
    outRow->addSpacing(16);
    btnClearAllRelaysMIRAN = new QPushButton(Msg::BtnAllOff, outputs);
    btnClearAllRelaysMIRAN->setObjectName(QStringLiteral("btnClearAllRelaysMIRAN"));
    outRow->addWidget(btnClearAllRelaysMIRAN, 0, Qt::AlignBottom);
    outRow->addStretch();
    connect(btnClearAllRelaysMIRAN, &QPushButton::clicked, this, [this] { btnClearAllRelaysMIRANClick(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(inputs);
    layout->addWidget(outputs);
    layout->addStretch();
}

void TMiranTab::ShowDevice(const TPresenceFeed& feed)
{
    FParams = feed.Params;
}

void TMiranTab::DemoShot()
{
    tmrMIRANTimer();
    for (int k : {2, 5})
        if (btnRelayMIRAN[size_t(k - 1)]->isEnabled() && !ledRelayMIRAN[size_t(k - 1)]->IsOn())
            btnRelayMIRANClick(k);
}

void TMiranTab::btnRelayMIRANClick(int k)
{
    TTabTimerStop stop(TabTimer());
    TPresencePause pause(Host.Session());
    const bool on = !ledRelayMIRAN[size_t(k - 1)]->IsOn();
    ledRelayMIRAN[size_t(k - 1)]->SetOn(on);
    std::array<bool, 8> lit{};
    for (size_t i = 0; i < 8; ++i)
        lit[i] = ledRelayMIRAN[i]->IsOn();
    const uint8_t bits[] = {panels::BitsOf(lit)};
    ClearDone();
    ShowToggled(Host.Session().Send(zcmd::relay::kSetRelays, bits).Accepted(), QString::number(k), on);
}

void TMiranTab::btnClearAllRelaysMIRANClick()
{
    TTabTimerStop stop(TabTimer());
    TPresencePause pause(Host.Session());
    const uint8_t payload[] = {0x00};
    ClearDone();
    if (Host.Session().Send(zcmd::relay::kSetRelays, payload).Accepted())
        ShowDone(Msg::StatusAllRelaysOff);
    else
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
}

void TMiranTab::tmrMIRANTimer()
{
    if (!Host.Session().ZevaLink())
        return;
    const panels::MiranView v = panels::MiranViewOf(FParams);
    for (size_t k = 0; k < 8; ++k) {
        btnRelayMIRAN[k]->setEnabled(v.valid);
        ledRelayMIRAN[k]->SetOn(v.outputLit[k]);
        ledSensMIRAN[k]->SetOn(v.inputLit[k]);
    }
    btnClearAllRelaysMIRAN->setEnabled(v.valid);
}

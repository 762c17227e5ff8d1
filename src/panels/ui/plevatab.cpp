#include "panels/ui/plevatab.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/messageservice.h"
#include "link/commands.h"
#include "panels/pleva.h"

using namespace panels;

TPlevaTab::TPlevaTab(TPanelHost& host, QWidget* parent) : TPanel(host, parent)
{
    setObjectName(QStringLiteral("PlevaTab"));
    auto* relays = new QGroupBox(Msg::PlevaRelays, this);
    auto* relayGrid = new QGridLayout;
    for (int n = 1; n <= Pleva::kRelays; ++n) {
        auto* b = new QToolButton(relays);
        b->setObjectName(QStringLiteral("sbPLEVAR%1").arg(n));
        b->setText(QString::number(n));
        b->setCheckable(true);
        b->setFixedSize(34, 26);
        relayGrid->addWidget(b, (n - 1) / 8, (n - 1) % 8);
        connect(b, &QToolButton::clicked, this, [this, n] { sbPLEVARClick(n); });
        sbPLEVAR[size_t(n - 1)] = b;
    }
    sbPLEVASTOP = new QPushButton(Msg::PlevaStop, relays);
    sbPLEVASTOP->setObjectName(QStringLiteral("sbPLEVASTOP"));
    cbRefreshRelayPLEVA = new QCheckBox(Msg::PlevaAutoRefresh, relays);
    cbRefreshRelayPLEVA->setObjectName(QStringLiteral("cbRefreshRelayPLEVA"));
    btnPLEVARefreshRelay = new QPushButton(Msg::PlevaRefresh, relays);
    btnPLEVARefreshRelay->setObjectName(QStringLiteral("btnPLEVARefreshRelay"));
    auto* relayRow = new QHBoxLayout;
    relayRow->addWidget(sbPLEVASTOP);
    relayRow->addStretch();
    relayRow->addWidget(cbRefreshRelayPLEVA);
    relayRow->addWidget(btnPLEVARefreshRelay);
    auto* relayLayout = new QVBoxLayout(relays);
    relayLayout->addLayout(relayGrid);
    relayLayout->addLayout(relayRow);

    auto* sensors = new QGroupBox(Msg::PlevaSensors, this);
    auto* sensorGrid = new QGridLayout;
    for (int n = 1; n <= Pleva::kRelays; ++n) {
        auto* l = new QLabel(sensors);
        l->setObjectName(QStringLiteral("led%1").arg(n));
        l->setFixedSize(14, 14);
        led[size_t(n - 1)] = l;
        ShowSensor(n, false);
        auto* caption = new QLabel(QString::number(n), sensors);
        caption->setAlignment(Qt::AlignCenter);
        const int row = (n - 1) / 8 * 2, col = (n - 1) % 8;
        sensorGrid->addWidget(l, row, col, Qt::AlignCenter);
        sensorGrid->addWidget(caption, row + 1, col, Qt::AlignCenter);
    }
    cbRefreshSensPLEVA = new QCheckBox(Msg::PlevaAutoRefresh, sensors);
    cbRefreshSensPLEVA->setObjectName(QStringLiteral("cbRefreshSensPLEVA"));
    auto* sensorLayout = new QVBoxLayout(sensors);
    sensorLayout->addLayout(sensorGrid);
    sensorLayout->addWidget(cbRefreshSensPLEVA);

    auto* settings = new QGroupBox(Msg::PlevaSettings, this);
    edtPlateNum = new QSpinBox(settings);
    edtPlateNum->setObjectName(QStringLiteral("edtPlateNum"));
    edtPlateNum->setRange(0, 1);
    auto* settingsLayout = new QHBoxLayout(settings);
    settingsLayout->addWidget(new QLabel(Msg::PlevaPlateNum, settings));
    settingsLayout->addWidget(edtPlateNum);
    settingsLayout->addStretch();

    // Not the tab's timer: the sensors keep being read while another tab is in front.
    tmrReadDataPLEVA = new QTimer(this);
    tmrReadDataPLEVA->setObjectName(QStringLiteral("tmrReadDataPLEVA"));
    tmrReadDataPLEVA->setInterval(100);

    connect(sbPLEVASTOP, &QPushButton::clicked, this, [this] { sbPLEVASTOPClick(); });
    connect(cbRefreshRelayPLEVA, &QCheckBox::toggled, this, [this](bool on) { btnPLEVARefreshRelay->setEnabled(!on); });
    connect(btnPLEVARefreshRelay, &QPushButton::clicked, this, [this] { btnPLEVARefreshRelayClick(); });
    connect(cbRefreshSensPLEVA, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            tmrReadDataPLEVA->start();
        else
            tmrReadDataPLEVA->stop();
    });
    connect(tmrReadDataPLEVA, &QTimer::timeout, this, [this] { tmrReadDataPLEVATimer(); });

    auto* left = new QVBoxLayout;
    left->addWidget(relays);
    left->addWidget(settings);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(sensors);
    right->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right);
    layout->addStretch();
}

bool TPlevaTab::SensorLit(int n) const
{
    return Pleva::SensorOn(FSensors, n);
}

void TPlevaTab::ShowSensor(int n, bool lit)
{
    led[size_t(n - 1)]->setStyleSheet(
        lit ? QStringLiteral("background: red; border: 1px solid #800000; border-radius: 7px;")
            : QStringLiteral("background: silver; border: 1px solid gray; border-radius: 7px;"));
}

void TPlevaTab::WritePLEVARelays()
{
    ClearDone();
    const auto payload = Pleva::WriteRelaysPayload(uint8_t(edtPlateNum->value()), FMask);
    if (Host.Session().Send(zcmd::pleva::kWriteRelays, payload).Accepted())
        ShowDone(Msg::StatusPlevaRelaysWritten.arg(edtPlateNum->value()));
    else
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
}

void TPlevaTab::sbPLEVARClick(int relay)
{
    TPresencePause pause(Host.Session());
    FMask = Pleva::SetRelay(FMask, relay, sbPLEVAR[size_t(relay - 1)]->isChecked());
    if (cbRefreshRelayPLEVA->isChecked())
        WritePLEVARelays();
}

void TPlevaTab::btnPLEVARefreshRelayClick()
{
    TPresencePause pause(Host.Session());
    WritePLEVARelays();
}

void TPlevaTab::sbPLEVASTOPClick()
{
    TPresencePause pause(Host.Session());
    for (QToolButton* b : sbPLEVAR)
        b->setChecked(false);
    FMask = 0;
    WritePLEVARelays();
}

void TPlevaTab::tmrReadDataPLEVATimer()
{
    // Presence stops for the read and runs again after it, on every path.
    TPresencePause pause(Host.Session());
    const uint8_t board[] = {uint8_t(edtPlateNum->value())};
    const TExchangeResult r = Host.Session().Send(zcmd::pleva::kReadState, board);
    const auto word = r.Accepted() ? Pleva::SensorWord(r.Answer) : std::nullopt;
    if (!word)
        return;  // the next tick tries again
    FSensors = *word;
    for (int n = 1; n <= Pleva::kRelays; ++n)
        ShowSensor(n, Pleva::SensorOn(FSensors, n));
}

void TPlevaTab::DemoShot()
{
    for (int n : {1, 3, 8, 12, 32})
        sbPLEVAR[size_t(n - 1)]->setChecked(true), FMask = Pleva::SetRelay(FMask, n, true);
    cbRefreshRelayPLEVA->setChecked(true);
    btnPLEVARefreshRelayClick();
    tmrReadDataPLEVATimer();
}

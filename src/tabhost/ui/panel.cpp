#include "tabhost/ui/panel.h"

#include <QTime>
#include <QTimer>

#include "base/messages.h"

TPanel::TPanel(TPanelHost& host, QWidget* parent) : QWidget(parent), Host(host) {}

TTabTimerStop::TTabTimerStop(QTimer* timer) : FTimer(timer)
{
    if (FTimer)
        FTimer->stop();
}

TTabTimerStop::~TTabTimerStop()
{
    if (FTimer)
        FTimer->start();
}

void TPanel::ShowDone(const QString& doneText)
{
    Host.ShowStatusLine(Msg::StatusLineAt.arg(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")), doneText));
}

void TPanel::ShowToggled(bool accepted, const QString& relay, bool on)
{
    if (accepted)
        ShowDone((on ? Msg::StatusRelayOn : Msg::StatusRelayOff).arg(relay));
    else
        ShowDone(Msg::StatusFailed.arg(Msg::RelayAccessibleName.arg(relay), Msg::CommandNotAccepted));
}

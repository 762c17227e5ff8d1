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

void TPanel::ShowFailed(const QString& what, const QString& why)
{
    ShowDone(Msg::StatusFailed.arg(what, why));
}

#include "tabhost/ui/panel.h"

#include <QTimer>

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

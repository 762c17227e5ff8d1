#include "panels/ui/scdpump.h"

#include <QPainter>
#include <QTimer>

#include "panels/kesta.h"

TSCDPump::TSCDPump(QWidget* parent, int pXC, int pYC, int pR) : QWidget(parent), R(pR)
{
    setObjectName(QStringLiteral("TSCDPump"));
    setAttribute(Qt::WA_TranslucentBackground);
    setGeometry(pXC, pYC, 2 * R, 2 * R);
    tmr = new QTimer(this);
    tmr->setInterval(100);
    connect(tmr, &QTimer::timeout, this, [this] { Tick(); });
    tmr->start();
}

void TSCDPump::StartForward()
{
    angleStep = panels::kPumpStep;
    tmr->start();
}

void TSCDPump::StartInverse()
{
    angleStep = -panels::kPumpStep;
    tmr->start();
}

void TSCDPump::Stop()
{
    tmr->stop();
}

void TSCDPump::Tick()
{
    angle = panels::NextPumpAngle(angle, angleStep);
    update();
}

void TSCDPump::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(0.5, 0.5, 2 * R - 1, 2 * R - 1);
    p.setPen(Qt::black);
    p.setBrush(QColor(255, 255, 0));
    p.drawEllipse(box);
    // Angles grow clockwise on the screen (y down); Qt counts them the other way, in 1/16°.
    p.setPen(QColor(0, 0, 255));
    p.setBrush(QColor(0, 0, 255));
    p.drawPie(box, -angle * 16, -90 * 16);
    p.drawPie(box, -(angle + 180) * 16, -90 * 16);
}

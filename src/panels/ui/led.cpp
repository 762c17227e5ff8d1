#include "panels/ui/led.h"

#include <QPainter>

TLed::TLed(const QString& name, QColor onColor, QWidget* parent) : QWidget(parent), FOnColor(onColor)
{
    setObjectName(name);
    setFixedSize(kSize, kSize);
}

void TLed::SetOn(bool on)
{
    if (on == FOn)
        return;
    FOn = on;
    update();
}

void TLed::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::darkGray, 1));
    p.setBrush(FOn ? FOnColor : SilverColor());
    p.drawEllipse(QRectF(1.5, 1.5, kSize - 3, kSize - 3));
}

#include "app/ui/splash.h"

#include <QApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

#include "app/ui/displayfont.h"
#include "base/messages.h"

TfrmSplash::TfrmSplash(const QString& productName, const QString& version, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), FProduct(productName), FVersion(version)
{
    setObjectName(QStringLiteral("frmSplash"));
    setFixedSize(512, 240);
    FStatus = new QLabel(Msg::SplashLoadingLog, this);
    FStatus->setObjectName(QStringLiteral("lbStatus"));
    FStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FStatus->setGeometry(12, 208, 488, 22);
    QPalette pal = FStatus->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    FStatus->setPalette(pal);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FCursorSet = true;
}

TfrmSplash::~TfrmSplash()
{
    if (FCursorSet)
        QApplication::restoreOverrideCursor();
}

void TfrmSplash::SetStatus(const QString& text)
{
    FStatus->setText(text);
    if (isVisible())
        repaint();
}

QString TfrmSplash::Status() const
{
    return FStatus->text();
}

void TfrmSplash::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QLinearGradient bg(0, 0, 0, height());
    bg.setColorAt(0, QColor(0x1E, 0x3A, 0x6E));
    bg.setColorAt(1, QColor(0x0A, 0x16, 0x30));
    p.fillRect(rect(), bg);
    p.setRenderHint(QPainter::Antialiasing);
    // A serial line with devices hanging off it: what the program is about.
    p.setPen(QPen(QColor(0x7F, 0xB2, 0xFF), 3));
    p.drawLine(40, 150, 472, 150);
    p.setBrush(QColor(0x2B, 0x56, 0x9A));
    for (int i = 0; i < 5; ++i) {
        const int x = 70 + i * 90;
        p.drawLine(x + 18, 150, x + 18, 170);
        p.drawRoundedRect(x, 170, 36, 22, 4, 4);
    }
    p.setPen(Qt::white);
    p.setFont(DisplayFont::Font(40, true));
    p.drawText(QRect(40, 40, 432, 70), Qt::AlignLeft | Qt::AlignVCenter, FProduct);
    p.setFont(DisplayFont::Font(14));
    p.setPen(QColor(0xC8, 0xD8, 0xF0));
    p.drawText(QRect(40, 100, 432, 30), Qt::AlignLeft | Qt::AlignVCenter, Msg::StatusVersion.arg(FVersion));
    p.setPen(QColor(0x7F, 0xB2, 0xFF));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

#include "panels/ui/leddisplay.h"

#include <QPainter>

#include "panels/ledfont.h"

TLEDDisplay::TLEDDisplay(QWidget* parent) : QWidget(parent)
{
    resize(100, 30);
    // Every pixel is ours: nothing needs erasing before a paint.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TLEDDisplay::SetCaption(const QString& caption)
{
    FCaption = caption;
    update();
}

void TLEDDisplay::SetAlignment(panels::TLEDAlignment alignment)
{
    FAlignment = alignment;
    update();
}

void TLEDDisplay::SetBackColor(const QColor& color)
{
    FBackColor = color;
    update();
}

void TLEDDisplay::SetSegOffColor(const QColor& color)
{
    FSegOffColor = color;
    update();
}

void TLEDDisplay::SetSegOnColor(const QColor& color)
{
    FSegOnColor = color;
    update();
}

QImage TLEDDisplay::Render(int w, int h) const
{
    QImage picture(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32);
    picture.fill(FBackColor);
    const panels::TLEDGeometry g = panels::LEDGeometry(w, h);
    if (!g.Drawn)
        return picture;
    QPainter p(&picture);
    const int side = g.DotSize + 1;
    for (const panels::TLEDCell& cell : panels::LEDCells(FCaption, FAlignment, w, h)) {
        if (cell.X >= w || cell.X + g.CellW <= 0)
            continue;
        for (int r = 0; r < 7; ++r) {
            for (int k = 0; k < 6; ++k) {
                const int x = cell.X + k * g.Pitch;
                const int y = g.Y0 + r * g.Pitch;
                // A square of DotSize + 1 whose one-pixel outline is the background.
                p.fillRect(x, y, side, side, FBackColor);
                if (side > 2)
                    p.fillRect(x + 1, y + 1, side - 2, side - 2,
                               panels::LEDDotLit(cell.Code, r, k) ? FSegOnColor : FSegOffColor);
            }
        }
    }
    return picture;
}

void TLEDDisplay::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, Render());
}

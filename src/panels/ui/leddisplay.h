#pragma once
#include <QColor>
#include <QImage>
#include <QWidget>

#include "panels/ledgeometry.h"

// A one-line dot-matrix display: 5 × 7 dot characters, lit or dark, on a background. It paints
// its whole picture off-screen and copies it in one step, so a 10 Hz caption change does not
// flicker.
class TLEDDisplay : public QWidget {
    Q_OBJECT
public:
    explicit TLEDDisplay(QWidget* parent = nullptr);

    QString Caption() const { return FCaption; }
    void SetCaption(const QString& caption);
    panels::TLEDAlignment Alignment() const { return FAlignment; }
    void SetAlignment(panels::TLEDAlignment alignment);
    QColor BackColor() const { return FBackColor; }
    void SetBackColor(const QColor& color);
    QColor SegOffColor() const { return FSegOffColor; }
    void SetSegOffColor(const QColor& color);
    QColor SegOnColor() const { return FSegOnColor; }
    void SetSegOnColor(const QColor& color);

    // The picture as it is painted for a control of w × h pixels.
    QImage Render(int w, int h) const;
    QImage Render() const { return Render(width(), height()); }

    QSize sizeHint() const override { return {100, 30}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString FCaption;
    panels::TLEDAlignment FAlignment = panels::laLeft;
    QColor FBackColor = Qt::black;
    QColor FSegOffColor = QColor(0, 51, 0);
    QColor FSegOnColor = QColor(0, 255, 0);
};

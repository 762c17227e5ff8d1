#pragma once
#include <QWidget>

class QTimer;

// The pump indicator of a KESTA column: a yellow disc with two blue quarter sectors that turn
// while the drive runs (18° a 100 ms tick, clockwise forward), and stand still when it stops.
class TSCDPump : public QWidget {
    Q_OBJECT
public:
    // Placed with its top-left corner at (pXC, pYC) of the parent, 2R × 2R in size.
    TSCDPump(QWidget* parent, int pXC, int pYC, int pR);

    void StartForward();
    void StartInverse();
    void Stop();

    int angle = 0;      // degrees, 0 … 359
    int angleStep = 0;  // degrees per tick
    int R = 0;
    QTimer* tmr = nullptr;

    void Tick();  // one timer tick: turn, then paint

protected:
    void paintEvent(QPaintEvent* event) override;
};

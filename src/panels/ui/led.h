#pragma once
#include <QColor>
#include <QWidget>

// A round indicator lamp: its colour when on, silver when off.
class TLed : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSize = 16;
    TLed(const QString& name, QColor onColor, QWidget* parent = nullptr);

    bool IsOn() const { return FOn; }
    void SetOn(bool on);
    QColor OnColor() const { return FOnColor; }
    QColor CurrentColor() const { return FOn ? FOnColor : SilverColor(); }

    // The colours of the device panels.
    static QColor RelayColor() { return QColor(255, 53, 53); }
    static QColor LimeColor() { return QColor(0, 255, 0); }
    static QColor YellowColor() { return QColor(255, 255, 0); }
    static QColor SilverColor() { return QColor(192, 192, 192); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor FOnColor;
    bool FOn = false;
};

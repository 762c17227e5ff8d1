#pragma once
#include <functional>
#include <memory>

#include <QImage>

#include <QWidget>

#include "panels/vida.h"
#include "tabhost/ui/panel.h"

class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;
class TLEDDisplay;

// The round gauge of the angle sensor, drawn off-screen and shown 1:1.
class TVidaGauge : public QWidget {
    Q_OBJECT
public:
    explicit TVidaGauge(QWidget* parent = nullptr);
    // The whole picture for an angle in degrees (0xFFFF: no data).
    static QImage Draw(uint16_t angle);
    void Show(uint16_t angle);
    const QImage& Image() const { return FImage; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage FImage;
};

// The "ВИДА" tab: the angle on a dot-matrix display and a gauge, the readings, calibration,
// the alarm zone, and a continuous measurement that keeps presence stopped while it runs.
class TVidaTab : public TPanel {
    Q_OBJECT
public:
    explicit TVidaTab(TPanelHost& host, QWidget* parent = nullptr);
    ~TVidaTab() override;
    // What a user does first here, for the screenshots of the demo.
    void DemoShot() override;

    TLEDDisplay* ledVIDAAngle = nullptr;
    QLineEdit* edtVIDAGX = nullptr;
    QLineEdit* edtVIDAGY = nullptr;
    QLineEdit* edtVIDACalX = nullptr;
    QLineEdit* edtVIDACalY = nullptr;
    QLineEdit* edtVIDAAngleMin = nullptr;
    QLineEdit* edtVIDAAngleMax = nullptr;
    QPushButton* btnVIDASaveZoneAlert = nullptr;
    QPushButton* btnVIDACalibrate = nullptr;
    QPushButton* btnReadVIDAData = nullptr;
    TVidaGauge* ImageVIDA = nullptr;
    QToolButton* btnStartVIDA = nullptr;
    QToolButton* btnStopVIDA = nullptr;
    QTimer* tmrVIDA = nullptr;

    const panels::TVIDAData& VIDAData() const { return FData; }
    bool Measuring() const { return FMeasure != nullptr; }

    void btnReadVIDADataClick();
    void btnVIDACalibrateClick();
    void btnVIDASaveZoneAlertClick();
    void btnStartVIDAClick();
    void btnStopVIDAClick();
    void tmrVIDATimer();
    void DrawAngleGauge(uint16_t angle);

private:
    bool ReadVIDAData();
    bool WriteVIDAData();
    // Reads the unit's record, changes it and writes it back: the other fields keep the unit's values.
    void ChangeVIDAData(const std::function<void()>& change, const QString& doneText);
    void ShowData();

    panels::TVIDAData FData;
    // Held from "СТАРТ" to "СТОП": presence stays stopped for the whole measurement.
    std::unique_ptr<TPresencePause> FMeasure;
};

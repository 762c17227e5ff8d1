#pragma once
#include <QWidget>

#include "tabhost/ui/panel.h"

class QComboBox;
class QLineEdit;
class QPushButton;

// The "ПЕЛНИК" tab: operating mode and time coefficient of the device.
class TPelnikTab : public TPanel {
    Q_OBJECT
public:
    explicit TPelnikTab(TPanelHost& host, QWidget* parent = nullptr);
    // What a user does first here, for the screenshots of the demo.
    void DemoShot() override;

    QComboBox* cbPELNIKDeviceMode = nullptr;
    QLineEdit* edtPELNIKTimeCoeff = nullptr;
    QPushButton* btnPELNIKReadTimeCoeff = nullptr;
    QPushButton* btnPELNIKChangeMode = nullptr;

    void btnPELNIKReadTimeCoeffClick();
    void btnPELNIKChangeModeClick();

private:
};

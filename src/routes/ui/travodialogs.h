#pragma once
#include <array>

#include <QDialog>

class DeviceSession;
class QCheckBox;
class QLineEdit;
class QPushButton;

// "Изменение пароля": sets a new six-digit password in the unit, authorised by its master
// password (command 153, sub-function 3).
class TfrmChangePassword : public QDialog {
    Q_OBJECT
public:
    explicit TfrmChangePassword(DeviceSession* session, QWidget* parent = nullptr);
    void btnOKClick();

    QLineEdit* edtMasterPassword = nullptr;
    QLineEdit* edtNewPassword1 = nullptr;
    QLineEdit* edtNewPassword2 = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    DeviceSession* FSession;
};

// "Управление исполнительными устройствами": the unit's actuator outputs and drive signals
// (command 153, sub-functions 1 and 4). The boxes start unchecked; the unit is not asked.
class TfrmTRAVO_IU : public QDialog {
    Q_OBJECT
public:
    explicit TfrmTRAVO_IU(DeviceSession* session, QWidget* parent = nullptr);
    void btnSetIUClick();
    void btnSetSpeedClick();

    // cbLeft, cbRed, cbRight, cbGreen, cbJet, cbFixPos, cbSnd (bits 1 … 7).
    std::array<QCheckBox*, 7> Actuators{};
    // cbSTF, cbRH, cbRM, cbRL (bits 0 … 3).
    std::array<QCheckBox*, 4> Signals{};
    QPushButton* btnSetIU = nullptr;
    QPushButton* btnSetSpeed = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    DeviceSession* FSession;
};

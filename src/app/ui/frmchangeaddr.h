#pragma once
#include <QDialog>

#include "link/devicesession.h"

class QLineEdit;

// "Изменение адреса": gives the selected device a new bus address with command 122. DevAddr and
// the device list stay as they are; the user re-selects the device at its new address.
class TfrmChangeAddr : public QDialog {
    Q_OBJECT
public:
    explicit TfrmChangeAddr(DeviceSession& session, QWidget* parent = nullptr);

    QLineEdit* edtAddr = nullptr;

    // The "OK" action: true when the device accepted the new address (the dialog then closes).
    bool btnOKClick();

private:
    DeviceSession& FSession;
};

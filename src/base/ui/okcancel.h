#pragma once
#include <QString>

#include "base/messages.h"

class QDialog;
class QHBoxLayout;
class QPushButton;

// The OK/Cancel row of the dialogs: OK (the default button, named btnOK) and Cancel, right-aligned.
// Cancel rejects the dialog; what OK does is each dialog's own, so it is left unconnected.
struct TOkCancelRow {
    QHBoxLayout* Layout = nullptr;
    QPushButton* OK = nullptr;
    QPushButton* Cancel = nullptr;
};
TOkCancelRow MakeOkCancelRow(QDialog* dialog, const QString& okText = Msg::ButtonOK,
                             const QString& cancelText = Msg::ButtonCancel,
                             const QString& cancelName = QStringLiteral("btnCancel"));

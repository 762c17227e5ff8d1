#include "data/ui/frmeditdevice.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/messageservice.h"
#include "base/ui/okcancel.h"
#include "data/devicelist.h"

TfrmEditDevice::TfrmEditDevice(DeviceList& list, QWidget* parent) : QDialog(parent), FList(list)
{
    setObjectName(QStringLiteral("frmEditDevice"));
    setWindowTitle(Msg::EditDeviceCaption);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    edtName = new QLineEdit(this);
    edtName->setObjectName(QStringLiteral("edtName"));
    edtName->setMaxLength(DeviceList::kMaxName);
    edtName->setText(FList.EditName());
    edtAddr = new QLineEdit(this);
    edtAddr->setObjectName(QStringLiteral("edtAddr"));
    edtAddr->setMaxLength(5);
    edtAddr->setText(QString::number(FList.EditAddr()));

    const TOkCancelRow buttons = MakeOkCancelRow(this, Msg::EditDeviceOK, Msg::EditDeviceCancel);
    btnOK = buttons.OK;
    btnCancel = buttons.Cancel;
    connect(btnOK, &QPushButton::clicked, this, &TfrmEditDevice::btnOKClick);

    auto* form = new QFormLayout;
    form->setRowWrapPolicy(QFormLayout::WrapAllRows);
    form->addRow(Msg::EditDeviceName, edtName);
    form->addRow(Msg::EditDeviceAddr, edtAddr);
    auto* top = new QVBoxLayout(this);
    top->addLayout(form);
    top->addLayout(buttons.Layout);
    setFixedSize(sizeHint().expandedTo(QSize(320, 0)));
}

void TfrmEditDevice::btnOKClick()
{
    switch (FList.Save(edtName->text(), edtAddr->text())) {
    case DeviceList::SaveResult::Saved:
        FSaved = true;
        QDialog::accept();
        break;
    case DeviceList::SaveResult::InvalidAddr:
        ShowMessage(MsgKind::Warning, Msg::InvalidValue);
        edtAddr->setFocus();
        break;
    case DeviceList::SaveResult::AddrTaken:
        ShowMessage(MsgKind::Warning, Msg::DeviceAddrTaken.arg(DeviceList::ParseAddr(edtAddr->text())));
        edtAddr->setFocus();
        break;
    case DeviceList::SaveResult::Failed:
        // The row is still in edit state; the user may correct it or cancel.
        ShowMessage(MsgKind::Error, FList.LastError());
        break;
    }
}

void TfrmEditDevice::reject()
{
    if (!FSaved)
        FList.Cancel();
    QDialog::reject();
}

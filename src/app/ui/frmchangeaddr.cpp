#include "app/ui/frmchangeaddr.h"

#include <array>

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/messageservice.h"
#include "base/ui/okcancel.h"
#include "link/commands.h"

TfrmChangeAddr::TfrmChangeAddr(DeviceSession& session, QWidget* parent) : QDialog(parent), FSession(session)
{
    setObjectName(QStringLiteral("frmChangeAddr"));
    setWindowTitle(Msg::ChangeAddrCaption);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    edtAddr = new QLineEdit(QString::number(session.DevAddr), this);
    edtAddr->setObjectName(QStringLiteral("edtAddr"));
    edtAddr->setMaxLength(5);
    edtAddr->selectAll();

    const TOkCancelRow buttons = MakeOkCancelRow(this);
    connect(buttons.OK, &QPushButton::clicked, this, [this] {
        if (btnOKClick())
            accept();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Msg::EditDeviceAddr, this));
    layout->addWidget(edtAddr);
    layout->addLayout(buttons.Layout);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Centred on the screen, not on the main window.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        adjustSize();
        move(screen->availableGeometry().center() - rect().center());
    }
}

bool TfrmChangeAddr::btnOKClick()
{
    bool ok = false;
    int value = edtAddr->text().trimmed().toInt(&ok);
    if (!ok)
        value = 0;
    if (value < 0 || value > 0x7FFF) {
        ShowMessage(MsgKind::Warning, Msg::InvalidValue);
        return false;
    }
    const std::array<uint8_t, 2> payload = {uint8_t(value >> 8), uint8_t(value & 0xFF)};
    // Without a link nothing is sent; the user learns that the command did not go through.
    if (!FSession.SendToDevice(zcmd::kChangeAddr, payload, false, true)) {
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
        return false;
    }
    return true;
}

#include "panels/ui/frmeditbrelok.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>

#include "base/messages.h"
#include "base/messageservice.h"
#include "base/ui/okcancel.h"
#include "panels/kesta.h"

TfrmEditBrelok::TfrmEditBrelok(QWidget* owner, panels::FobList& list, bool add_edit)
    : QDialog(owner), AddEdit(add_edit || list.IsEmpty()), FList(list)
{
    setObjectName(QStringLiteral("frmEditBrelok"));
    setWindowTitle(Msg::EditDeviceCaption);
    auto* label = new QLabel(Msg::FobCodeLabel, this);
    edtSN = new QLineEdit(this);
    edtSN->setObjectName(QStringLiteral("edtSN"));
    // Room for more than the 7 digits of a code, so that a longer pasted code is refused on OK
    // instead of being cut to a different code.
    edtSN->setMaxLength(16);
    // Upper case as typed, like the original edit.
    connect(edtSN, &QLineEdit::textEdited, this, [this](const QString& t) {
        if (t != t.toUpper()) {
            const int pos = edtSN->cursorPosition();
            edtSN->setText(t.toUpper());
            edtSN->setCursorPosition(pos);
        }
    });
    btnPastePultSN = new QPushButton(this);
    btnPastePultSN->setObjectName(QStringLiteral("btnPastePultSN"));
    btnPastePultSN->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    btnPastePultSN->setToolTip(Msg::HintPaste);
    const TOkCancelRow row = MakeOkCancelRow(this);
    btnOK = row.OK;
    btnCancel = row.Cancel;

    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0, 1, 2);
    grid->addWidget(edtSN, 1, 0);
    grid->addWidget(btnPastePultSN, 1, 1);
    grid->addLayout(row.Layout, 2, 0, 1, 2);

    if (!AddEdit)
        edtSN->setText(panels::FobCodeText(list.Codes()[size_t(list.Current())]));
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnPastePultSN, &QPushButton::clicked, this, [this] { btnPastePultSNClick(); });
}

void TfrmEditBrelok::btnOKClick()
{
    const auto code = panels::ParseFobCode(edtSN->text());
    if (!code) {
        ShowMessage(MsgKind::Warning, Msg::InvalidValue);
        return;
    }
    if (AddEdit)
        FList.Add(*code);
    else
        FList.EditCurrent(*code);
    accept();
}

void TfrmEditBrelok::btnPastePultSNClick()
{
    edtSN->setText(QApplication::clipboard()->text().trimmed().toUpper());
}

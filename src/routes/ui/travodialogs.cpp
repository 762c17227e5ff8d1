#include "routes/ui/travodialogs.h"

#include <vector>

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/messageservice.h"
#include "base/ui/okcancel.h"
#include "link/commands.h"
#include "link/devicesession.h"
#include "routes/travocommands.h"
#include "routes/ui/fieldgrid.h"

TfrmChangePassword::TfrmChangePassword(DeviceSession* session, QWidget* parent) : QDialog(parent), FSession(session)
{
    setObjectName(QStringLiteral("frmChangePassword"));
    setWindowTitle(Msg::PasswordCaption);
    auto* layout = new QVBoxLayout(this);
    TFieldGrid fields(this);
    auto edit = [&](const QString& label, const char* name) {
        fields.Caption(label);
        QLineEdit* e = fields.Edit(name, 6);
        e->setEchoMode(QLineEdit::Password);
        // Digits only: every other key is dropped.
        e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,6}")), e));
        return e;
    };
    edtMasterPassword = edit(Msg::MasterPassword, "edtMasterPassword");
    edtNewPassword1 = edit(Msg::NewPassword, "edtNewPassword1");
    edtNewPassword2 = edit(Msg::RepeatPassword, "edtNewPassword2");
    layout->addLayout(fields.Layout());
    const TOkCancelRow buttons = MakeOkCancelRow(this);
    btnOK = buttons.OK;
    btnCancel = buttons.Cancel;
    layout->addLayout(buttons.Layout);
    connect(btnOK, &QPushButton::clicked, this, &TfrmChangePassword::btnOKClick);
}

void TfrmChangePassword::btnOKClick()
{
    const TPasswordCheck c =
        CheckPasswords(edtMasterPassword->text(), edtNewPassword1->text(), edtNewPassword2->text());
    QLineEdit* fields[3] = {edtMasterPassword, edtNewPassword1, edtNewPassword2};
    switch (c.Result) {
    case TPasswordCheck::TResult::Empty:
        // The conversion stops at the first field without a number, before any range check.
        for (QLineEdit* field : fields) {
            bool number = false;
            field->text().toULongLong(&number);
            if (!number) {
                ShowMessage(MsgKind::Error, Msg::NotAnInteger.arg(field->text()));
                field->setFocus();
                return;
            }
        }
        return;
    case TPasswordCheck::TResult::Invalid:
        // The focus ends on the last faulty field.
        ShowMessage(MsgKind::Warning, Msg::WrongMasterPassword);
        for (int i = 0; i < 3; ++i)
            if (c.Faulty[size_t(i)])
                fields[i]->setFocus();
        return;
    case TPasswordCheck::TResult::Differ: ShowMessage(MsgKind::Warning, Msg::PasswordsDiffer); return;
    case TPasswordCheck::TResult::Ok: break;
    }
    if (FSession && FSession->SendToDevice(zcmd::travo::kControl, c.Payload, false, true)) {
        accept();
        return;
    }
    ShowMessage(MsgKind::Warning, Msg::PasswordRefused);
}

TfrmTRAVO_IU::TfrmTRAVO_IU(DeviceSession* session, QWidget* parent) : QDialog(parent), FSession(session)
{
    setObjectName(QStringLiteral("frmTRAVO_IU"));
    setWindowTitle(Msg::IUCaption);
    auto* layout = new QHBoxLayout(this);
    auto box = [&](const QString& title, const std::vector<std::pair<const char*, const char*>>& items,
                   QPushButton*& set, const char* setName, QCheckBox** out) {
        auto* group = new QGroupBox(title, this);
        auto* v = new QVBoxLayout(group);
        for (size_t i = 0; i < items.size(); ++i) {
            out[i] = new QCheckBox(QString::fromUtf8(items[i].second), group);
            out[i]->setObjectName(QString::fromLatin1(items[i].first));
            v->addWidget(out[i]);
        }
        v->addStretch(1);
        set = new QPushButton(Msg::IUSet, group);
        set->setObjectName(QString::fromLatin1(setName));
        v->addWidget(set);
        layout->addWidget(group);
    };
    box(Msg::IUGroup,
        {{"cbLeft", "Лев. форс."},
         {"cbRed", "Крас. свет."},
         {"cbRight", "Прав. форс."},
         {"cbGreen", "Зел. свет."},
         {"cbJet", "Продувка"},
         {"cbFixPos", "Фикс. позиц."},
         {"cbSnd", "Звук"}},
        btnSetIU, "btnSetIU", Actuators.data());
    box(Msg::IUSpeedGroup, {{"cbSTF", "STF"}, {"cbRH", "RH"}, {"cbRM", "RM"}, {"cbRL", "RL"}}, btnSetSpeed,
        "btnSetSpeed", Signals.data());
    connect(btnSetIU, &QPushButton::clicked, this, &TfrmTRAVO_IU::btnSetIUClick);
    connect(btnSetSpeed, &QPushButton::clicked, this, &TfrmTRAVO_IU::btnSetSpeedClick);
}

void TfrmTRAVO_IU::btnSetIUClick()
{
    if (!FSession)
        return;
    std::array<bool, 7> boxes{};
    for (size_t i = 0; i < boxes.size(); ++i)
        boxes[i] = Actuators[i]->isChecked();
    bool off = false;
    bool on = false;
    {
        TPresencePause pause(*FSession);
        // Every output off first, then the checked ones on; both are sent whatever the first said.
        off = FSession->Send(zcmd::travo::kControl, ActuatorPayload(0xFF, false)).Accepted();
        on = FSession->Send(zcmd::travo::kControl, ActuatorPayload(ActuatorMask(boxes), true)).Accepted();
    }
    if (!off || !on)
        ShowMessage(MsgKind::Error, Msg::CommandNotAccepted);
}

void TfrmTRAVO_IU::btnSetSpeedClick()
{
    if (!FSession)
        return;
    std::array<bool, 4> boxes{};
    for (size_t i = 0; i < boxes.size(); ++i)
        boxes[i] = Signals[i]->isChecked();
    FSession->SendToDevice(zcmd::travo::kControl, DrivePayload(boxes), false, false);
}

void TfrmTRAVO_IU::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

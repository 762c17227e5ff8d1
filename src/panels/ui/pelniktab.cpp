#include "panels/ui/pelniktab.h"

#include <cmath>

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/messageservice.h"
#include "link/commands.h"
#include "panels/pelnik.h"
#include "tabhost/ui/panelbutton.h"

using namespace panels;

TPelnikTab::TPelnikTab(TPanelHost& host, QWidget* parent) : TPanel(host, parent)
{
    setObjectName(QStringLiteral("PelnikTab"));
    auto* settings = new QGroupBox(Msg::PelnikSettings, this);
    cbPELNIKDeviceMode = new QComboBox(settings);
    cbPELNIKDeviceMode->setObjectName(QStringLiteral("cbPELNIKDeviceMode"));
    cbPELNIKDeviceMode->addItems({Msg::PelnikReceiver, Msg::PelnikTransmitter});
    edtPELNIKTimeCoeff = new QLineEdit(QStringLiteral("0"), settings);
    edtPELNIKTimeCoeff->setObjectName(QStringLiteral("edtPELNIKTimeCoeff"));
    btnPELNIKReadTimeCoeff = PanelButton(settings, Msg::PelnikRead, "btnPELNIKReadTimeCoeff");
    btnPELNIKChangeMode = PanelButton(settings, Msg::PelnikChange, "btnPELNIKChangeMode");
    connect(btnPELNIKReadTimeCoeff, &QPushButton::clicked, this, [this] { btnPELNIKReadTimeCoeffClick(); });
    connect(btnPELNIKChangeMode, &QPushButton::clicked, this, [this] { btnPELNIKChangeModeClick(); });
    auto* grid = new QGridLayout(settings);
    grid->addWidget(new QLabel(Msg::PelnikMode, settings), 0, 0);
    grid->addWidget(cbPELNIKDeviceMode, 1, 0);
    grid->addWidget(new QLabel(Msg::PelnikTimeCoeff, settings), 2, 0);
    grid->addWidget(edtPELNIKTimeCoeff, 3, 0);
    grid->addWidget(btnPELNIKReadTimeCoeff, 4, 0);
    grid->addWidget(btnPELNIKChangeMode, 5, 0);
    auto* top = new QHBoxLayout;
    top->addWidget(settings);
    top->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addStretch();
}

void TPelnikTab::btnPELNIKReadTimeCoeffClick()
{
    TPresencePause pause(Host.Session());
    const TExchangeResult r = Host.Session().Send(zcmd::pelnik::kRead);
    if (!r.Accepted()) {
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
        return;
    }
    const auto s = Pelnik::Decode(r.Answer);
    // A mode the list does not have is a malformed answer too: nothing shown changes.
    if (!s || s->Mode >= cbPELNIKDeviceMode->count()) {
        ShowMessage(MsgKind::Error, Msg::PelnikBadPacket);
        return;
    }
    cbPELNIKDeviceMode->setCurrentIndex(s->Mode);
    edtPELNIKTimeCoeff->setText(QString::number(double(s->TimeCoeff), 'g', 7));
}

void TPelnikTab::btnPELNIKChangeModeClick()
{
    bool ok = false;
    const float coeff = edtPELNIKTimeCoeff->text().trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toFloat(&ok);
    if (!ok || !std::isfinite(coeff)) {
        ShowMessage(MsgKind::Warning, Msg::InvalidValue);
        return;
    }
    if (!AskYesNo(Msg::PelnikAskChange, AskIcon::Question))
        return;
    TPresencePause pause(Host.Session());
    const auto payload = Pelnik::Encode({uint8_t(cbPELNIKDeviceMode->currentIndex()), coeff});
    ClearDone();
    if (Host.Session().Send(zcmd::pelnik::kWrite, payload).Accepted())
        ShowDone(Msg::StatusModeWritten);
    else
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
}

void TPelnikTab::DemoShot()
{
    btnPELNIKReadTimeCoeffClick();
}

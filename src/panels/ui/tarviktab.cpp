#include "panels/ui/tarviktab.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/messageservice.h"
#include "link/commands.h"
#include "panels/tarvik.h"
#include "tabhost/ui/panelbutton.h"

using namespace panels;

TTarvikTab::TTarvikTab(TPanelHost& host, QWidget* parent) : TPanel(host, parent)
{
    setObjectName(QStringLiteral("TarvikTab"));
    auto* grid = new QGridLayout;
    for (int ch = 1; ch <= 2; ++ch) {
        const size_t i = size_t(ch - 1);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("edtTARVIKCOD%1").arg(ch));
        edit->setReadOnly(true);
        edit->setMinimumWidth(180);
        edtTARVIKCOD[i] = edit;
        btnTARVIKReadCh[i] = PanelButton(this, Msg::TarvikRead, ch == 1 ? "btnTARVIKReadCh1" : "btnTARVIKReadCh2");
        btnTARVIKClearCh[i] = PanelButton(this, Msg::TarvikClear, ch == 1 ? "btnTARVIKClearCh1" : "btnTARVIKClearCh2");
        connect(btnTARVIKReadCh[i], &QPushButton::clicked, this, [this, ch] { ReadChannel(ch); });
        connect(btnTARVIKClearCh[i], &QPushButton::clicked, this, [this, ch] { ClearChannel(ch); });
        const int row = (ch - 1) * 2;
        grid->addWidget(new QLabel(Msg::TarvikChannel.arg(ch), this), row, 0);
        grid->addWidget(edit, row + 1, 0);
        grid->addWidget(btnTARVIKReadCh[i], row + 1, 1);
        grid->addWidget(btnTARVIKClearCh[i], row + 1, 2);
    }
    auto* top = new QHBoxLayout;
    top->addLayout(grid);
    top->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addStretch();
}

void TTarvikTab::ReadChannel(int channel)
{
    TPresencePause pause(Host.Session());
    const uint8_t ch[] = {uint8_t(channel)};
    const TExchangeResult r = Host.Session().Send(zcmd::tarvik::kRead, ch);
    if (!r.Accepted()) {
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
        return;
    }
    // An answer of another length leaves the code shown as it was.
    if (const auto text = Tarvik::CodeText(r.Answer))
        edtTARVIKCOD[channel - 1]->setText(*text);
}

void TTarvikTab::ClearChannel(int channel)
{
    TPresencePause pause(Host.Session());
    const uint8_t ch[] = {uint8_t(channel)};
    ClearDone();
    if (!Host.Session().Send(zcmd::tarvik::kClear, ch).Accepted()) {
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
        return;
    }
    ShowDone(Msg::StatusChannelCleared.arg(channel));
    QThread::msleep(Tarvik::kClearSettleMs);
    ReadChannel(channel);
}

void TTarvikTab::DemoShot()
{
    ReadChannel(1);
    ReadChannel(2);
}

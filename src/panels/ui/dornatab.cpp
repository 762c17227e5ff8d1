#include "panels/ui/dornatab.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/messages.h"
#include "link/commands.h"
#include "panels/dorna.h"
#include "panels/ui/leddisplay.h"
#include "tabhost/ui/panelbutton.h"

using namespace panels;

namespace {

TLEDDisplay* reading(QWidget* parent, const char* name)
{
    auto* led = new TLEDDisplay(parent);
    led->setObjectName(QLatin1String(name));
    led->setFixedSize(100, 30);
    return led;
}

}  // namespace

TDornaTab::TDornaTab(TPanelHost& host, QWidget* parent) : TPanel(host, parent)
{
    setObjectName(QStringLiteral("DornaTab"));
    lbDornaVer = new QLabel(QStringLiteral("- - -"), this);
    lbDornaVer->setObjectName(QStringLiteral("lbDornaVer"));
    ledDornaUac = reading(this, "ledDornaUac");
    ledDornaUdc = reading(this, "ledDornaUdc");
    ledDornaR = reading(this, "ledDornaR");
    auto* addr = new QGroupBox(Msg::DornaAddr, this);
    addr->setObjectName(QStringLiteral("rbDornaAddr"));
    auto* addrLayout = new QGridLayout(addr);
    const QStringList captions = Dorna::AddressCaptions();
    for (int i = 0; i < captions.size(); ++i) {
        auto* b = new QRadioButton(captions[i], addr);
        rbDornaAddr << b;
        addrLayout->addWidget(b, i % 4, i / 4);
    }
    rbDornaAddr[0]->setChecked(true);
    btnReadDORNA = PanelButton(this, Msg::DornaRead, "btnReadDORNA", 3);
    connect(btnReadDORNA, &QPushButton::clicked, this, [this] { btnReadDORNAClick(); });

    auto* values = new QGridLayout;
    int row = 0;
    for (const auto& [caption, w] : {std::pair<QString, QWidget*>{Msg::DornaVersion, lbDornaVer},
                                     {Msg::DornaUac, ledDornaUac},
                                     {Msg::DornaUdc, ledDornaUdc},
                                     {Msg::DornaR, ledDornaR}}) {
        values->addWidget(new QLabel(caption, this), row++, 0);
        values->addWidget(w, row++, 0);
    }
    auto* side = new QVBoxLayout;
    side->addWidget(addr);
    side->addWidget(btnReadDORNA);
    side->addStretch();
    auto* top = new QHBoxLayout;
    top->addLayout(values);
    top->addSpacing(20);
    top->addLayout(side);
    top->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addStretch();
}

int TDornaTab::AddrIndex() const
{
    for (int i = 0; i < rbDornaAddr.size(); ++i)
        if (rbDornaAddr[i]->isChecked())
            return i;
    return 0;
}

void TDornaTab::btnReadDORNAClick()
{
    TPresencePause pause(Host.Session());
    const uint8_t unit[] = {Dorna::UnitAddress(AddrIndex())};
    const TExchangeResult r = Host.Session().Send(zcmd::dorna::kRead, unit);
    // Any failure shows dashes everywhere, silently.
    const Dorna::TView v = Dorna::View(r.Accepted() ? Dorna::Decode(r.Answer) : std::nullopt);
    lbDornaVer->setText(v.Version);
    ledDornaUac->SetCaption(v.Uac);
    ledDornaUdc->SetCaption(v.Udc);
    ledDornaR->SetCaption(v.R);
}

void TDornaTab::DemoShot()
{
    btnReadDORNAClick();
}

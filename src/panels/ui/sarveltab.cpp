#include "panels/ui/sarveltab.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/messageservice.h"
#include "link/commands.h"
#include "panels/relaypanels.h"

TSarvelTab::TSarvelTab(TPanelHost& host, QWidget* parent) : TPanel(host, parent)
{
    setObjectName(QStringLiteral("SarvelTab"));
    rgSARVELAddr = new QGroupBox(Msg::GroupAddr, this);
    rgSARVELAddr->setObjectName(QStringLiteral("rgSARVELAddr"));
    auto* grid = new QGridLayout(rgSARVELAddr);
    grid->setVerticalSpacing(2);
    FAddr = new QButtonGroup(this);
    for (int i = 0; i < panels::kSarvelItems; ++i) {
        auto* r = new QRadioButton(panels::SarvelCaption(i), rgSARVELAddr);
        r->setObjectName(QStringLiteral("rbSARVELAddr%1").arg(i));
        FAddr->addButton(r, i);
        grid->addWidget(r, i / 8, i % 8);
    }
    FAddr->button(0)->setChecked(true);
    rgSARVELAddr->setProperty("itemIndex", 0);
    connect(FAddr, &QButtonGroup::idClicked, this, [this](int id) {
        rgSARVELAddr->setProperty("itemIndex", id);
        rgSARVELAddrClick();
    });

    auto* version = new QGroupBox(Msg::GroupVersion, this);
    auto* vRow = new QHBoxLayout(version);
    lbVersionSARVEL = new QLabel(Msg::PresenceNoValue, version);
    lbVersionSARVEL->setObjectName(QStringLiteral("lbVersionSARVEL"));
    lbVersionSARVEL->setAlignment(Qt::AlignCenter);
    vRow->addWidget(lbVersionSARVEL);

    auto* outputs = new QGroupBox(Msg::GroupOutputs, this);
    auto* outGrid = new QGridLayout(outputs);
    for (int k = 1; k <= 32; ++k) {
        cbOut[size_t(k - 1)] = new QCheckBox(QString::number(k), outputs);
        cbOut[size_t(k - 1)]->setObjectName(QStringLiteral("cbOut%1").arg(k));
        outGrid->addWidget(cbOut[size_t(k - 1)], (k - 1) / 8, (k - 1) % 8);
    }
    auto button = [outputs](const QString& text, const char* name) {
        auto* b = new QPushButton(text, outputs);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    btnSARVELTurnOffAll = button(Msg::BtnAllOff, "btnSARVELTurnOffAll");
    btnSetSARVEL = button(Msg::BtnWrite, "btnSetSARVEL");
    btnTest1 = button(QStringLiteral("TEST1"), "btnTest1");
    btnTest2 = button(QStringLiteral("TEST2"), "btnTest2");
    btnSARVELTurnOffAll->setProperty("tag", 3);
    btnSetSARVEL->setProperty("tag", 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnTest1);
    buttons->addWidget(btnTest2);
    buttons->addStretch();
    buttons->addWidget(btnSARVELTurnOffAll);
    buttons->addWidget(btnSetSARVEL);
    outGrid->addLayout(buttons, 4, 0, 1, 8);
    connect(btnSARVELTurnOffAll, &QPushButton::clicked, this, [this] { btnSARVELTurnOffAllClick(); });
    connect(btnSetSARVEL, &QPushButton::clicked, this, [this] { btnSetSARVELClick(); });
    connect(btnTest1, &QPushButton::clicked, this, [this] { btnTest1Click(); });
    connect(btnTest2, &QPushButton::clicked, this, [this] { btnTest2Click(); });

    auto* right = new QVBoxLayout;
    right->addWidget(version);
    right->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(rgSARVELAddr, 1);
    top->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(outputs);
    layout->addStretch();
}

int TSarvelTab::ItemIndex() const
{
    return FAddr->checkedId();
}

void TSarvelTab::SetItemIndex(int item)
{
    if (QAbstractButton* b = FAddr->button(item)) {
        b->setChecked(true);
        rgSARVELAddr->setProperty("itemIndex", item);
        rgSARVELAddrClick();
    }
}

void TSarvelTab::SetOutputs(uint32_t bits)
{
    for (size_t k = 0; k < 32; ++k)
        cbOut[k]->setChecked(bits >> k & 1);
}

uint32_t TSarvelTab::Outputs() const
{
    uint32_t bits = 0;
    for (size_t k = 0; k < 32; ++k)
        if (cbOut[k]->isChecked())
            bits |= 1u << k;
    return bits;
}

void TSarvelTab::rgSARVELAddrClick()
{
    const uint8_t payload[] = {panels::SarvelAddress(ItemIndex())};
    TExchangeResult r;
    {
        TPresencePause pause(Host.Session());
        r = Host.Session().Send(zcmd::sarvel::kRead, payload);
    }
    // Silent: a unit that does not answer shows dashes and no outputs.
    const panels::SarvelUnit unit = panels::SarvelUnitOf(r.Accepted(), r.Answer);
    lbVersionSARVEL->setText(unit.version);
    SetOutputs(unit.outputs);
}

void TSarvelTab::btnSetSARVELClick()
{
    const int item = ItemIndex();
    const std::vector<uint8_t> payload = panels::SarvelWritePayload(panels::SarvelAddress(item), Outputs());
    ClearDone();
    bool ok = false;
    {
        TPresencePause pause(Host.Session());
        ok = Host.Session().Send(zcmd::sarvel::kWrite, payload).Accepted();
    }
    if (ok)
        ShowDone(Msg::StatusSarvelWritten.arg(panels::SarvelCaption(item)));
    else
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
}

void TSarvelTab::btnTest1Click()
{
    SetOutputs(panels::kSarvelTest1);
}

void TSarvelTab::btnTest2Click()
{
    SetOutputs(panels::kSarvelTest2);
}

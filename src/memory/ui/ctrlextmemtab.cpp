#include "memory/ui/ctrlextmemtab.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/messages.h"
#include "link/devicesession.h"
#include "memory/hexgridmodel.h"
#include "memory/ui/hexgrid.h"

TRadioGroup::TRadioGroup(const QString& title, const QStringList& items, QWidget* parent) : QGroupBox(title, parent)
{
    FGroup = new QButtonGroup(this);
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        FGroup->addButton(b, i);
        layout->addWidget(b);
    }
    SetItemIndex(0);
    connect(FGroup, &QButtonGroup::idClicked, this, [this](int id) { emit ItemIndexChanged(id); });
}

int TRadioGroup::ItemIndex() const
{
    return FGroup->checkedId();
}

void TRadioGroup::SetItemIndex(int index)
{
    if (QAbstractButton* b = FGroup->button(index); b && !b->isChecked()) {
        b->setChecked(true);
        emit ItemIndexChanged(index);
    }
}

QList<QAbstractButton*> TRadioGroup::Buttons() const
{
    return FGroup->buttons();
}

namespace {

QSpinBox* spin(QWidget* parent, const char* name, int max)
{
    auto* s = new QSpinBox(parent);
    s->setObjectName(QLatin1String(name));
    s->setRange(0, max);
    s->setMinimumWidth(80);
    return s;
}

}  // namespace

TCtrlExtMemTab::TCtrlExtMemTab(TPanelHost& host, TMemoryContext& ctx, QWidget* parent) : TPanel(host, parent), FCtx(ctx)
{
    setObjectName(QStringLiteral("CtrlExtMemTab"));
    BeginAddr = spin(this, "BeginAddr", 32767);
    CountBytes = spin(this, "CountBytes", 255);
    btnReadData = new QPushButton(Msg::CtrlReadData, this);
    btnReadData->setObjectName(QStringLiteral("btnReadData"));
    ControlGroups::Tag(btnReadData, cgBootloader);
    AddrForWrite = spin(this, "AddrForWrite", 32767);
    WriteValue = spin(this, "WriteValue", 255);
    HEXValue = new QLabel(this);
    HEXValue->setObjectName(QStringLiteral("HEXValue"));
    HEXValue->setMinimumWidth(40);
    btnWriteData = new QPushButton(Msg::CtrlWriteData, this);
    btnWriteData->setObjectName(QStringLiteral("btnWriteData"));
    ControlGroups::Tag(btnWriteData, cgBootloader);
    TypeData = new TRadioGroup(Msg::CtrlTypeData, {QStringLiteral("10"), QStringLiteral("16")}, this);
    TypeData->setObjectName(QStringLiteral("TypeData"));
    GridExt = new THexGrid(45, this);
    GridExt->setObjectName(QStringLiteral("GridExt"));
    GridExt->SetCellFn([this](int r, int c) {
        if (r == 0)
            return c >= 1 && c - 1 < FGrid.ColumnHeaders.size() ? FGrid.ColumnHeaders[c - 1] : QString();
        if (c == 0)
            return r - 1 < FGrid.RowHeaders.size() ? FGrid.RowHeaders[r - 1] : QString();
        if (size_t(r - 1) >= FGrid.Cells.size())
            return QString();
        return memorypanel::DataCellText(FGrid.Cells[size_t(r - 1)].value(c - 1), TypeData->ItemIndex());
    });

    connect(btnReadData, &QPushButton::clicked, this, [this] { btnReadDataClick(); });
    connect(btnWriteData, &QPushButton::clicked, this, [this] { btnWriteDataClick(); });
    connect(WriteValue, &QSpinBox::valueChanged, this, [this] { WriteValueChange(); });
    connect(TypeData, &TRadioGroup::ItemIndexChanged, this, [this] { TypeDataClick(); });

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(Msg::CtrlBeginAddr, this), 0, 0);
    fields->addWidget(BeginAddr, 0, 1);
    fields->addWidget(new QLabel(Msg::CtrlCountBytes, this), 0, 2);
    fields->addWidget(CountBytes, 0, 3);
    fields->addWidget(btnReadData, 0, 5);
    fields->addWidget(new QLabel(Msg::CtrlAddrForWrite, this), 1, 0);
    fields->addWidget(AddrForWrite, 1, 1);
    fields->addWidget(new QLabel(Msg::CtrlWriteValue, this), 1, 2);
    fields->addWidget(WriteValue, 1, 3);
    fields->addWidget(HEXValue, 1, 4);
    fields->addWidget(btnWriteData, 1, 5);
    fields->setColumnStretch(6, 1);
    auto* top = new QHBoxLayout;
    top->addLayout(fields, 1);
    top->addWidget(TypeData);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(top);
    layout->addWidget(GridExt, 1);
    GridExt->setFixedWidth(THexGrid::kHeaderColumnWidth + 16 * 45 + GridExt->verticalScrollBar()->sizeHint().width() +
                           4);

    ShowGrid(memorypanel::InitialDataGrid());
    WriteValueChange();
}

void TCtrlExtMemTab::ShowGrid(memorypanel::TDataGrid grid)
{
    FGrid = std::move(grid);
    GridExt->SetRowCount(FGrid.Rows);
    GridExt->Refresh();
}

void TCtrlExtMemTab::WriteValueChange()
{
    HEXValue->setText(memorypanel::HexValueText(WriteValue->value()));
}

void TCtrlExtMemTab::ReadSettings(const TSettingsSection& section)
{
    BeginAddr->setValue(section.Int(QStringLiteral("Begin Addr")));
    CountBytes->setValue(section.Int(QStringLiteral("Count Bytes")));
    AddrForWrite->setValue(section.Int(QStringLiteral("Addr For Write")));
    WriteValue->setValue(section.Int(QStringLiteral("Write Value")));
    TypeData->SetItemIndex(section.Int(QStringLiteral("Type Data")));
}

void TCtrlExtMemTab::WriteSettings(TSettingsSection& section) const
{
    section.SetInt(QStringLiteral("Begin Addr"), BeginAddr->value());
    section.SetInt(QStringLiteral("Count Bytes"), CountBytes->value());
    section.SetInt(QStringLiteral("Addr For Write"), AddrForWrite->value());
    section.SetInt(QStringLiteral("Write Value"), WriteValue->value());
    section.SetInt(QStringLiteral("Type Data"), TypeData->ItemIndex());
}

void TCtrlExtMemTab::TypeDataClick()
{
    GridExt->Refresh();
}

void TCtrlExtMemTab::btnReadDataClick()
{
    const uint32_t count = uint32_t(CountBytes->value());
    if (count == 0)
        return;
    const uint32_t begin = uint32_t(BeginAddr->value());
    const memorypanel::TPart part = memorypanel::ReadDataRange(begin, count, FCtx.BlockSize(), FCtx.Ext());
    if (part.Count)
        StartTransfer(FCtx, tkReadExtMemPart, true, part.Start, part.Count);
    if (FCtx.UpdateExtMemView)
        FCtx.UpdateExtMemView(false);
    ShowGrid(memorypanel::MakeDataGrid(*FCtx.ExtMemBuf, begin, count));
}

void TCtrlExtMemTab::btnWriteDataClick()
{
    const uint32_t addr = uint32_t(AddrForWrite->value());
    const memorypanel::TPart block = memorypanel::WriteDataBlock(addr, FCtx.BlockSize(), FCtx.Ext());
    ClearDone();
    if (!StartTransfer(FCtx, tkReadExtMemPart, true, block.Start, block.Count))
        return;
    const int value = WriteValue->value();
    (*FCtx.ExtMemBuf)[addr] = uint8_t(value);
    if (!StartTransfer(FCtx, tkWriteExtMemPart, true, block.Start, block.Count))
        return;
    btnReadDataClick();
    ShowDone(Msg::StatusByteWritten.arg(memorypanel::HexValueText(value)).arg(addr));
}

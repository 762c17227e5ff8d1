#include "data/ui/devicetab.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/messageservice.h"
#include "data/datamodule.h"
#include "data/ui/frmeditdevice.h"
#include "data/ui/frmscandevices.h"
#include "link/commands.h"
#include "link/devicesession.h"

namespace {

enum Column { colFlag, colN, colName, colAddr };
// A very light grey behind every second row (0xEAF0F0 in blue-green-red order).
const QColor kEvenRow(0xF0, 0xF0, 0xEA);

class DeviceGridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (index.column() != colFlag) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        painter->fillRect(option.rect, Qt::white);
        if (index.data().toBool()) {
            const QWidget* w = option.widget;
            const QIcon mark = (w ? w->style() : QApplication::style())->standardIcon(QStyle::SP_ArrowRight);
            painter->drawPixmap(option.rect.topLeft() + QPoint(2, 2), mark.pixmap(16, 16));
        }
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() != colName)
            option->displayAlignment = Qt::AlignCenter;
        const bool selected = option->state & QStyle::State_Selected;
        if (!selected && (index.row() + 1) % 2 == 0)
            option->backgroundBrush = kEvenRow;
    }
};

// Titles and names bold, titles centred, other cells 5 px from the left, text 2 px below the top.
class ParamsDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        const QWidget* w = option.widget;
        QStyle* style = w ? w->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, w);

        QFont font = opt.font;
        font.setBold(index.row() == 0 || index.column() == 0);
        painter->save();
        painter->setFont(font);
        painter->setPen(
            opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        const QRect r = opt.rect.adjusted(index.row() == 0 ? 0 : 5, 2, 0, 0);
        const Qt::Alignment h = index.row() == 0 ? Qt::AlignHCenter : Qt::AlignLeft;
        painter->drawText(r, int(h | Qt::AlignTop), text);
        painter->restore();
    }
};

QLabel* valueLabel(const char* name, QWidget* parent)
{
    auto* l = new QLabel(Msg::PresenceNoValue, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

QGroupBox* valueBox(const char* name, const QString& title, QLabel* label, QWidget* parent)
{
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(QLatin1String(name));
    auto* lay = new QVBoxLayout(box);
    lay->addWidget(label);
    box->setVisible(false);
    return box;
}

QToolButton* speedButton(const char* name, const QString& hint, QStyle::StandardPixmap icon, QWidget* parent)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setAutoRaise(true);
    return b;
}

}  // namespace

DeviceTab::DeviceTab(TPanelHost& host, TDM& dm, QWidget* parent) : TPanel(host, parent), FDM(dm), FList(dm.tblDevice)
{
    setObjectName(QStringLiteral("DeviceTab"));
    execEditDialog = [](TfrmEditDevice& dlg) { dlg.exec(); };
    execScanDialog = [](TfrmScanDevices& dlg) { dlg.exec(); };

    // --- device list
    FDM.dsDevice.SetColumns({{QStringLiteral("Flag"), Msg::DeviceColFlag},
                             {QStringLiteral("N"), Msg::DeviceColN},
                             {QStringLiteral("Name"), Msg::DeviceColName},
                             {QStringLiteral("Addr"), Msg::DeviceColAddr}});
    dbgDevice = new QTableView(this);
    dbgDevice->setObjectName(QStringLiteral("dbgDevice"));
    dbgDevice->setAccessibleName(Msg::AccessDeviceList);
    dbgDevice->setModel(&FDM.dsDevice);
    dbgDevice->setItemDelegate(new DeviceGridDelegate(dbgDevice));
    dbgDevice->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgDevice->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgDevice->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgDevice->verticalHeader()->hide();
    dbgDevice->verticalHeader()->setDefaultSectionSize(20);
    dbgDevice->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    dbgDevice->setColumnWidth(colFlag, 22);
    dbgDevice->setColumnWidth(colN, 36);
    dbgDevice->setColumnWidth(colName, 260);
    dbgDevice->horizontalHeader()->setStretchLastSection(true);
    dbgDevice->installEventFilter(this);
    connect(dbgDevice, &QTableView::doubleClicked, this, [this] { btnDeviceEditClick(); });
    connect(dbgDevice->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { GridRowChanged(current.row()); });
    connect(&FDM.dsDevice, &TDataSource::currentRowChanged, this, [this] { ShowCurrentRow(); });
    connect(&FDM.dsDevice, &QAbstractItemModel::modelReset, this, [this] { ShowCurrentRow(); });

    M_DeviceSelect = new QAction(Msg::CaptionDeviceSelect, this);
    M_DeviceSelect->setObjectName(QStringLiteral("M_DeviceSelect"));
    connect(M_DeviceSelect, &QAction::triggered, this, [this] { btnDeviceSelectClick(); });
    dbgDevice->addAction(M_DeviceSelect);
    dbgDevice->setContextMenuPolicy(Qt::ActionsContextMenu);

    btnDeviceAdd = speedButton("btnDeviceAdd", Msg::HintDeviceAdd, QStyle::SP_FileIcon, this);
    btnDeviceEdit = speedButton("btnDeviceEdit", Msg::HintDeviceEdit, QStyle::SP_FileDialogDetailedView, this);
    btnDeviceDel = speedButton("btnDeviceDel", Msg::HintDeviceDel, QStyle::SP_TrashIcon, this);
    btnDeviceSelect = speedButton("btnDeviceSelect", Msg::HintDeviceSelect, QStyle::SP_DialogApplyButton, this);
    btnDeviceSelect->setText(Msg::CaptionDeviceSelect);
    btnDeviceSelect->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnMoveUp = speedButton("btnMoveUp", Msg::HintMoveUp, QStyle::SP_ArrowUp, this);
    btnMoveDown = speedButton("btnMoveDown", Msg::HintMoveDown, QStyle::SP_ArrowDown, this);
    connect(btnDeviceAdd, &QToolButton::clicked, this, [this] { btnDeviceAddClick(); });
    connect(btnDeviceEdit, &QToolButton::clicked, this, [this] { btnDeviceEditClick(); });
    connect(btnDeviceDel, &QToolButton::clicked, this, [this] { btnDeviceDelClick(); });
    connect(btnDeviceSelect, &QToolButton::clicked, this, [this] { btnDeviceSelectClick(); });
    connect(btnMoveUp, &QToolButton::clicked, this, [this] { btnMoveUpClick(); });
    connect(btnMoveDown, &QToolButton::clicked, this, [this] { btnMoveDownClick(); });
    // Needs the port, not a selected device: no control group.
    btnScanDevices = new QPushButton(Msg::ScanDevices, this);
    btnScanDevices->setObjectName(QStringLiteral("btnScanDevices"));
    connect(btnScanDevices, &QPushButton::clicked, this, [this] { btnScanDevicesClick(); });

    // --- identification of the selected device
    auto* gbDateTime = new QGroupBox(Msg::GroupDateTime, this);
    gbDateTime->setObjectName(QStringLiteral("GB_DateTime"));
    DateRTC = valueLabel("DateRTC", gbDateTime);
    TimeRTC = valueLabel("TimeRTC", gbDateTime);
    btnSyncDateTime = new QPushButton(Msg::SyncDateTime, gbDateTime);
    btnSyncDateTime->setObjectName(QStringLiteral("btnSyncDateTime"));
    connect(btnSyncDateTime, &QPushButton::clicked, this, [this] { btnSyncDateTimeClick(); });
    ControlGroups::Tag(DateRTC, cgClock);
    ControlGroups::Tag(TimeRTC, cgClock);
    ControlGroups::Tag(btnSyncDateTime, cgClock);
    auto* dtLay = new QVBoxLayout(gbDateTime);
    auto* dtRow = new QHBoxLayout;
    dtRow->addWidget(DateRTC);
    dtRow->addWidget(TimeRTC);
    dtLay->addLayout(dtRow);
    dtLay->addWidget(btnSyncDateTime);

    VarMode = valueLabel("VarMode", this);
    Temp = valueLabel("Temp", this);
    Voltage = valueLabel("Voltage", this);
    ControlGroups::Tag(VarMode, cgExtMem);
    ControlGroups::Tag(Temp, cgExtMem);
    ControlGroups::Tag(Voltage, cgExtMem);
    GB_Mode = valueBox("GB_Mode", Msg::GroupMode, VarMode, this);
    GB_Temp = valueBox("GB_Temp", Msg::GroupTemp, Temp, this);
    GB_Voltage = valueBox("GB_Voltage", Msg::GroupVoltage, Voltage, this);

    ParamsList = new QTableWidget(this);
    ParamsList->setObjectName(QStringLiteral("ParamsList"));
    ParamsList->setAccessibleName(Msg::AccessDeviceParams);
    ParamsList->setColumnCount(2);
    ParamsList->horizontalHeader()->hide();
    ParamsList->verticalHeader()->hide();
    ParamsList->verticalHeader()->setDefaultSectionSize(20);
    ParamsList->horizontalHeader()->setStretchLastSection(true);
    ParamsList->setColumnWidth(0, 140);
    ParamsList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ParamsList->setSelectionMode(QAbstractItemView::NoSelection);
    ParamsList->setItemDelegate(new ParamsDelegate(ParamsList));
    ParamsList->setVisible(false);

    // --- layout: list on the left, identification on the right
    auto* buttons = new QHBoxLayout;
    for (QToolButton* b : {btnDeviceAdd, btnDeviceEdit, btnDeviceDel, btnDeviceSelect, btnMoveUp, btnMoveDown})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(btnScanDevices);
    auto* left = new QVBoxLayout;
    left->addLayout(buttons);
    left->addWidget(dbgDevice);
    auto* right = new QVBoxLayout;
    right->addWidget(gbDateTime);
    right->addWidget(GB_Mode);
    right->addWidget(GB_Temp);
    right->addWidget(GB_Voltage);
    right->addWidget(ParamsList, 1);
    right->addStretch();
    auto* top = new QHBoxLayout(this);
    top->addLayout(left, 3);
    top->addLayout(right, 2);

    ShowCurrentRow();
}

void DeviceTab::ShowPresence(const PresenceView& view)
{
    DateRTC->setText(view.dateText);
    TimeRTC->setText(view.timeText);
    VarMode->setText(view.varModeText);
    Temp->setText(view.tempText);
    Voltage->setText(view.voltageText);
    GB_Mode->setVisible(view.valuesVisible);
    GB_Temp->setVisible(view.valuesVisible);
    GB_Voltage->setVisible(view.valuesVisible);

    if (!view.paramsVisible) {
        ParamsList->setVisible(false);
        return;
    }
    const int rows = int(view.paramRows.size());
    ParamsList->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < 2; ++c) {
            const QString& text = c == 0 ? view.paramRows[size_t(r)].first : view.paramRows[size_t(r)].second;
            QTableWidgetItem* item = ParamsList->item(r, c);
            if (!item)
                ParamsList->setItem(r, c, item = new QTableWidgetItem);
            if (item->text() != text)
                item->setText(text);
        }
    }
    ParamsList->setVisible(true);
    ParamsList->viewport()->update();
}

PresenceView DeviceTab::ShowInfo(const TDeviceInfo& info, const TParams& params)
{
    PresenceView view = MakePresenceView(info, params);
    ShowPresence(view);
    return view;
}

void DeviceTab::GridRowChanged(int row)
{
    if (row >= 0 && row != FDM.dsDevice.CurrentRow() && FDM.tblDevice.State() == TDataSet::dsBrowse)
        FDM.tblDevice.SetRecNo(row + 1);
}

void DeviceTab::ShowCurrentRow()
{
    const int row = FDM.dsDevice.CurrentRow();
    if (row < 0)
        return;
    if (dbgDevice->currentIndex().row() != row)
        dbgDevice->setCurrentIndex(FDM.dsDevice.index(row, colName));
    else
        dbgDevice->selectRow(row);
}

void DeviceTab::btnDeviceSelectClick()
{
    // Nothing is sent: the presence thread asks the new address in its next cycle.
    FList.Select(Host.Session().DevAddr);
}

void DeviceTab::btnDeviceAddClick()
{
    OpenEditor(FList.BeginAdd());
}

void DeviceTab::btnDeviceEditClick()
{
    OpenEditor(FList.BeginEdit());
}

void DeviceTab::OpenEditor(bool started)
{
    if (!started) {
        if (!FList.LastError().isEmpty())
            ShowMessage(MsgKind::Error, FList.LastError());
        return;
    }
    {
        TfrmEditDevice dlg(FList, window());
        execEditDialog(dlg);
        // However the dialog went away, an unfinished edit is undone.
        if (FList.Editing())
            FList.Cancel();
    }
    FDM.tblDevice.Refresh();
    dbgDevice->setFocus();
}

void DeviceTab::btnDeviceDelClick()
{
    if (FList.IsEmpty())
        return;
    if (AskYesNo(Msg::AskDeleteRecord, AskIcon::Warning) && !FList.DeleteCurrent())
        ShowMessage(MsgKind::Error, FList.LastError());
    dbgDevice->setFocus();
}

void DeviceTab::btnMoveUpClick()
{
    if (!FList.MoveUp() && !FList.LastError().isEmpty())
        ShowMessage(MsgKind::Error, FList.LastError());
}

void DeviceTab::btnMoveDownClick()
{
    if (!FList.MoveDown() && !FList.LastError().isEmpty())
        ShowMessage(MsgKind::Error, FList.LastError());
}

void DeviceTab::btnSyncDateTimeClick()
{
    // Reachable without a link only with every control enabled; say so instead of sending.
    if (!Host.Session().HasLink()) {
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
        return;
    }
    const std::array<uint8_t, 6> payload = ClockPayload(now());
    Host.Session().SendToDevice(zcmd::kSetClock, payload, false, false);
}

void DeviceTab::btnScanDevicesClick()
{
    if (FList.Editing())
        return;
    TfrmScanDevices dlg(Host.Session(), FList, window());
    execScanDialog(dlg);
    dbgDevice->setFocus();
}

bool DeviceTab::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == dbgDevice && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const auto mods = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        if (mods == Qt::NoModifier) {
            switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_F4: btnDeviceEditClick(); return true;
            case Qt::Key_Space: btnDeviceSelectClick(); return true;
            case Qt::Key_Insert: btnDeviceAddClick(); return true;
            case Qt::Key_Delete: btnDeviceDelClick(); return true;
            default: break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

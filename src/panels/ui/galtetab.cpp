#include "panels/ui/galtetab.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/messageservice.h"
#include "base/ui/okcancel.h"
#include "data/dataset.h"
#include "link/commands.h"
#include "panels/panelint.h"
#include "tabhost/ui/panelbutton.h"

namespace {

// Status icons of the grid: a red exclamation mark (unknown), a green lamp (on), a grey one (off).
QIcon statusIcon(panels::SlaveStatus s)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (s == panels::kSlaveUnknown) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(220, 30, 30));
        p.drawRoundedRect(QRectF(6, 1, 4, 10), 1.5, 1.5);
        p.drawEllipse(QRectF(6, 12, 4, 4));
    } else {
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(s == panels::kSlaveRelayOn ? QColor(40, 210, 40) : QColor(170, 170, 170));
        p.drawEllipse(QRectF(2.5, 1.5, 11, 11));
        p.setBrush(QColor(120, 120, 120));
        p.drawRect(QRectF(5.5, 12.5, 5, 3));
    }
    return QIcon(pm);
}

}  // namespace

TGalteTab::TGalteTab(TPanelHost& host, TTable& tblSlave, QWidget* parent) : TPanel(host, parent), FSlaves(tblSlave)
{
    setObjectName(QStringLiteral("GalteTab"));
    dbgSlave = new QTableWidget(0, 3, this);
    dbgSlave->setObjectName(QStringLiteral("dbgSlave"));
    dbgSlave->setHorizontalHeaderLabels({QString(), Msg::SlaveColName, Msg::DeviceColAddr});
    dbgSlave->verticalHeader()->hide();
    dbgSlave->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgSlave->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgSlave->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgSlave->setColumnWidth(0, 24);
    dbgSlave->setColumnWidth(1, 260);
    dbgSlave->horizontalHeader()->setStretchLastSection(true);
    dbgSlave->verticalHeader()->setDefaultSectionSize(20);
    dbgSlave->installEventFilter(this);
    connect(dbgSlave, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row >= 0 && FSlaves.Table().Active() && !FSlaves.Editing())
            FSlaves.Table().SetRecNo(row + 1);
    });
    connect(dbgSlave, &QTableWidget::cellDoubleClicked, this, [this] { btnRelayToggleSlaveClick(); });

    btnSlaveAdd = PanelIconButton(this, "btnSlaveAdd", QStyle::SP_FileDialogNewFolder, Msg::HintDeviceAdd);
    btnSlaveEdit = PanelIconButton(this, "btnSlaveEdit", QStyle::SP_FileDialogDetailedView, Msg::HintDeviceEdit);
    btnSlaveDel = PanelIconButton(this, "btnSlaveDel", QStyle::SP_TrashIcon, Msg::HintDeviceDel);
    connect(btnSlaveAdd, &QPushButton::clicked, this, [this] { btnSlaveAddClick(); });
    connect(btnSlaveEdit, &QPushButton::clicked, this, [this] { btnSlaveEditClick(); });
    connect(btnSlaveDel, &QPushButton::clicked, this, [this] { btnSlaveDelClick(); });

    auto make = [this](const QString& text, const char* name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setProperty("tag", 3);
        b->setMinimumWidth(150);
        return b;
    };
    btnRelayToggleSlave = make(Msg::BtnToggleRelay, "btnRelayToggleSlave");
    btnRefreshStatusSlave = make(Msg::BtnRefreshStatus, "btnRefreshStatusSlave");
    btnResetSlave = make(Msg::BtnResetSlave, "btnResetSlave");
    btnChangeAddrSlave = make(Msg::BtnChangeAddr, "btnChangeAddrSlave");
    connect(btnRelayToggleSlave, &QPushButton::clicked, this, [this] { btnRelayToggleSlaveClick(); });
    connect(btnRefreshStatusSlave, &QPushButton::clicked, this, [this] { btnRefreshStatusSlaveClick(); });
    connect(btnResetSlave, &QPushButton::clicked, this, [this] { btnResetSlaveClick(); });
    connect(btnChangeAddrSlave, &QPushButton::clicked, this, [this] { btnChangeAddrSlaveClick(); });

    auto* tools = new QHBoxLayout;
    tools->addWidget(btnSlaveAdd);
    tools->addWidget(btnSlaveEdit);
    tools->addWidget(btnSlaveDel);
    tools->addStretch();
    auto* left = new QVBoxLayout;
    left->addLayout(tools);
    left->addWidget(dbgSlave, 1);
    auto* right = new QVBoxLayout;
    right->addSpacing(30);
    right->addWidget(btnRelayToggleSlave);
    right->addWidget(btnRefreshStatusSlave);
    right->addSpacing(12);
    right->addWidget(btnResetSlave);
    right->addWidget(btnChangeAddrSlave);
    right->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    connect(&FSlaves.Table(), &TDataSet::dataChanged, this, [this] { ShowSlaves(); });
    ShowSlaves();
}

void TGalteTab::ShowSlaves()
{
    const QSignalBlocker block(dbgSlave);
    TTable& t = FSlaves.Table();
    const int rows = FSlaves.Count();
    dbgSlave->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        auto* status = new QTableWidgetItem;
        status->setIcon(statusIcon(FSlaves.StatusAt(row)));
        auto* name = new QTableWidgetItem(t.RowValue(row, QStringLiteral("Name")).toString());
        auto* addr = new QTableWidgetItem(QString::number(FSlaves.AddrAt(row)));
        addr->setTextAlignment(Qt::AlignCenter);
        // Even rows on the light stripe; the status cell stays white.
        const QBrush stripe = (row + 1) % 2 == 0 ? QBrush(QColor(240, 240, 234)) : QBrush(Qt::white);
        name->setBackground(stripe);
        addr->setBackground(stripe);
        status->setBackground(Qt::white);
        dbgSlave->setItem(row, 0, status);
        dbgSlave->setItem(row, 1, name);
        dbgSlave->setItem(row, 2, addr);
    }
    if (FSlaves.CurrentRow() >= 0)
        dbgSlave->selectRow(FSlaves.CurrentRow());
}

TExchangeResult TGalteTab::SendToSlave(const std::vector<uint8_t>& payload)
{
    TPresencePause pause(Host.Session());
    return Host.Session().Send(zcmd::galte::kSlave, payload);
}

void TGalteTab::btnRelayToggleSlaveClick()
{
    if (FSlaves.IsEmpty())
        return;
    const int row = FSlaves.CurrentRow();
    const uint16_t addr = FSlaves.AddrAt(row);
    const char op = panels::ToggleOp(FSlaves.StatusAt(row));
    ClearDone();
    if (SendToSlave(panels::SlavePayload(addr, op)).Accepted()) {
        FSlaves.SetStatusAt(row, panels::StatusAfter(op));
        ShowSlaves();
        const bool on = panels::StatusAfter(op) == panels::kSlaveRelayOn;
        ShowDone((on ? Msg::StatusSlaveRelayOn : Msg::StatusSlaveRelayOff).arg(addr));
    } else {
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
    }
}

void TGalteTab::btnRefreshStatusSlaveClick()
{
    // One pause for the whole pass; rows in the grid's order, so each status lands on its slave.
    {
        TPresencePause pause(Host.Session());
        FSlaves.ForgetStatuses();
        for (int row = 0; row < FSlaves.Count(); ++row) {
            const TExchangeResult r = Host.Session().Send(
                zcmd::galte::kSlave, panels::SlavePayload(FSlaves.AddrAt(row), panels::kSlaveQuery));
            FSlaves.SetStatusAt(row, panels::SlaveStatusOf(r.Accepted(), r.Answer));
        }
    }
    ShowSlaves();
}

void TGalteTab::btnResetSlaveClick()
{
    if (FSlaves.IsEmpty())
        return;
    const uint16_t addr = FSlaves.AddrAt(FSlaves.CurrentRow());
    ClearDone();
    if (SendToSlave(panels::SlavePayload(addr, panels::kSlaveReset)).Accepted())
        ShowDone(Msg::StatusSlaveReset.arg(addr));
    else
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
}

void TGalteTab::btnChangeAddrSlaveClick()
{
    if (FSlaves.IsEmpty())
        return;
    const uint16_t addr = FSlaves.AddrAt(FSlaves.CurrentRow());
    TfrmChangeAddrSlave dialog(Host.DialogParent(), Host.Session(), addr);
    ClearDone();
    // The dialog closes with "OK" only when the master confirmed the new address.
    if (dialog.exec() == QDialog::Accepted)
        ShowDone(Msg::StatusSlaveAddrChanged.arg(addr).arg(dialog.NewAddr()));
}

void TGalteTab::EditDialog()
{
    TfrmEditSlave dialog(Host.DialogParent(), FSlaves);
    dialog.exec();
    ShowSlaves();
}

void TGalteTab::btnSlaveAddClick()
{
    if (!FSlaves.BeginAdd()) {
        ShowMessage(MsgKind::Error, FSlaves.LastError());
        return;
    }
    EditDialog();
}

void TGalteTab::btnSlaveEditClick()
{
    if (!FSlaves.BeginEdit()) {
        ShowMessage(MsgKind::Error, FSlaves.LastError());
        return;
    }
    EditDialog();
}

void TGalteTab::btnSlaveDelClick()
{
    if (!FSlaves.IsEmpty() && AskYesNo(Msg::AskDeleteRecord, AskIcon::Warning)) {
        if (!FSlaves.DeleteCurrent())
            ShowMessage(MsgKind::Error, FSlaves.LastError());
        ShowSlaves();
    }
    dbgSlave->setFocus();
}

bool TGalteTab::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == dbgSlave && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))
            return false;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F4: btnSlaveEditClick(); return true;
        case Qt::Key_Insert: btnSlaveAddClick(); return true;
        case Qt::Key_Delete: btnSlaveDelClick(); return true;
        default: break;
        }
    }
    return TPanel::eventFilter(watched, event);
}

TfrmEditSlave::TfrmEditSlave(QWidget* parent, panels::SlaveList& slaves) : QDialog(parent), FSlaves(slaves)
{
    setObjectName(QStringLiteral("frmEditSlave"));
    setWindowTitle(Msg::EditDeviceCaption);
    edtName = new QLineEdit(FSlaves.EditName(), this);
    edtName->setObjectName(QStringLiteral("edtName"));
    edtName->setMaxLength(panels::SlaveList::kMaxName);
    edtAddr = new QLineEdit(QString::number(FSlaves.EditAddr()), this);
    edtAddr->setObjectName(QStringLiteral("edtAddr"));
    edtAddr->setMaxLength(5);
    const TOkCancelRow row = MakeOkCancelRow(this);
    btnOK = row.OK;
    btnCancel = row.Cancel;
    auto* v = new QVBoxLayout(this);
    v->addWidget(new QLabel(Msg::SlaveNameLabel, this));
    v->addWidget(edtName);
    v->addWidget(new QLabel(Msg::EditDeviceAddr, this));
    v->addWidget(edtAddr);
    v->addLayout(row.Layout);
    setFixedWidth(300);
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
}

void TfrmEditSlave::btnOKClick()
{
    switch (FSlaves.Save(edtName->text(), edtAddr->text())) {
    case panels::SlaveList::SaveResult::Saved:
        FSaved = true;
        accept();
        break;
    case panels::SlaveList::SaveResult::AddrTaken:  // not a rule of the slave list
    case panels::SlaveList::SaveResult::InvalidAddr: ShowMessage(MsgKind::Warning, Msg::InvalidValue); break;
    case panels::SlaveList::SaveResult::Failed:
        ShowMessage(MsgKind::Error, FSlaves.LastError());
        FSlaves.Cancel();
        reject();
        break;
    }
}

void TfrmEditSlave::done(int result)
{
    // Closed without saving (Отмена, Esc, the window's close box): the row and the transaction go.
    if (!FSaved && FSlaves.Editing())
        FSlaves.Cancel();
    QDialog::done(result);
}

TfrmChangeAddrSlave::TfrmChangeAddrSlave(QWidget* parent, DeviceSession& session, uint16_t slaveAddr)
    : QDialog(parent), FSession(session), FAddr(slaveAddr)
{
    setObjectName(QStringLiteral("frmChangeAddrSlave"));
    setWindowTitle(Msg::ChangeAddrSlaveCaption);
    edtAddr = new QLineEdit(QString::number(slaveAddr), this);
    edtAddr->setObjectName(QStringLiteral("edtAddr"));
    edtAddr->setMaxLength(5);
    const TOkCancelRow row = MakeOkCancelRow(this);
    btnOK = row.OK;
    btnCancel = row.Cancel;
    auto* v = new QVBoxLayout(this);
    v->addWidget(new QLabel(Msg::EditDeviceAddr, this));
    v->addWidget(edtAddr);
    v->addLayout(row.Layout);
    setFixedWidth(240);
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
}

void TfrmChangeAddrSlave::btnOKClick()
{
    const int to = panels::ParseNewSlaveAddr(edtAddr->text());
    if (to < 0 || to > panels::SlaveList::kMaxAddr) {
        ShowMessage(MsgKind::Warning, Msg::InvalidValue);
        return;
    }
    bool done = false;
    {
        TPresencePause pause(FSession);
        const TExchangeResult r = FSession.Send(zcmd::galte::kSlave, panels::SlaveAddrPayload(FAddr, uint16_t(to)));
        done = panels::AddrChangeDone(r.Accepted(), r.Answer, uint16_t(to));
    }
    if (done) {
        FNewAddr = uint16_t(to);
        accept();
    } else {
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
    }
}

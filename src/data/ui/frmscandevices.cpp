#include "data/ui/frmscandevices.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "base/mainthreadcalls.h"
#include "base/messages.h"
#include "base/messageservice.h"
#include "data/devicelist.h"
#include "data/identity.h"
#include "link/devicesession.h"

namespace {

QString extText(uint32_t bytes)
{
    if (bytes == 0)
        return Msg::ScanExtNone;
    return bytes % 1024 == 0 ? Msg::ScanExtKiB.arg(bytes / 1024) : Msg::ScanExtBytes.arg(bytes);
}

QSpinBox* addrBox(const char* name, int value, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(1, DeviceList::kMaxAddr);
    box->setValue(value);
    return box;
}

QPushButton* button(const char* name, const QString& text, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

TfrmScanDevices::TfrmScanDevices(DeviceSession& session, DeviceList& list, QWidget* parent)
    : QDialog(parent), FSession(session), FList(list)
{
    setObjectName(QStringLiteral("frmScanDevices"));
    setWindowTitle(Msg::ScanCaption);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    edtFirst = addrBox("edtFirst", int(kScanFirstAddr), this);
    edtLast = addrBox("edtLast", int(kScanLastAddr), this);
    btnScan = button("btnScan", Msg::ScanStart, this);
    btnStop = button("btnStop", Msg::ScanStop, this);
    PB = new QProgressBar(this);
    PB->setObjectName(QStringLiteral("PB"));
    PB->setRange(0, 1);
    PB->setValue(0);
    lbStatus = new QLabel(this);
    lbStatus->setObjectName(QStringLiteral("lbStatus"));

    grdFound = new QTableWidget(0, colCount, this);
    grdFound->setObjectName(QStringLiteral("grdFound"));
    grdFound->setHorizontalHeaderLabels(Msg::ScanColumns);
    grdFound->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdFound->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdFound->verticalHeader()->hide();
    grdFound->verticalHeader()->setDefaultSectionSize(20);
    grdFound->horizontalHeader()->setStretchLastSection(true);
    grdFound->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    grdFound->horizontalHeader()->setSectionResizeMode(colListed, QHeaderView::Stretch);

    btnAdd = button("btnAdd", Msg::ScanAdd, this);
    btnClose = button("btnClose", Msg::ScanClose, this);
    connect(btnScan, &QPushButton::clicked, this, &TfrmScanDevices::btnScanClick);
    connect(btnStop, &QPushButton::clicked, this, &TfrmScanDevices::btnStopClick);
    connect(btnAdd, &QPushButton::clicked, this, &TfrmScanDevices::btnAddClick);
    connect(btnClose, &QPushButton::clicked, this, &TfrmScanDevices::reject);

    FPoll = new QTimer(this);
    FPoll->setInterval(50);
    connect(FPoll, &QTimer::timeout, this, &TfrmScanDevices::Poll);

    auto* range = new QHBoxLayout;
    range->addWidget(new QLabel(Msg::ScanAddrFrom, this));
    range->addWidget(edtFirst);
    range->addWidget(new QLabel(Msg::ScanAddrTo, this));
    range->addWidget(edtLast);
    range->addWidget(btnScan);
    range->addWidget(btnStop);
    range->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(btnAdd);
    bottom->addWidget(btnClose);
    auto* top = new QVBoxLayout(this);
    top->addLayout(range);
    top->addWidget(PB);
    top->addWidget(lbStatus);
    top->addWidget(grdFound, 1);
    top->addLayout(bottom);
    resize(900, 420);
    ShowState();
}

TfrmScanDevices::~TfrmScanDevices()
{
    if (Scanning()) {
        FCancel = true;
        Finish();
    }
}

void TfrmScanDevices::btnScanClick()
{
    if (Scanning())
        return;
    TZEVA16* link = FSession.ZevaLink();
    if (!link || !link->IsOpen()) {
        ShowMessage(MsgKind::Warning, Msg::ScanNoPort);
        return;
    }
    if (edtFirst->value() > edtLast->value()) {
        ShowMessage(MsgKind::Warning, Msg::InvalidValue);
        edtFirst->setFocus();
        return;
    }
    std::vector<unsigned> addrs;
    for (int a = edtFirst->value(); a <= edtLast->value(); ++a)
        addrs.push_back(unsigned(a));
    grdFound->setRowCount(0);
    FTotal = addrs.size();
    FAsked = 0;
    FCancel = false;
    FDone = false;
    PB->setRange(0, int(FTotal));
    PB->setValue(0);

    // The scan owns the link until it ends: no identification in between, and the short wait.
    FPause = std::make_unique<TPresencePause>(FSession);
    FQuick = std::make_unique<TScanLinkSetup>(*link);
    FThread = std::thread([this, link, addrs = std::move(addrs)] {
        ScanBus(*link, addrs, &FCancel, [this](size_t asked, const TFoundDevice* d) {
            if (d) {
                std::lock_guard g(FLock);
                FPending.push_back(*d);
            }
            FAsked = asked;
        });
        MainThreadCalls::notify([this] { FDone = true; });
    });
    FPoll->start();
    ShowState();
}

void TfrmScanDevices::btnStopClick()
{
    FCancel = true;
}

void TfrmScanDevices::Poll()
{
    std::vector<TFoundDevice> found;
    {
        std::lock_guard g(FLock);
        found.swap(FPending);
    }
    for (const TFoundDevice& d : found)
        AddRow(d);
    PB->setValue(int(FAsked.load()));
    if (FDone)
        Finish();
    else
        ShowState();
}

void TfrmScanDevices::Finish()
{
    // The thread may be handing a call to the main thread: serve it while waiting.
    MainThreadCalls::waitServing([this] { return FDone.load(); });
    FThread.join();
    FPoll->stop();
    FQuick.reset();
    FPause.reset();
    std::vector<TFoundDevice> found;
    found.swap(FPending);
    for (const TFoundDevice& d : found)
        AddRow(d);
    PB->setValue(int(FAsked.load()));
    ShowState();
}

void TfrmScanDevices::AddRow(const TFoundDevice& d)
{
    // The same fields as the inventory report and the command line's scan.
    const TIdentity id = IdentityOf(int(d.Addr), d.Info, QDateTime::currentDateTime());
    const int row = grdFound->rowCount();
    grdFound->insertRow(row);
    const QString cells[colCount] = {QString::number(d.Addr),
                                     QString::fromLatin1(ShortModeName(id.Mode)),
                                     id.Name,
                                     QStringLiteral("%1.%2").arg(id.Version >> 4).arg(id.Version & 15),
                                     QString::number(id.Build),
                                     id.Part,
                                     extText(id.Ext),
                                     QString()};
    for (int c = 0; c < colCount; ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        if (c == colAddr)
            item->setData(Qt::UserRole, int(d.Addr));
        if (c == colAddr || c == colBuild)
            item->setTextAlignment(Qt::AlignCenter);
        grdFound->setItem(row, c, item);
    }
    // New devices are ticked; a listed one only when the user wants its name replaced.
    QTableWidgetItem* tick = grdFound->item(row, colAddr);
    tick->setFlags(tick->flags() | Qt::ItemIsUserCheckable);
    tick->setCheckState(FList.Listed(d.Addr) ? Qt::Unchecked : Qt::Checked);
    ShowListed(row);
}

void TfrmScanDevices::ShowListed(int row)
{
    QString name;
    const bool listed = FList.Listed(grdFound->item(row, colAddr)->data(Qt::UserRole).toInt(), &name);
    grdFound->item(row, colListed)->setText(listed ? name : QString());
}

void TfrmScanDevices::btnAddClick()
{
    if (Scanning())
        return;
    std::vector<DeviceList::TFound> ticked;
    for (int row = 0; row < grdFound->rowCount(); ++row) {
        const QTableWidgetItem* tick = grdFound->item(row, colAddr);
        if (tick->checkState() == Qt::Checked)
            ticked.push_back({tick->data(Qt::UserRole).toInt(), grdFound->item(row, colName)->text()});
    }
    if (ticked.empty())
        return;
    int updated = 0;
    for (const DeviceList::TFound& d : ticked)
        updated += FList.Listed(d.Addr) ? 1 : 0;
    if (!FList.AddFound(ticked)) {
        ShowMessage(MsgKind::Error, FList.LastError());
        return;
    }
    for (int row = 0; row < grdFound->rowCount(); ++row) {
        grdFound->item(row, colAddr)->setCheckState(Qt::Unchecked);
        ShowListed(row);
    }
    lbStatus->setText(Msg::ScanAdded.arg(int(ticked.size()) - updated).arg(updated));
}

void TfrmScanDevices::ShowState()
{
    const bool scanning = Scanning();
    btnScan->setEnabled(!scanning);
    btnStop->setEnabled(scanning);
    edtFirst->setEnabled(!scanning);
    edtLast->setEnabled(!scanning);
    btnAdd->setEnabled(!scanning && grdFound->rowCount() > 0);
    if (FTotal == 0)
        return;
    const QString& text = scanning ? Msg::ScanRunning : FAsked.load() < FTotal ? Msg::ScanStopped : Msg::ScanDone;
    lbStatus->setText(text.arg(FAsked.load()).arg(FTotal).arg(grdFound->rowCount()));
}

void TfrmScanDevices::reject()
{
    // Closing stops the scan first; the address in hand is at most one short wait away.
    if (Scanning()) {
        FCancel = true;
        Finish();
    }
    QDialog::reject();
}

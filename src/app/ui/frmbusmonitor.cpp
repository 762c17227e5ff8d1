#include "app/ui/frmbusmonitor.h"

#include <QApplication>
#include <QBrush>
#include <QClipboard>
#include <QColor>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "app/busmonitormodel.h"
#include "base/messages.h"
#include "base/messageservice.h"
#include "memory/ui/filedialogs.h"

namespace {

// Failed attempts stand out, the request as well as its answer.
class TColouredModel : public TBusMonitorModel {
public:
    using TBusMonitorModel::TBusMonitorModel;
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::ForegroundRole || !index.isValid())
            return TBusMonitorModel::data(index, role);
        const TFrameOutcome o = OutcomeAt(index.row());
        if (o == TFrameOutcome::Accepted)
            return {};
        return QBrush(o == TFrameOutcome::Refused ? QColor(0xA0, 0x50, 0x00) : QColor(Qt::red));
    }
};

// Outcome choices of the filter, in the order of the combo box.
const uint8_t kAll = 0x1F;
uint8_t outcomeMask(int index)
{
    switch (index) {
    case 1: return uint8_t(kAll & ~TMonitorFilter::Bit(TFrameOutcome::Accepted));
    case 2: return TMonitorFilter::Bit(TFrameOutcome::Accepted);
    case 3: return TMonitorFilter::Bit(TFrameOutcome::Refused);
    case 4: return TMonitorFilter::Bit(TFrameOutcome::NoAnswer);
    case 5: return TMonitorFilter::Bit(TFrameOutcome::BadFrame);
    case 6: return TMonitorFilter::Bit(TFrameOutcome::HungUp);
    default: return kAll;
    }
}

}  // namespace

TfrmBusMonitor::TfrmBusMonitor(TFrameFeed* feed, QWidget* parent)
    : QWidget(parent, Qt::Window), FFeed(feed), FModel(new TColouredModel(kMonitorCapacity, this))
{
    setObjectName(QStringLiteral("frmBusMonitor"));
    setWindowTitle(Msg::MonitorCaption);
    resize(980, 520);

    auto* top = new QHBoxLayout;
    auto label = [&](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        top->addWidget(l);
        top->addWidget(buddy);
    };
    FAddr = new QLineEdit(this);
    FAddr->setObjectName(QStringLiteral("edtMonitorAddr"));
    FAddr->setMaximumWidth(70);
    label(Msg::MonitorAddrFilter, FAddr);
    FCmd = new QLineEdit(this);
    FCmd->setObjectName(QStringLiteral("edtMonitorCmd"));
    FCmd->setMaximumWidth(60);
    label(Msg::MonitorCmdFilter, FCmd);
    FOutcome = new QComboBox(this);
    FOutcome->setObjectName(QStringLiteral("cbMonitorOutcome"));
    FOutcome->addItems({Msg::MonitorAllOutcomes, Msg::MonitorNotAccepted, Msg::MonitorAccepted, Msg::MonitorRefused,
                        Msg::MonitorNoAnswer, Msg::MonitorBadFrame, Msg::MonitorHungUp});
    label(Msg::MonitorOutcomeFilter, FOutcome);
    top->addStretch(1);
    auto button = [&](const QString& text, const char* name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        top->addWidget(b);
        return b;
    };
    FPause = button(Msg::MonitorPause, "btnMonitorPause");
    FPause->setCheckable(true);
    QPushButton* clear = button(Msg::MonitorClear, "btnMonitorClear");
    QPushButton* copy = button(Msg::MonitorCopy, "btnMonitorCopy");
    QPushButton* save = button(Msg::MonitorSave, "btnMonitorSave");
    QPushButton* open = button(Msg::MonitorOpen, "btnMonitorOpen");

    FView = new QTableView(this);
    FView->setObjectName(QStringLiteral("grdMonitor"));
    FView->setModel(FModel);
    FView->setSelectionBehavior(QAbstractItemView::SelectRows);
    FView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FView->setWordWrap(false);
    FView->verticalHeader()->hide();
    // Fixed row heights keep a list of 100,000 rows cheap to lay out.
    FView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    FView->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    QHeaderView* h = FView->horizontalHeader();
    h->setSectionResizeMode(QHeaderView::Interactive);
    const QFontMetrics fm = fontMetrics();
    const int widths[mcCount] = {fm.horizontalAdvance(QStringLiteral("00:00:00.0000")),
                                 fm.horizontalAdvance(QStringLiteral("+00000.0")),
                                 fm.horizontalAdvance(Msg::MonitorColDirection) + 12,
                                 fm.horizontalAdvance(QStringLiteral("000000")),
                                 fm.horizontalAdvance(QStringLiteral("113 подготовка FLASH..")),
                                 fm.horizontalAdvance(QStringLiteral("00 ")) * 20,
                                 fm.horizontalAdvance(Msg::MonitorHungUp) + 12,
                                 fm.horizontalAdvance(Msg::MonitorColRoundTrip) + 12};
    for (int c = 0; c < mcCount; ++c)
        h->resizeSection(c, widths[c]);
    h->setStretchLastSection(true);

    FCounts = new QLabel(this);
    FCounts->setObjectName(QStringLiteral("lblMonitorCounts"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(FView, 1);
    layout->addWidget(FCounts);

    connect(FAddr, &QLineEdit::editingFinished, this, [this] { applyFilter(); });
    connect(FCmd, &QLineEdit::editingFinished, this, [this] { applyFilter(); });
    connect(FOutcome, &QComboBox::currentIndexChanged, this, [this] { applyFilter(); });
    connect(clear, &QPushButton::clicked, this, [this] {
        FModel->Clear();
        FSkipped = 0;
        updateCounts();
    });
    connect(copy, &QPushButton::clicked, this, [this] { copyRows(); });
    connect(save, &QPushButton::clicked, this, [this] { saveClick(); });
    connect(open, &QPushButton::clicked, this, [this] { openClick(); });
    auto* copyKey = new QShortcut(QKeySequence::Copy, FView);
    copyKey->setContext(Qt::WidgetShortcut);
    connect(copyKey, &QShortcut::activated, this, [this] { copyRows(); });

    FTimer = new QTimer(this);
    FTimer->setInterval(kFlushMs);
    connect(FTimer, &QTimer::timeout, this, [this] { Flush(); });
    if (!FFeed) {
        FPause->setEnabled(false);
        clear->setEnabled(false);
    }
    updateCounts();
}

TfrmBusMonitor::~TfrmBusMonitor()
{
    if (FFeed)
        FFeed->SetEnabled(false);
}

void TfrmBusMonitor::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (FFeed) {
        FFeed->SetEnabled(true);
        FTimer->start();
    }
}

void TfrmBusMonitor::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (FFeed) {
        FFeed->SetEnabled(false);
        FTimer->stop();
        Flush();
    }
}

void TfrmBusMonitor::Flush()
{
    if (!FFeed)
        return;
    uint64_t dropped = 0;
    std::vector<TMonitorRecord> batch = FFeed->Take(&dropped);
    FSkipped += dropped * 2;
    if (batch.empty() && !dropped)
        return;
    if (FPause->isChecked()) {
        FSkipped += batch.size();
    } else {
        // Follow the newest rows unless the user scrolled up to read.
        QScrollBar* bar = FView->verticalScrollBar();
        const bool follow = bar->value() >= bar->maximum();
        FModel->Append(std::move(batch));
        if (follow)
            FView->scrollToBottom();
    }
    updateCounts();
}

void TfrmBusMonitor::applyFilter()
{
    bool addrOk = true, cmdOk = true;
    const auto addr = MonitorNumberField(FAddr->text(), 0x7FFF, addrOk);
    const auto cmd = MonitorNumberField(FCmd->text(), 255, cmdOk);
    FAddr->setToolTip(addrOk ? QString() : Msg::MonitorBadField);
    FCmd->setToolTip(cmdOk ? QString() : Msg::MonitorBadField);
    FAddr->setStyleSheet(addrOk ? QString() : QStringLiteral("color: red"));
    FCmd->setStyleSheet(cmdOk ? QString() : QStringLiteral("color: red"));
    if (!addrOk || !cmdOk)
        return;  // the list keeps the filter it has until the field makes sense
    TMonitorFilter f;
    if (addr)
        f.Addr = uint16_t(*addr);
    if (cmd)
        f.Cmd = uint8_t(*cmd);
    f.Outcomes = outcomeMask(FOutcome->currentIndex());
    const TMonitorFilter& was = FModel->Log().Filter();
    if (was.Addr == f.Addr && was.Cmd == f.Cmd && was.Outcomes == f.Outcomes)
        return;
    FModel->SetFilter(f);
    FView->scrollToBottom();
    updateCounts();
}

void TfrmBusMonitor::updateCounts()
{
    QString text = Msg::MonitorCounts.arg(FModel->Log().Count()).arg(FModel->Log().Total());
    if (FSkipped)
        text += Msg::MonitorDropped.arg(FSkipped);
    FCounts->setText(text);
}

void TfrmBusMonitor::copyRows()
{
    std::vector<size_t> rows;
    for (const QModelIndex& i : FView->selectionModel()->selectedRows())
        rows.push_back(size_t(i.row()));
    if (rows.empty())
        return;
    std::sort(rows.begin(), rows.end());
    QApplication::clipboard()->setText(MonitorRowsText(FModel->Log(), rows));
}

bool TfrmBusMonitor::SaveTo(const QString& path)
{
    std::string error;
    if (SaveMonitorTrace(FModel->Log(), path.toLocal8Bit().toStdString(), error))
        return true;
    ShowMessage(MsgKind::Error, Msg::MonitorSaveFailed.arg(QString::fromLocal8Bit(error.c_str())));
    return false;
}

bool TfrmBusMonitor::OpenFile(const QString& path)
{
    std::string error;
    if (!FModel->Load(path.toLocal8Bit().toStdString(), error)) {
        ShowMessage(MsgKind::Error, Msg::MonitorOpenFailed.arg(QString::fromLocal8Bit(error.c_str())));
        return false;
    }
    setWindowTitle(Msg::MonitorFileCaption.arg(QFileInfo(path).fileName()));
    updateCounts();
    return true;
}

void TfrmBusMonitor::saveClick()
{
    QString path;
    int type = 1;
    if (FileDialogs::instance().save(this, Msg::MonitorTraceFilter, path, type))
        SaveTo(path);
}

void TfrmBusMonitor::openClick()
{
    QString path;
    int type = 1;
    if (!FileDialogs::instance().open(this, Msg::MonitorTraceFilter, path, type))
        return;
    // A file opens in a window of its own; the live list goes on.
    auto* frm = new TfrmBusMonitor(nullptr, parentWidget());
    frm->setAttribute(Qt::WA_DeleteOnClose);
    if (frm->OpenFile(path))
        frm->show();
    else
        delete frm;
}

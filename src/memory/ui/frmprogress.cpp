#include "memory/ui/frmprogress.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "base/mainthreadcalls.h"
#include "base/messages.h"

namespace {
TfrmProgress::Stats g_lastStats;
}

TfrmProgress::TfrmProgress(TProgressThread& thread, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint),
      FThread(thread)
{
    // FormCreate: caption from the kind, thread not yet started, application title remembered.
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(TransferCaption(thread.Kind()));
    setModal(true);
    FTitleWindow = parent ? parent->window() : nullptr;
    if (FTitleWindow)
        FSavedTitle = FTitleWindow->windowTitle();

    PB = new QProgressBar(this);
    PB->setObjectName(QStringLiteral("PB"));
    PB->setTextVisible(false);
    PB->setRange(0, 1);
    PB->setValue(0);

    QFont bold = font();
    bold.setBold(true);
    lbProcent = new QLabel(QStringLiteral("0%"), this);
    lbProcent->setObjectName(QStringLiteral("lbProcent"));
    lbProcent->setFont(bold);
    lbRate = new QLabel(QStringLiteral("00.00 KB/s"), this);
    lbRate->setObjectName(QStringLiteral("lbRate"));
    lbRate->setFont(bold);
    lbRate->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* total = new QLabel(Msg::ProgressTotalPackets, this);
    auto* bad = new QLabel(Msg::ProgressBadPackets, this);
    lbSendPackets = new QLabel(QStringLiteral("0"), this);
    lbSendPackets->setObjectName(QStringLiteral("lbSendPackets"));
    lbBadPackets = new QLabel(QStringLiteral("0"), this);
    lbBadPackets->setObjectName(QStringLiteral("lbBadPackets"));

    btnClose = new QPushButton(Msg::ProgressCancel, this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAutoDefault(false);
    connect(btnClose, &QPushButton::clicked, this, [this] { btnCloseClick(); });

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(100);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });

    auto* top = new QHBoxLayout;
    top->addWidget(lbProcent);
    top->addStretch();
    top->addWidget(lbRate);
    auto* counters = new QGridLayout;
    counters->addWidget(total, 0, 0);
    counters->addWidget(lbSendPackets, 0, 1);
    counters->addWidget(bad, 1, 0);
    counters->addWidget(lbBadPackets, 1, 1);
    counters->setColumnStretch(2, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(counters, 1);
    bottom->addWidget(btnClose, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(PB);
    layout->addLayout(bottom);
    setFixedSize(360, 130);

    // The window reads the shared atomics; the thread only asks for a redraw and goes on with the
    // next block. Waiting for the main thread after every block cost up to a tenth of the line's
    // time at high rates, and redrawing more than ~25 times a second only takes CPU from the
    // line. Requests coalesce, and the 100 ms timer redraws as well.
    FThread.OnProgress = [this](int32_t) {
        QElapsedTimer wait;
        wait.start();
        const qint64 now = FSinceStart.nsecsElapsed();
        if (now - FLastRedrawNs.load() >= kMinRedrawNs && !FUpdatePending.exchange(true))
            QMetaObject::invokeMethod(
                this,
                [this] {
                    FUpdatePending = false;
                    UpdateProgress();
                },
                Qt::QueuedConnection);
        FThreadWaitNs += wait.nsecsElapsed();
    };
}

TfrmProgress::~TfrmProgress()
{
    // The window never closes before the thread has finished; should it be torn down anyway,
    // stop the loop and serve its last progress call before the callback goes away.
    if (FThread.Started() && !FThread.Finished()) {
        FThread.Cancel();
        MainThreadCalls::waitServing([this] { return FThread.Finished(); });
    }
    FThread.OnProgress = nullptr;
    if (FTitleWindow)
        FTitleWindow->setWindowTitle(FSavedTitle);
    FStats.threadWaitNs = FThreadWaitNs.load();
    g_lastStats = FStats;
}

TfrmProgress::Stats TfrmProgress::LastStats()
{
    return g_lastStats;
}

bool TfrmProgress::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(e);
}

void TfrmProgress::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (parentWidget())
        move(parentWidget()->window()->geometry().center() - rect().center());
    // Without a window manager the window may never be activated; the transfer still has to run.
    QTimer::singleShot(kStartFallbackMs, this, [this] { FormActivate(); });
}

void TfrmProgress::FormActivate()
{
    if (FStarted)
        return;
    FStarted = true;
    FSinceStart.start();
    FThread.Start();
    Timer->start();
}

void TfrmProgress::TimerTimer()
{
    if (!FThread.Finished()) {
        UpdateProgress();
        return;
    }
    Timer->stop();
    UpdateProgress();  // the final counters, whatever redraw was still queued
    if (FTitleWindow)
        FTitleWindow->setWindowTitle(FSavedTitle);
    FClosing = true;
    if (FThread.Shared().Cancelled.load())
        done(QDialog::Rejected);
    else
        done(QDialog::Accepted);
}

void TfrmProgress::btnCloseClick()
{
    FThread.Cancel();
}

void TfrmProgress::reject()
{
    btnCloseClick();
}

void TfrmProgress::UpdateProgress()
{
    if (FSinceStart.isValid())
        FLastRedrawNs = FSinceStart.nsecsElapsed();
    QElapsedTimer t;
    t.start();
    const TProgressView v = FThread.View();
    if (PB->minimum() != v.Min || PB->maximum() != v.Max)
        PB->setRange(v.Min, v.Max);
    PB->setValue(v.Position);
    lbProcent->setText(v.PercentText);
    lbRate->setText(v.RateText);
    lbSendPackets->setText(v.SendPackets);
    lbBadPackets->setText(v.BadPackets);
    if (FTitleWindow)
        FTitleWindow->setWindowTitle(FSavedTitle + QStringLiteral(" (") + v.PercentText + QStringLiteral(")"));
    const qint64 ns = t.nsecsElapsed();
    ++FStats.calls;
    FStats.totalNs += ns;
    FStats.longestNs = std::max(FStats.longestNs, ns);
    FStats.lastStepNs = FSinceStart.nsecsElapsed();
}

void TfrmProgress::closeEvent(QCloseEvent* e)
{
    // Alt+F4 and the window manager's close: only the end of the transfer closes the window.
    if (!FClosing)
        e->ignore();
    else
        QDialog::closeEvent(e);
}

void TfrmProgress::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_F4 && (e->modifiers() & Qt::AltModifier)) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

#pragma once
#include <QDialog>
#include <QElapsedTimer>

#include <atomic>

#include "memory/transferthread.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// The modal progress window of one transfer. Its first activation starts the transfer thread;
// the thread hands each progress step to the main thread; a 100 ms timer closes the window once
// the thread has finished (with Cancel after the user cancelled, else OK). The window can be
// left only that way: the cancel button (or Esc) only asks the loop to stop.
class TfrmProgress : public QDialog {
    Q_OBJECT
public:
    TfrmProgress(TProgressThread& thread, QWidget* parent = nullptr);
    ~TfrmProgress() override;

    QProgressBar* PB = nullptr;
    QLabel* lbProcent = nullptr;
    QLabel* lbRate = nullptr;
    QLabel* lbSendPackets = nullptr;
    QLabel* lbBadPackets = nullptr;
    QPushButton* btnClose = nullptr;
    QTimer* Timer = nullptr;

    void FormActivate();
    void TimerTimer();
    void btnCloseClick();
    // Main thread: shows the thread's progress (percentage, speed, counters, title).
    void UpdateProgress();

    // Cost of the progress display on the main thread, for the figures.
    struct Stats {
        qint64 calls = 0;
        qint64 totalNs = 0;
        qint64 longestNs = 0;
        qint64 lastStepNs = 0;    // from the thread's start to the last progress step
        qint64 threadWaitNs = 0;  // the transfer thread's time in progress hand-overs, in all
    };
    const Stats& ProgressStats() const { return FStats; }
    // The last finished window's figures (a window lives only inside StartTransfer).
    static Stats LastStats();

    // Grace period before a window that is never activated (no window manager) starts anyway.
    static constexpr int kStartFallbackMs = 250;

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

public slots:
    void reject() override;  // Esc: the cancel button

private:
    TProgressThread& FThread;
    QWidget* FTitleWindow = nullptr;
    QString FSavedTitle;
    bool FStarted = false;
    bool FClosing = false;
    QElapsedTimer FSinceStart;
    std::atomic<qint64> FThreadWaitNs{0};
    std::atomic<bool> FUpdatePending{false};
    std::atomic<qint64> FLastRedrawNs{-1'000'000'000};
    static constexpr qint64 kMinRedrawNs = 40'000'000;
    Stats FStats;
};

#pragma once
#include <cstdint>

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;
class TBusMonitorModel;
class TFrameFeed;

// The bus monitor: every frame the session's links exchange, live, or the frames of a trace file.
// Frames are taken from the feed in batches on a timer, so the links' threads never wait for
// the list. The feed is on only while the window is shown.
class TfrmBusMonitor : public QWidget {
    Q_OBJECT
public:
    // feed nullptr: a window for a trace file (OpenFile), nothing live.
    explicit TfrmBusMonitor(TFrameFeed* feed, QWidget* parent = nullptr);
    ~TfrmBusMonitor() override;

    // Takes what the feed holds now (the timer does it every kFlushMs).
    void Flush();
    bool SaveTo(const QString& path);
    bool OpenFile(const QString& path);
    TBusMonitorModel& Model() { return *FModel; }
    QTableView* View() const { return FView; }

    // Live enough to read, and few enough repaints that a transfer, which hands every progress
    // step to the main thread, does not wait on the list.
    static constexpr int kFlushMs = 250;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void applyFilter();
    void updateCounts();
    void copyRows();
    void saveClick();
    void openClick();

    TFrameFeed* FFeed;
    TBusMonitorModel* FModel;
    QTableView* FView;
    QLineEdit* FAddr;
    QLineEdit* FCmd;
    QComboBox* FOutcome;
    QPushButton* FPause;
    QLabel* FCounts;
    QTimer* FTimer;
    uint64_t FSkipped = 0;  // frames that came while paused, or were dropped before the list took them
};

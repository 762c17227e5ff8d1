#pragma once
#include <QSet>
#include <QWidget>

#include "base/settingssection.h"
#include "link/controlgroups.h"
#include "link/devicesession.h"
#include "link/presencedisplay.h"

class QTimer;

// What every tab gets from the main window. The window implements it; a test may too.
class TPanelHost {
public:
    virtual ~TPanelHost() = default;

    // The selected device. One command: Session().Send(cmd, payload) gives outcome, answer and
    // the port's error as a value; wrap foreground exchanges in a TPresencePause.
    virtual DeviceSession& Session() = 0;
    // The control-group rule applied now (the empty set disables every device control).
    virtual void EnableDeviceControls(const QSet<int>& groups) = 0;
    // Brings a tab to the front by its sheet name; false when it is unknown or hidden.
    virtual bool ShowTab(const QString& sheet) = 0;
    // Sheet name of the tab in front.
    virtual QString ActiveTabName() const = 0;
    // Parent for the panel's dialogs.
    virtual QWidget* DialogParent() = 0;
    // The outcome of the last long operation, in the status bar until the next one.
    virtual void ShowStatusLine(const QString& text) = 0;
};

// One identification as the presence display step hands it to every tab (main thread, while the
// presence thread waits): the decoded copies and what the window shows of them.
struct TPresenceFeed {
    const TDeviceInfo& Info;
    const TParams& Params;
    const PresenceView& View;
};

// Base of every tab's content. The window makes one per table row (its factory), puts it on the
// row's sheet, feeds it every identification, gives it its settings section at start and at exit,
// and runs its tab timer only while the tab is in front.
class TPanel : public QWidget {
    Q_OBJECT
public:
    explicit TPanel(TPanelHost& host, QWidget* parent = nullptr);

    // After every identification.
    virtual void ShowDevice(const TPresenceFeed& feed) { Q_UNUSED(feed); }
    // The panel's values of the settings store: read once at start, written once at exit.
    virtual void ReadSettings(const TSettingsSection& section) { Q_UNUSED(section); }
    virtual void WriteSettings(TSettingsSection& section) const { Q_UNUSED(section); }
    // Tick of the tab timer (only for rows that name one).
    virtual void TimerTick() {}
    // Screenshot mode: what a user does first on the tab (read a unit, load a list), so its
    // picture shows data.
    virtual void DemoShot() {}

    // The tab timer, or nullptr when the row names none. A panel may stop and restart it around
    // an exchange; the window stops it whenever the tab leaves the front.
    QTimer* TabTimer() const { return FTabTimer; }
    void SetTabTimer(QTimer* timer) { FTabTimer = timer; }

protected:
    // An operation that ended well says so at the right of the status bar, with the time.
    void ShowDone(const QString& doneText);
    // Clears that line as an operation starts: a line from an earlier run must not pass for this one.
    void ClearDone() { Host.ShowStatusLine(QString()); }
    // A relay toggle shows no box (the next refresh shows what the device really did): its line
    // says whether relay `relay` ("3", "RESET") was switched on or off, or that the device refused.
    void ShowToggled(bool accepted, const QString& relay, bool on);

    TPanelHost& Host;

private:
    QTimer* FTabTimer = nullptr;
};

// Stops a tab timer for an exchange and starts it again afterwards (nullptr: no timer).
class TTabTimerStop {
public:
    explicit TTabTimerStop(QTimer* timer);
    ~TTabTimerStop();
    TTabTimerStop(const TTabTimerStop&) = delete;
    TTabTimerStop& operator=(const TTabTimerStop&) = delete;

private:
    QTimer* FTimer;
};

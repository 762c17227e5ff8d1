#pragma once
// A panel host without a main window, for tests of one panel: the session is the test's (real
// port or a scripted device behind UseScriptedLink), tab switches are recorded.
#include <QStringList>

#include "tabhost/ui/panel.h"

class TestPanelHost : public TPanelHost {
public:
    explicit TestPanelHost(DeviceSession& session) : FSession(session) {}

    DeviceSession& Session() override { return FSession; }
    void EnableDeviceControls(const QSet<int>& groups) override { enabledGroups << groups; }
    bool ShowTab(const QString& sheet) override
    {
        shownTabs << sheet;
        active = sheet;
        return true;
    }
    QString ActiveTabName() const override { return active; }
    QWidget* DialogParent() override { return nullptr; }
    void ShowStatusLine(const QString& text) override { statusLines << text; }

    QList<QSet<int>> enabledGroups;
    QStringList shownTabs;
    QStringList statusLines;
    QString active;

private:
    DeviceSession& FSession;
};

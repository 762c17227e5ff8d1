#pragma once
#include <functional>
#include <vector>

#include <QDialog>

#include "link/devicesession.h"
#include "link/portinfo.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSettings;
class QSpinBox;
class QTimer;

// "COM-порт": created once at start-up, shown modally from the menu. Every change is applied at
// once through `apply` (pause presence, OpenLink, resume when the port opened); there is no
// separate apply step.
class TfrmCOMPorts : public QDialog {
    Q_OBJECT
public:
    // `ports` is the host's list ("COMn"); it is built only here, so later ports need a restart.
    TfrmCOMPorts(PortSettings& settings, std::function<void()> apply, const QStringList& ports,
                 QWidget* parent = nullptr);

    // Selects "COMn" (or nothing when the list has no such entry), or "<нет>" for -1, without
    // treating it as a change. Returns the list's current text.
    QString SelectPort(int number);
    // The host's ports with their device paths and USB details; when set, the list is built from
    // it when the dialog is shown and again every second while it is open, so an adapter plugged
    // in meanwhile appears. Entries stay "COMn"; the list shows each one's description beside it.
    void SetPortLister(std::function<std::vector<TPortDescription>()> lister);
    void RefreshPorts();
    // Where an address typed into the network field is kept as a COMn alias; the field is read-only
    // without it.
    void SetAliasStore(QSettings* store);
    // Why the chosen port did not open, with what to do about it; stays until the choice changes.
    void ShowOpenFailure(const QString& text);

    QComboBox* cbMainPorts = nullptr;
    QComboBox* cbBaudRate = nullptr;
    QSpinBox* edtRepCount = nullptr;
    QCheckBox* cbRTS = nullptr;
    QCheckBox* cbDTR = nullptr;
    QLineEdit* edtNetPort = nullptr;  // tcp://HOST:PORT or rfc2217://HOST:PORT
    QLabel* lbPortInfo = nullptr;     // description of the chosen port, or why it failed

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Changed();
    void NetPortEntered();

    PortSettings& FSettings;
    std::function<void()> FApply;
    void ShowPortInfo();
    bool FReady = false;  // changes are ignored until creation has finished
    std::function<std::vector<TPortDescription>()> FLister;
    QTimer* tmrRefresh = nullptr;
    QSettings* FAliasStore = nullptr;
};

#pragma once
#include <functional>

#include <QDialog>

#include "app/devicesession.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

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

    QComboBox* cbMainPorts = nullptr;
    QComboBox* cbBaudRate = nullptr;
    QSpinBox* edtRepCount = nullptr;
    QCheckBox* cbRTS = nullptr;
    QCheckBox* cbDTR = nullptr;

private:
    void Changed();

    PortSettings& FSettings;
    std::function<void()> FApply;
    bool FReady = false;  // changes are ignored until creation has finished
};

#pragma once
#include <memory>

#include "app/logfile.h"
#include "app/ui/frmmain.h"
#include "data/datamodule.h"
#include "link/devicesession.h"
#include "support/messagerecorder.h"

// A main window as the start-up builds it, over a settings store, log and database in a
// temporary folder of its own. Reopen() closes the window (writing its settings) and builds a
// new one from the same store, as an exit followed by a start does.
class ShellFixture {
public:
    ShellFixture();
    ~ShellFixture();

    TfrmMain& Open();
    TfrmMain& Reopen();
    void Close();
    TfrmMain& Frm() { return *FFrm; }
    // Lines of the event log as written (type and text, without the time stamp).
    QStringList LogLines() const;

    TempSettings tmp;
    std::unique_ptr<QSettings> store;
    TLogFile log;
    TDM dm;
    DeviceSession session;

private:
    std::unique_ptr<TfrmMain> FFrm;
};

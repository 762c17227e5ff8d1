#include "support/shellfixture.h"

#include <QFile>

ShellFixture::ShellFixture() : store(tmp.open()), log(tmp.dir.path())
{
    TDataModuleSettings dms;
    dms.appDataDir = tmp.dir.path();
    dms.programDir = tmp.dir.path();
    dm.Startup(dms, {});
}

ShellFixture::~ShellFixture()
{
    Close();
}

TfrmMain& ShellFixture::Open()
{
    TfrmMain::Services services;
    services.store = store.get();
    services.log = &log;
    services.dm = &dm;
    services.session = &session;
    FFrm = std::make_unique<TfrmMain>(services);
    return *FFrm;
}

void ShellFixture::Close()
{
    if (FFrm) {
        FFrm->close();
        FFrm.reset();
    }
}

TfrmMain& ShellFixture::Reopen()
{
    Close();
    // The data module outlives one window in the tests; the window closed its tables.
    TDataModuleSettings dms;
    dms.appDataDir = tmp.dir.path();
    dms.programDir = tmp.dir.path();
    dm.Startup(dms, {});
    return Open();
}

QStringList ShellFixture::LogLines() const
{
    TLogFile reader(tmp.dir.path());
    reader.LoadLog();
    QStringList lines;
    for (const TLog& e : reader.Log)
        lines << TLogFile::GetLogTypeStr(e.typ) + QLatin1Char(' ') + e.Text;
    return lines;
}

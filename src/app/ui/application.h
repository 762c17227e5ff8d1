#pragma once
#include <functional>

#include <QString>
#include <QStringList>

class QApplication;
class QWidget;
class TfrmMain;

// Command-line options of the program.
struct TProgramOptions {
    bool demo = false;               // --demo: simulated devices, separate demo data folder
    bool printLog = false;           // --log: print the event log as UTF-8 and exit
    bool quitAfterIdentify = false;  // --quit-after-identify: close once a device answered (tests)
    QString screenshotDir;           // --screenshot DIR: save pictures of the windows, then close
    QStringList arguments;           // everything but the program, for a restart
    QString error;                   // why the command line was refused
};

TProgramOptions ParseProgramOptions(const QStringList& arguments);
QString ProgramUsage();

// Names of the threads of this process (Linux; empty elsewhere), to show a clean shut-down.
QStringList LiveThreadNames();

// The application-data folder (the demo's own one for --demo); not created here.
QString AppDataFolder(bool demo);
// --log: the event log as UTF-8 on stdout; needs no display. Returns the exit code.
int PrintEventLog(const TProgramOptions& options);

// The whole run: start-up in order, the message loop, shut-down. Returns the exit code.
int RunProgram(QApplication& app);

// Shows in turn every screen the screenshot mode draws, on the demo bus: each fixed tab and each
// optional tab that is switched on and has a panel (with the demo device it asks for), the window
// when the selected address is silent, the route dialogs, the port dialog, a confirmation, the
// file dialog, both pages of the options and About. `seen` gets each one on screen, with the name
// of its picture.
void ShowEveryScreen(TfrmMain& frm, const std::function<void(QWidget*, const QString&)>& seen);
// --screenshot DIR: a picture of each of them in DIR.
void TakeScreenshots(TfrmMain& frm, const QString& dir);

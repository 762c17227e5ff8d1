#include "app/ui/application.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>

#include "app/logfile.h"
#include "app/portaliases.h"
#include "app/restart.h"
#include "app/settings.h"
#include "app/ui/accessiblenames.h"
#include "app/ui/demo.h"
#include "app/ui/desktop.h"
#include "app/ui/frmabout.h"
#include "app/ui/frmcomports.h"
#include "app/ui/frmmain.h"
#include "app/ui/frmopendatabase.h"
#include "app/ui/frmoptions.h"
#include "app/ui/messagebox.h"
#include "app/ui/splash.h"
#include "base/messages.h"
#include "base/messageservice.h"
#include "data/datamodule.h"
#include "link/controlgroups.h"
#include "link/portinfo.h"
#include "memory/ui/filedialogs.h"
#include "routes/ui/travoscreens.h"
#include "routes/ui/travotab.h"

namespace {

// Left in the program's folder by the restart of older versions.
const QString kRestartScript = QStringLiteral("$$FDA847.bat");

void saveGrab(QWidget* w, const QString& dir, const QString& name)
{
    w->grab().save(QDir(dir).filePath(name + QStringLiteral(".png")));
}

// Runs the event loop until the window has shown `steps` identifications (or the time is up).
void waitDisplaySteps(TfrmMain& frm, int steps, int timeoutMs)
{
    QEventLoop loop;
    int seen = 0;
    const auto c = QObject::connect(&frm, &TfrmMain::Displayed, &loop, [&](const TDeviceInfo& info) {
        if (info.Mode != mNone && ++seen >= steps)
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(c);
}

// No demo device sits at this address.
constexpr uint16_t kSilentDemoAddr = 99;

}  // namespace

void ShowEveryScreen(TfrmMain& frm, const std::function<void(QWidget*, const QString&)>& seen)
{
    DeviceSession& session = frm.Session();
    const uint16_t selected = session.DevAddr;
    auto select = [&](uint16_t addr) {
        session.DevAddr = addr;
        if (frm.Dm() && frm.Dm()->tblDevice.Active())
            frm.Dm()->tblDevice.Refresh();
        // The step under way still shows the old device; the one after it the new one.
        waitDisplaySteps(frm, 2, 5000);
    };
    for (int i = 0; i < frm.PageControl->count(); ++i) {
        const QString sheet = frm.PageControl->widget(i)->objectName();
        const bool fixed = ControlGroups::TagOf(frm.PageControl->widget(i)) == ControlGroups::kFixedSheet;
        TPanel* panel = frm.PanelOf(sheet);
        if (!fixed && (!panel || !frm.PageControl->isTabVisible(i)))
            continue;
        const int addr = DemoBus::DeviceForSheet(sheet);
        const uint16_t want = addr > 0 ? uint16_t(addr) : selected;
        frm.PageControl->setCurrentIndex(i);
        if (want != session.DevAddr)
            select(want);
        // A panel may offer what a user does first on it (read a unit, load a list).
        if (panel)
            panel->DemoShot();
        // Let the next identification and then the tab's timer draw it.
        waitDisplaySteps(frm, panel ? 2 : 1, 1500);
        if (panel && panel->TabTimer())
            panel->TimerTick();
        seen(&frm, QStringLiteral("main-") + sheet);
    }
    // The connection state of an address where nothing answers.
    frm.PageControl->setCurrentIndex(0);
    select(kSilentDemoAddr);
    seen(&frm, QStringLiteral("main-no-answer"));
    if (session.DevAddr != selected)
        select(selected);
    if (frm.TravoTab)
        TakeTravoScreenshots(*frm.TravoTab, frm.MemoryCtx, DemoBus::kTravoAddr, seen);
    if (TfrmCOMPorts* ports = frm.PortDialog()) {
        ports->show();
        QApplication::processEvents();
        seen(ports, QStringLiteral("dialog-comports"));
        ports->hide();
    }
    {
        // Qt's own texts in Russian: a confirmation and the file dialog.
        QMessageBox confirm(QMessageBox::Question, Msg::AppTitle, Msg::AskDeleteRecord,
                            QMessageBox::Yes | QMessageBox::No, &frm);
        confirm.show();
        QApplication::processEvents();
        seen(&confirm, QStringLiteral("dialog-confirm"));
        QFileDialog files(&frm);
        files.setOption(QFileDialog::DontUseNativeDialog);
        files.setNameFilters(Msg::MemOpenFilter.split(QStringLiteral(";;")));
        files.setDirectory(QDir::homePath());
        files.resize(640, 400);
        files.show();
        QApplication::processEvents();
        seen(&files, QStringLiteral("dialog-open-file"));
    }
    {
        TfrmOptions options(frm.Settings(), frm.OptionSheets(), &frm);
        options.show();
        QApplication::processEvents();
        seen(&options, QStringLiteral("dialog-options-general"));
        options.PageControl->setCurrentIndex(1);
        QApplication::processEvents();
        seen(&options, QStringLiteral("dialog-options-sheets"));
    }
    {
        TfrmAbout about(frm.VersionInfo(), &frm);
        about.show();
        QApplication::processEvents();
        seen(&about, QStringLiteral("dialog-about"));
    }
}

void TakeScreenshots(TfrmMain& frm, const QString& dir)
{
    QDir().mkpath(dir);
    ShowEveryScreen(frm, [&dir](QWidget* w, const QString& name) { saveGrab(w, dir, name); });
}

TProgramOptions ParseProgramOptions(const QStringList& arguments)
{
    TProgramOptions o;
    o.arguments = arguments;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--demo")) {
            o.demo = true;
        } else if (a == QLatin1String("--log")) {
            o.printLog = true;
        } else if (a == QLatin1String("--quit-after-identify")) {
            o.quitAfterIdentify = true;
        } else if (a == QLatin1String("--screenshot")) {
            if (i + 1 >= arguments.size()) {
                o.error = QStringLiteral("--screenshot needs a folder");
                return o;
            }
            // Taken against the folder the user started in, whatever the program does later.
            o.screenshotDir = QFileInfo(arguments[++i]).absoluteFilePath();
        } else if (a == PortAliases::Option || a == WaitPidOption) {
            ++i;  // handled elsewhere
        } else if (a.startsWith(PortAliases::Option + QLatin1Char('='))) {
        } else {
            o.error = QStringLiteral("unknown option %1").arg(a);
            return o;
        }
    }
    return o;
}

QStringList LiveThreadNames()
{
    QStringList names;
#ifdef Q_OS_LINUX
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly))
            names << QString::fromUtf8(comm.readAll()).trimmed();
    }
#endif
    return names;
}

QString ProgramUsage()
{
    return QStringLiteral(
        "вызов: zevanta [КЛЮЧИ]\n"
        "  --demo                    работать на встроенных имитаторах устройств (своя папка данных)\n"
        "  --port-alias COMn=ПУТЬ    COM97..COM127 обозначает путь последовательного устройства\n"
        "  --log                     вывести журнал событий текстом UTF-8 и выйти\n"
        "  --screenshot ПАПКА        сохранить снимки главного окна и диалогов, затем выйти\n"
        "  --version                 вывести версию и выйти\n"
        "  --help                    вывести эту справку и выйти\n"
        "  --quit-after-identify     выйти, как только устройство опознано (для тестов)\n");
}

QString AppDataFolder(bool demo)
{
    const QString appData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return demo ? QDir(appData).filePath(QStringLiteral("demo")) : appData;
}

int PrintEventLog(const TProgramOptions& options)
{
    TLogFile log(AppDataFolder(options.demo));
    const std::optional<QString> text = log.ReadText();
    if (!text) {
        fprintf(stderr, "zevanta: %s\n", qPrintable(log.ErrorText));
        return 1;
    }
    const QByteArray utf8 = text->toUtf8();
    fwrite(utf8.constData(), 1, size_t(utf8.size()), stdout);
    return 0;
}

int RunProgram(QApplication& app)
{
    QStringList args = app.arguments();
    args.removeFirst();
    // A restarted copy waits until the old instance has let go of the port and the database;
    // the restart script has done its work by then.
    if (const auto pid = TakeWaitPid(args))
        WaitForParentExit(*pid, 30000);
    const QString programDir = QCoreApplication::applicationDirPath();
    QFile::remove(QDir(programDir).filePath(kRestartScript));

    TProgramOptions options = ParseProgramOptions(args);
    if (!options.error.isEmpty()) {
        fprintf(stderr, "zevanta: %s\n%s", qPrintable(options.error), qPrintable(ProgramUsage()));
        return 2;
    }

    if (options.printLog)
        return PrintEventLog(options);

    LoadQtTranslations(app);
    InstallAccessibleNaming(app);
    // A signal closes the window as its close button does; one that comes before the window
    // exists ends the run once the window is up.
    TQuitSignals quitSignals;
    QPointer<QWidget> mainWindow;
    bool quitPending = false;
    QObject::connect(&quitSignals, &TQuitSignals::Received, &app, [&](int) {
        quitPending = true;
        DismissModalsFromNowOn();
        if (mainWindow)
            CloseWhenModalsEnd(mainWindow);
    });

    QMessageBoxService boxes;
    MessageService::install(&boxes);

    // Demo mode keeps its database, settings and log in a folder of its own.
    const QString appData = AppDataFolder(options.demo);
    QDir().mkpath(appData);
    std::unique_ptr<QSettings> store =
        OpenSettingsStore(options.demo ? QDir(appData).filePath(QStringLiteral("zevanta.ini")) : QString());
    PortAliases::LoadFromSettings(*store);
    FileDialogs::SetFolderStore(store.get());
    QString error;
    if (!PortAliases::ApplyArguments(args, &error)) {
        fprintf(stderr, "zevanta: %s\n", qPrintable(error));
        return 2;
    }

    std::unique_ptr<DemoBus> demo;
    if (options.demo) {
        demo = std::make_unique<DemoBus>();
        if (!demo->Start(&error)) {
            ShowMessage(MsgKind::Error, error);
            return 1;
        }
        // The demo always talks to its own bus, at one of its own devices.
        store->setValue(QStringLiteral("COM-port/Number"), demo->PortNumber());
        store->setValue(QStringLiteral("COM-port/Baud rate"), 115200);
        const int addr = store->value(QStringLiteral("Hardware/Device addr")).toInt();
        if (!demo->HasDevice(addr))
            store->setValue(QStringLiteral("Hardware/Device addr"), DemoBus::kDefaultAddr);
        // A first demo shows the route tab too: the demo bus has a route-guidance unit.
        if (!store->contains(QStringLiteral("Form/tsTRAVO")))
            store->setValue(QStringLiteral("Form/tsTRAVO"), 1);
    }

    // The splash covers the database checks, which take a while on a large file.
    const TVersionInfo version;
    auto splash = std::make_unique<TfrmSplash>(version.ProductName, version.Version.Str);
    splash->show();
    splash->repaint();

    // The log first: the data module asks about an error the previous run left in it.
    TLogFile log(appData);
    log.LoadLog();
    const TLog last = log.LastEvent();
    TDataModuleSettings dms;
    dms.dataBase = options.demo ? QString() : store->value(QStringLiteral("DataBase")).toString();
    dms.appDataDir = appData;
    dms.programDir = programDir;
    dms.lastLogError = last.typ == logError ? last.Text : QString();

    TDM dm;
    TDataModuleCallbacks cb;
    cb.splash = [&](const QString& text) { splash->SetStatus(text); };
    cb.logError = [&](const QString& text) { log.PutLog(logError, text); };
    // A signal during the start-up ends it at its next question: the box it dismissed answered nothing.
    cb.askEnd = [&](const QString& question) {
        return quitPending || AskYesNo(question, AskIcon::Error) || quitPending;
    };
    cb.showError = [](const QString& text) { ShowMessage(MsgKind::Error, text); };
    cb.databasePrompt = [&]() {
        if (quitPending)
            return TPromptOutcome::End;
        splash->hide();
        TfrmOpenDataBase dlg(dm.DataBasePath, [&](const QString& path) {
            dm.DataBasePath = path;
            SaveDataBasePath(*store, path);
        });
        if (dlg.exec() != QDialog::Accepted || quitPending)
            return TPromptOutcome::End;
        QString why;
        if (RestartProgram(false, QCoreApplication::applicationFilePath(), options.arguments, {}, &why))
            return TPromptOutcome::End;
        ShowMessage(MsgKind::Error, why);
        return TPromptOutcome::GoOn;
    };
    if (dm.Startup(dms, cb) == TStartupResult::Quit)
        return 0;
    if (demo && dm.Connection.IsOpen()) {
        if (!demo->FillDeviceList(dm.Connection, &error))
            ShowMessage(MsgKind::Error, error);
        dm.tblDevice.Refresh();
        dm.tblSlave.Refresh();
    }

    DeviceSession session;
    TfrmMain::Services services;
    services.store = store.get();
    services.log = &log;
    services.dm = &dm;
    services.session = &session;
    services.program = QCoreApplication::applicationFilePath();
    services.dataFolder = appData;
    services.arguments = options.arguments;
    TfrmMain frm(services);

    // The port dialog starts with the host's ports as they are now.
    QStringList ports;
    TCOMPort::COMPortsList(ports);
    TfrmCOMPorts portDialog(
        frm.Port(), [&frm] { frm.ApplyPortSettings(); }, ports, &frm);
    portDialog.SetPortLister([] { return DescribeHostPorts(); });
    portDialog.SetAliasStore(store.get());
    frm.SetPortDialog(&portDialog);

    // The splash goes before the window shows, so that it never covers a question.
    splash.reset();
    if (options.quitAfterIdentify || !options.screenshotDir.isEmpty()) {
        const QString dir = options.screenshotDir;
        QObject::connect(&frm, &TfrmMain::Displayed, &frm, [&frm, dir](const TDeviceInfo& info) {
            static bool done = false;
            if (info.Mode == mNone || done)
                return;
            done = true;
            QTimer::singleShot(0, &frm, [&frm, dir] {
                if (!dir.isEmpty())
                    TakeScreenshots(frm, dir);
                frm.close();
            });
        });
    }
    // Pictures show the size the tabs were laid out for, whatever size the demo was left at.
    if (!options.screenshotDir.isEmpty()) {
        frm.setWindowState(Qt::WindowNoState);
        frm.resize(frm.minimumSize());
    }
    frm.show();
    mainWindow = &frm;
    if (quitPending)
        QTimer::singleShot(0, &frm, [&frm] { CloseWhenModalsEnd(&frm); });
    const int rc = app.exec();
    FileDialogs::SetFolderStore(nullptr);
    MessageService::install(nullptr);
    return rc;
}

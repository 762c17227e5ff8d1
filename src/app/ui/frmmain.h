#pragma once
#include <array>
#include <memory>

#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QSet>

#include "app/settings.h"
#include "app/ui/frmoptions.h"
#include "app/version.h"
#include "link/devicesession.h"
#include "link/regiontracker.h"
#include "memory/images.h"
#include "memory/ui/memorycontext.h"
#include "tabhost/ui/panel.h"

class QAction;
class QPushButton;
class QSettings;
class QTabWidget;
class QTimer;
class TDM;
class TIdentityStore;
class TLogFile;
class TfrmCOMPorts;
class TfrmBusMonitor;
class DeviceTab;
class TFlashTab;
class TExtMemTab;
class TCtrlExtMemTab;
class TConsoleTab;
class TTravoTab;
struct TTabRow;

// The line that tells how the last long operation ended; shortened in the middle only when the
// window is too narrow for it.
class TStatusLine : public QLabel {
    Q_OBJECT
public:
    explicit TStatusLine(QWidget* parent = nullptr);
    void SetLine(const QString& text);
    const QString& Line() const { return FLine; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Fit();
    QString FLine;
};

// The main window: menus, the tabs, the bottom button panel and the status bar; owner of the
// settings during the run and of the display step that follows every identification. It builds
// its tabs from the tab table (app/ui/tabtable.h) and is the host of every panel on them.
class TfrmMain : public QMainWindow, public TPanelHost {
    Q_OBJECT
public:
    // What the start-up hands over (none of it owned by the window).
    struct Services {
        QSettings* store = nullptr;
        TLogFile* log = nullptr;
        TDM* dm = nullptr;
        DeviceSession* session = nullptr;
        QString program;        // executable, for the restart after a database change
        QString dataFolder;     // application-data folder; the map window writes its page files here
        QStringList arguments;  // its arguments (without the program)
    };

    explicit TfrmMain(const Services& services, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The port dialog exists from start-up step 5 on; OpenLink selects the port in it.
    void SetPortDialog(TfrmCOMPorts* dialog) { FPortDialog = dialog; }
    TfrmCOMPorts* PortDialog() const { return FPortDialog; }

    // Display step after each identification (runs on the main thread while presence waits).
    void UpdateInfo(const TDeviceInfo& info, const TParams& params);
    // Hooks of the FLASH and external-memory views: rebuilt when the device's region changes.
    void UpdateFLASHView(bool newReference);
    void UpdateExtMemView(bool newReference);

    // Applies PortSettings: replaces the link, shows the port in the status bar and the dialog.
    bool OpenLink();
    // What every change in the port dialog does: OpenLink, presence again when the port opened.
    void ApplyPortSettings();
    // Opens the stored port once, at the first activation of the window.
    void FirstActivation();
    bool Activated() const { return FActivated; }

    // Keyboard shortcuts (F5, F8, F9, F11); true when the key was used.
    bool ProcessShortcut(int key, Qt::KeyboardModifiers modifiers);
    // The button a key stands for on a tab (its row's shortcuts), or an empty string.
    static QString ShortcutButton(const QString& sheet, int key);

    // Puts a panel on the sheet of a tab-table row: layout, the row's tab timer, identification
    // feed, the row's settings section. Every row's factory result goes through here.
    void InstallPanel(const QString& sheet, TPanel* panel);
    // The panel on a sheet, or nullptr.
    TPanel* PanelOf(const QString& sheet) const;

    // TPanelHost
    DeviceSession& Session() override { return *FServices.session; }
    void EnableDeviceControls(const QSet<int>& groups) override;
    bool ShowTab(const QString& sheet) override;
    QString ActiveTabName() const override;
    QWidget* DialogParent() override { return this; }
    void ShowStatusLine(const QString& text) override;
    TDM* Dm() const { return FServices.dm; }
    // Application-data folder (the map window writes its page files here).
    QString DataFolder() const { return FServices.dataFolder; }

    TAppSettings& Settings() { return FSettings; }
    PortSettings& Port() { return FSettings.Port; }
    const TVersionInfo& VersionInfo() const { return FVersion; }
    QString StatusText(int panel) const;
    QString StatusLineText() const;
    // Block size of external-memory transfers, from the "BlockSize" option.
    uint16_t ExtBlockSize() const { return FExtBlockSize; }
    // Longest display step so far, for the responsiveness figures.
    qint64 LongestDisplayStepNs() const { return FLongestDisplayNs; }

    // The optional tabs as the options dialog lists them.
    std::vector<TfrmOptions::Sheet> OptionSheets() const;
    // Takes over what the options dialog stored on "OK".
    void ApplyOptions(const TfrmOptions& dialog);

    // Dialogs of the menu (each modal).
    void M_DataBaseLocationClick();
    // The device list with each device's last identification, as CSV or JSON.
    void M_InventoryReportClick();
    void M_ChangeAddrClick();
    void M_COMPortClick();
    void M_OptionsClick();
    void M_AboutClick();
    void M_AllControlsClick();
    // Shows the bus monitor, made at the first call (not modal).
    void M_BusMonitorClick();

    QTabWidget* PageControl = nullptr;
    QWidget* tsDevice = nullptr;
    DeviceTab* DeviceTabPanel = nullptr;  // the device list and identification, inside tsDevice
    QWidget* tsFLASH = nullptr;
    QWidget* tsExtMem = nullptr;
    QWidget* tsCmd = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* btnReset = nullptr;
    QPushButton* btnRunProgram = nullptr;
    QPushButton* btnRunBootloader = nullptr;
    QAction* M_DataBaseLocation = nullptr;
    QAction* M_InventoryReport = nullptr;
    QAction* M_ChangeAddr = nullptr;
    QAction* M_COMPort = nullptr;
    QAction* M_Options = nullptr;
    QAction* M_AllControls = nullptr;
    QAction* M_BusMonitor = nullptr;
    TfrmBusMonitor* BusMonitor = nullptr;  // once shown; kept while the window lives
    QAction* M_About = nullptr;
    QTimer* tmrClock = nullptr;

    // Program and external-memory images, erased at start.
    TMemoryImage FlashBuf;
    TMemoryImage ExtMemBuf;
    // The device's program region and external size as the memory panels see them.
    RegionTracker Region;
    // What the memory tabs share, and the tabs (inside tsFLASH, tsExtMem, tsCtrlExtMem and tsCmd).
    TMemoryContext MemoryCtx;
    TFlashTab* FlashTab = nullptr;
    TExtMemTab* ExtMemTab = nullptr;
    TCtrlExtMemTab* CtrlExtMemTab = nullptr;
    TConsoleTab* ConsoleTab = nullptr;
    TTravoTab* TravoTab = nullptr;  // inside tsTRAVO, when there is a database

    static constexpr int kClientWidth = 824;
    static constexpr int kClientHeight = 538;
    static constexpr int kAboutCommand = 1025;

signals:
    // After every display step (with the identification it showed).
    void Displayed(const TDeviceInfo& info);
    // The window has closed and written its settings.
    void Closed();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    void BuildMenu();
    void BuildTabs();
    void BuildPanel();
    void PrepareMemory();
    void BuildStatusBar();
    void RebuildSystemMenu();
    // The stored size and place when they still fit the screens, else the minimum size centred.
    void PlaceOnScreen();
    void CollectSettings();
    void TabChanged();
    void ClockTick();
    void FormClose();

    Services FServices;
    // Where every answer of presence is kept for the inventory report (when there is a database).
    std::unique_ptr<TIdentityStore> FIdentities;
    TAppSettings FSettings;
    TVersionInfo FVersion;
    TfrmCOMPorts* FPortDialog = nullptr;
    std::array<QLabel*, 5> FStatus{};
    TStatusLine* FStatusLine = nullptr;
    QElapsedTimer FClockShown;
    QSet<int> FGroups;  // groups of the device state last shown
    struct InstalledPanel {
        QString sheet;
        TPanel* panel;
        QString section;
    };
    std::vector<InstalledPanel> FPanels;
    uint16_t FExtBlockSize = 256;
    qint64 FLongestDisplayNs = 0;
    bool FActivated = false;
    static constexpr int kReconnectMs = 1000;
    QTimer* tmrReconnect = nullptr;
    void ReconnectTick();
    bool FClosed = false;
};

#include "app/ui/frmmain.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/linkstate.h"
#include "app/logfile.h"
#include "app/restart.h"
#include "app/ui/displayfont.h"
#include "app/ui/frmabout.h"
#include "app/ui/frmbusmonitor.h"
#include "app/ui/frmchangeaddr.h"
#include "app/ui/frmcomports.h"
#include "app/ui/frmopendatabase.h"
#include "app/ui/frmoptions.h"
#include "app/ui/tabtable.h"
#include "app/windowplace.h"
#include "base/messages.h"
#include "base/messageservice.h"
#include "data/datamodule.h"
#include "data/identity.h"
#include "link/controlgroups.h"
#include "link/presencedisplay.h"
#include "memory/transferblocks.h"
#include "memory/ui/extmemtab.h"
#include "memory/ui/filedialogs.h"
#include "memory/ui/flashtab.h"
#include "memory/ui/hexgrid.h"
#include "memory/ui/recentmenu.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

const TTabRow* rowOf(const QString& sheet)
{
    for (const TTabRow& row : TabRows()) {
        if (sheet == QLatin1String(row.Sheet))
            return &row;
    }
    return nullptr;
}

}  // namespace

TfrmMain::TfrmMain(const Services& services, QWidget* parent) : QMainWindow(parent), FServices(services)
{
    setObjectName(QStringLiteral("frmMain"));
    // The condensed display font is installed for this process only, never on the system.
    DisplayFont::Install();

    setWindowTitle(FVersion.ProductName);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

    BuildMenu();
    BuildPanel();
    PrepareMemory();
    BuildTabs();
    BuildStatusBar();
    // The memory tabs keep their recent files; the window only shows them, after "База данных".
    auto* recent = new QMenu(Msg::MenuRecentFiles, menuBar());
    recent->setObjectName(QStringLiteral("M_RecentFiles"));
    if (FlashTab)
        recent->addMenu(FlashTab->RecentMenu);
    if (ExtMemTab)
        recent->addMenu(ExtMemTab->RecentMenu);
    menuBar()->insertMenu(menuBar()->actions().value(1), recent);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(2, 2, 2, 0);
    layout->setSpacing(2);
    layout->addWidget(PageControl, 1);
    layout->addWidget(Panel1);
    setCentralWidget(central);
    // The tabs are laid out for this client size (the menu bar sits above it); the grids take
    // whatever the user adds.
    setMinimumSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    resize(minimumSize());

    // The store has already corrected what it read.
    if (FServices.store)
        FSettings = LoadSettings(*FServices.store);
    PlaceOnScreen();
    for (int i = 0; i < PageControl->count(); ++i) {
        QWidget* page = PageControl->widget(i);
        if (ControlGroups::TagOf(page) == ControlGroups::kNoGroup)
            PageControl->setTabVisible(i, FSettings.TabVisible[page->objectName()]);
    }
    M_AllControls->setChecked(FSettings.AllControls);

    if (FServices.log)
        FServices.log->PutLog(logInfo, Msg::LogStart);

    if (FServices.session) {
        FServices.session->DevAddr = FSettings.DevAddr;
        FServices.session->onDisplay = [this](const TDeviceInfo& info, const TParams& params) {
            UpdateInfo(info, params);
        };
        FServices.session->onControlsDisabled = [this] { EnableDeviceControls({}); };
    }

    // Nothing loaded yet reads as erased memory; the memory views follow the device's region.
    FlashBuf.Fill(0xFF);
    ExtMemBuf.Fill(0xFF);
    Region.UpdateFLASHView = [this](bool ref) { UpdateFLASHView(ref); };
    Region.UpdateExtMemView = [this](bool ref) { UpdateExtMemView(ref); };

    FStatus[3]->setText(Msg::StatusVersion.arg(FVersion.Version.Str));

    FExtBlockSize = ExtBlockSizeFromIndex(FSettings.BlockSize);

    // The device table marks the selected device, so it reads the address when it refreshes.
    if (FServices.dm && FServices.session) {
        DeviceSession* session = FServices.session;
        FServices.dm->DevAddr = [session] { return int(session->DevAddr); };
        if (FServices.dm->tblDevice.Active())
            FServices.dm->tblDevice.Refresh();
    }

    for (const InstalledPanel& p : FPanels)
        p.panel->ReadSettings(TSettingsSection(FServices.store, p.section));

    // The first tab unless the stored one is still shown; timers follow the active tab.
    PageControl->setCurrentIndex(0);
    for (int i = 0; i < PageControl->count(); ++i) {
        if (PageControl->widget(i)->objectName() == FSettings.ActiveTab && PageControl->isTabVisible(i)) {
            PageControl->setCurrentIndex(i);
            break;
        }
    }
    connect(PageControl, &QTabWidget::currentChanged, this, [this] { TabChanged(); });
    TabChanged();

    // Until the port is open no device control may be used.
    EnableDeviceControls({});

    tmrClock = new QTimer(this);
    tmrClock->setObjectName(QStringLiteral("tmrClock"));
    tmrClock->setInterval(100);
    connect(tmrClock, &QTimer::timeout, this, [this] { ClockTick(); });
    tmrClock->start();
    ClockTick();

    // An unplugged adapter that comes back is reopened without the user's help.
    tmrReconnect = new QTimer(this);
    tmrReconnect->setObjectName(QStringLiteral("tmrReconnect"));
    tmrReconnect->setInterval(kReconnectMs);
    connect(tmrReconnect, &QTimer::timeout, this, [this] { ReconnectTick(); });
    tmrReconnect->start();
    // A click on the connection state leads to the port dialog.
    FStatus[0]->installEventFilter(this);
    FStatus[0]->setCursor(Qt::PointingHandCursor);
    FStatus[0]->setToolTip(Msg::MenuCOMPort);

    // The window sees keys before its controls.
    qApp->installEventFilter(this);
}

TfrmMain::~TfrmMain()
{
    qApp->removeEventFilter(this);
    if (FServices.session) {
        FServices.session->onDisplay = nullptr;
        FServices.session->onControlsDisabled = nullptr;
    }
}

void TfrmMain::BuildMenu()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    auto action = [this](QMenu* menu, const QString& text, const char* name) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    QMenu* db = bar->addMenu(Msg::MenuDataBase);
    db->setObjectName(QStringLiteral("M_DataBase"));
    M_DataBaseLocation = action(db, Msg::MenuDataBaseLocation, "M_DataBaseLocation");
    M_InventoryReport = action(db, Msg::InventoryAction, "M_InventoryReport");
    QMenu* settings = bar->addMenu(Msg::MenuSettings);
    settings->setObjectName(QStringLiteral("M_Settings"));
    M_ChangeAddr = action(settings, Msg::MenuChangeAddr, "M_ChangeAddr");
    M_COMPort = action(settings, Msg::MenuCOMPort, "M_COMPort");
    M_Options = action(settings, Msg::MenuOptions, "M_Options");
    M_BusMonitor = action(settings, Msg::MenuBusMonitor, "M_BusMonitor");
    settings->addSeparator();
    M_AllControls = action(settings, Msg::MenuAllControls, "M_AllControls");
    M_AllControls->setCheckable(true);
    QMenu* help = bar->addMenu(Msg::MenuHelp);
    help->setObjectName(QStringLiteral("M_Help"));
    M_About = action(help, Msg::MenuAbout, "M_About");

    connect(M_DataBaseLocation, &QAction::triggered, this, [this] { M_DataBaseLocationClick(); });
    connect(M_InventoryReport, &QAction::triggered, this, [this] { M_InventoryReportClick(); });
    connect(M_ChangeAddr, &QAction::triggered, this, [this] { M_ChangeAddrClick(); });
    connect(M_COMPort, &QAction::triggered, this, [this] { M_COMPortClick(); });
    connect(M_Options, &QAction::triggered, this, [this] { M_OptionsClick(); });
    connect(M_BusMonitor, &QAction::triggered, this, [this] { M_BusMonitorClick(); });
    // A check item toggles itself before `triggered`.
    connect(M_AllControls, &QAction::triggered, this, [this] { M_AllControlsClick(); });
    connect(M_About, &QAction::triggered, this, [this] { M_AboutClick(); });
}

void TfrmMain::M_BusMonitorClick()
{
    if (!BusMonitor) {
        BusMonitor = new TfrmBusMonitor(FServices.session ? &FServices.session->Frames() : nullptr, this);
        BusMonitor->setWindowTitle(Msg::MonitorCaption);
    }
    BusMonitor->show();
    BusMonitor->raise();
    BusMonitor->activateWindow();
}

void TfrmMain::BuildTabs()
{
    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    PageControl->setUsesScrollButtons(true);
    const TTabContext ctx{.Host = *this,
                          .Dm = Dm(),
                          .Memory = MemoryCtx,
                          .DataFolder = DataFolder(),
                          .Settings = FSettings,
                          .BtnReset = btnReset,
                          .BtnRunProgram = btnRunProgram,
                          .BtnRunBootloader = btnRunBootloader,
                          .DeviceTabPanel = DeviceTabPanel,
                          .FlashTab = FlashTab,
                          .ExtMemTab = ExtMemTab,
                          .CtrlExtMemTab = CtrlExtMemTab,
                          .ConsoleTab = ConsoleTab,
                          .TravoTab = TravoTab};
    for (const TTabRow& row : TabRows()) {
        auto* page = new QWidget;
        page->setObjectName(QLatin1String(row.Sheet));
        page->setProperty("tag", row.Fixed ? ControlGroups::kFixedSheet : ControlGroups::kNoGroup);
        PageControl->addTab(page, *row.Caption);
        if (TPanel* panel = row.Make ? row.Make(ctx) : nullptr)
            InstallPanel(page->objectName(), panel);
    }
    tsDevice = PageControl->widget(0);
    tsFLASH = PageControl->widget(1);
    tsExtMem = PageControl->widget(2);
    tsCmd = PageControl->widget(3);
}

void TfrmMain::InstallPanel(const QString& sheet, TPanel* panel)
{
    const TTabRow* row = rowOf(sheet);
    QWidget* page = nullptr;
    for (int i = 0; i < PageControl->count() && !page; ++i) {
        if (PageControl->widget(i)->objectName() == sheet)
            page = PageControl->widget(i);
    }
    if (!page || !row) {
        delete panel;
        return;
    }
    auto* layout = qobject_cast<QVBoxLayout*>(page->layout());
    if (!layout) {
        layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    layout->addWidget(panel);
    if (row->Timer) {
        auto* timer = new QTimer(panel);
        timer->setObjectName(QLatin1String(row->Timer));
        timer->setInterval(row->TimerMs);
        connect(timer, &QTimer::timeout, panel, [panel] { panel->TimerTick(); });
        panel->SetTabTimer(timer);
    }
    FPanels.push_back({sheet, panel, QLatin1String(row->Section)});
    // A panel installed after start-up follows the active tab at once.
    if (PageControl->currentWidget())
        TabChanged();
}

TPanel* TfrmMain::PanelOf(const QString& sheet) const
{
    for (const InstalledPanel& p : FPanels) {
        if (p.sheet == sheet)
            return p.panel;
    }
    return nullptr;
}

bool TfrmMain::ShowTab(const QString& sheet)
{
    for (int i = 0; i < PageControl->count(); ++i) {
        if (PageControl->widget(i)->objectName() == sheet) {
            PageControl->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

void TfrmMain::BuildPanel()
{
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(40);
    auto make = [this](const QString& text, const char* name, TControlGroup group) {
        auto* b = new QPushButton(text, Panel1);
        b->setObjectName(QLatin1String(name));
        b->setMinimumWidth(100);
        ControlGroups::Tag(b, group);
        return b;
    };
    btnReset = make(Msg::BtnReset, "btnReset", cgPresent);
    btnRunProgram = make(Msg::BtnRunProgram, "btnRunProgram", cgBootloader);
    btnRunBootloader = make(Msg::BtnRunBootloader, "btnRunBootloader", cgApplication);
    // How the last long operation ended: here it has the room the status bar never had for it.
    FStatusLine = new TStatusLine(Panel1);
    FStatusLine->setObjectName(QStringLiteral("StatusLine"));
    auto* layout = new QHBoxLayout(Panel1);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(FStatusLine, 1);
    layout->addSpacing(8);
    layout->addWidget(btnReset);
    layout->addWidget(btnRunProgram);
    layout->addWidget(btnRunBootloader);
}

void TfrmMain::PrepareMemory()
{
    MemoryCtx.Session = FServices.session;
    MemoryCtx.Options = [this] {
        return TBootOptions{FSettings.AutoDetectBL, FSettings.VersionBL, FSettings.ResetSystem};
    };
    MemoryCtx.FlashBuf = &FlashBuf;
    MemoryCtx.ExtMemBuf = &ExtMemBuf;
    MemoryCtx.Region = &Region;
    MemoryCtx.ExtBlockSize = [this] { return FExtBlockSize; };
    MemoryCtx.Window = this;
    MemoryCtx.Dm = FServices.dm;
}

void TfrmMain::BuildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(false);
    const int widths[] = {290, 60, 60, 170, 50};
    for (int i = 0; i < 5; ++i) {
        auto* label = new QLabel(bar);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (i == 1 || i == 2)
            label->setAlignment(Qt::AlignCenter);
        if (i > 0)
            label->setFixedWidth(widths[i]);
        bar->addWidget(label, i == 0 ? 1 : 0);
        FStatus[size_t(i)] = label;
    }
    // The connection state takes the rest of the bar, and never less than its longest text
    // (a framed label indents its text by half an "x").
    QLabel* state = FStatus[0];
    const QFontMetrics fm = state->fontMetrics();
    int stateWidth = widths[0];
    for (TLinkState s : {TLinkState::NoPort, TLinkState::Unavailable, TLinkState::HungUp, TLinkState::Silent}) {
        stateWidth = std::max(stateWidth, fm.horizontalAdvance(LinkStateText(s, 255, 0x7FFF)) +
                                              fm.horizontalAdvance(QLatin1Char('x')) / 2 + 2 * state->frameWidth());
    }
    state->setMinimumWidth(stateWidth);
    FStatus[1]->setText(Msg::StatusNoPort);
}

TStatusLine::TStatusLine(QWidget* parent) : QLabel(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setTextFormat(Qt::PlainText);
}

void TStatusLine::SetLine(const QString& text)
{
    FLine = text;
    setToolTip(text);
    Fit();
}

void TStatusLine::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    Fit();
}

void TStatusLine::Fit()
{
    // Only a file name too long for the window is shortened; the whole line stays in the tip.
    setText(fontMetrics().elidedText(FLine, Qt::ElideMiddle, contentsRect().width()));
}

void TfrmMain::ShowStatusLine(const QString& text)
{
    FStatusLine->SetLine(text);
}

QString TfrmMain::StatusLineText() const
{
    return FStatusLine->Line();
}

QString TfrmMain::StatusText(int panel) const
{
    return panel >= 0 && panel < 5 ? FStatus[size_t(panel)]->text() : QString();
}

QString TfrmMain::ActiveTabName() const
{
    const QWidget* page = PageControl->currentWidget();
    return page ? page->objectName() : QString();
}

void TfrmMain::PlaceOnScreen()
{
    QList<QRect> screens;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        screens << primary->availableGeometry();
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            screens << screen->availableGeometry();
    }
    setGeometry(PlaceWindow(FSettings.WindowRect, minimumSize(), screens));
    if (FSettings.WindowMaximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TfrmMain::CollectSettings()
{
    FSettings.WindowMaximized = isMaximized();
    // A maximised window keeps the rectangle it returns to.
    const QRect normal = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
    if (normal.isValid())
        FSettings.WindowRect = normal;
    FSettings.AllControls = M_AllControls->isChecked();
    FSettings.ActiveTab = ActiveTabName();
    for (int i = 0; i < PageControl->count(); ++i) {
        QWidget* page = PageControl->widget(i);
        if (ControlGroups::TagOf(page) == ControlGroups::kNoGroup)
            FSettings.TabVisible[page->objectName()] = PageControl->isTabVisible(i);
    }
    if (FServices.session)
        FSettings.DevAddr = FServices.session->DevAddr;
    if (FServices.dm)
        FSettings.DataBase = FServices.dm->DataBasePath;
}

void TfrmMain::EnableDeviceControls(const QSet<int>& groups)
{
    FGroups = groups;
    const bool all = M_AllControls->isChecked();
    for (QWidget* w : findChildren<QWidget*>()) {
        const int tag = ControlGroups::TagOf(w);
        if (ControlGroups::IsDeviceTag(tag))
            w->setEnabled(ControlGroups::TagEnabled(tag, groups, all));
    }
    for (QAction* a : findChildren<QAction*>()) {
        const int tag = ControlGroups::TagOf(a);
        if (ControlGroups::IsDeviceTag(tag))
            a->setEnabled(ControlGroups::TagEnabled(tag, groups, all));
    }
    const DeviceSession* s = FServices.session;
    M_ChangeAddr->setEnabled(ControlGroups::ChangeAddrEnabled(all, s && s->HasLink(), s ? s->DeviceMode() : mNone));
}

void TfrmMain::UpdateInfo(const TDeviceInfo& info, const TParams& params)
{
    QElapsedTimer timer;
    timer.start();
    const PresenceView view = MakePresenceView(info, params);
    // No answer: say why (port gone, device silent) instead of an empty name line.
    // Without a link no presence runs, so there is no connection state to tell.
    const TZEVA16* link = FServices.session ? FServices.session->ZevaLink() : nullptr;
    const QString state =
        link ? LinkStateText(LinkStateOf(link, info.Mode), FSettings.Port.Number, FServices.session->DevAddr)
             : QString();
    FStatus[0]->setText(state.isEmpty() ? view.statusText : state);
    if (info.Mode != mNone && FServices.session && FServices.dm && FServices.dm->Connection.IsOpen()) {
        if (!FIdentities)
            FIdentities = std::make_unique<TIdentityStore>(FServices.dm->Connection);
        // A failed write (a busy file) is not the display's business: the next answer tries again.
        FIdentities->Record(IdentityOf(FServices.session->ShownAddr(), info, QDateTime::currentDateTime()));
    }
    EnableDeviceControls(view.groups);
    const TPresenceFeed feed{info, params, view};
    for (const InstalledPanel& p : FPanels)
        p.panel->ShowDevice(feed);
    Region.Update(info);
    FLongestDisplayNs = std::max(FLongestDisplayNs, timer.nsecsElapsed());
    emit Displayed(info);
}

void TfrmMain::UpdateFLASHView(bool newReference)
{
    if (FlashTab)
        FlashTab->UpdateFLASHView(newReference);
}

void TfrmMain::UpdateExtMemView(bool newReference)
{
    if (ExtMemTab)
        ExtMemTab->UpdateExtMemView(newReference);
}

bool TfrmMain::OpenLink()
{
    if (!FServices.session)
        return false;
    const DeviceSession::OpenResult r = FServices.session->OpenLink(FSettings.Port);
    bool ok = false;
    if (FSettings.Port.Number < 0) {
        if (FPortDialog)
            FPortDialog->SelectPort(-1);
        FStatus[1]->setText(Msg::StatusNoPort);
        FStatus[0]->setText(LinkStateText(TLinkState::NoPort, -1, 0));
        EnableDeviceControls({});
        return false;
    }
    if (!r.opened) {
        ShowMessage(MsgKind::Error, r.portError);
        FStatus[1]->clear();
        if (FPortDialog) {
            FPortDialog->SelectPort(FSettings.Port.Number);
            FPortDialog->ShowOpenFailure(r.portError);
        }
    } else {
        const QString shown = FPortDialog ? FPortDialog->SelectPort(FSettings.Port.Number)
                                          : QStringLiteral("COM%1").arg(FSettings.Port.Number);
        FStatus[1]->setText(shown);
        ok = true;
    }
    if (!r.catalogError.isEmpty())
        ShowMessage(MsgKind::Error, r.catalogError);
    FStatus[0]->setText(LinkStateText(LinkStateOf(FServices.session->ZevaLink(), mNone), FSettings.Port.Number,
                                      FServices.session->DevAddr));
    return ok && r.startPresence();
}

void TfrmMain::ApplyPortSettings()
{
    if (!FServices.session)
        return;
    FServices.session->PausePresence();
    if (OpenLink())
        FServices.session->ResumePresence();
}

void TfrmMain::FirstActivation()
{
    if (FActivated || FClosed)
        return;
    FActivated = true;
    if (OpenLink())
        FServices.session->ResumePresence();
    else
        EnableDeviceControls({});
}

void TfrmMain::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    const int extra = width() - minimumWidth();
    if (FlashTab)
        FlashTab->FLASH->SetExtraWidth(extra);
    if (ExtMemTab)
        ExtMemTab->ExtMem->SetExtraWidth(extra);
}

bool TfrmMain::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate && !FActivated)
        QTimer::singleShot(0, this, [this] { FirstActivation(); });
    return QMainWindow::event(e);
}

void TfrmMain::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    RebuildSystemMenu();
    // Without a window manager (a headless display) the window may never be activated; it
    // still has to reach its device once it is on screen.
    if (!FActivated)
        QTimer::singleShot(300, this, [this] { FirstActivation(); });
}

void TfrmMain::RebuildSystemMenu()
{
#ifdef Q_OS_WIN
    static bool done = false;
    if (done)
        return;
    done = true;
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (!menu)
        return;
    // Restore and Size stay: the window can be resized and maximised.
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kAboutCommand, reinterpret_cast<LPCWSTR>(Msg::MenuAbout.utf16()));
#endif
}

#ifdef Q_OS_WIN
bool TfrmMain::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_SYSCOMMAND && msg->wParam == WPARAM(kAboutCommand)) {
        M_AboutClick();
        *result = 0;
        return true;
    }
    return QMainWindow::nativeEvent(eventType, message, result);
}
#endif

bool TfrmMain::ProcessShortcut(int key, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))
        return false;
    // Shortcuts act only while a device is present: the console's send button tells.
    const auto* send = findChild<QWidget*>(QStringLiteral("btnSendData"));
    const bool present =
        send ? send->isEnabled() : ControlGroups::TagEnabled(cgPresent, FGroups, M_AllControls->isChecked());
    if (!present)
        return false;
    const QString name = ShortcutButton(ActiveTabName(), key);
    if (name.isEmpty())
        return false;
    auto* button = findChild<QAbstractButton*>(name);
    if (!button)
        return false;
    // As the button's own handler: it decides whether it can act in the device's state.
    emit button->clicked(false);
    return true;
}

void TfrmMain::ReconnectTick()
{
    if (!FServices.session || !FActivated || FClosed)
        return;
    if (!FServices.session->ReopenIfBack(FSettings.Port))
        return;
    const QString shown = FPortDialog ? FPortDialog->SelectPort(FSettings.Port.Number)
                                      : QStringLiteral("COM%1").arg(FSettings.Port.Number);
    FStatus[1]->setText(shown);
    FStatus[0]->setText(LinkStateText(TLinkState::Silent, FSettings.Port.Number, FServices.session->DevAddr));
    FServices.session->ResumePresence();
}

QString TfrmMain::ShortcutButton(const QString& sheet, int key)
{
    if (const TTabRow* row = rowOf(sheet)) {
        for (const TTabShortcut& s : row->Shortcuts) {
            if (s.Key == key)
                return QLatin1String(s.Button);
        }
    }
    return {};
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == FStatus[0] && e->type() == QEvent::MouseButtonRelease && !FClosed && !qApp->activeModalWidget()) {
        const TZEVA16* link = FServices.session ? FServices.session->ZevaLink() : nullptr;
        if (LinkStateOf(link, link ? link->InfoCopy().Mode : mNone) != TLinkState::Present)
            QTimer::singleShot(0, M_COMPort, &QAction::trigger);
        return true;
    }
    if (e->type() == QEvent::KeyPress && isActiveWindow() && !FClosed) {
        auto* w = qobject_cast<QWidget*>(watched);
        // Only keys meant for this window, not for a dialog above it.
        if (w && w->window() == this) {
            auto* key = static_cast<QKeyEvent*>(e);
            if (ProcessShortcut(key->key(), key->modifiers()))
                return true;
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

void TfrmMain::TabChanged()
{
    const QString active = ActiveTabName();
    for (const InstalledPanel& p : FPanels) {
        QTimer* timer = p.panel->TabTimer();
        if (!timer)
            continue;
        if (p.sheet == active)
            timer->start();
        else
            timer->stop();
    }
}

void TfrmMain::ClockTick()
{
    if (FClockShown.isValid() && FClockShown.elapsed() < 1000)
        return;
    FClockShown.start();
    FStatus[2]->setText(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")));
}

void TfrmMain::M_AllControlsClick()
{
    EnableDeviceControls({});
}

void TfrmMain::M_DataBaseLocationClick()
{
    if (!FServices.dm)
        return;
    TfrmOpenDataBase dlg(
        FServices.dm->DataBasePath,
        [this](const QString& path) {
            FServices.dm->DataBasePath = path;
            QString why;
            if (FServices.store && !SaveDataBasePath(*FServices.store, path, &why))
                ShowMessage(MsgKind::Error, Msg::SettingsNotSaved.arg(FServices.store->fileName(), why));
        },
        this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    QString error;
    if (!RestartProgram(
            true, FServices.program, FServices.arguments, [this] { close(); }, &error) &&
        !error.isEmpty())
        ShowMessage(MsgKind::Error, error);
}

void TfrmMain::M_InventoryReportClick()
{
    if (!FServices.dm || !FServices.dm->Connection.IsOpen())
        return;
    QString path;
    int filterIndex = 1;
    if (!FileDialogs::instance().save(this, Msg::InventoryFilter, path, filterIndex))
        return;
    const TInventoryFormat format =
        InventoryFormatOfFile(path).value_or(filterIndex == 2 ? TInventoryFormat::Json : TInventoryFormat::Csv);
    int devices = 0;
    QString why;
    if (!WriteInventory(FServices.dm->Connection, path, format, devices, why)) {
        ShowMessage(MsgKind::Error, Msg::FileWriteFailed.arg(why));
        return;
    }
    ShowStatusLine(Msg::InventoryDone.arg(devices).arg(QFileInfo(path).fileName()));
}

void TfrmMain::M_ChangeAddrClick()
{
    TfrmChangeAddr dlg(*FServices.session, this);
    dlg.exec();
}

void TfrmMain::M_COMPortClick()
{
    if (FPortDialog)
        FPortDialog->exec();
}

std::vector<TfrmOptions::Sheet> TfrmMain::OptionSheets() const
{
    std::vector<TfrmOptions::Sheet> sheets;
    for (int i = 0; i < PageControl->count(); ++i) {
        QWidget* page = PageControl->widget(i);
        if (ControlGroups::TagOf(page) == ControlGroups::kNoGroup)
            sheets.push_back({page->objectName(), PageControl->tabText(i), PageControl->isTabVisible(i)});
    }
    return sheets;
}

void TfrmMain::M_OptionsClick()
{
    TfrmOptions dlg(FSettings, OptionSheets(), this);
    if (dlg.exec() == QDialog::Accepted)
        ApplyOptions(dlg);
}

void TfrmMain::ApplyOptions(const TfrmOptions& dlg)
{
    const TAppSettings& s = dlg.Settings();
    FSettings.AutoDetectBL = s.AutoDetectBL;
    FSettings.VersionBL = s.VersionBL;
    FSettings.BlockSize = s.BlockSize;
    FSettings.ResetSystem = s.ResetSystem;
    FExtBlockSize = ExtBlockSizeFromIndex(FSettings.BlockSize);
    for (const TfrmOptions::Sheet& sheet : dlg.Sheets()) {
        for (int i = 0; i < PageControl->count(); ++i) {
            if (PageControl->widget(i)->objectName() == sheet.name)
                PageControl->setTabVisible(i, sheet.visible);
        }
    }
}

void TfrmMain::M_AboutClick()
{
    TfrmAbout dlg(FVersion, this);
    dlg.exec();
}

void TfrmMain::closeEvent(QCloseEvent* e)
{
    FormClose();
    QMainWindow::closeEvent(e);
}

void TfrmMain::FormClose()
{
    if (FClosed)
        return;
    FClosed = true;
    tmrClock->stop();
    tmrReconnect->stop();
    // The tabs' sections first: saving the window's settings writes the file once, with everything.
    for (const InstalledPanel& p : FPanels) {
        TSettingsSection section(FServices.store, p.section);
        p.panel->WriteSettings(section);
    }
    CollectSettings();
    QString why;
    if (FServices.store && !SaveSettings(*FServices.store, FSettings, &why)) {
        // The old file is kept; say so rather than lose the change quietly.
        const QString text = Msg::SettingsNotSaved.arg(FServices.store->fileName(), why);
        if (FServices.log)
            FServices.log->PutLog(logError, text);
        ShowMessage(MsgKind::Error, text);
    }
    // The presence thread must let go of the link before the tables close under its display step.
    if (FServices.session)
        FServices.session->CloseLink();
    if (FServices.dm)
        FServices.dm->Close();
    // The stop record comes last, so that the log shows a clean end only after everything closed.
    if (FServices.log)
        FServices.log->PutLog(logInfo, Msg::LogStop);
    emit Closed();
}

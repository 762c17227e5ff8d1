// The main window: first run, exit and start, control groups by device state, shortcuts,
// panel timers.
#include <QtTest>

#include <QAbstractButton>
#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>

#include "app/ui/frmbusmonitor.h"
#include "app/ui/frmmain.h"
#include "data/identity.h"
#include "data/ui/devicetab.h"
#include "link/controlgroups.h"
#include "memory/ui/extmemtab.h"
#include "memory/ui/flashtab.h"
#include "memory/ui/hexgrid.h"
#include "routes/ui/travotab.h"
#include "support/shellfixture.h"
#include "support/simwindow.h"

namespace {

QStringList visibleTabs(TfrmMain& frm)
{
    QStringList names;
    for (int i = 0; i < frm.PageControl->count(); ++i)
        if (frm.PageControl->isTabVisible(i))
            names << frm.PageControl->widget(i)->objectName();
    return names;
}

QWidget* tab(TfrmMain& frm, const QString& name)
{
    return frm.PageControl->findChild<QWidget*>(name);
}

// Controls with each tag a panel may use, parked on the always-present command tab.
QMap<int, QWidget*> addProbes(TfrmMain& frm)
{
    QMap<int, QWidget*> probes;
    for (int tag : {1, 2, 3, 4, 5, 8, 300}) {
        auto* w = new QPushButton(QStringLiteral("probe %1").arg(tag), frm.tsCmd);
        w->setObjectName(QStringLiteral("probe%1").arg(tag));
        w->setProperty("tag", tag);
        probes[tag] = w;
    }
    // Tags 0 and 1000 are never touched: a disabled one stays disabled.
    for (int tag : {0, 1000}) {
        auto* w = new QPushButton(frm.tsCmd);
        w->setProperty("tag", tag);
        w->setEnabled(false);
        probes[tag] = w;
    }
    return probes;
}

// A panel that records what the host hands it.
class ProbePanel : public TPanel {
public:
    using TPanel::TPanel;
    void ShowDevice(const TPresenceFeed& feed) override
    {
        modes << int(feed.Info.Mode);
        groups = feed.View.groups;
    }
    void WriteSettings(TSettingsSection& section) const override { section.SetInt("Probe", value); }
    void TimerTick() override { ++ticks; }
    QList<int> modes;
    QSet<int> groups;
    int value = 0;
    int ticks = 0;
};

TDeviceInfo infoFor(TMode mode, uint32_t ext)
{
    TDeviceInfo info;
    info.Mode = mode;
    info.Ext = ext;
    info.Name = QStringLiteral("Прибор");
    return info;
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void firstRunWithEmptySettings()
    {
        ShellFixture f;
        TfrmMain& frm = f.Open();
        QCOMPARE(visibleTabs(frm), QStringList({"tsDevice", "tsFLASH", "tsExtMem", "tsCmd"}));
        QCOMPARE(frm.PageControl->count(), 17);
        QCOMPARE(frm.ActiveTabName(), QStringLiteral("tsDevice"));
        QCOMPARE(frm.Port().Number, -1);
        QCOMPARE(frm.Port().BaudRate, 115200);
        QCOMPARE(int(frm.Port().RepCount), 3);
        QCOMPARE(int(frm.Port().TimeOut), 120);
        QCOMPARE(int(f.session.DevAddr), 0x7FFF);
        QCOMPARE(int(frm.ExtBlockSize()), 256);
        QCOMPARE(frm.windowTitle(), QStringLiteral("Zevanta"));
        QCOMPARE(frm.StatusText(1), QStringLiteral("- - -"));
        QCOMPARE(frm.StatusText(3), QStringLiteral("Версия: 4.13"));
        QCOMPARE(frm.height() - frm.menuBar()->sizeHint().height(), 538);
        QCOMPARE(frm.width(), 824);
        // Tags of the sheets and of the bottom panel.
        QCOMPARE(tab(frm, "tsFLASH")->property("tag").toInt(), 1000);
        QCOMPARE(tab(frm, "tsKESTA")->property("tag").toInt(), 0);
        QCOMPARE(frm.btnReset->property("tag").toInt(), 3);
        QCOMPARE(frm.btnRunProgram->property("tag").toInt(), 1);
        QCOMPARE(frm.btnRunBootloader->property("tag").toInt(), 4);
        QVERIFY(!frm.btnReset->isEnabled());
        QVERIFY(!frm.M_ChangeAddr->isEnabled());
        QCOMPARE(f.LogLines(), QStringList({"Info Старт"}));

        f.Close();
        QCOMPARE(f.LogLines(), QStringList({"Info Старт", "Info Стоп"}));
        QCOMPARE(f.store->value("COM-port/Number").toInt(), -1);
        QCOMPARE(f.store->value("Form/Active Tab").toString(), QStringLiteral("tsDevice"));
        QVERIFY(f.store->value("Hardware/Time Out").isNull());  // read only
    }

    void exitAndStartRestoreTheWindow()
    {
        ShellFixture f;
        {
            TfrmMain& frm = f.Open();
            for (int i = 0; i < frm.PageControl->count(); ++i) {
                const QString name = frm.PageControl->widget(i)->objectName();
                if (name == "tsKESTA" || name == "tsImage")
                    frm.PageControl->setTabVisible(i, true);
            }
            frm.PageControl->setCurrentWidget(tab(frm, "tsKESTA"));
            frm.Port() = {5, 10400, true, false, 7, 120};
            f.session.DevAddr = 77;
            frm.M_AllControls->trigger();
            frm.Settings().BlockSize = 3;
        }
        TfrmMain& frm = f.Reopen();
        QCOMPARE(visibleTabs(frm), QStringList({"tsDevice", "tsFLASH", "tsExtMem", "tsCmd", "tsKESTA", "tsImage"}));
        QCOMPARE(frm.ActiveTabName(), QStringLiteral("tsKESTA"));
        QCOMPARE(frm.Port().Number, 5);
        QCOMPARE(frm.Port().BaudRate, 10400);
        QCOMPARE(frm.Port().RTS, true);
        QCOMPARE(frm.Port().DTR, false);
        QCOMPARE(int(frm.Port().RepCount), 7);
        QCOMPARE(int(f.session.DevAddr), 77);
        QVERIFY(frm.M_AllControls->isChecked());
        QCOMPARE(int(frm.ExtBlockSize()), 32);

        // An active tab that names no tab (or a hidden one) leaves the first tab active.
        f.store->setValue("Form/Active Tab", "tsNoSuchTab");
        f.Close();
        f.store->setValue("Form/Active Tab", "tsNoSuchTab");
        QCOMPARE(f.Reopen().ActiveTabName(), QStringLiteral("tsDevice"));
    }

    void controlsFollowTheDeviceState_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("ext");
        QTest::addColumn<QList<int>>("enabled");
        QTest::newRow("no device") << int(mNone) << 0 << QList<int>{};
        QTest::newRow("bootloader 5.0") << int(mBootloader50) << 0 << QList<int>{1, 3, 5};
        QTest::newRow("bootloader 5.1") << int(mBootloader51) << 0x8000 << QList<int>{1, 3, 5};
        QTest::newRow("bootloader 6.0") << int(mBootloader60) << 0 << QList<int>{1, 3, 5};
        QTest::newRow("app 5 without ext") << int(mDevice5) << 0 << QList<int>{3, 4};
        QTest::newRow("app 5 with ext") << int(mDevice5) << 0x8000 << QList<int>{2, 3, 4};
        QTest::newRow("app 6 without ext") << int(mDevice6) << 0 << QList<int>{3, 4, 8};
        QTest::newRow("app 6 with ext") << int(mDevice6) << 0x8000 << QList<int>{2, 3, 4, 8};
    }
    void controlsFollowTheDeviceState()
    {
        QFETCH(int, mode);
        QFETCH(int, ext);
        QFETCH(QList<int>, enabled);
        ShellFixture f;
        TfrmMain& frm = f.Open();
        const auto probes = addProbes(frm);
        frm.UpdateInfo(infoFor(TMode(mode), uint32_t(ext)), {});
        QCOMPARE(frm.StatusText(0), QStringLiteral(" Прибор"));
        for (int tag : {1, 2, 3, 4, 5, 8, 300})
            QVERIFY2(probes[tag]->isEnabled() == enabled.contains(tag), qPrintable(QString::number(tag)));
        QVERIFY(!probes[0]->isEnabled());
        QVERIFY(!probes[1000]->isEnabled());
        QCOMPARE(frm.btnRunProgram->isEnabled(), enabled.contains(1));
        QCOMPARE(frm.btnReset->isEnabled(), enabled.contains(3));
        QCOMPARE(frm.btnRunBootloader->isEnabled(), enabled.contains(4));
        // Without a link the address cannot be changed, whatever the state says.
        QVERIFY(!frm.M_ChangeAddr->isEnabled());

        // "Все кнопки активны" enables every tagged control, even with the empty set, and the
        // address item; unchecking it falls back to the empty set.
        frm.M_AllControls->trigger();
        for (int tag : {1, 2, 3, 4, 5, 8, 300})
            QVERIFY(probes[tag]->isEnabled());
        QVERIFY(frm.M_ChangeAddr->isEnabled());
        QVERIFY(!probes[0]->isEnabled());
        QVERIFY(!probes[1000]->isEnabled());
        frm.UpdateInfo(infoFor(TMode(mode), uint32_t(ext)), {});
        QVERIFY(probes[300]->isEnabled());
        frm.M_AllControls->trigger();
        for (int tag : {1, 2, 3, 4, 5, 8, 300})
            QVERIFY(!probes[tag]->isEnabled());
        QVERIFY(!frm.M_ChangeAddr->isEnabled());
    }

    void shortcutsActAsTheirButtons_data()
    {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("present");
        QTest::addColumn<QString>("button");
        QTest::newRow("console F9 sends") << "tsCmd" << int(Qt::Key_F9) << 0 << true << "btnSendData";
        QTest::newRow("console F8 clears") << "tsCmd" << int(Qt::Key_F8) << 0 << true << "btnClearAnswers";
        QTest::newRow("console F5 is no console key") << "tsCmd" << int(Qt::Key_F5) << 0 << true << "";
        QTest::newRow("console Shift+F9") << "tsCmd" << int(Qt::Key_F9) << int(Qt::ShiftModifier) << true << "";
        QTest::newRow("console F9 without device") << "tsCmd" << int(Qt::Key_F9) << 0 << false << "";
        QTest::newRow("FLASH F9 runs program") << "tsFLASH" << int(Qt::Key_F9) << 0 << true << "btnRunProgram";
        QTest::newRow("FLASH F5 writes") << "tsFLASH" << int(Qt::Key_F5) << 0 << true << "btnWriteFLASH";
        QTest::newRow("FLASH Ctrl+F5") << "tsFLASH" << int(Qt::Key_F5) << int(Qt::ControlModifier) << true << "";
        QTest::newRow("devices F11 bootloader") << "tsDevice" << int(Qt::Key_F11) << 0 << true << "btnRunBootloader";
        QTest::newRow("devices F8") << "tsDevice" << int(Qt::Key_F8) << 0 << true << "";
        QTest::newRow("Ext Mem F9") << "tsExtMem" << int(Qt::Key_F9) << 0 << true << "";
    }
    void shortcutsActAsTheirButtons()
    {
        QFETCH(QString, tab);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, present);
        QFETCH(QString, button);
        MessageRecorder boxes;  // the handlers run without a link and may report it
        ShellFixture f;
        TfrmMain& frm = f.Open();
        frm.FirstActivation();  // no port: done before the device state is set
        std::map<QString, std::unique_ptr<QSignalSpy>> spies;
        for (const char* name :
             {"btnSendData", "btnClearAnswers", "btnRunProgram", "btnWriteFLASH", "btnRunBootloader"}) {
            auto* b = frm.findChild<QAbstractButton*>(QLatin1String(name));
            QVERIFY2(b, name);
            spies[QLatin1String(name)] = std::make_unique<QSignalSpy>(b, &QAbstractButton::clicked);
        }
        frm.show();
        QVERIFY(QTest::qWaitForWindowActive(&frm));
        frm.PageControl->setCurrentWidget(frm.PageControl->findChild<QWidget*>(tab));
        frm.UpdateInfo(infoFor(present ? mBootloader51 : mNone, 0), {});
        QTest::keyClick(&frm, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        for (const auto& [name, spy] : spies)
            QVERIFY2(spy->count() == (name == button ? 1 : 0), qPrintable(name));
    }

    void panelTimersRunOnlyOnTheirTab_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("timer");
        QTest::newRow("USB relay") << "tsUSBRelay"
                                   << "tmrUSBRelay";
        QTest::newRow("KESTA") << "tsKESTA"
                               << "tmrKESTA";
        QTest::newRow("Fentor") << "tsFentor"
                                << "tmrMIRAN";
        QTest::newRow("no timer on GALTE") << "tsGALTE"
                                           << "";
    }
    void panelTimersRunOnlyOnTheirTab()
    {
        QFETCH(QString, sheet);
        QFETCH(QString, timer);
        ShellFixture f;
        TfrmMain& frm = f.Open();
        TPanel* panel = frm.PanelOf(sheet);
        QVERIFY(panel);
        QWidget* page = tab(frm, sheet);
        frm.PageControl->setTabVisible(frm.PageControl->indexOf(page), true);
        frm.PageControl->setCurrentWidget(page);
        if (timer.isEmpty()) {
            QVERIFY(!panel->TabTimer());
            return;
        }
        QVERIFY(panel->TabTimer());
        QCOMPARE(panel->TabTimer()->objectName(), timer);
        QCOMPARE(panel->TabTimer()->interval(), 300);
        QVERIFY(panel->TabTimer()->isActive());
        QSignalSpy ticks(panel->TabTimer(), &QTimer::timeout);
        QVERIFY(ticks.wait(2000));
        frm.PageControl->setCurrentWidget(frm.tsCmd);
        QVERIFY(!panel->TabTimer()->isActive());
    }

    // Every panel gets each identification and keeps its settings in its own section.
    void panelsGetTheFeedAndTheirSettingsSection()
    {
        ShellFixture f;
        f.store->setValue("Form/ControlExtMem/Probe", 41);
        {
            TfrmMain& frm = f.Open();
            auto* probe = new ProbePanel(frm);
            frm.InstallPanel("tsCtrlExtMem", probe);
            frm.UpdateInfo(infoFor(mDevice6, 0x8000), {});
            QCOMPARE(probe->modes, QList<int>({int(mDevice6)}));
            QCOMPARE(probe->groups, (QSet<int>{2, 3, 4, 8}));
            probe->value = 42;
        }
        f.Close();
        QCOMPARE(f.store->value("Form/ControlExtMem/Probe").toInt(), 42);
    }

    // Every answer of presence is kept for the address asked; "Отчёт об устройствах..." writes the
    // device list with it. A silent address afterwards keeps what was seen before.
    void inventoryReportHasTheLastIdentification()
    {
        SimWindow w;
        w.Add({"12:boot51"});
        w.Start();
        TfrmMain& frm = w.Open(12);
        TDatabase& db = w.shell.dm.Connection;
        QVERIFY(db.Exec(QStringLiteral("delete from Устройство")));
        QVERIFY(db.Exec(QStringLiteral("insert into Устройство (Num, Addr, Name) values (1, 12, 'Шкаф')")));
        QVERIFY(QTest::qWaitFor([&] { return TIdentityStore(db).Last(12).has_value(); }, 8000));
        QSignalSpy displayed(&frm, &TfrmMain::Displayed);
        w.shell.session.DevAddr = 40;
        QVERIFY(QTest::qWaitFor([&] { return displayed.size() >= 3; }, 8000));

        const QString report = w.shell.tmp.dir.filePath(QStringLiteral("inventory"));
        w.dialogs.push(report, 2);  // no suffix: the type chosen in the dialog
        frm.M_InventoryReport->trigger();
        QFile file(report);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonArray list = QJsonDocument::fromJson(file.readAll()).array();
        QCOMPARE(list.size(), 1);
        const QJsonObject device = list[0].toObject();
        QCOMPARE(device.value("address").toInt(), 12);
        QCOMPARE(device.value("listName").toString(), QStringLiteral("Шкаф"));
        QCOMPARE(device.value("mode").toString(), QStringLiteral("boot5.1"));
        for (const char* key : {"name", "version", "build", "part", "ext"})
            QVERIFY2(device.contains(QLatin1String(key)), key);
        const QDateTime seen = QDateTime::fromString(device.value("seen").toString(), Qt::ISODate);
        QVERIFY(qAbs(seen.secsTo(QDateTime::currentDateTime())) < 60);
        QCOMPARE(frm.StatusLineText(), QStringLiteral("Отчёт об устройствах: 1 в inventory"));
        QVERIFY(!TIdentityStore(db).Last(40));
    }

    void sizeAndPlaceOutliveTheRun()
    {
        ShellFixture f;
        const QSize minimum(824, 538 + f.Open().menuBar()->sizeHint().height());
        QCOMPARE(f.Frm().minimumSize(), minimum);
        QCOMPARE(f.Frm().size(), minimum);
        QVERIFY(f.Frm().maximumWidth() > 4000);
        const QRect moved(QPoint(10, 20), minimum + QSize(0, 30));
        f.Frm().setGeometry(moved);
        f.Close();
        QCOMPARE(f.store->value("Form/Left").toInt(), 10);
        QCOMPARE(f.store->value("Form/Height").toInt(), moved.height());
        QCOMPARE(f.Reopen().geometry(), moved);

        // Maximised: that state and the rectangle it returns to.
        f.Frm().setWindowState(Qt::WindowMaximized);
        f.Close();
        QCOMPARE(f.store->value("Form/Maximized").toInt(), 1);
        QVERIFY(f.Reopen().isMaximized());
        QCOMPARE(f.Frm().normalGeometry(), moved);
        f.Frm().setWindowState(Qt::WindowNoState);

        // Left where no screen is any more: back on the primary screen, centred, size kept.
        f.Close();
        f.store->setValue("Form/Left", 30000);
        f.store->setValue("Form/Top", -9000);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect shown = f.Reopen().geometry();
        QCOMPARE(shown.size(), moved.size());
        QVERIFY(screen.contains(shown.topLeft()));
        QVERIFY(qAbs(shown.center().y() - screen.center().y()) <= 1 || shown.top() == screen.top());

        // A stored size below the minimum, or a broken value, gives no smaller window.
        f.Close();
        f.store->setValue("Form/Width", 200);
        QCOMPARE(f.Reopen().size(), QSize(minimum.width(), moved.height()));
        f.Close();
        f.store->setValue("Form/Height", "abc");
        QCOMPARE(f.Reopen().size(), minimum);
    }

    // Every grid takes what the window grows by; at the minimum size the hex grids keep their
    // columns as wide as they were laid out.
    void gridsGrowWithTheWindow()
    {
        ShellFixture f;
        TfrmMain& frm = f.Open();
        for (int i = 0; i < frm.PageControl->count(); ++i)
            frm.PageControl->setTabVisible(i, true);
        frm.M_BusMonitorClick();
        frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frm));
        QVERIFY(frm.TravoTab);
        const std::pair<QWidget*, QAbstractScrollArea*> grids[] = {
            {frm.tsDevice, frm.DeviceTabPanel->dbgDevice},   {frm.tsFLASH, frm.FlashTab->FLASH},
            {frm.tsExtMem, frm.ExtMemTab->ExtMem},           {tab(frm, "tsTRAVO"), frm.TravoTab->DBGridRoute},
            {tab(frm, "tsTRAVO"), frm.TravoTab->DBGridTurn},
        };
        const QSize grow(300, 200);
        for (const auto& [page, grid] : grids) {
            frm.resize(frm.minimumSize());
            frm.PageControl->setCurrentWidget(page);
            QTest::qWait(20);
            const QSize before = grid->size();
            frm.resize(frm.minimumSize() + grow);
            QTest::qWait(20);
            QVERIFY2(grid->width() > before.width() + grow.width() / 3, qPrintable(grid->objectName()));
            QVERIFY2(grid->height() > before.height() + grow.height() / 3, qPrintable(grid->objectName()));
        }
        frm.resize(frm.minimumSize());
        for (THexGrid* hex : {frm.FlashTab->FLASH, frm.ExtMemTab->ExtMem}) {
            frm.PageControl->setCurrentWidget(hex == frm.FlashTab->FLASH ? frm.tsFLASH : frm.tsExtMem);
            QTest::qWait(20);
            QCOMPARE(hex->columnWidth(0), 35);
            QCOMPARE(hex->columnWidth(15), 35);
        }
        // The monitor is a window of its own.
        QTableView* list = frm.BusMonitor->View();
        const QSize before = list->size();
        frm.BusMonitor->resize(frm.BusMonitor->size() + grow);
        QTest::qWait(20);
        QCOMPARE(list->size(), before + grow);
    }

    void shortcutTable()
    {
        const auto ShortcutButton = [](const QString& sheet, int key) { return TfrmMain::ShortcutButton(sheet, key); };
        QCOMPARE(ShortcutButton("tsDevice", Qt::Key_F5), QStringLiteral("btnWriteFLASH"));
        QCOMPARE(ShortcutButton("tsFLASH", Qt::Key_F9), QStringLiteral("btnRunProgram"));
        QCOMPARE(ShortcutButton("tsDevice", Qt::Key_F11), QStringLiteral("btnRunBootloader"));
        QCOMPARE(ShortcutButton("tsCmd", Qt::Key_F9), QStringLiteral("btnSendData"));
        QCOMPARE(ShortcutButton("tsCmd", Qt::Key_F8), QStringLiteral("btnClearAnswers"));
        QVERIFY(ShortcutButton("tsCmd", Qt::Key_F5).isEmpty());
        QVERIFY(ShortcutButton("tsExtMem", Qt::Key_F9).isEmpty());
        QVERIFY(ShortcutButton("tsFLASH", Qt::Key_F8).isEmpty());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

// The device tab: list operations by buttons, keys and menu, the edit dialog, the display step
// and the clock command against a simulated device.
#include <QAction>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "base/mainthreadcalls.h"
#include "base/messageservice.h"
#include "data/datamodule.h"
#include "data/ui/devicetab.h"
#include "data/ui/frmeditdevice.h"
#include "data/ui/frmscandevices.h"
#include "link/comport.h"
#include "link/devicesession.h"
#include "sim/firmwaredevice.h"
#include "support/simport.h"
#include "support/testpanelhost.h"

namespace {

struct Recorder : MessageService {
    QStringList shown;
    QStringList asked;
    bool answer = false;
    void show(MsgKind, const QString& text) override { shown << text; }
    bool askYesNo(const QString& text, AskIcon) override
    {
        asked << text;
        return answer;
    }
};

}  // namespace

class TstDeviceTab : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    Recorder rec;
    MessageService* previous = nullptr;
    std::unique_ptr<TDM> dm;
    std::unique_ptr<DeviceSession> session;
    std::unique_ptr<TestPanelHost> host;
    std::unique_ptr<DeviceTab> tab;

    void openWith(const QStringList& inserts)
    {
        const QString path = dir.filePath(QStringLiteral("t%1.db").arg(QDateTime::currentMSecsSinceEpoch()));
        {
            TDatabase db;
            QVERIFY(db.Open(path, TDatabase::OpenMode::CreateIfMissing));
            for (const QString& s : inserts)
                QVERIFY2(db.Exec(s), qPrintable(db.LastError()));
        }
        dm = std::make_unique<TDM>();
        session = std::make_unique<DeviceSession>();
        TDataModuleSettings settings;
        settings.dataBase = path;
        QCOMPARE(dm->Startup(settings, {}), TStartupResult::Continue);
        DeviceSession* s = session.get();
        dm->DevAddr = [s] { return int(s->DevAddr); };
        host = std::make_unique<TestPanelHost>(*session);
        tab = std::make_unique<DeviceTab>(*host, *dm);
        tab->resize(800, 500);
        tab->show();
        rec.shown.clear();
        rec.asked.clear();
    }

    // "N Name Addr" per row, as the grid shows it; the selected row marked with *.
    QStringList grid()
    {
        QStringList out;
        QAbstractItemModel* m = tab->dbgDevice->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << QStringLiteral("%1%2 %3 %4")
                       .arg(m->index(r, 0).data().toBool() ? "*" : "")
                       .arg(m->index(r, 1).data().toInt())
                       .arg(m->index(r, 2).data().toString())
                       .arg(m->index(r, 3).data().toInt());
        return out;
    }
    int currentRow() { return tab->dbgDevice->currentIndex().row(); }

    // The next edit dialog gets these texts and is closed with OK (or cancelled).
    void editWith(const QString& name, const QString& addr, bool ok, int* opened)
    {
        tab->execEditDialog = [=](TfrmEditDevice& dlg) {
            ++*opened;
            if (!name.isNull())
                dlg.edtName->setText(name);
            dlg.edtAddr->setText(addr);
            if (ok)
                dlg.btnOK->click();
            if (dlg.result() != QDialog::Accepted)
                dlg.reject();  // Esc, close box or "Отмена"
        };
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        previous = MessageService::install(&rec);
    }
    void cleanupTestCase() { MessageService::install(previous); }
    void cleanup()
    {
        tab.reset();
        host.reset();
        session.reset();
        dm.reset();
    }

    void listByKeysButtonsAndMenu()
    {
        openWith({"insert into Устройство (ID, Num, Addr, Name) values (3, 1, 10, 'first')",
                  "insert into Устройство (ID, Num, Addr, Name) values (1, 2, 20, 'second')",
                  "insert into Устройство (ID, Num, Addr, Name) values (2, 3, 0, 'third')"});
        QTableView* g = tab->dbgDevice;
        const QStringList titles = {" ", "№", "Устройство", "Адрес"};
        for (int c = 0; c < 4; ++c)
            QCOMPARE(g->model()->headerData(c, Qt::Horizontal).toString(), titles[c]);
        QCOMPARE(grid(), (QStringList{"1 first 10", "2 second 20", "3 third 0"}));
        QCOMPARE(currentRow(), 0);

        // Space selects; the mark follows the address. Address 0 is a valid selection.
        g->setCurrentIndex(g->model()->index(2, 2));
        QTest::keyClick(g, Qt::Key_Space);
        QCOMPARE(session->DevAddr, uint16_t(0));
        QCOMPARE(grid(), (QStringList{"1 first 10", "2 second 20", "*3 third 0"}));
        QCOMPARE(currentRow(), 2);
        g->setCurrentIndex(g->model()->index(0, 2));
        tab->M_DeviceSelect->trigger();
        QCOMPARE(session->DevAddr, uint16_t(10));
        QCOMPARE(grid().first(), QStringLiteral("*1 first 10"));

        // Insert adds after the largest Num, offering an address nobody has. Text that is not a
        // number and an address of the list keep the dialog open with a message.
        int opened = 0;
        QString offered;
        tab->execEditDialog = [&](TfrmEditDevice& dlg) {
            ++opened;
            offered = dlg.edtAddr->text();
            dlg.edtName->setText("fourth");
            for (const char* addr : {"12a", "0", "12"}) {
                dlg.edtAddr->setText(addr);
                dlg.btnOK->click();
                QCOMPARE(dlg.result() == QDialog::Accepted, addr == QLatin1String("12"));
            }
        };
        QTest::keyClick(g, Qt::Key_Insert);
        QCOMPARE(opened, 1);
        QCOMPARE(offered, QStringLiteral("1"));
        QCOMPARE(rec.shown, (QStringList{"Неверное значение!", "Устройство с адресом 0 уже есть в списке!"}));
        QCOMPARE(grid().last(), QStringLiteral("4 fourth 12"));
        QCOMPARE(dm->Connection.TransLevel(), 0);
        rec.shown.clear();

        // F4 with an address out of range: "Неверное значение!", then cancelled: nothing changes.
        g->setCurrentIndex(g->model()->index(1, 2));
        editWith("changed", "32768", true, &opened);
        QTest::keyClick(g, Qt::Key_F4);
        QCOMPARE(rec.shown, QStringList{"Неверное значение!"});
        QCOMPARE(grid()[1], QStringLiteral("2 second 20"));
        QCOMPARE(dm->Connection.TransLevel(), 0);
        // Enter edits too; the address of a marked row changes, the selection does not.
        g->setCurrentIndex(g->model()->index(0, 2));
        editWith(QString(), "11", true, &opened);
        QTest::keyClick(g, Qt::Key_Return);
        QCOMPARE(grid().first(), QStringLiteral("1 first 11"));
        QCOMPARE(session->DevAddr, uint16_t(10));
        QCOMPARE(opened, 3);

        // Keys with Shift, Ctrl or Alt do nothing.
        QTest::keyClick(g, Qt::Key_Delete, Qt::ShiftModifier);
        QTest::keyClick(g, Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(opened, 3);
        QVERIFY(rec.asked.isEmpty());

        // Delete asks; No keeps the row, Yes removes it, the others keep their Num.
        g->setCurrentIndex(g->model()->index(1, 2));
        rec.answer = false;
        QTest::keyClick(g, Qt::Key_Delete);
        QCOMPARE(rec.asked, QStringList{"Удалить запись?"});
        QCOMPARE(grid().size(), 4);
        rec.answer = true;
        tab->btnDeviceDel->click();
        QCOMPARE(grid(), (QStringList{"1 first 11", "2 third 0", "3 fourth 12"}));
        QCOMPARE(
            dm->Connection.Scalar("select group_concat(Num) from (select Num from Устройство order by Num)").toString(),
            QStringLiteral("1,3,4"));

        // Moving swaps neighbours across the gap and keeps the moved row current.
        g->setCurrentIndex(g->model()->index(0, 2));
        tab->btnMoveDown->click();
        QCOMPARE(grid(), (QStringList{"1 third 0", "2 first 11", "3 fourth 12"}));
        QCOMPARE(currentRow(), 1);
        tab->btnMoveUp->click();
        tab->btnMoveUp->click();  // already first: nothing
        QCOMPARE(grid(), (QStringList{"1 first 11", "2 third 0", "3 fourth 12"}));
        QCOMPARE(currentRow(), 0);

        // Double-click edits; the dialog closed without OK changes nothing.
        editWith("ignored", "5", false, &opened);
        const QRect cell = g->visualRect(g->model()->index(2, 2));
        // A double click arrives after the press of its first click.
        QTest::mousePress(g->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(opened, 4);
        QCOMPARE(grid().last(), QStringLiteral("3 fourth 12"));
        QCOMPARE(dm->Connection.TransLevel(), 0);
    }

    void addToEmptyListAndCancel()
    {
        openWith({});
        int opened = 0;
        editWith("x", "7", false, &opened);
        tab->btnDeviceEdit->click();  // edit on an empty list adds
        QCOMPARE(opened, 1);
        QVERIFY(grid().isEmpty());
        tab->btnDeviceDel->click();  // nothing to delete: no question
        QVERIFY(rec.asked.isEmpty());
        editWith("x", "7", true, &opened);
        tab->btnDeviceAdd->click();
        QCOMPARE(grid(), QStringList{"1 x 7"});
        QCOMPARE(dm->Connection.Scalar("select Num from Устройство").toInt(), 1);
    }

    void displayStep()
    {
        openWith({});
        QCOMPARE(tab->DateRTC->property("tag").toInt(), 8);
        QCOMPARE(tab->btnSyncDateTime->property("tag").toInt(), 8);
        QCOMPARE(tab->VarMode->property("tag").toInt(), 2);
        QCOMPARE(tab->Voltage->property("tag").toInt(), 2);
        QCOMPARE(tab->Temp->text(), QStringLiteral("- - -"));
        QVERIFY(!tab->ParamsList->isVisible());

        TDeviceInfo info;
        info.Mode = mDevice5;
        info.Temp = 25;
        info.Voltage = 12.4f;
        info.VarMode = 10;
        info.DateRTC = EncodeRtcDate(2031, 3, 5);
        info.TimeRTC = EncodeRtcTime(7, 8, 9);
        tab->ShowPresence(MakePresenceView(info, {}, QLocale::c()));
        QCOMPARE(tab->Temp->text(), QStringLiteral("25 °C  (77 °F)"));
        QCOMPARE(tab->Voltage->text(), QStringLiteral("12.4 V"));
        QCOMPARE(tab->VarMode->text(), QStringLiteral("10  (0x0A)"));
        QCOMPARE(tab->DateRTC->text(), QStringLiteral("05.03.2031"));
        QCOMPARE(tab->TimeRTC->text(), QStringLiteral("07:08:09"));
        QVERIFY(tab->GB_Temp->isVisible() && tab->GB_Mode->isVisible() && tab->GB_Voltage->isVisible());

        TParams params;
        params.Add(pkgStr, "Serial", "ZV-5");
        params.Add(pkgHex16, "Status", "00A5");
        info.Mode = mBootloader60;
        tab->ShowInfo(info, params);
        QVERIFY(!tab->GB_Temp->isVisible());
        QCOMPARE(tab->Temp->text(), QStringLiteral("- - -"));
        QCOMPARE(tab->DateRTC->text(), QStringLiteral("- - -"));
        QVERIFY(tab->ParamsList->isVisible());
        QCOMPARE(tab->ParamsList->rowCount(), 3);
        QCOMPARE(tab->ParamsList->item(0, 0)->text(), QStringLiteral("Параметр"));
        QCOMPARE(tab->ParamsList->item(0, 1)->text(), QStringLiteral("Значение"));
        QCOMPARE(tab->ParamsList->item(2, 1)->text(), QStringLiteral("00A5"));

        tab->ShowInfo(TDeviceInfo{}, params);  // mNone
        QVERIFY(!tab->ParamsList->isVisible());
        QVERIFY(!tab->GB_Mode->isVisible());
    }

    void scanFillsTheListFromTheSimulator()
    {
        openWith({"insert into Устройство (ID, Num, Addr, Name) values (1, 1, 5, 'Щит')"});
        SimPort sim;
        sim.Add({"3:app6", "5:usbrelay8", "7:boot51"});
        sim.Start();

        // Without a port there is nothing to ask.
        bool ran = false;
        tab->execScanDialog = [&](TfrmScanDevices& dlg) {
            ran = true;
            dlg.btnScan->click();
            QVERIFY(!dlg.Scanning());
        };
        tab->btnScanDevices->click();
        QVERIFY(ran);
        QCOMPARE(rec.shown, QStringList{"Порт не открыт: выберите его в меню «Настройки» → «COM-порт...»"});

        PortSettings ps;
        ps.Number = sim.number;
        ps.TimeOut = 120;
        ps.RepCount = 3;
        session->catalogPath = QStringLiteral(ZEVANTA_SOURCE_DIR "/resources/mcu.xml");
        QVERIFY(session->OpenLink(ps).opened);
        session->DevAddr = 3;
        session->ResumePresence();
        TZEVA16* link = session->ZevaLink();

        auto cells = [](TfrmScanDevices& dlg, int row) {
            QStringList out;
            for (int c = 0; c < TfrmScanDevices::colCount; ++c)
                out << dlg.grdFound->item(row, c)->text();
            return out;
        };
        auto ticked = [](TfrmScanDevices& dlg) {
            QList<bool> out;
            for (int r = 0; r < dlg.grdFound->rowCount(); ++r)
                out << (dlg.grdFound->item(r, 0)->checkState() == Qt::Checked);
            return out;
        };

        // A small range: every device found, the listed one unticked; "Добавить" adds the new
        // ones after it and, once ticked, renames the listed one instead of doubling it.
        QStringList names;
        tab->execScanDialog = [&](TfrmScanDevices& dlg) {
            QCOMPARE(dlg.edtFirst->value(), 1);
            QCOMPARE(dlg.edtLast->value(), 254);
            dlg.edtFirst->setValue(2);
            dlg.edtLast->setValue(8);
            dlg.btnScan->click();
            QVERIFY(dlg.Scanning());
            QVERIFY(!session->PresenceRunning());
            QCOMPARE(link->TimeOut(), uint16_t(kScanTimeoutMs));
            QTRY_VERIFY_WITH_TIMEOUT(!dlg.Scanning(), 10000);
            QCOMPARE(dlg.PB->value(), 7);
            QCOMPARE(dlg.lbStatus->text(),
                     QStringLiteral("Поиск окончен: опрошено адресов 7 из 7, найдено устройств: 3"));
            QCOMPARE(dlg.grdFound->rowCount(), 3);
            for (int r = 0; r < 3; ++r)
                names << dlg.grdFound->item(r, TfrmScanDevices::colName)->text();
            QCOMPARE(cells(dlg, 0),
                     (QStringList{"3", "app6", "Unit B6   v. 6.1   build 345", "6.1", "345", "ATmega32", "32 КБ", ""}));
            QCOMPARE(cells(dlg, 2).mid(0, 2), (QStringList{"7", "boot5.1"}));
            QCOMPARE(ticked(dlg), (QList<bool>{true, false, true}));
            QCOMPARE(dlg.grdFound->item(1, TfrmScanDevices::colListed)->text(), QStringLiteral("Щит"));
            // The link has its own wait and attempts back, and presence runs again.
            QCOMPARE(link->TimeOut(), uint16_t(120));
            QCOMPARE(int(link->RepCount), 3);
            QVERIFY(session->PresenceRunning());

            dlg.btnAdd->click();
            QCOMPARE(grid(), (QStringList{"1 Щит 5", "*2 " + names[0] + " 3", "3 " + names[2] + " 7"}));
            dlg.grdFound->item(1, 0)->setCheckState(Qt::Checked);
            dlg.btnAdd->click();
            QCOMPARE(grid(), (QStringList{"1 " + names[1] + " 5", "*2 " + names[0] + " 3", "3 " + names[2] + " 7"}));
            QCOMPARE(dlg.lbStatus->text(), QStringLiteral("Добавлено в список: 0, обновлено: 1"));
            QCOMPARE(dlg.grdFound->item(1, TfrmScanDevices::colListed)->text(), names[1]);
            dlg.btnClose->click();
        };
        rec.shown.clear();
        tab->btnScanDevices->click();
        QVERIFY(rec.shown.isEmpty());
        QCOMPARE(dm->Connection.TransLevel(), 0);

        // The whole default range, stopped part-way: it ends at once and says so; the window
        // kept drawing the progress meanwhile.
        tab->execScanDialog = [&](TfrmScanDevices& dlg) {
            dlg.btnScan->click();
            QTRY_VERIFY_WITH_TIMEOUT(dlg.PB->value() >= 20, 10000);
            QVERIFY(dlg.Scanning());
            QElapsedTimer stop;
            stop.start();
            dlg.btnStop->click();
            QTRY_VERIFY_WITH_TIMEOUT(!dlg.Scanning(), 2000);
            QVERIFY2(stop.elapsed() < 500, qPrintable(QString::number(stop.elapsed())));
            QVERIFY(dlg.Asked() < 254);
            QVERIFY(dlg.lbStatus->text().startsWith(QStringLiteral("Поиск остановлен: опрошено адресов")));
            QVERIFY(session->PresenceRunning());

            // Closing the window in the middle of a scan stops it first.
            dlg.btnScan->click();
            QTRY_VERIFY_WITH_TIMEOUT(dlg.PB->value() >= 1, 10000);
            stop.restart();
            dlg.reject();
            QVERIFY(!dlg.Scanning());
            QVERIFY2(stop.elapsed() < 500, qPrintable(QString::number(stop.elapsed())));
        };
        tab->btnScanDevices->click();
        QVERIFY(session->PresenceRunning());
        QCOMPARE(grid().size(), 3);
        session->CloseLink();
    }

    void clockSynchronisationOnTheSimulator()
    {
        openWith({});
        SimPort sim;
        zeva::sim::FirmwareConfig cfg;
        cfg.bootGeneration = cfg.appGeneration = zeva::sim::Generation::Second;
        cfg.startInApplication = true;
        auto& dev = sim.bus.emplace<zeva::sim::FirmwareDevice>(uint16_t(4), cfg);
        sim.Start();
        const int port = sim.number;

        // Without a link nothing is sent; the user is told.
        tab->btnSyncDateTimeClick();
        QCOMPARE(rec.shown, QStringList{"Команда не принята!"});

        PortSettings ps;
        ps.Number = port;
        ps.TimeOut = 50;
        ps.RepCount = 2;
        session->catalogPath = QStringLiteral(ZEVANTA_SOURCE_DIR "/resources/mcu.xml");
        QVERIFY(session->OpenLink(ps).opened);
        session->DevAddr = 4;
        session->ResumePresence();
        tab->now = [] { return QDateTime(QDate(2031, 3, 5), QTime(7, 8, 9)); };
        tab->btnSyncDateTime->setEnabled(true);
        tab->btnSyncDateTime->click();
        QCOMPARE(rec.shown.size(), 1);
        QVERIFY(session->PresenceRunning());
        session->PausePresence();
        const auto log = dev.requestLog();
        auto it = std::find_if(log.begin(), log.end(), [](const auto& r) { return r.cmd == 33; });
        QVERIFY(it != log.end());
        QCOMPARE(it->payload, (std::vector<uint8_t>{0x05, 0x03, 0x1F, 0x07, 0x08, 0x09}));
        const auto clock = dev.clock();
        QCOMPARE(int(clock[2]), 31);

        // A device that refuses (its bootloader keeps no clock): the message, presence again.
        dev.setMode(zeva::sim::FirmwareDevice::Mode::Bootloader);
        session->ResumePresence();
        tab->btnSyncDateTime->click();
        QCOMPARE(rec.shown, (QStringList{"Команда не принята!", "Команда не принята!"}));
        QVERIFY(session->PresenceRunning());
        session->CloseLink();
    }
};

QTEST_MAIN(TstDeviceTab)
#include "tst_devicetab.moc"

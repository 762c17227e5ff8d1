// The relay, SARVEL, KESTA and GALTE tabs against simulated devices over a pty: the real buttons
// are clicked, and the test checks what the device received and what the tab shows afterwards.
#include <QtTest>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "app/ui/frmmain.h"
#include "base/messages.h"
#include "data/dataset.h"
#include "link/comport.h"
#include "link/controlgroups.h"
#include "panels/ui/frmeditbrelok.h"
#include "panels/ui/galtetab.h"
#include "panels/ui/kestatab.h"
#include "panels/ui/led.h"
#include "panels/ui/sarveltab.h"
#include "panels/ui/scdpump.h"
#include "panels/ui/usbrelaytab.h"
#include "sim/deviceoption.h"
#include "sim/galtedevice.h"
#include "sim/kestadevice.h"
#include "sim/relaydevices.h"
#include "sim/simbus.h"
#include "support/simwindow.h"

using Bytes = std::vector<uint8_t>;
using zeva::sim::LoggedRequest;

namespace {

enum : uint16_t { kRelay = 7, kMiran = 8, kSarvel = 9, kKesta = 10, kGalte = 11 };

// A bus with one device of each family, and the window on it with one tab switched on and in front.
struct BusSim : SimWindow {
    BusSim()
    {
        Add({"7:usbrelay8", "8:miran:in=0x81", "9:sarvel:units=0x10/0x12/0x14,silent=0x12",
             "10:kesta:fault=3,fob=1A2B3C,fobkeys=1", "11:galte:slaves=1/2/3,silent=3"});
        Start();
    }
    TfrmMain& Open(uint16_t addr, const QString& sheet)
    {
        shell.store->setValue(QStringLiteral("Form/") + sheet, 1);
        shell.store->setValue(QStringLiteral("Form/Active Tab"), sheet);
        return SimWindow::Open(addr);
    }
    template <class T>
    T* dev(uint16_t addr)
    {
        return bus.deviceAs<T>(addr);
    }
    // Requests other than identification that reached the device since the last call.
    std::vector<LoggedRequest> sent(uint16_t addr)
    {
        std::vector<LoggedRequest> out;
        zeva::sim::SimDevice* d = bus.device(addr);
        for (const auto& r : d->requestLog())
            if (r.cmd != 113)
                out.push_back(r);
        d->clearRequestLog();
        return out;
    }
};

// Runs `fill` on the modal dialog of type D as soon as it is open.
template <class D>
void onDialog(std::function<void(D&)> fill)
{
    QTimer::singleShot(0, [fill] {
        QTRY_VERIFY(qobject_cast<D*>(QApplication::activeModalWidget()));
        D& d = *qobject_cast<D*>(QApplication::activeModalWidget());
        fill(d);
        if (d.isVisible())  // a check inside failed: do not leave the test blocked on it
            d.reject();
    });
}

// Buttons of the device groups come back with the display step after each exchange.
#define CLICK_ENABLED(button)                                  \
    do {                                                       \
        QTRY_VERIFY_WITH_TIMEOUT((button)->isEnabled(), 8000); \
        (button)->click();                                     \
    } while (0)

bool sentOnce(const std::vector<LoggedRequest>& log, uint8_t cmd, const Bytes& payload)
{
    return log.size() == 1 && log.front().cmd == cmd && log.front().payload == payload;
}

}  // namespace

class TestDevicePanels1 : public QObject {
    Q_OBJECT
private slots:
    void usbRelayTab()
    {
        BusSim sim;
        auto* dev = sim.dev<zeva::sim::UsbRelayDevice>(kRelay);
        TfrmMain& frm = sim.Open(kRelay, QStringLiteral("tsUSBRelay"));
        auto* tab = frm.findChild<TUsbRelayTab*>();
        QVERIFY(tab);
        QTRY_VERIFY_WITH_TIMEOUT(!tab->btnRelay[7]->isHidden() && !tab->gbRelayRESET->isHidden(), 8000);
        QVERIFY(tab->TabTimer() && tab->TabTimer()->isActive());

        // Relays 1 and 2 on in the device; a click on 3 sends all three.
        dev->handle(81, Bytes{0x03});
        QTRY_VERIFY(tab->ledRelay[0]->IsOn() && tab->ledRelay[1]->IsOn());
        sim.sent(kRelay);
        tab->btnRelay[2]->click();
        QVERIFY(sentOnce(sim.sent(kRelay), 81, {0x07}));
        QCOMPARE(dev->relayBits(), 0x07);
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Реле 3 включено")));

        // "Включить все" changes no indicator itself: the next identification draws them.
        tab->btnSetAllRelaysUSB->click();
        QVERIFY(sentOnce(sim.sent(kRelay), 81, {0xFF}));
        QVERIFY(!tab->ledRelay[7]->IsOn());
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Все реле включены")));
        QTRY_VERIFY(tab->ledRelay[7]->IsOn());

        // Locked relays are disabled and dark although their bits are set.
        dev->setLocks(true, false);
        QTRY_VERIFY(!tab->btnRelay[5]->isEnabled() && !tab->ledRelay[5]->IsOn());
        QVERIFY(tab->btnRelay[4]->isEnabled() && tab->ledRelay[4]->IsOn());

        tab->btnRelayReset->click();
        QVERIFY(sentOnce(sim.sent(kRelay), 83, {0x01}));
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Реле RESET включено")));
        QTRY_VERIFY(dev->resetRelay() && tab->ledRelayReset->IsOn());

        // A refusal of "Выключить все" is reported; the indicators stay as the device has them.
        dev->addFault({zeva::sim::FaultKind::Refuse, 81});
        tab->btnClearAllRelaysUSB->click();
        QCOMPARE(sim.boxes.texts(), QStringList{QStringLiteral("Команда не принята!")});
        dev->clearFaults();

        // The timer runs only while its tab is in front.
        frm.PageControl->setCurrentWidget(frm.tsDevice);
        QVERIFY(!tab->TabTimer()->isActive());
        frm.PageControl->setCurrentIndex(frm.PageControl->indexOf(tab->parentWidget()));
        QVERIFY(tab->TabTimer()->isActive());

        // The device goes silent: dark indicators, disabled buttons, dashes for the inputs.
        dev->addFault({zeva::sim::FaultKind::Silent});
        QTRY_VERIFY_WITH_TIMEOUT(!tab->btnRelay[0]->isEnabled() && !tab->lbNoneSens->isHidden(), 8000);
        for (TLed* led : tab->ledRelay)
            QVERIFY(!led->IsOn());
        QVERIFY(!tab->ledRelayReset->IsOn());
    }

    void miranTab()
    {
        BusSim sim;
        auto* dev = sim.dev<zeva::sim::MiranDevice>(kMiran);
        TfrmMain& frm = sim.Open(kMiran, QStringLiteral("tsFentor"));
        auto* tab = frm.findChild<TMiranTab*>();
        QVERIFY(tab);
        QTRY_VERIFY_WITH_TIMEOUT(tab->btnRelayMIRAN[0]->isEnabled(), 8000);
        QTRY_VERIFY(tab->ledSensMIRAN[0]->IsOn() && tab->ledSensMIRAN[7]->IsOn());
        QVERIFY(!tab->ledSensMIRAN[1]->IsOn());
        QCOMPARE(tab->ledSensMIRAN[0]->OnColor(), TLed::YellowColor());
        sim.sent(kMiran);
        tab->btnRelayMIRAN[1]->click();
        QVERIFY(sentOnce(sim.sent(kMiran), 81, {0x02}));
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Реле 2 включено")));
        QTRY_VERIFY(dev->outputBits() == 0x02 && tab->ledRelayMIRAN[1]->IsOn());
        tab->btnClearAllRelaysMIRAN->click();
        QVERIFY(sentOnce(sim.sent(kMiran), 81, {0x00}));
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Все реле выключены")));
        QTRY_VERIFY(!tab->ledRelayMIRAN[1]->IsOn());
        QVERIFY(sim.boxes.texts().isEmpty());
    }

    void sarvelTab()
    {
        BusSim sim;
        auto* dev = sim.dev<zeva::sim::SarvelMaster>(kSarvel);
        dev->setUnitOutputs(0x10, 0x80000001);
        TfrmMain& frm = sim.Open(kSarvel, QStringLiteral("tsSARVEL"));
        auto* tab = frm.findChild<TSarvelTab*>();
        QVERIFY(tab);
        QTRY_VERIFY_WITH_TIMEOUT(tab->btnSetSARVEL->isEnabled(), 8000);

        tab->SetItemIndex(0);
        QCOMPARE(tab->lbVersionSARVEL->text(), QStringLiteral("2.1"));
        QVERIFY(tab->cbOut[0]->isChecked() && tab->cbOut[31]->isChecked() && !tab->cbOut[1]->isChecked());

        sim.sent(kSarvel);
        tab->btnTest1->click();
        CLICK_ENABLED(tab->btnSetSARVEL);
        QVERIFY(sentOnce(sim.sent(kSarvel), 106, {0x10, 0x55, 0x55, 0x55, 0x55}));
        QCOMPARE(dev->unitOutputs(0x10), 0x55555555u);
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Выходы блока 0x10 записаны")));
        tab->btnTest2->click();
        QVERIFY(tab->cbOut[1]->isChecked() && !tab->cbOut[0]->isChecked());
        CLICK_ENABLED(tab->btnSARVELTurnOffAll);
        for (QCheckBox* cb : tab->cbOut)
            QVERIFY(!cb->isChecked());
        QVERIFY(sim.sent(kSarvel).empty());  // those two only change the boxes

        // The silent unit: dashes and cleared boxes, no message; writing to it is reported.
        tab->btnTest1->click();
        tab->SetItemIndex(1);
        const auto asked = sim.sent(kSarvel);  // with the link's retries
        QVERIFY(!asked.empty());
        for (const auto& r : asked)
            QVERIFY(r.cmd == 107 && r.payload == Bytes{0x12});
        QCOMPARE(tab->lbVersionSARVEL->text(), QStringLiteral("- - -"));
        for (QCheckBox* cb : tab->cbOut)
            QVERIFY(!cb->isChecked());
        QVERIFY(sim.boxes.texts().isEmpty());
        tab->btnSetSARVELClick();
        QCOMPARE(sim.boxes.texts(), QStringList{QStringLiteral("Команда не принята!")});
        QCOMPARE(frm.StatusLineText(), QString());  // the earlier write's line is gone
    }

    void kestaTab()
    {
        BusSim sim;
        auto* dev = sim.dev<zeva::sim::KestaDevice>(kKesta);
        TfrmMain& frm = sim.Open(kKesta, QStringLiteral("tsKESTA"));
        auto* tab = frm.findChild<TKestaTab*>();
        QVERIFY(tab);
        QTRY_COMPARE_WITH_TIMEOUT(tab->edtPultSnKESTA->text(), QStringLiteral("01A2B3C"), 8000);
        QVERIFY(!tab->picButtonCloseKESTA->isHidden() && !tab->picIndKESTA->isHidden());
        QVERIFY(tab->picButtonOpenKESTA->isHidden());
        QTRY_COMPARE(tab->ColumnPicture(2), 1);  // the faulty drive
        QCOMPARE(tab->ColumnPicture(0), 0);
        // The warning is drawn in colour while the application runs: the picture is no device control.
        frm.EnableDeviceControls(QSet<int>{cgPresent, cgApplication});
        QVERIFY(tab->imgKESTA[2]->isEnabled());
        QVERIFY(tab->ledSensDownKESTA[0]->IsOn() && !tab->ledSensUpKESTA[0]->IsOn());

        tab->btnCopyPultSnKESTA->click();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("01A2B3C"));

        // The list from the controller; the fob just heard is the current row.
        sim.sent(kKesta);
        tab->btnLoadSN->click();
        QVERIFY(sentOnce(sim.sent(kKesta), 106, {}));
        QCOMPARE(tab->dbgKESTA->rowCount(), 2);
        QCOMPARE(tab->dbgKESTA->item(1, 1)->text(), QStringLiteral("0ABCDEF"));
        tab->dbgKESTA->selectRow(1);
        QTRY_COMPARE(tab->FobList().Current(), 0);

        // A wrong code keeps the dialog open with its message; a good one adds the row.
        QApplication::clipboard()->setText(QStringLiteral("12345678\n"));
        onDialog<TfrmEditBrelok>([&](TfrmEditBrelok& d) {
            QVERIFY(d.AddEdit);
            d.btnPastePultSN->click();  // eight digits are no code, not the first seven of one
            QCOMPARE(d.edtSN->text(), QStringLiteral("12345678"));
            d.btnOK->click();
            QVERIFY(d.isVisible());
            d.edtSN->setText(QStringLiteral("G1"));
            d.btnOK->click();
            QVERIFY(d.isVisible());
            d.edtSN->setText(QStringLiteral("1"));
            d.btnOK->click();
        });
        tab->btnAddSN->click();
        QCOMPARE(sim.boxes.texts(), QStringList(2, QStringLiteral("Неверное значение!")));
        QCOMPARE(tab->dbgKESTA->rowCount(), 3);
        QCOMPARE(tab->dbgKESTA->item(2, 1)->text(), QStringLiteral("0000001"));

        sim.boxes.clear();
        sim.boxes.answer(true);
        tab->btnSaveSN->click();
        QVERIFY(sentOnce(sim.sent(kKesta), 107, {3, 0x00, 0x1A, 0x2B, 0x3C, 0x00, 0xAB, 0xCD, 0xEF, 0, 0, 0, 1}));
        QCOMPARE(dev->fobs(), (std::vector<uint32_t>{0x1A2B3C, 0xABCDEF, 1}));
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Список брелоков записан")));

        // Time-out: 1 is written as the minimum 3.
        tab->edtTimeoutKESTA->setText(QStringLiteral("1"));
        sim.boxes.answer(true);
        tab->btnSaveTimeoutKESTA->click();
        QVERIFY(sentOnce(sim.sent(kKesta), 109, {0x00, 0x03}));
        QCOMPARE(tab->edtTimeoutKESTA->text(), QStringLiteral("3"));
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Тайм-аут записан")));
        tab->edtTimeoutKESTA->clear();
        tab->btnLoadTimeoutKESTA->click();
        QCOMPARE(tab->edtTimeoutKESTA->text(), QStringLiteral("3"));

        // "ПОДНЯТЬ" starts all three pumps at once; the next refresh stops the faulty one.
        sim.sent(kKesta);
        tab->btnUpKESTA->click();
        QVERIFY(sentOnce(sim.sent(kKesta), 99, {0x00}));
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  ПОДНЯТЬ: команда принята")));
        for (TSCDPump* p : tab->Pumps)
            QVERIFY(p->tmr->isActive() && p->angleStep == 18);
        QTRY_VERIFY(!tab->Pumps[2]->tmr->isActive());
        QVERIFY(tab->Pumps[0]->tmr->isActive());
        tab->btnStopKESTA->click();
        QVERIFY(sentOnce(sim.sent(kKesta), 101, {0x00}));
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  СТОП: команда принята")));
        for (TSCDPump* p : tab->Pumps)
            QVERIFY(!p->tmr->isActive());

        tab->btnRelayKESTA[6]->click();
        QVERIFY(sentOnce(sim.sent(kKesta), 97, {0x40}));
        QTRY_VERIFY(dev->outputs() == 0x40);
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Реле 7 включено")));
        CLICK_ENABLED(tab->btnClearAllRelaysKESTA);
        QVERIFY(sentOnce(sim.sent(kKesta), 97, {0x00}));
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Все реле выключены")));

        // Refused commands keep the list as it was.
        dev->addFault({zeva::sim::FaultKind::Refuse, 106});
        sim.boxes.clear();
        tab->btnLoadSN->click();
        QCOMPARE(sim.boxes.texts(), QStringList{QStringLiteral("Команда не принята!")});
        QCOMPARE(tab->dbgKESTA->rowCount(), 3);
        dev->clearFaults();
        // So does an answer shorter than its count, and the user is told the list was not read.
        dev->addFault({zeva::sim::FaultKind::ShortAnswer, 106, 0, 1, 0, 2});
        sim.boxes.clear();
        tab->btnLoadSN->click();
        QCOMPARE(sim.boxes.texts(), QStringList{Msg::FobListNotRead});
        QCOMPARE(tab->dbgKESTA->rowCount(), 3);
        QCOMPARE(tab->dbgKESTA->item(2, 1)->text(), QStringLiteral("0000001"));

        // A device that goes silent blanks the live part.
        dev->addFault({zeva::sim::FaultKind::Silent});
        QTRY_COMPARE_WITH_TIMEOUT(tab->edtPultSnKESTA->text(), QStringLiteral("- - -"), 8000);
        QVERIFY(!tab->btnRelayKESTA[0]->isEnabled() && tab->picIndKESTA->isHidden());
        QVERIFY(!tab->ledSensDownKESTA[0]->IsOn());
        QCOMPARE(tab->ColumnPicture(2), 1);  // pictures keep what they show
    }

    void galteTab()
    {
        BusSim sim;
        auto* dev = sim.dev<zeva::sim::GalteMaster>(kGalte);
        TfrmMain& frm = sim.Open(kGalte, QStringLiteral("tsGALTE"));
        auto* tab = frm.findChild<TGalteTab*>();
        QVERIFY(tab);
        QTRY_VERIFY_WITH_TIMEOUT(tab->btnRefreshStatusSlave->isEnabled(), 8000);

        auto add = [&](const QString& name, const QString& addr) {
            onDialog<TfrmEditSlave>([=](TfrmEditSlave& d) {
                QCOMPARE(d.edtAddr->text(), QStringLiteral("1"));
                d.edtName->setText(name);
                d.edtAddr->setText(addr);
                d.btnOK->click();
            });
            tab->btnSlaveAdd->click();
        };
        add(QStringLiteral("Насос"), QStringLiteral("1"));
        add(QStringLiteral("Молчун"), QStringLiteral("3"));
        add(QStringLiteral("Вентилятор"), QStringLiteral("2"));
        QCOMPARE(tab->dbgSlave->rowCount(), 3);
        QCOMPARE(tab->dbgSlave->item(1, 1)->text(), QStringLiteral("Молчун"));

        // "Отмена" leaves the row and the database as they were.
        onDialog<TfrmEditSlave>([](TfrmEditSlave& d) {
            d.edtName->setText(QStringLiteral("Другое"));
            d.edtAddr->setText(QStringLiteral("99999"));
            d.btnOK->click();
            QVERIFY(d.isVisible());
            d.btnCancel->click();
        });
        tab->btnSlaveEdit->click();
        QCOMPARE(sim.boxes.texts(), QStringList{QStringLiteral("Неверное значение!")});
        QCOMPARE(sim.shell.dm.Connection.Scalar(QStringLiteral("select count(*) from Ведомый where Name = 'Другое'"))
                     .toInt(),
                 0);

        sim.sent(kGalte);
        CLICK_ENABLED(tab->btnRefreshStatusSlave);
        // In the grid's order; the silent slave is asked again by the link's retries.
        std::vector<Bytes> asked;
        for (const auto& r : sim.sent(kGalte))
            if (asked.empty() || asked.back() != r.payload)
                asked.push_back(r.payload);
        QCOMPARE(asked, (std::vector<Bytes>{{0x00, 0x01, 'S'}, {0x00, 0x03, 'S'}, {0x00, 0x02, 'S'}}));
        QCOMPARE(tab->Slaves().StatusAt(0), panels::kSlaveRelayOff);
        QCOMPARE(tab->Slaves().StatusAt(1), panels::kSlaveUnknown);  // silent, no message
        QCOMPARE(tab->Slaves().StatusAt(2), panels::kSlaveRelayOff);

        // Toggle the first: on; the status follows.
        tab->dbgSlave->selectRow(0);
        CLICK_ENABLED(tab->btnRelayToggleSlave);
        QVERIFY(sentOnce(sim.sent(kGalte), 161, {0x00, 0x01, 0x31}));
        QVERIFY(dev->slaveRelay(1));
        QCOMPARE(tab->Slaves().StatusAt(0), panels::kSlaveRelayOn);
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Ведомый 1: реле включено")));

        // Deleting the silent one moves the third slave's status into second place.
        sim.boxes.clear();
        sim.boxes.answer(true);
        tab->dbgSlave->selectRow(1);
        tab->btnSlaveDel->click();
        QCOMPARE(tab->dbgSlave->rowCount(), 2);
        QCOMPARE(tab->dbgSlave->item(1, 1)->text(), QStringLiteral("Вентилятор"));
        QCOMPARE(tab->Slaves().StatusAt(1), panels::kSlaveRelayOff);
        QCOMPARE(tab->Slaves().StatusAt(0), panels::kSlaveRelayOn);

        // Address change: 32768 is refused in the dialog; 9 is done by the master.
        tab->dbgSlave->selectRow(1);
        QTRY_VERIFY_WITH_TIMEOUT(tab->btnChangeAddrSlave->isEnabled(), 8000);
        sim.boxes.clear();
        onDialog<TfrmChangeAddrSlave>([](TfrmChangeAddrSlave& d) {
            QCOMPARE(d.edtAddr->text(), QStringLiteral("2"));
            d.edtAddr->setText(QStringLiteral("32768"));
            d.btnOK->click();
            QVERIFY(d.isVisible());
            d.edtAddr->setText(QStringLiteral("9"));
            d.btnOK->click();
        });
        tab->btnChangeAddrSlave->click();
        QCOMPARE(sim.boxes.texts(), QStringList{QStringLiteral("Неверное значение!")});
        QVERIFY(sentOnce(sim.sent(kGalte), 161, {0x00, 0x02, 0x41, 0x00, 0x09}));
        QVERIFY(dev->hasSlave(9));
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Адрес ведомого 2 изменён на 9")));
    }

    // A refused write ends visibly too: a toggle, which shows no box, says on the status line what
    // failed; the others show their box. Either way no earlier success line is left standing.
    void refusedWritesEndVisibly_data()
    {
        QTest::addColumn<int>("addr");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<int>("cmd");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("boxes");
        const QStringList refused{QStringLiteral("Команда не принята!")};
        auto row = [](const char* name, int addr, const char* sheet, int cmd, const char* button, const char* line,
                      const QStringList& boxes) {
            QTest::newRow(name) << addr << QString::fromUtf8(sheet) << cmd << QString::fromUtf8(button)
                                << QString::fromUtf8(line) << boxes;
        };
        row("relay toggle", kRelay, "tsUSBRelay", 81, "btnRelay3", "Реле 3: Команда не принята!", {});
        row("reset relay", kRelay, "tsUSBRelay", 83, "btnRelayReset", "Реле RESET: Команда не принята!", {});
        row("all relays on", kRelay, "tsUSBRelay", 81, "btnSetAllRelaysUSB", "", refused);
        row("all relays off", kRelay, "tsUSBRelay", 81, "btnClearAllRelaysUSB", "", refused);
        row("output toggle", kMiran, "tsFentor", 81, "btnRelayMIRAN2", "Реле 2: Команда не принята!", {});
        row("all outputs off", kMiran, "tsFentor", 81, "btnClearAllRelaysMIRAN", "", refused);
        row("unit outputs", kSarvel, "tsSARVEL", 106, "btnSetSARVEL", "", refused);
        row("controller output toggle", kKesta, "tsKESTA", 97, "btnRelayKESTA7", "Реле 7: Команда не принята!", {});
        row("controller outputs off", kKesta, "tsKESTA", 97, "btnClearAllRelaysKESTA", "", refused);
        row("columns down", kKesta, "tsKESTA", 100, "btnDownKESTA", "", refused);
        row("slave relay", kGalte, "tsGALTE", 161, "btnRelayToggleSlave", "", refused);
        row("slave reset", kGalte, "tsGALTE", 161, "btnResetSlave", "", refused);
    }

    void refusedWritesEndVisibly()
    {
        QFETCH(int, addr);
        QFETCH(QString, sheet);
        QFETCH(int, cmd);
        QFETCH(QString, button);
        QFETCH(QString, line);
        QFETCH(QStringList, boxes);
        BusSim sim;
        TfrmMain& frm = sim.Open(uint16_t(addr), sheet);
        if (auto* galte = frm.findChild<TGalteTab*>()) {
            QVERIFY(galte->Slaves().BeginAdd());
            QCOMPARE(galte->Slaves().Save(QStringLiteral("Насос"), QStringLiteral("1")),
                     panels::SlaveList::SaveResult::Saved);
        }
        auto* b = frm.findChild<QPushButton*>(button);
        QVERIFY(b);
        QTRY_VERIFY_WITH_TIMEOUT(b->isEnabled() && !b->isHidden(), 8000);
        sim.bus.device(uint16_t(addr))->addFault({zeva::sim::FaultKind::Refuse, cmd});
        frm.ShowStatusLine(QStringLiteral("12:00:00  Все реле включены"));
        b->click();
        QCOMPARE(frm.StatusLineText().section(QStringLiteral("  "), 1), line);
        QCOMPARE(sim.boxes.texts(), boxes);
    }

    void pumpSectorsFollowTheAngle()
    {
        const QColor blue(0, 0, 255), yellow(255, 255, 0);
        // Colour at direction t (degrees, clockwise from the right) and 60 % of the radius.
        auto at = [](const QImage& img, double t) {
            const int x = qRound(15 + 9 * qCos(qDegreesToRadians(t)));
            const int y = qRound(15 + 9 * qSin(qDegreesToRadians(t)));
            return img.pixelColor(x, y);
        };
        struct Case {
            int angle;
            std::vector<double> blueAt, yellowAt;
        };
        // Quarters from angle to angle + 90° and the opposite one.
        const Case cases[] = {{0, {45, 225}, {135, 315}}, {36, {81, 261, 100}, {171, 351, 20}}};
        for (const Case& c : cases) {
            TSCDPump pump(nullptr, 0, 0, 15);
            pump.Stop();
            QCOMPARE(pump.size(), QSize(30, 30));
            pump.angle = c.angle;
            const QImage img = pump.grab().toImage();
            for (double t : c.blueAt)
                QVERIFY2(at(img, t) == blue, qPrintable(QStringLiteral("angle %1 at %2").arg(c.angle).arg(t)));
            for (double t : c.yellowAt)
                QVERIFY2(at(img, t) == yellow, qPrintable(QStringLiteral("angle %1 at %2").arg(c.angle).arg(t)));
            QCOMPARE(img.pixelColor(0, 0).alpha(), 0);  // outside the disc
        }
    }

    void pumpTicksTurnAndWrap()
    {
        TSCDPump pump(nullptr, 0, 0, 15);
        QVERIFY(pump.tmr->isActive());  // runs from creation, only repainting while the step is 0
        QCOMPARE(pump.tmr->interval(), 100);
        pump.Tick();
        QCOMPARE(pump.angle, 0);
        pump.StartForward();
        pump.angle = 342;
        pump.Tick();
        QCOMPARE(pump.angle, 0);
        pump.StartInverse();
        pump.Tick();
        QCOMPARE(pump.angle, 359);
        pump.Tick();
        QCOMPARE(pump.angle, 341);
        pump.Stop();
        QVERIFY(!pump.tmr->isActive());
    }
};

QTEST_MAIN(TestDevicePanels1)
#include "tst_devicepanels1.moc"

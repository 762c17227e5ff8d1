// Port, address and options dialogs, against the simulated bus where a device is needed.
#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

#include "app/ui/frmchangeaddr.h"
#include "app/ui/frmcomports.h"
#include "app/ui/frmoptions.h"
#include "link/comport.h"
#include "sim/deviceoption.h"
#include "sim/simbus.h"
#include "support/shellfixture.h"
#include "support/simport.h"

namespace {

// One bootloader 5.1 at address 1 on a pty, reached as a COMn alias.
struct BootPort : SimPort {
    BootPort()
    {
        Add({"1:boot51"});
        Start();
    }
    zeva::sim::SimDevice& device() { return *bus.devices().front(); }
    int requestsOf(uint8_t cmd) const { return int(Requests(1, cmd).size()); }
};

struct Shell : ShellFixture {
    std::unique_ptr<TfrmCOMPorts> ports;
    TfrmMain& OpenWithPort(const BootPort& sim, int number)
    {
        TfrmMain& frm = Open();
        frm.Port().Number = number;
        ports = std::make_unique<TfrmCOMPorts>(
            frm.Port(), [&frm] { frm.ApplyPortSettings(); }, QStringList{sim.Name()}, &frm);
        frm.SetPortDialog(ports.get());
        frm.FirstActivation();
        return frm;
    }
    ~Shell()
    {
        ports.reset();  // before the window that parents it
        Close();
    }
};

bool identified(TfrmMain& frm)
{
    return frm.StatusText(0).contains(QLatin1Char(' ')) && frm.btnRunProgram->isEnabled();
}

}  // namespace

class TestDialogs : public QObject {
    Q_OBJECT
private slots:
    void choosingNoPortStopsPolling()
    {
        MessageRecorder boxes;
        BootPort sim;
        Shell f;
        f.store->setValue("Hardware/Device addr", 1);
        TfrmMain& frm = f.OpenWithPort(sim, sim.number);
        QTRY_VERIFY_WITH_TIMEOUT(identified(frm), 10000);
        QCOMPARE(frm.StatusText(1), sim.Name());
        QCOMPARE(f.ports->cbMainPorts->currentText(), sim.Name());
        QVERIFY(f.session.PresenceRunning());
        // In a bootloader the address may be changed.
        QVERIFY(frm.M_ChangeAddr->isEnabled());

        f.ports->cbMainPorts->setCurrentIndex(0);  // "<нет>"
        QCOMPARE(f.ports->cbMainPorts->currentText(), QStringLiteral("<нет>"));
        QVERIFY(!f.session.PresenceRunning());
        QVERIFY(f.session.ZevaLink() == nullptr);
        QCOMPARE(frm.Port().Number, -1);
        QCOMPARE(frm.StatusText(1), QStringLiteral("- - -"));
        QVERIFY(!frm.btnRunProgram->isEnabled());
        QVERIFY(!frm.btnReset->isEnabled());
        QVERIFY(!frm.M_ChangeAddr->isEnabled());
        QVERIFY(boxes.boxes().empty());

        // Back to the port: polling starts again.
        f.ports->cbMainPorts->setCurrentIndex(1);
        QCOMPARE(frm.Port().Number, sim.number);
        QVERIFY(f.session.PresenceRunning());
        QTRY_VERIFY_WITH_TIMEOUT(identified(frm), 10000);
        // Every other change reopens the port at once too.
        f.ports->edtRepCount->setValue(5);
        QCOMPARE(int(frm.Port().RepCount), 5);
        QCOMPARE(int(f.session.ZevaLink()->RepCount), 5);
        f.ports->cbRTS->setChecked(true);
        QVERIFY(frm.Port().RTS);
        QVERIFY(f.session.ZevaLink()->RTS());
        QVERIFY(boxes.boxes().empty());
    }

    void absentOrBusyPortIsReported()
    {
        MessageRecorder boxes;
        BootPort sim;
        {
            // A stored port whose device is gone: the message names it, nothing is selected,
            // the link stays in place and fails every exchange.
            PortMap::SetAlias(120, "/nonexistent/zevanta-tty");
            Shell f;
            TfrmMain& frm = f.OpenWithPort(sim, 120);
            // The fixed message first, then why: absent and busy are told apart.
            QCOMPARE(boxes.texts().size(), 1);
            QVERIFY(boxes.texts().front().startsWith(QStringLiteral("Порт COM120 недоступен!\r\n")));
            QVERIFY(boxes.texts().front().contains(QStringLiteral("отсутствует")));
            QCOMPARE(boxes.boxes().front().kind, QStringLiteral("error"));
            QCOMPARE(f.ports->cbMainPorts->currentIndex(), -1);
            QVERIFY(f.session.ZevaLink() != nullptr);
            QVERIFY(!f.session.PresenceRunning());
            QCOMPARE(frm.StatusText(1), QString());
            QVERIFY(!frm.btnReset->isEnabled());
            PortMap::SetAlias(120, {});
        }
        boxes.clear();
        {
            // Someone else holds the port.
            TCOMPort holder(uint8_t(sim.number), 115200, db8, prNone, sbOne, 100);
            QCOMPARE(holder.Error(), errNoError);
            Shell f;
            f.OpenWithPort(sim, sim.number);
            QCOMPARE(boxes.texts().size(), 1);
            QVERIFY(boxes.texts().front().startsWith(QStringLiteral("Порт %1 недоступен!\r\n").arg(sim.Name())));
            QVERIFY(boxes.texts().front().contains(QStringLiteral("занят")));
            QVERIFY(!f.session.PresenceRunning());
        }
    }

    void addressDialogBoundsAndPayload()
    {
        MessageRecorder boxes;
        BootPort sim;
        Shell f;
        f.store->setValue("Hardware/Device addr", 1);
        TfrmMain& frm = f.OpenWithPort(sim, sim.number);
        QTRY_VERIFY_WITH_TIMEOUT(identified(frm), 10000);

        TfrmChangeAddr dlg(f.session, &frm);
        QCOMPARE(dlg.edtAddr->text(), QStringLiteral("1"));
        QCOMPARE(dlg.edtAddr->maxLength(), 5);
        dlg.edtAddr->setText("40000");
        QVERIFY(!dlg.btnOKClick());
        QCOMPARE(boxes.texts(), QStringList({"Неверное значение!"}));
        QCOMPARE(sim.requestsOf(122), 0);

        struct Case {
            const char* text;
            uint8_t hi, lo;
        };
        for (const Case& c : {Case{"123", 0x00, 0x7B}, Case{"0", 0x00, 0x00}, Case{"32767", 0x7F, 0xFF}}) {
            sim.device().clearRequestLog();
            dlg.edtAddr->setText(QLatin1String(c.text));
            QVERIFY2(dlg.btnOKClick(), c.text);
            const auto log = sim.device().requestLog();
            std::vector<uint8_t> payload;
            for (const auto& r : log)
                if (r.cmd == 122)
                    payload = r.payload;
            QCOMPARE(payload, (std::vector<uint8_t>{c.hi, c.lo}));
            // DevAddr stays; put the device back where the list expects it.
            QCOMPARE(int(f.session.DevAddr), 1);
            sim.device().setAddress(1);
            QVERIFY(f.session.PresenceRunning());
        }

        // A refusal keeps the dialog open with its message.
        boxes.clear();
        sim.device().addFault({zeva::sim::FaultKind::Refuse, 122});
        dlg.edtAddr->setText("5");
        QVERIFY(!dlg.btnOKClick());
        QCOMPARE(boxes.texts(), QStringList({"Команда не принята!"}));
        QVERIFY(f.session.PresenceRunning());
    }

    void optionsDialog()
    {
        Shell f;
        TfrmMain& frm = f.Open();
        {
            // Cancel (nothing applied) leaves every tab as it was.
            TfrmOptions dlg(frm.Settings(), frm.OptionSheets(), &frm);
            QCOMPARE(dlg.cbSheets->count(), 13);
            QCOMPARE(dlg.cbSheets->item(0)->text(), QStringLiteral("ДОРНА"));
            QCOMPARE(dlg.cbBlockSize->currentText(), QStringLiteral("256"));
            dlg.btnSetAll->click();
            dlg.btnClose->click();
            QCOMPARE(dlg.result(), int(QDialog::Rejected));
            QVERIFY(!frm.PageControl->isTabVisible(4));
        }
        {
            TfrmOptions dlg(frm.Settings(), frm.OptionSheets(), &frm);
            // Auto-detect on: the version buttons are disabled but keep their state.
            QVERIFY(dlg.cbAutoDetectBL->isChecked());
            QVERIFY(!dlg.rbVersion51->isEnabled());
            QVERIFY(dlg.rbVersion51->isChecked());
            dlg.cbAutoDetectBL->setChecked(false);
            QVERIFY(dlg.rbVersion50->isEnabled());
            dlg.rbVersion50->setChecked(true);
            dlg.cbBlockSize->setCurrentIndex(dlg.cbBlockSize->findText("32"));
            dlg.cbResetSystem->setChecked(true);
            dlg.btnSetAll->click();
            dlg.cbSheets->item(1)->setCheckState(Qt::Unchecked);
            dlg.btnOKClick();
            frm.ApplyOptions(dlg);
        }
        QCOMPARE(int(frm.ExtBlockSize()), 32);
        QCOMPARE(frm.Settings().AutoDetectBL, false);
        QCOMPARE(frm.Settings().VersionBL, false);
        QCOMPARE(frm.Settings().ResetSystem, true);
        QVERIFY(frm.PageControl->isTabVisible(4));
        QVERIFY(!frm.PageControl->isTabVisible(5));
        {
            TfrmOptions dlg(frm.Settings(), frm.OptionSheets(), &frm);
            QVERIFY(dlg.rbVersion50->isChecked());
            QVERIFY(dlg.rbVersion50->isEnabled());
            dlg.btnClearAll->click();
            dlg.btnOKClick();
            frm.ApplyOptions(dlg);
        }
        int visible = 0;
        for (int i = 0; i < frm.PageControl->count(); ++i)
            visible += frm.PageControl->isTabVisible(i);
        QCOMPARE(visible, 4);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"

// The PLEVA, VIDA, DORNA, TARVIK and PELNIK tabs against their simulated devices over a pty:
// what each sends, what it shows, and that presence always runs again afterwards.
#include <QtTest>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "base/messages.h"
#include "panels/ui/dornatab.h"
#include "panels/ui/leddisplay.h"
#include "panels/ui/pelniktab.h"
#include "panels/ui/plevatab.h"
#include "panels/ui/tarviktab.h"
#include "panels/ui/vidatab.h"
#include "sim/sensordevices.h"
#include "support/simwindow.h"

using namespace zeva::sim;
using Bytes = std::vector<uint8_t>;

namespace {

template <class Sim>
QList<Bytes> Payloads(const Sim& sim, uint8_t cmd)
{
    QList<Bytes> out;
    for (const auto& r : sim.Requests(cmd))
        out << r.payload;
    return out;
}

}  // namespace

class TestSensorPanels : public QObject {
    Q_OBJECT
private slots:
    void pleva()
    {
        PanelSim<PlevaDevice> sim(false);
        TfrmMain& frm = sim.Open();
        auto& tab = *frm.findChild<TPlevaTab*>();
        QVERIFY(Ready(sim, frm));
        DeviceSession& session = sim.shell.session;

        // Auto-update on: every click sends the whole mask.
        tab.cbRefreshRelayPLEVA->setChecked(true);
        QVERIFY(!tab.btnPLEVARefreshRelay->isEnabled());
        tab.sbPLEVAR[0]->click();
        tab.sbPLEVAR[31]->click();
        QCOMPARE(Payloads(sim, 90), (QList<Bytes>{{0, 0, 0, 0, 0x01}, {0, 0x80, 0, 0, 0x01}}));
        QCOMPARE(sim.dev->relays(0), 0x80000001u);
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Реле платы 0 записаны")));
        // Off: a click only changes the mask; "Обновить" sends it, "СТОП" always sends 0.
        tab.cbRefreshRelayPLEVA->setChecked(false);
        sim.dev->clearRequestLog();
        tab.sbPLEVAR[31]->click();
        tab.sbPLEVAR[0]->click();
        tab.sbPLEVAR[2]->click();
        QVERIFY(Payloads(sim, 90).isEmpty());
        tab.btnPLEVARefreshRelay->click();
        tab.edtPlateNum->setValue(1);
        tab.sbPLEVASTOP->click();
        QCOMPARE(Payloads(sim, 90), (QList<Bytes>{{0, 0, 0, 0, 0x04}, {1, 0, 0, 0, 0}}));
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Реле платы 1 записаны")));
        for (QToolButton* b : tab.sbPLEVAR)
            QVERIFY(!b->isChecked());
        // A refused write is reported; the mask keeps the user's choice.
        sim.dev->addFault({FaultKind::Refuse, 90, 0, 1});
        sim.boxes.clear();
        tab.cbRefreshRelayPLEVA->setChecked(true);
        tab.sbPLEVAR[4]->click();
        QCOMPARE(sim.boxes.texts(), QStringList{Msg::CommandNotAccepted});
        QCOMPARE(tab.PLEVARelayMask(), 0x10u);
        QCOMPARE(frm.StatusLineText(), QString());  // no earlier line passes for this write

        // Sensors: the timer reads board 1 and lights 1 and 32; presence runs between ticks
        // and after the timer stops.
        sim.dev->setSensors(1, 0x80000001u);
        tab.cbRefreshSensPLEVA->setChecked(true);
        QTRY_VERIFY_WITH_TIMEOUT(tab.SensorLit(1) && tab.SensorLit(32) && !tab.SensorLit(2), 5000);
        QCOMPARE(sim.Requests(91).back().payload, (Bytes{1}));
        // A silent device changes nothing and shows nothing.
        sim.dev->addFault({FaultKind::Silent, 91, 0, 0});
        sim.dev->setSensors(1, 0x2u);
        QTest::qWait(600);
        QVERIFY(tab.SensorLit(1) && !tab.SensorLit(2));
        sim.dev->clearFaults();
        QTRY_VERIFY_WITH_TIMEOUT(tab.SensorLit(2), 5000);
        tab.cbRefreshSensPLEVA->setChecked(false);
        QVERIFY(!tab.tmrReadDataPLEVA->isActive());
        QCOMPARE(session.PauseDepth(), 0);
        QVERIFY(session.PresenceRunning());
        QVERIFY(sim.boxes.texts().size() == 1);
    }

    void vida()
    {
        PanelSim<VidaDevice> sim(false);
        TfrmMain& frm = sim.Open();
        auto& tab = *frm.findChild<TVidaTab*>();
        DeviceSession& session = sim.shell.session;
        // At start: no data, the green marker in the centre.
        QCOMPARE(tab.ImageVIDA->Image().pixelColor(160, 160), QColor(0, 255, 0));
        QVERIFY(Ready(sim, frm));

        struct Case {
            uint16_t angle;
            QString caption;
            QPoint marker;
            QColor colour;
        };
        const Case cases[] = {
            {45, QStringLiteral("45°"), {266, 54}, QColor(255, 0, 0)},
            {46, QStringLiteral("46°"), {264, 52}, QColor(Qt::white)},
            {0xFFFF, QStringLiteral("65535°"), {160, 160}, QColor(0, 255, 0)},
        };
        for (const Case& c : cases) {
            sim.dev->setAngle(c.angle);
            QVERIFY(sim.WaitEnabled(tab.btnReadVIDAData));
            tab.btnReadVIDAData->click();
            QCOMPARE(tab.ledVIDAAngle->Caption(), c.caption);
            QCOMPARE(tab.ImageVIDA->Image().pixelColor(c.marker), c.colour);
        }
        // The alarm zone: the record as just read, with 10 and 350 at offsets 2 and 4.
        sim.dev->setAngle(30);
        tab.edtVIDAAngleMin->setText(QStringLiteral("10"));
        tab.edtVIDAAngleMax->setText(QStringLiteral("$15E"));
        sim.boxes.answer(true);
        QVERIFY(sim.WaitEnabled(tab.btnVIDASaveZoneAlert));
        tab.btnVIDASaveZoneAlert->click();
        const auto written = Payloads(sim, 70);
        QCOMPARE(written.size(), 1);
        auto record = sim.dev->record();
        QCOMPARE(Bytes(written[0].begin() + 2, written[0].begin() + 6), (Bytes{0x0A, 0x00, 0x5E, 0x01}));
        QCOMPARE(Bytes(written[0].begin() + 14, written[0].end()), Bytes(record.begin() + 14, record.end()));
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Зона сигнализации записана")));
        // Calibration: the readings become the calibration values.
        sim.boxes.answer(true);
        QVERIFY(sim.WaitEnabled(tab.btnVIDACalibrate));
        tab.btnVIDACalibrate->click();
        record = sim.dev->record();
        QCOMPARE(Bytes(record.begin() + 14, record.begin() + 22), Bytes(record.begin() + 6, record.begin() + 14));
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Калибровка записана")));
        // A refused write leaves no earlier line standing.
        sim.dev->addFault({FaultKind::Refuse, 70, 0, 1});
        sim.boxes.clear();
        sim.boxes.answer(true);
        QVERIFY(sim.WaitEnabled(tab.btnVIDASaveZoneAlert));
        tab.btnVIDASaveZoneAlert->click();
        QCOMPARE(sim.boxes.texts().last(), Msg::CommandNotAccepted);
        QCOMPARE(frm.StatusLineText(), QString());
        // A refused read is reported and shows no data on the gauge.
        sim.dev->addFault({FaultKind::Refuse, 69, 0, 1});
        sim.boxes.clear();
        QVERIFY(sim.WaitEnabled(tab.btnReadVIDAData));
        tab.btnReadVIDAData->click();
        QCOMPARE(sim.boxes.texts(), QStringList{Msg::CommandNotAccepted});
        QCOMPARE(tab.ImageVIDA->Image().pixelColor(160, 160), QColor(0, 255, 0));

        // A measurement keeps presence stopped and follows the angle; "СТОП" twice resumes once.
        QVERIFY(session.PresenceRunning());
        tab.btnStartVIDA->click();
        QVERIFY(!session.PresenceRunning());
        sim.dev->setAngle(90);
        QTRY_COMPARE_WITH_TIMEOUT(tab.ledVIDAAngle->Caption(), QStringLiteral("90°"), 5000);
        QCOMPARE(tab.ImageVIDA->Image().pixelColor(160, 10), QColor(255, 0, 0));
        QVERIFY(!session.PresenceRunning());
        QVERIFY(!tab.btnReadVIDAData->isEnabled());
        tab.btnStopVIDA->click();
        QVERIFY(session.PresenceRunning());
        QCOMPARE(session.PauseDepth(), 0);
        tab.btnStopVIDA->click();
        QCOMPARE(session.PauseDepth(), 0);
        QCOMPARE(tab.ImageVIDA->Image().pixelColor(160, 160), QColor(0, 255, 0));
    }

    void dornaTarvikPelnik()
    {
        {
            PanelSim<DornaDevice> sim;
            TfrmMain& frm = sim.Open();
            auto& tab = *frm.findChild<TDornaTab*>();
            QVERIFY(sim.WaitEnabled(tab.btnReadDORNA));
            tab.rbDornaAddr[1]->click();  // 94: a resistance above 999
            tab.btnReadDORNA->click();
            QCOMPARE(tab.lbDornaVer->text(), QStringLiteral("1.2"));
            QVERIFY(tab.ledDornaUac->Caption().startsWith(QStringLiteral("23")));
            QCOMPARE(tab.ledDornaUdc->Caption(), QStringLiteral("24"));
            QCOMPARE(tab.ledDornaR->Caption(), QStringLiteral("---"));
            tab.rbDornaAddr[7]->click();
            QVERIFY(sim.WaitEnabled(tab.btnReadDORNA));
            tab.btnReadDORNA->click();
            QCOMPARE(Payloads(sim, 147), (QList<Bytes>{{0x94}, {0xA4}}));
            QCOMPARE(tab.ledDornaUac->Caption(), QStringLiteral("---"));  // 1000 V
            // A unit that is not there: dashes everywhere, no box.
            tab.rbDornaAddr[2]->click();
            QVERIFY(sim.WaitEnabled(tab.btnReadDORNA));
            tab.btnReadDORNA->click();
            QCOMPARE(tab.lbDornaVer->text(), QStringLiteral("---"));
            QCOMPARE(tab.ledDornaUdc->Caption(), QStringLiteral("---"));
            QVERIFY(sim.boxes.texts().isEmpty());
        }
        {
            PanelSim<TarvikDevice> sim(false);
            TfrmMain& frm = sim.Open();
            auto& tab = *frm.findChild<TTarvikTab*>();
            QVERIFY(Ready(sim, frm));
            sim.dev->setCode(1, {1, 2, 3, 4, 5, 6, 7, 8});
            tab.btnTARVIKReadCh[0]->click();
            QCOMPARE(tab.edtTARVIKCOD[0]->text(), QStringLiteral("01020304050607-08"));
            tab.btnTARVIKClearCh[0]->click();
            QCOMPARE(tab.edtTARVIKCOD[0]->text(), QStringLiteral("00000000000000-00"));
            QCOMPARE(Payloads(sim, 65), (QList<Bytes>{{1}}));
            QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Канал №1 очищен")));
            // A refused clear reads nothing and keeps the text.
            sim.dev->addFault({FaultKind::Refuse, 65, 0, 1});
            tab.btnTARVIKClearCh[1]->click();
            QCOMPARE(sim.boxes.texts(), QStringList{Msg::CommandNotAccepted});
            QCOMPARE(Payloads(sim, 66).size(), 2);
            QCOMPARE(frm.StatusLineText(), QString());
            QVERIFY(sim.shell.session.PresenceRunning());
        }
        {
            PanelSim<PelnikDevice> sim(false);
            TfrmMain& frm = sim.Open();
            auto& tab = *frm.findChild<TPelnikTab*>();
            QVERIFY(Ready(sim, frm));
            tab.btnPELNIKReadTimeCoeff->click();
            QCOMPARE(tab.cbPELNIKDeviceMode->currentIndex(), 1);
            QCOMPARE(tab.edtPELNIKTimeCoeff->text(), QStringLiteral("1.25"));
            tab.cbPELNIKDeviceMode->setCurrentIndex(0);
            tab.edtPELNIKTimeCoeff->setText(QStringLiteral("2.5"));
            sim.boxes.answer(true);
            tab.btnPELNIKChangeMode->click();
            QCOMPARE(Payloads(sim, 97), (QList<Bytes>{{0x00, 0x40, 0x20, 0x00, 0x00}}));
            QCOMPARE(sim.dev->coefficient(), 2.5f);
            QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Режим и коэффициент записаны")));
            // Not a number: said so, nothing sent.
            tab.edtPELNIKTimeCoeff->setText(QStringLiteral("abc"));
            tab.btnPELNIKChangeMode->click();
            QCOMPARE(sim.boxes.texts().last(), Msg::InvalidValue);
            QCOMPARE(Payloads(sim, 97).size(), 1);
            // Refused: the box, and the line of the write before is gone.
            tab.edtPELNIKTimeCoeff->setText(QStringLiteral("3"));
            sim.dev->addFault({FaultKind::Refuse, 97, 0, 1});
            sim.boxes.answer(true);
            tab.btnPELNIKChangeMode->click();
            QCOMPARE(sim.boxes.texts().last(), Msg::CommandNotAccepted);
            QCOMPARE(frm.StatusLineText(), QString());
            QCOMPARE(sim.dev->coefficient(), 2.5f);
        }
    }
};

QTEST_MAIN(TestSensorPanels)
#include "tst_sensorpanels.moc"

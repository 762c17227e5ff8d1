// Pictures of the sensor tabs, the KESTA tab and the LCD picture tab against their simulated
// devices, for the documentation: shots_panels docs/screenshots
#include <QtTest>

#include <QAbstractButton>
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>

#include "memory/ui/imagetab.h"
#include "panels/ui/dornatab.h"
#include "panels/ui/kestatab.h"
#include "panels/ui/pelniktab.h"
#include "panels/ui/plevatab.h"
#include "panels/ui/tarviktab.h"
#include "panels/ui/vidatab.h"
#include "shotmain.h"
#include "sim/kestadevice.h"
#include "sim/lcddevice.h"
#include "sim/sensordevices.h"
#include "support/simwindow.h"

using namespace zeva::sim;

class ShotsPanels : public QObject {
    Q_OBJECT
public:
    explicit ShotsPanels(const QString& folder) : FDir(folder) {}

private:
    const QString FDir;

private slots:
    void pictures()
    {
        auto shoot = [&](auto& sim, TfrmMain& frm, QWidget* tab, const QString& name) {
            QWidget* sheet = tab->parentWidget();
            frm.PageControl->setTabVisible(frm.PageControl->indexOf(sheet), true);
            frm.PageControl->setCurrentWidget(sheet);
            frm.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frm));
            QVERIFY(Ready(sim, frm));
            QTest::qWait(200);
            QVERIFY(frm.grab().save(FDir + QStringLiteral("/main-%1.png").arg(name)));
        };
        {
            PanelSim<PlevaDevice> sim;
            TfrmMain& frm = sim.Open();
            auto& tab = *frm.findChild<TPlevaTab*>();
            QVERIFY(Ready(sim, frm));
            tab.DemoShot();
            shoot(sim, frm, &tab, QStringLiteral("tsPLEVA"));
        }
        {
            PanelSim<VidaDevice> sim(false);
            TfrmMain& frm = sim.Open();
            auto& tab = *frm.findChild<TVidaTab*>();
            for (const uint16_t angle : {uint16_t(0xFFFF), uint16_t(0), uint16_t(90), uint16_t(45)}) {
                sim.dev->setAngle(angle);
                QVERIFY(sim.WaitEnabled(tab.btnReadVIDAData));
                tab.DemoShot();
                if (angle == 0xFFFF)
                    tab.DrawAngleGauge(0xFFFF);
                const QString name = angle == 0xFFFF ? QStringLiteral("nodata") : QString::number(angle);
                QVERIFY(tab.ImageVIDA->grab().save(FDir + QStringLiteral("/vida-gauge-%1.png").arg(name)));
            }
            shoot(sim, frm, &tab, QStringLiteral("tsVIDA"));
        }
        {
            PanelSim<DornaDevice> sim;
            TfrmMain& frm = sim.Open();
            auto& tab = *frm.findChild<TDornaTab*>();
            QVERIFY(sim.WaitEnabled(tab.btnReadDORNA));
            tab.DemoShot();
            shoot(sim, frm, &tab, QStringLiteral("tsDORNA"));
        }
        {
            PanelSim<TarvikDevice> sim;
            TfrmMain& frm = sim.Open();
            auto& tab = *frm.findChild<TTarvikTab*>();
            QVERIFY(Ready(sim, frm));
            tab.DemoShot();
            shoot(sim, frm, &tab, QStringLiteral("tsTARVIK"));
        }
        {
            PanelSim<PelnikDevice> sim;
            TfrmMain& frm = sim.Open();
            auto& tab = *frm.findChild<TPelnikTab*>();
            QVERIFY(Ready(sim, frm));
            tab.DemoShot();
            shoot(sim, frm, &tab, QStringLiteral("tsPELNIK"));
        }
        {
            // The second drive reports a fault: its column carries the warning sign, in colour.
            KestaDevice::Options options;
            options.fobs = {0x1A2B3C, 0xABCDEF};
            options.faultyColumn = 2;
            PanelSim<KestaDevice> sim(options);
            TfrmMain& frm = sim.Open();
            auto& tab = *frm.findChild<TKestaTab*>();
            QVERIFY(Ready(sim, frm));
            // The tab's timer draws the columns, and it runs only while the tab is in front.
            frm.PageControl->setTabVisible(frm.PageControl->indexOf(tab.parentWidget()), true);
            frm.PageControl->setCurrentWidget(tab.parentWidget());
            QVERIFY(QTest::qWaitFor([&] { return tab.ColumnPicture(1) == 1; }, 8000));
            shoot(sim, frm, &tab, QStringLiteral("tsKESTA"));
            QVERIFY(tab.gbControlKESTA->grab().save(FDir + QStringLiteral("/kesta-warning.png")));
        }
        {
            PanelSim<zeva::sim::LcdDevice> sim;
            TfrmMain& frm = sim.Open();
            auto& tab = *frm.findChild<TImageTab*>();
            tab.ImageSize->setCurrentIndex(1);
            tab.Razvertka->Buttons()[1]->click();
            QVERIFY(sim.WaitEnabled(tab.btnReadScreenshot));
            tab.btnReadScreenshot->click();
            shoot(sim, frm, &tab, QStringLiteral("tsImage"));
        }
    }
};

int main(int argc, char** argv)
{
    return RunShots<ShotsPanels>(argc, argv);
}
#include "shots_panels.moc"

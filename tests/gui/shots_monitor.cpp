// A picture of the bus monitor during a FLASH write against a simulated device, for the
// documentation: xvfb-run -a shots_monitor docs/screenshots
#include <QtTest>

#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "app/ui/frmbusmonitor.h"
#include "memory/ui/flashtab.h"
#include "memory/ui/frmprogress.h"
#include "shotmain.h"
#include "support/simwindow.h"

class ShotsMonitor : public QObject {
    Q_OBJECT
public:
    explicit ShotsMonitor(const QString& folder) : FOut(folder) {}

private:
    const QString FOut;

private slots:
    void duringWrite()
    {
        MemSim sim(false);
        TfrmMain& frm = sim.Open();
        frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frm));
        QVERIFY(sim.WaitBootloader(frm));
        frm.M_BusMonitor->trigger();
        TfrmBusMonitor* mon = frm.BusMonitor;
        mon->resize(1000, 560);
        QVERIFY(QTest::qWaitForWindowExposed(mon));
        QTest::qWait(1500);  // some presence polling first

        QTemporaryDir dir;
        const uint32_t start = sim.dev->appOffset();
        auto image = BytePattern(sim.dev->flashSize() - start, 0x31);
        std::fill(image.begin() + 0x1800, image.end(), uint8_t(0xFF));
        sim.dialogs.push(WriteHexFile(dir, "firmware.hex", start, image));
        frm.FlashTab->btnOpenFLASH->click();

        sim.bus.setBaud(57600);
        sim.boxes.answer(true);
        QTimer::singleShot(1500, &frm, [&] {
            mon->Flush();
            mon->grab().save(FOut + "/bus-monitor.png");
            if (auto* dlg = frm.findChild<TfrmProgress*>())
                dlg->btnClose->click();
        });
        frm.FlashTab->btnWriteFLASH->click();
        QVERIFY(QFileInfo::exists(FOut + "/bus-monitor.png"));
    }
};

int main(int argc, char** argv)
{
    return RunShots<ShotsMonitor>(argc, argv);
}
#include "shots_monitor.moc"

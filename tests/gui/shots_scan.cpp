// A picture of the scan dialog with devices found on a simulated bus, for the documentation:
// xvfb-run -a shots_scan docs/screenshots
#include <QtTest>

#include <QFileInfo>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>

#include "data/database.h"
#include "data/datamodule.h"
#include "data/ui/devicetab.h"
#include "data/ui/frmscandevices.h"
#include "link/devicesession.h"
#include "shotmain.h"
#include "support/simport.h"
#include "support/testpanelhost.h"

class ShotsScan : public QObject {
    Q_OBJECT
public:
    explicit ShotsScan(const QString& folder) : FOut(folder) {}

private:
    const QString FOut;

private slots:
    void withResults()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("shot.db");
        {
            TDatabase db;
            QVERIFY(db.Open(path, TDatabase::OpenMode::CreateIfMissing));
            QVERIFY(db.Exec("insert into Устройство (ID, Num, Addr, Name) values (1, 1, 5, 'Щит освещения')"));
        }
        TDM dm;
        TDataModuleSettings settings;
        settings.dataBase = path;
        QCOMPARE(dm.Startup(settings, {}), TStartupResult::Continue);
        DeviceSession session;
        dm.DevAddr = [&] { return int(session.DevAddr); };
        SimPort sim;
        sim.Add({"3:app6", "5:usbrelay8", "7:boot51", "12:app5"});
        sim.Start();
        PortSettings ps;
        ps.Number = sim.number;
        session.catalogPath = QCoreApplication::applicationDirPath() + "/mcu.xml";
        QVERIFY(session.OpenLink(ps).opened);
        TestPanelHost host(session);
        DeviceTab tab(host, dm);
        tab.resize(800, 500);
        tab.show();
        tab.execScanDialog = [&](TfrmScanDevices& dlg) {
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            dlg.edtLast->setValue(32);
            dlg.btnScan->click();
            QTRY_VERIFY_WITH_TIMEOUT(!dlg.Scanning(), 20000);
            QTest::qWait(100);
            QVERIFY(dlg.grab().save(FOut + "/dialog-scan-devices.png"));
            dlg.btnClose->click();
        };
        tab.btnScanDevices->click();
        QVERIFY(QFileInfo::exists(FOut + "/dialog-scan-devices.png"));
        session.CloseLink();
    }
};

int main(int argc, char** argv)
{
    return RunShots<ShotsScan>(argc, argv);
}
#include "shots_scan.moc"

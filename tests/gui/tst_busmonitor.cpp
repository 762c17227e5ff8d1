// The bus monitor on the window's link: live rows from presence, filters, pause, clear, copy,
// and a saved trace opened again in a window of its own.
#include <QtTest>

#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

#include "app/busmonitormodel.h"
#include "app/ui/frmbusmonitor.h"
#include "link/commands.h"
#include "support/simwindow.h"

class TestBusMonitor : public QObject {
    Q_OBJECT
private slots:
    void liveRowsFiltersAndTraceFile()
    {
        MemSim sim(true);
        TfrmMain& frm = sim.Open();
        QVERIFY(sim.WaitApplication(frm));
        // Nothing is taken while the monitor was never opened.
        QVERIFY(sim.shell.session.Frames().Take().empty());

        frm.M_BusMonitor->trigger();
        TfrmBusMonitor* mon = frm.BusMonitor;
        QVERIFY(mon && mon->isVisible());
        auto& model = mon->Model();
        QVERIFY(QTest::qWaitFor([&] { return model.rowCount() >= 6; }, 8000));
        const auto& log = model.Log();
        QCOMPARE(int(log.Row(0).Frame.Cmd), int(zcmd::kIdentify));
        QCOMPARE(model.data(model.index(1, mcOutcome), Qt::DisplayRole).toString(), QStringLiteral("принят"));
        QCOMPARE(model.data(model.index(1, mcAddr), Qt::DisplayRole).toString(), QString::number(MemSim::kAddr));

        // A command nobody sent shows nothing; a field that is not a number keeps the filter.
        auto* cmd = mon->findChild<QLineEdit*>("edtMonitorCmd");
        cmd->setText("4");
        emit cmd->editingFinished();
        QCOMPARE(model.rowCount(), 0);
        cmd->setText("12a");
        emit cmd->editingFinished();
        QCOMPARE(int(*log.Filter().Cmd), 4);
        QCOMPARE(cmd->toolTip(), QStringLiteral("Неверное значение!"));
        cmd->setText("0x71");
        emit cmd->editingFinished();
        QVERIFY(model.rowCount() > 0);
        auto* outcome = mon->findChild<QComboBox*>("cbMonitorOutcome");
        outcome->setCurrentIndex(1);  // all but accepted
        QCOMPARE(model.rowCount(), 0);
        outcome->setCurrentIndex(0);
        cmd->clear();
        emit cmd->editingFinished();

        // Paused, the list stands still and counts what it let pass.
        auto* pause = mon->findChild<QPushButton*>("btnMonitorPause");
        pause->click();
        mon->Flush();
        const int still = model.rowCount();
        auto* counts = mon->findChild<QLabel*>("lblMonitorCounts");
        QVERIFY(QTest::qWaitFor([&] { return counts->text().contains(QStringLiteral("пропущено")); }, 8000));
        QCOMPARE(model.rowCount(), still);
        pause->click();

        mon->findChild<QPushButton*>("btnMonitorClear")->click();
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(QTest::qWaitFor([&] { return model.rowCount() >= 4; }, 8000));
        mon->View()->selectRow(1);
        mon->findChild<QPushButton*>("btnMonitorCopy")->click();
        const QStringList copied = QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(copied.size(), 2);
        QVERIFY(copied[1].contains(QStringLiteral("113 идентификация")));

        // Closed, the feed takes nothing; the rows stay for the next time it is shown.
        mon->close();
        const int kept = model.rowCount();
        sim.shell.session.Frames().Take();  // an attempt that was ending as the window closed
        QTest::qWait(400);
        QVERIFY(sim.shell.session.Frames().Take().empty());
        QCOMPARE(model.rowCount(), kept);

        QTemporaryDir dir;
        const QString path = dir.filePath("bus.trace");
        sim.dialogs.push(path);
        mon->findChild<QPushButton*>("btnMonitorSave")->click();
        QVERIFY(QFileInfo(path).size() > 0);
        sim.dialogs.push(path);
        mon->findChild<QPushButton*>("btnMonitorOpen")->click();
        TfrmBusMonitor* opened = nullptr;
        for (auto* w : frm.findChildren<TfrmBusMonitor*>())
            if (w != mon)
                opened = w;
        QVERIFY(opened);
        QCOMPARE(opened->Model().rowCount(), kept);
        // The file counts its times from its first frame, to the microsecond.
        for (int c : {mcDirection, mcAddr, mcCommand, mcPayload, mcOutcome})
            QCOMPARE(opened->Model().data(opened->Model().index(kept - 1, c), Qt::DisplayRole),
                     model.data(model.index(kept - 1, c), Qt::DisplayRole));
        QVERIFY(!opened->findChild<QPushButton*>("btnMonitorPause")->isEnabled());
        opened->close();

        // A file that is not a trace is refused with a box.
        QFile junk(dir.filePath("junk.trace"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("hello\n");
        junk.close();
        TfrmBusMonitor reader(nullptr);
        QVERIFY(!reader.OpenFile(junk.fileName()));
        QVERIFY(sim.boxes.texts().last().startsWith(QStringLiteral("Трасса не прочитана: line 1")));
    }
};

QTEST_MAIN(TestBusMonitor)
#include "tst_busmonitor.moc"

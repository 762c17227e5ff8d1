// Pictures of the main window at the screen scaling it runs with, after a FLASH write: at its
// minimum size and grown, for the documentation:
// QT_SCALE_FACTOR=1.5 xvfb-run -a shots_window docs/screenshots
// gives window-150.png and window-150-grown.png.
#include <QtTest>

#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include "memory/ui/flashtab.h"
#include "shotmain.h"
#include "support/simwindow.h"

class ShotsWindow : public QObject {
    Q_OBJECT
public:
    explicit ShotsWindow(const QString& folder) : FOut(folder) {}

private:
    const QString FOut;

private slots:
    void pictures()
    {
        MemSim sim(true, 0x8000);
        TfrmMain& frm = sim.Open();
        frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frm));
        const QString name = FOut + QStringLiteral("/window-%1").arg(qRound(frm.devicePixelRatioF() * 100));

        frm.btnRunBootloader->click();
        QVERIFY(sim.WaitBootloader(frm));
        QTemporaryDir dir;
        const uint32_t start = sim.dev->appOffset();
        auto image = BytePattern(sim.dev->flashSize() - start, 0x5A);
        std::fill(image.begin() + 0x2400, image.end(), uint8_t(0xFF));
        sim.dialogs.push(WriteHexFile(dir, "firmware.hex", start, image));
        frm.PageControl->setCurrentWidget(frm.tsFLASH);
        frm.FlashTab->btnOpenFLASH->click();
        sim.boxes.answer(true);
        frm.FlashTab->btnWriteFLASH->click();
        QVERIFY(QTest::qWaitFor([&] { return !frm.StatusLineText().isEmpty(); }, 20000));
        QVERIFY(sim.WaitBootloader(frm));
        QTest::qWait(300);
        QCOMPARE(frm.size(), frm.minimumSize());
        QVERIFY(frm.grab().save(name + QStringLiteral(".png")));

        // Grown: the grid takes the room, the rest stays as it was.
        frm.resize(frm.minimumSize() + QSize(240, 160));
        QTest::qWait(300);
        QVERIFY(frm.grab().save(name + QStringLiteral("-grown.png")));
    }
};

int main(int argc, char** argv)
{
    return RunShots<ShotsWindow>(argc, argv);
}
#include "shots_window.moc"

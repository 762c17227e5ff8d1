// Pictures of the memory tabs (external memory, console, FLASH and the progress window) against a
// simulated device, for the documentation: xvfb-run -a shots_memory docs/screenshots
#include <QtTest>

#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "memory/ui/consoletab.h"
#include "memory/ui/extmemtab.h"
#include "memory/ui/flashtab.h"
#include "memory/ui/frmprogress.h"
#include "memsim.h"
#include "shotmain.h"

class ShotsMemory : public QObject {
    Q_OBJECT
public:
    explicit ShotsMemory(const QString& folder) : FOut(folder) {}

private:
    const QString FOut;

private slots:
    void pictures()
    {
        MemSim sim(true, 0x8000);
        TfrmMain& frm = sim.Open();
        frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frm));
        QVERIFY(sim.WaitApplication(frm));
        QTemporaryDir dir;

        // Ext Mem: a loaded image, read back from the device.
        std::vector<uint8_t> ext(0x8000);
        for (size_t i = 0; i < ext.size(); ++i)
            ext[i] = uint8_t(i < 0x40 ? "Zevanta external memory: settings block v2, 64 bytes...."[i % 56] : i * 3);
        sim.dev->writeExt(0, ext);
        frm.PageControl->setCurrentWidget(frm.tsExtMem);
        frm.ExtMemTab->btnReadExtMem->click();
        QVERIFY(sim.WaitApplication(frm));
        QTest::qWait(200);
        QVERIFY(frm.grab().save(FOut + "/extmem-tab.png"));

        // Console: a few exchanges.
        frm.PageControl->setCurrentWidget(frm.tsCmd);
        const std::pair<const char*, const char*> lines[] = {{"71", ""}, {"11", "00 01"}, {"FF", "12 34"}, {"21", ""}};
        for (const auto& [cmd, data] : lines) {
            QVERIFY(sim.WaitApplication(frm));
            frm.ConsoleTab->EditCmd->setText(cmd);
            frm.ConsoleTab->EditData->setText(data);
            frm.ConsoleTab->btnSendData->click();
        }
        QVERIFY(sim.WaitApplication(frm));
        QTest::qWait(200);
        QVERIFY(frm.grab().save(FOut + "/console.png"));

        // FLASH: into the bootloader, a firmware loaded from a HEX file.
        frm.btnRunBootloader->click();
        QVERIFY(sim.WaitBootloader(frm));
        const uint32_t start = sim.dev->appOffset();
        auto image = BytePattern(sim.dev->flashSize() - start, 0x31);
        std::fill(image.begin() + 0x1800, image.end(), uint8_t(0xFF));
        sim.dialogs.push(WriteHexFile(dir, "firmware.hex", start, image));
        frm.FlashTab->btnOpenFLASH->click();
        QTest::qWait(200);
        QVERIFY(frm.grab().save(FOut + "/flash-tab.png"));

        // The progress window during a write at a real line rate.
        sim.bus.setBaud(57600);
        sim.boxes.answer(true);
        QTimer::singleShot(1500, &frm, [&] {
            auto* dlg = frm.findChild<TfrmProgress*>();
            if (dlg) {
                dlg->grab().save(FOut + "/progress.png");
                dlg->btnClose->click();
            }
        });
        frm.FlashTab->btnWriteFLASH->click();
        QVERIFY(QFileInfo::exists(FOut + "/progress.png"));
    }
};

int main(int argc, char** argv)
{
    return RunShots<ShotsMemory>(argc, argv);
}
#include "shots_memory.moc"

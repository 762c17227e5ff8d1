// Pictures of the memory tabs (external memory, console, FLASH and its recent files, the progress
// window and a write refused for another controller) against a simulated device, for the documentation:
// xvfb-run -a shots_memory docs/screenshots
#include <QtTest>

#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "app/ui/messagebox.h"
#include "base/messages.h"
#include "memory/ui/consoletab.h"
#include "memory/ui/extmemtab.h"
#include "memory/ui/flashtab.h"
#include "memory/ui/frmprogress.h"
#include "memory/ui/recentmenu.h"
#include "shotmain.h"
#include "support/simwindow.h"

// Draws each box as the program shows it, centred over the window, into one picture.
class BoxOverWindow : public MessageService {
public:
    BoxOverWindow(QWidget& window, QString path) : FWindow(window), FPath(std::move(path))
    {
        FPrevious = MessageService::install(this);
    }
    ~BoxOverWindow() override { MessageService::install(FPrevious); }
    void show(MsgKind kind, const QString& text) override
    {
        const auto icon = kind == MsgKind::Error     ? QMessageBox::Critical
                          : kind == MsgKind::Warning ? QMessageBox::Warning
                                                     : QMessageBox::Information;
        QMessageBox box(icon, Msg::AppTitle, MessageBoxText(text), QMessageBox::Ok, &FWindow);
        box.show();
        QTest::qWait(100);
        QPixmap picture = FWindow.grab();
        const QPixmap boxPicture = box.grab();
        QPainter p(&picture);
        p.drawPixmap((picture.width() - boxPicture.width()) / 2, (picture.height() - boxPicture.height()) / 2,
                     boxPicture);
        p.end();
        saved = picture.save(FPath);
        texts << text;
    }
    bool askYesNo(const QString& text, AskIcon) override
    {
        texts << text;
        return false;
    }
    bool saved = false;
    QStringList texts;

private:
    QWidget& FWindow;
    QString FPath;
    MessageService* FPrevious = nullptr;
};

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
        sim.dialogs.push(WriteHexFile(dir, "firmware-4.12.hex", start, image));
        frm.FlashTab->btnOpenFLASH->click();
        sim.dialogs.push(WriteHexFile(dir, "firmware-4.13-rc1.hex", start, image));
        frm.FlashTab->btnOpenFLASH->click();
        sim.dialogs.push(WriteHexFile(dir, "firmware.hex", start, image));
        frm.FlashTab->btnOpenFLASH->click();
        QTest::qWait(200);
        QVERIFY(frm.grab().save(FOut + "/flash-tab.png"));

        // The FLASH tab's recent files, opened from the menu.
        {
            auto* recent = frm.menuBar()->findChild<QMenu*>(QStringLiteral("M_RecentFiles"));
            QVERIFY(recent);
            const QRect item = frm.menuBar()->actionGeometry(recent->menuAction());
            recent->popup(frm.menuBar()->mapToGlobal(item.bottomLeft()));
            QTest::qWait(200);
            QMenu* files = frm.FlashTab->RecentMenu;
            recent->setActiveAction(files->menuAction());
            files->popup(recent->mapToGlobal(recent->actionGeometry(files->menuAction()).topRight()));
            files->setActiveAction(files->actions().value(0));
            QTest::qWait(200);
            QPixmap picture = frm.grab();
            QPainter p(&picture);
            p.drawPixmap(frm.mapFromGlobal(recent->pos()), recent->grab());
            p.drawPixmap(frm.mapFromGlobal(files->pos()), files->grab());
            p.end();
            QVERIFY(picture.save(FOut + "/flash-recent-files.png"));
            files->hide();
            recent->hide();
        }

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

        // The same firmware for a controller with another program region on the same bus: refused.
        sim.bus.setBaud(0);
        zeva::sim::FirmwareConfig mega64;
        mega64.mcu = 4;
        sim.bus.emplace<zeva::sim::FirmwareDevice>(0x22, mega64);
        sim.shell.session.DevAddr = 0x22;
        QVERIFY(QTest::qWaitFor([&] { return frm.FlashTab->DeviceRegion().Start == 0x1000; }, 8000));
        QVERIFY(sim.WaitBootloader(frm));
        QTest::qWait(300);
        BoxOverWindow refused(frm, FOut + "/flash-region-refused.png");
        frm.FlashTab->btnWriteFLASH->click();
        QVERIFY(refused.saved);
        QCOMPARE(refused.texts.size(), 1);
    }
};

int main(int argc, char** argv)
{
    return RunShots<ShotsMemory>(argc, argv);
}
#include "shots_memory.moc"

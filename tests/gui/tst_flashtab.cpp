// The FLASH tab: grid and checksum, HEX loading, write guards, the mode buttons and their
// remembered tab, and a firmware flashed into the simulated bootloader through the window.
#include <QtTest>

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include "link/crc16.h"
#include "memory/hexfile.h"
#include "memory/ui/consoletab.h"
#include "memory/ui/extmemtab.h"
#include "memory/ui/flashtab.h"
#include "memory/ui/frmprogress.h"
#include "memory/ui/hexgrid.h"
#include "support/simwindow.h"

namespace {

uint16_t crcOf(const uint8_t* p, size_t n)
{
    TCRC16 crc;
    crc.Init(0xFFFF, 0x8408);
    crc.Update(p, n);
    return crc.FCRC;
}

QString hex(uint32_t v, int digits)
{
    return QStringLiteral("%1").arg(v, digits, 16, QLatin1Char('0')).toUpper();
}

QString checksumText(uint16_t v)
{
    return QStringLiteral("Checksum: ") + hex(v, 4);
}

bool isRed(const QLabel* l)
{
    return l->palette().color(QPalette::WindowText) == QColor(Qt::red);
}

int requestsOf(const zeva::sim::SimDevice& dev, uint8_t cmd)
{
    int n = 0;
    for (const auto& r : dev.requestLog())
        n += r.cmd == cmd;
    return n;
}

// A bootloader that acknowledges every block but keeps one bit of its first block wrong: a write
// only a compare can catch.
class LeakyFlash : public zeva::sim::FirmwareDevice {
public:
    using FirmwareDevice::FirmwareDevice;

protected:
    zeva::sim::Reply command(uint8_t cmd, std::span<const uint8_t> payload) override
    {
        if (cmd != 4 || payload.size() != 2 + kFlashBlock || ((payload[0] << 8) | payload[1]) != int(appOffset()))
            return FirmwareDevice::command(cmd, payload);
        std::vector<uint8_t> spoiled(payload.begin(), payload.end());
        spoiled[2 + 5] ^= 0x10;
        return FirmwareDevice::command(cmd, spoiled);
    }
};

zeva::sim::FirmwareConfig bootloaderOf(uint8_t mcu)
{
    zeva::sim::FirmwareConfig cfg;
    cfg.mcu = mcu;
    return cfg;
}

}  // namespace

class TestFlashTab : public QObject {
    Q_OBJECT
private slots:
    void gridRowsAndChecksumFollowTheRegion()
    {
        MessageRecorder boxes;
        ShellFixture f;
        TfrmMain& frm = f.Open();
        TFlashTab& tab = *frm.FlashTab;
        QCOMPARE(tab.parentWidget(), frm.tsFLASH);
        // 0xC00 .. 0x8000 until a device answers: 1857 rows, first data row 0C00, 0x7400 bytes summed.
        QCOMPARE(tab.FLASH->RowCount(), 1857);
        QCOMPARE(tab.FLASH->CellText(1, 0), QStringLiteral("0C00"));
        QCOMPARE(tab.FLASH->CellText(1856, 0), QStringLiteral("7FF0"));
        QCOMPARE(tab.FLASH->CellText(0, 16), QStringLiteral("0F"));
        frm.FlashBuf[0x11] = 0x5A;
        QCOMPARE(tab.FLASH->CellText(2, 2), QStringLiteral("5A"));
        frm.UpdateFLASHView(true);
        QCOMPARE(tab.ChecksumFLASH->text(), checksumText(crcOf(frm.FlashBuf.Data(), 0x7400)));
        QVERIFY(!isRed(tab.ChecksumFLASH));

        // A byte past the summed range changes nothing; one inside turns the label red once.
        frm.FlashBuf[0x7400] = 0;
        frm.UpdateFLASHView(false);
        QVERIFY(!isRed(tab.ChecksumFLASH));
        frm.FlashBuf[0x73FF] = 0;
        frm.UpdateFLASHView(false);
        QVERIFY(isRed(tab.ChecksumFLASH));
        QCOMPARE(tab.ChecksumFLASH->text(), checksumText(crcOf(frm.FlashBuf.Data(), 0x7400)));
        frm.UpdateFLASHView(false);
        QVERIFY(!isRed(tab.ChecksumFLASH));
        QVERIFY(boxes.boxes().empty());
    }

    void hexLoadKeepsTheRegionAndMarksChanges()
    {
        MessageRecorder boxes;
        ScriptedFileDialogs dialogs;
        ShellFixture f;
        TfrmMain& frm = f.Open();
        TFlashTab& tab = *frm.FlashTab;
        QTemporaryDir dir;
        const auto bytes = BytePattern(0x200, 3);
        const QString path = WriteHexFile(dir, "fw.hex", 0xC00, bytes);
        dialogs.push(path, 2);  // read as Intel HEX whatever type was chosen
        tab.btnOpenFLASH->setEnabled(true);
        tab.btnOpenFLASH->click();
        QCOMPARE(dialogs.filters.value(0), QStringLiteral("Файлы HEX (*.hex);;Файлы BIN (*.bin);;Все файлы (*.*)"));
        QCOMPARE(tab.LoadedPath(), path);
        // The tab names the file and its time, the full path in the hint.
        QVERIFY(tab.LabelFLASHFile->text().startsWith(QStringLiteral("Файл: fw.hex\n")));
        QVERIFY(tab.LabelFLASHFile->text().contains(
            QLocale().toString(QFileInfo(path).lastModified(), QStringLiteral("dd.MM.yyyy hh:mm:ss"))));
        QCOMPARE(tab.LabelFLASHFile->toolTip(), QDir::toNativeSeparators(path));
        QVERIFY(std::equal(bytes.begin(), bytes.end(), frm.FlashBuf.Data()));
        QCOMPARE(int(frm.FlashBuf[0x200]), 0xFF);
        QCOMPARE(int(frm.FlashBuf[0x3FFFF]), 0xFF);
        QVERIFY(isRed(tab.ChecksumFLASH));
        QVERIFY(tab.LoadFLASHFile(path));  // same file again: black
        QVERIFY(!isRed(tab.ChecksumFLASH));

        // A broken file: the reader's text in an error box, image and path unchanged.
        QFile bad(dir.filePath("bad.hex"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(":10000000ZZ\r\n");
        bad.close();
        const uint8_t before = frm.FlashBuf[0];
        QVERIFY(!tab.LoadFLASHFile(bad.fileName()));
        QCOMPARE(boxes.boxes().back().kind, QStringLiteral("error"));
        QCOMPARE(boxes.boxes().back().text, QStringLiteral("Неверный символ в строке 1!"));
        QCOMPARE(frm.FlashBuf[0], before);
        QCOMPARE(tab.LoadedPath(), path);
        QVERIFY(tab.LabelFLASHFile->text().startsWith(QStringLiteral("Файл: fw.hex\n")));

        // Data below ProgStart 0xC00 is never dropped quietly: the file is refused the same way.
        const QString wide = WriteHexFile(dir, "wide.hex", 0xB00, BytePattern(0x200, 5));
        QVERIFY(!tab.LoadFLASHFile(wide));
        QCOMPARE(boxes.boxes().back().kind, QStringLiteral("error"));
        QCOMPARE(boxes.boxes().back().text,
                 QStringLiteral("Данные файла (0x0B00..0x0CFF) выходят за пределы области памяти 0x0C00..0x7FFF!\r\n"
                                "Файл не загружен."));
        QVERIFY(std::equal(bytes.begin(), bytes.end(), frm.FlashBuf.Data()));
        QCOMPARE(tab.LoadedPath(), path);

        // Saved as HEX over the region and read back.
        const QString out = dir.filePath("out.hex");
        dialogs.push(out, 3);
        tab.btnSaveFLASH->setEnabled(true);
        tab.btnSaveFLASH->click();
        THEXFile back(0xC00, 0x7FFF);
        QVERIFY(back.Read(out));
        QVERIFY(std::equal(back.Buffer.begin(), back.Buffer.end(), frm.FlashBuf.Data()));
    }

    void writeIsGuardedAndAsksWithoutAFile()
    {
        MessageRecorder boxes;
        ShellFixture f;
        TfrmMain& frm = f.Open();
        TFlashTab& tab = *frm.FlashTab;
        // F5 reaches the handler while the button is disabled: nothing happens.
        QVERIFY(!tab.btnWriteFLASH->isEnabled());
        tab.btnWriteFLASHClick();
        QVERIFY(boxes.boxes().empty());
        // Enabled, no file loaded: the question comes first, and No ends it.
        frm.M_AllControls->trigger();
        QVERIFY(tab.btnWriteFLASH->isEnabled());
        boxes.answer(false);
        tab.btnWriteFLASH->click();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Файл прошивки не был загружен.\r\nПродолжить?")});
    }

    void bootloaderRemembersTheTabAndProgramReturnsToIt()
    {
        MessageRecorder boxes;
        ShellFixture f;
        TfrmMain& frm = f.Open();
        QCOMPARE(frm.btnRunProgram->toolTip(), QStringLiteral("Переключение в раюочий режим (F9)"));
        frm.PageControl->setCurrentWidget(frm.tsCmd);
        frm.btnRunBootloader->setEnabled(true);
        frm.btnRunBootloader->click();
        QCOMPARE(frm.ActiveTabName(), QStringLiteral("tsFLASH"));
        frm.btnRunProgram->setEnabled(true);
        frm.btnRunProgram->click();
        QCOMPARE(frm.ActiveTabName(), QStringLiteral("tsCmd"));
        frm.PageControl->setCurrentWidget(frm.tsExtMem);
        frm.btnRunProgram->setEnabled(true);  // every exchange starts with all device controls off
        frm.btnRunProgram->click();           // stays remembered
        QCOMPARE(frm.ActiveTabName(), QStringLiteral("tsCmd"));
        QVERIFY(boxes.boxes().empty());  // no port: nothing sent, nothing shown
    }

    // A real HEX file flashed into the simulated bootloader through the window, verified, and
    // the device switched to its program and back.
    void flashVerifyAndRunAgainstTheSimulator()
    {
        MemSim sim;
        TfrmMain& frm = sim.Open();
        TFlashTab& tab = *frm.FlashTab;
        QVERIFY(sim.WaitBootloader(frm));
        const uint32_t start = sim.dev->appOffset();
        const uint32_t size = sim.dev->flashSize() - start;
        QCOMPARE(frm.Region.ProgStart(), int64_t(start));
        QCOMPARE(frm.Region.MemSize(), int64_t(sim.dev->flashSize()));
        QCOMPARE(tab.FLASH->RowCount(), int(size / 16 + 1));
        QVERIFY(tab.LabelMCU1->text() != QStringLiteral("- - -"));

        QTemporaryDir dir;
        const auto image = BytePattern(size, 9);
        sim.dialogs.push(WriteHexFile(dir, "firmware.hex", start, image));
        tab.btnOpenFLASH->click();
        QVERIFY(std::equal(image.begin(), image.end(), frm.FlashBuf.Data()));

        tab.RunAfterSave->setChecked(true);
        sim.boxes.answer(true);  // "Записать данные из буфера во FLASH-память?"
        frm.PageControl->setCurrentWidget(frm.tsFLASH);
        tab.btnWriteFLASH->click();
        QCOMPARE(sim.boxes.texts(), QStringList{QStringLiteral("Записать данные из буфера во FLASH-память?")});
        QVERIFY(sim.dev->readFlash(start, size) == image);
        // "Сравнивать после записи" is on from the start: the write is compared without a box of its own.
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Запись FLASH завершена и проверена: firmware.hex")));
        QVERIFY(sim.RequestsOf(3) >= int(size / 64));
        QCOMPARE(sim.RequestsOf(4), int(size / 64));
        QVERIFY(TfrmProgress::LastStats().calls >= 1);
        QCOMPARE(frm.windowTitle(), QStringLiteral("Zevanta"));  // progress title restored
        // "Запускать после записи": the device runs its program.
        QVERIFY(sim.WaitApplication(frm));

        // Back into the bootloader from the console tab, compare, then run again.
        frm.PageControl->setCurrentWidget(frm.tsCmd);
        frm.btnRunBootloader->click();
        QCOMPARE(frm.ActiveTabName(), QStringLiteral("tsFLASH"));
        QVERIFY(sim.WaitBootloader(frm));
        sim.boxes.clear();
        tab.btnCompareFLASH->click();
        QCOMPARE(sim.boxes.texts(), QStringList{QStringLiteral("Различия не найдены!")});
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Сравнение FLASH: данные совпадают")));
        // A difference is reported at its address, and no success line stays from before.
        frm.FlashBuf[0x45] ^= 0xFF;
        QVERIFY(sim.WaitBootloader(frm));  // controls come back with the next display step
        sim.boxes.clear();
        tab.btnCompareFLASH->click();
        QCOMPARE(sim.boxes.texts(),
                 QStringList{QStringLiteral("Несовпадение данных по адресу 0x") + hex(start + 0x45, 4)});
        QCOMPARE(frm.StatusLineText(), QString());
        frm.FlashBuf[0x45] ^= 0xFF;
        QVERIFY(sim.WaitBootloader(frm));
        frm.btnRunProgram->click();
        QCOMPARE(frm.ActiveTabName(), QStringLiteral("tsCmd"));
        QVERIFY(sim.WaitApplication(frm));
        QVERIFY(sim.boxes.boxes().size() == 1);
    }

    // Two controllers on one bus: a buffer made for one program region is never written at the
    // other's offset. It is loaded again for the new region when "Перезагружать файл" is on (and
    // refused when it does not fit there), refused naming both regions otherwise; a buffer read
    // from a device belongs to that device's region.
    void bufferStaysWithTheRegionItWasMadeFor()
    {
        MemSim sim;  // ATmega32 at 0x21: program from 0x0800
        auto& mega64 = sim.bus.emplace<zeva::sim::FirmwareDevice>(0x22, bootloaderOf(4));  // from 0x1000
        TfrmMain& frm = sim.Open();
        TFlashTab& tab = *frm.FlashTab;
        auto select = [&](uint16_t addr, uint32_t start) {
            sim.shell.session.DevAddr = addr;
            return QTest::qWaitFor(
                [&] {
                    return tab.DeviceRegion().Start == start && MemSim::isBoot(sim.Mode()) &&
                           frm.btnRunProgram->isEnabled();
                },
                8000);
        };
        QVERIFY(select(MemSim::kAddr, 0x800));
        QTemporaryDir dir;
        const QString file = WriteHexFile(dir, "fw.hex", 0x800, BytePattern(0x400, 1));
        sim.dialogs.push(file);
        tab.btnOpenFLASH->click();
        QVERIFY2(tab.LabelFLASHFile->text().endsWith(QStringLiteral("\nATmega32 (0x0800..0x7FFF)")),
                 qPrintable(tab.LabelFLASHFile->text()));

        QVERIFY(select(0x22, 0x1000));
        const QString loadedFor32 = QStringLiteral(
            "Файл прошивки загружен для ATmega32 (0x0800..0x7FFF), а выбрано устройство ATmega64 (0x1000..0xFFFF).\r\n"
            "Загрузите файл заново или включите \"Перезагружать файл\".");
        sim.boxes.clear();
        tab.btnWriteFLASH->click();
        tab.btnCompareFLASH->click();
        QCOMPARE(sim.boxes.texts(), (QStringList{loadedFor32, loadedFor32}));
        QCOMPARE(requestsOf(mega64, 4) + requestsOf(mega64, 3), 0);
        QCOMPARE(frm.StatusLineText(), QString());

        // Reloaded for 0x1000 on, the file no longer fits: the loader's own words, nothing sent.
        tab.ReloadFile->setChecked(true);
        sim.boxes.clear();
        tab.btnWriteFLASH->click();
        QCOMPARE(sim.boxes.texts(),
                 QStringList{QStringLiteral("Данные файла (0x0800..0x0BFF) выходят за пределы области памяти "
                                            "0x1000..0xFFFF!\r\nФайл не загружен.")});
        QCOMPARE(requestsOf(mega64, 4), 0);
        // The file rebuilt for addresses the ATmega64 has: loaded for its region and written there.
        const auto image = BytePattern(0x400, 2);
        WriteHexFile(dir, "fw.hex", 0x1000, image);
        sim.boxes.clear();
        sim.boxes.answer(true);
        tab.btnWriteFLASH->click();
        QCOMPARE(sim.boxes.texts(), QStringList{QStringLiteral("Записать данные из буфера во FLASH-память?")});
        QVERIFY(mega64.readFlash(0x1000, 0x400) == image);
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("Запись FLASH завершена и проверена: fw.hex")));

        // Read back from the ATmega64, then compared with the ATmega32: refused, nothing read there.
        tab.ReloadFile->setChecked(false);
        QVERIFY(select(0x22, 0x1000));
        sim.boxes.clear();
        tab.btnReadFLASH->click();
        QVERIFY(std::equal(image.begin(), image.end(), frm.FlashBuf.Data()));
        QVERIFY(select(MemSim::kAddr, 0x800));
        tab.btnCompareFLASH->click();
        QCOMPARE(sim.boxes.texts(),
                 QStringList{
                     QStringLiteral("Буфер FLASH прочитан из ATmega64 (0x1000..0xFFFF), а выбрано устройство ATmega32 "
                                    "(0x0800..0x7FFF).\r\nПрочитайте FLASH этого устройства или загрузите файл.")});
        QCOMPARE(sim.RequestsOf(3), 0);
    }

    // "Сравнивать после записи", on from the start and kept in the settings: a write the device
    // acknowledged but did not keep is caught, and "Запускать после записи" then does not run.
    void writeIsComparedBeforeTheProgramRuns()
    {
        MemSim sim;
        auto& leaky = sim.bus.emplace<LeakyFlash>(0x23, bootloaderOf(3));
        TfrmMain& frm = sim.Open();
        TFlashTab& tab = *frm.FlashTab;
        QVERIFY(tab.VerifyAfterSave->isChecked());
        sim.shell.session.DevAddr = 0x23;
        QVERIFY(sim.WaitBootloader(frm));
        QTemporaryDir dir;
        sim.dialogs.push(WriteHexFile(dir, "fw.hex", leaky.appOffset(), BytePattern(0x200, 4)));
        tab.btnOpenFLASH->click();
        tab.RunAfterSave->setChecked(true);

        struct Case {
            bool verify;
            QStringList boxes;
            QString status;
            int runs;  // command 1 sent so far
        };
        const Case cases[] = {
            {true,
             {QStringLiteral("Записать данные из буфера во FLASH-память?"),
              QStringLiteral("Несовпадение данных по адресу 0x") + hex(leaky.appOffset() + 5, 4)},
             QString(),
             0},
            // Unchecked the write is taken at the device's word, as before.
            {false,
             {QStringLiteral("Записать данные из буфера во FLASH-память?")},
             QStringLiteral("Запись FLASH завершена: fw.hex"),
             1},
        };
        for (const Case& c : cases) {
            QVERIFY(sim.WaitBootloader(frm));
            tab.VerifyAfterSave->setChecked(c.verify);
            sim.boxes.clear();
            sim.boxes.answer(true);
            tab.btnWriteFLASH->click();
            QCOMPARE(sim.boxes.texts(), c.boxes);
            QVERIFY2(frm.StatusLineText().endsWith(c.status), qPrintable(frm.StatusLineText()));
            QCOMPARE(frm.StatusLineText().isEmpty(), c.status.isEmpty());
            QCOMPARE(requestsOf(leaky, 1), c.runs);
        }

        // The choice goes into the settings at exit and comes back at start.
        QVERIFY(!sim.shell.Reopen().FlashTab->VerifyAfterSave->isChecked());
    }
};

QTEST_MAIN(TestFlashTab)
#include "tst_flashtab.moc"

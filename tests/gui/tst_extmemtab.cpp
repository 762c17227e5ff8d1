// The "Ext Mem" and "Управление Ext Mem" tabs against a simulated application with 32 KiB of
// external memory: files in and out, whole transfers, the small read and the single-byte write.
#include <QtTest>

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>

#include <QCheckBox>

#include "memory/ui/ctrlextmemtab.h"
#include "memory/ui/extmemtab.h"
#include "memory/ui/flashtab.h"
#include "memory/ui/hexgrid.h"
#include "support/simwindow.h"

namespace {

QByteArray pattern(int n, int seed)
{
    QByteArray b(n, 0);
    for (int i = 0; i < n; ++i)
        b[i] = char(i * 5 + seed + (i >> 8));
    return b;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(f.fileName()));
    return f.fileName();
}

}  // namespace

class TestExtMemTab : public QObject {
    Q_OBJECT
private slots:
    void filesInAndOut()
    {
        MessageRecorder boxes;
        ScriptedFileDialogs dialogs;
        ShellFixture f;
        TfrmMain& frm = f.Open();
        TExtMemTab& tab = *frm.ExtMemTab;
        frm.M_AllControls->trigger();
        QCOMPARE(tab.ExtMem->RowCount(), 0x8000 / 16 + 1);  // Ext 0x8000 until a device answers
        QTemporaryDir dir;
        // Binary as long as the memory fills it; longer is refused rather than cut; shorter: the rest 0xFF.
        const QByteArray whole = pattern(0x8000, 1);
        dialogs.push(writeFile(dir, "whole.bin", whole), 2);
        tab.btnOpenExtMem->click();
        QVERIFY(std::equal(whole.begin(), whole.end(), reinterpret_cast<const char*>(frm.ExtMemBuf.Data())));
        QCOMPARE(int(frm.ExtMemBuf[0x8000]), 0xFF);
        QVERIFY(tab.ChecksumRed());
        dialogs.push(writeFile(dir, "big.bin", pattern(0x9000, 4)), 2);
        tab.btnOpenExtMem->click();
        QCOMPARE(boxes.texts().value(0),
                 QStringLiteral("Файл длиннее памяти (36864 байт, память 32768 байт)!\r\nФайл не загружен."));
        QVERIFY(std::equal(whole.begin(), whole.end(), reinterpret_cast<const char*>(frm.ExtMemBuf.Data())));
        boxes.clear();
        dialogs.push(writeFile(dir, "small.bin", pattern(0x100, 2)), 3);  // any type but HEX is binary
        tab.btnOpenExtMem->click();
        QCOMPARE(int(frm.ExtMemBuf[0xFF]), int(uint8_t(pattern(0x100, 2)[0xFF])));
        QCOMPARE(int(frm.ExtMemBuf[0x100]), 0xFF);

        // Out as HEX, binary and WAV.
        dialogs.push(dir.filePath("out.hex"), 1);
        tab.btnSaveExtMem->click();
        dialogs.push(dir.filePath("out.bin"), 2);
        tab.btnSaveExtMem->click();
        dialogs.push(dir.filePath("out.wav"), 3);
        tab.btnSaveExtMem->click();
        QCOMPARE(dialogs.filters.last(), QStringLiteral("Файлы HEX (*.hex);;Файлы BIN (*.bin);;Файлы WAV (*.wav)"));
        QCOMPARE(QFileInfo(dir.filePath("out.bin")).size(), 0x8000);
        QFile wav(dir.filePath("out.wav"));
        QVERIFY(wav.open(QIODevice::ReadOnly));
        const QByteArray w = wav.readAll();
        QCOMPARE(w.size(), 0x802C);
        QCOMPARE(w.mid(4, 4), QByteArray("\x24\x80\x00\x00", 4));
        frm.ExtMemBuf.Fill(0);
        dialogs.push(dir.filePath("out.hex"), 1);
        tab.btnOpenExtMem->click();
        QCOMPARE(int(frm.ExtMemBuf[0x10]), int(uint8_t(pattern(0x100, 2)[0x10])));
        QCOMPARE(int(frm.ExtMemBuf[0x7FFF]), 0xFF);

        // A file that cannot be opened: the box, the image unchanged.
        dialogs.push(dir.filePath("missing.bin"), 2);
        tab.btnOpenExtMem->click();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Невозможно прочитать файл: нет такого файла или папки!")});
        QCOMPARE(int(frm.ExtMemBuf[0x10]), int(uint8_t(pattern(0x100, 2)[0x10])));
    }

    // The tab's fields and the FLASH options go into the settings at exit and come back at start.
    void fieldsSurviveExitAndStart()
    {
        MessageRecorder boxes;
        ShellFixture f;
        TfrmMain& frm = f.Open();
        frm.CtrlExtMemTab->BeginAddr->setValue(304);
        frm.CtrlExtMemTab->CountBytes->setValue(5);
        frm.CtrlExtMemTab->AddrForWrite->setValue(10);
        frm.CtrlExtMemTab->WriteValue->setValue(200);
        frm.CtrlExtMemTab->TypeData->SetItemIndex(1);
        frm.FlashTab->RunAfterSave->setChecked(true);
        TfrmMain& again = f.Reopen();
        TCtrlExtMemTab& ctrl = *again.CtrlExtMemTab;
        QCOMPARE(ctrl.BeginAddr->value(), 304);
        QCOMPARE(ctrl.CountBytes->value(), 5);
        QCOMPARE(ctrl.AddrForWrite->value(), 10);
        QCOMPARE(ctrl.WriteValue->value(), 200);
        QCOMPARE(ctrl.HEXValue->text(), QStringLiteral("0xC8"));
        QCOMPARE(ctrl.TypeData->ItemIndex(), 1);
        QVERIFY(again.FlashTab->RunAfterSave->isChecked());
        QVERIFY(!again.FlashTab->ReloadFile->isChecked());
    }

    void transfersAndTheControlTab()
    {
        MemSim sim(true, 0x8000);
        TfrmMain& frm = sim.Open();
        TExtMemTab& ext = *frm.ExtMemTab;
        QVERIFY(sim.WaitApplication(frm));
        QVERIFY(ext.btnWriteExtMem->isEnabled());
        const QByteArray data = pattern(0x8000, 7);
        std::copy(data.begin(), data.end(), reinterpret_cast<char*>(frm.ExtMemBuf.Data()));
        sim.boxes.answer(true);  // "Записать данные из буфера в Ext Mem?"
        ext.btnWriteExtMem->click();
        QCOMPARE(sim.boxes.texts(), QStringList{QStringLiteral("Записать данные из буфера в Ext Mem?")});
        const auto onDevice = sim.dev->readExt(0, 0x8000);
        QVERIFY(std::equal(onDevice.begin(), onDevice.end(), reinterpret_cast<const uint8_t*>(data.constData())));
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Запись внешней памяти завершена")));
        QVERIFY(sim.WaitApplication(frm));
        sim.boxes.clear();
        ext.btnCompareExtMem->click();
        QCOMPARE(sim.boxes.texts(), QStringList{QStringLiteral("Различия не найдены!")});
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Сравнение внешней памяти: данные совпадают")));
        QVERIFY(sim.WaitApplication(frm));
        frm.ExtMemBuf.Fill(0);
        ext.btnReadExtMem->click();
        QVERIFY(std::equal(onDevice.begin(), onDevice.end(), frm.ExtMemBuf.Data()));
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Чтение внешней памяти завершено")));
        QCOMPARE(ext.ExtMem->CellText(1, 1), QStringLiteral("%1").arg(onDevice[0], 2, 16, QLatin1Char('0')).toUpper());

        // "Управление Ext Mem": read 304 … 308, show them, switch to hexadecimal, write one byte.
        TCtrlExtMemTab& ctrl = *frm.CtrlExtMemTab;
        QCOMPARE(ctrl.GridExt->CellText(0, 1), QStringLiteral("0000"));  // before the first read
        QCOMPARE(ctrl.HEXValue->text(), QStringLiteral("0x00"));
        frm.M_AllControls->trigger();  // its buttons belong to the bootloader's group
        std::vector<uint8_t> fresh(0x200);
        for (size_t i = 0; i < fresh.size(); ++i)
            fresh[i] = uint8_t(255 - i);
        sim.dev->writeExt(0, fresh);
        ctrl.BeginAddr->setValue(304);
        ctrl.CountBytes->setValue(5);
        sim.dev->clearRequestLog();
        ctrl.btnReadData->click();
        QCOMPARE(ctrl.GridExt->RowCount(), 2);
        QCOMPARE(ctrl.GridExt->CellText(1, 0), QStringLiteral("0130"));
        QCOMPARE(ctrl.GridExt->CellText(0, 1), QStringLiteral("00"));
        QCOMPARE(ctrl.GridExt->CellText(1, 1), QString::number(fresh[304]));
        QCOMPARE(ctrl.GridExt->CellText(1, 5), QString::number(fresh[308]));
        QCOMPARE(ctrl.GridExt->CellText(1, 6), QString());
        std::vector<std::vector<uint8_t>> reads;
        for (const auto& r : sim.dev->requestLog())
            if (r.cmd == 17)
                reads.push_back(r.payload);
        QCOMPARE(reads, (std::vector<std::vector<uint8_t>>{{0x00, 0x01}}));  // block 1 only
        ctrl.TypeData->SetItemIndex(1);
        QCOMPARE(ctrl.GridExt->CellText(1, 1), QStringLiteral("%1").arg(fresh[304], 2, 16, QLatin1Char('0')).toUpper());

        ctrl.AddrForWrite->setValue(10);
        ctrl.WriteValue->setValue(0x5A);
        QCOMPARE(ctrl.HEXValue->text(), QStringLiteral("0x5A"));
        sim.dev->clearRequestLog();
        ctrl.btnWriteData->click();
        QCOMPARE(int(sim.dev->readExt(10, 1)[0]), 0x5A);
        QCOMPARE(int(sim.dev->readExt(11, 1)[0]), int(fresh[11]));
        std::vector<uint8_t> cmds;
        for (const auto& r : sim.dev->requestLog())
            if (r.cmd == 17 || r.cmd == 18)
                cmds.push_back(r.cmd);
        // Read block 0, write it back, then "Считать" again.
        QCOMPARE(cmds, (std::vector<uint8_t>{17, 18, 17}));
        QVERIFY(sim.boxes.boxes().size() == 1);
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Байт 0x5A записан по адресу 10")));

        // A refused write says what failed and leaves no line that passes for a success.
        QVERIFY(sim.WaitApplication(frm));
        sim.boxes.clear();
        sim.dev->addFault({zeva::sim::FaultKind::Refuse, 18});
        ctrl.WriteValue->setValue(0x33);
        ctrl.btnWriteData->click();
        sim.dev->clearFaults();
        QCOMPARE(int(sim.dev->readExt(10, 1)[0]), 0x5A);
        QCOMPARE(sim.boxes.texts().size(), 1);
        QVERIFY(sim.boxes.texts()[0].startsWith(QStringLiteral("Ошибка записи в Ext Mem")));
        QCOMPARE(frm.StatusLineText(), QString());
    }
};

QTEST_MAIN(TestExtMemTab)
#include "tst_extmemtab.moc"

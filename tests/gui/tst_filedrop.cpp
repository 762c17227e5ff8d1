// Files reach the FLASH and external-memory tabs three ways: "Открыть...", a drop on the tab and
// the window's recent files. All three load through the same checks, and none while the tab's
// "Открыть..." could not be clicked (no device for it, a transfer running).
#include <QtTest>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include "memory/ui/extmemtab.h"
#include "memory/ui/flashtab.h"
#include "memory/ui/frmprogress.h"
#include "memory/ui/recentmenu.h"
#include "support/simwindow.h"

namespace {

struct DropResult {
    bool enterAccepted = false;
    bool dropAccepted = false;
};

// A drag that enters the tab and is let go on it, as the window system delivers one.
DropResult dropOn(QWidget* target, const QList<QUrl>& urls)
{
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint at(target->width() / 2, target->height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return {enter.isAccepted(), drop.isAccepted()};
}

DropResult dropFile(QWidget* target, const QString& path)
{
    return dropOn(target, {QUrl::fromLocalFile(path)});
}

QString writeBytes(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(f.fileName()));
    return f.fileName();
}

// The entries of a recent-files submenu as they show.
QStringList entries(const QMenu* menu)
{
    QStringList out;
    for (const QAction* a : menu->actions())
        out << a->text();
    return out;
}

QStringList fileNames(const TRecentFiles& recent)
{
    QStringList out;
    for (const QString& f : recent.Files())
        out << QFileInfo(f).fileName();
    return out;
}

}  // namespace

class TestFileDrop : public QObject {
    Q_OBJECT
private slots:
    void flashDropLoadsAsOpenDoes()
    {
        MessageRecorder boxes;
        ScriptedFileDialogs dialogs;
        ShellFixture f;
        TfrmMain& frm = f.Open();
        TFlashTab& tab = *frm.FlashTab;
        QTemporaryDir dir;
        const auto bytes = BytePattern(0x200, 3);
        const QString good = WriteHexFile(dir, "fw.hex", 0xC00, bytes);

        // No device for the FLASH buttons: the drop is not taken, like the disabled button.
        QVERIFY(!tab.btnOpenFLASH->isEnabled());
        QCOMPARE(dropFile(&tab, good).enterAccepted, false);
        QCOMPARE(tab.LoadedPath(), QString());
        QCOMPARE(int(frm.FlashBuf[0]), 0xFF);

        frm.M_AllControls->trigger();
        QVERIFY(tab.btnOpenFLASH->isEnabled());
        const DropResult r = dropFile(&tab, good);
        QVERIFY(r.enterAccepted && r.dropAccepted);
        QCOMPARE(tab.LoadedPath(), good);
        QVERIFY(std::equal(bytes.begin(), bytes.end(), frm.FlashBuf.Data()));
        QVERIFY(tab.LabelFLASHFile->text().startsWith(QStringLiteral("Файл: fw.hex\n")));
        QCOMPARE(tab.LabelFLASHFile->toolTip(), QDir::toNativeSeparators(good));
        QVERIFY(boxes.boxes().empty());

        // A damaged file: the box "Открыть..." gives for it, the buffer and the loaded file kept.
        const QString bad = writeBytes(dir, "bad.hex", ":10000000ZZ\r\n");
        dialogs.push(bad);
        tab.btnOpenFLASH->click();
        QCOMPARE(boxes.boxes().size(), size_t(1));
        const MessageRecorder::Box fromButton = boxes.boxes().back();
        QCOMPARE(fromButton.text, QStringLiteral("Неверный символ в строке 1!"));
        QVERIFY(dropFile(&tab, bad).dropAccepted);
        QCOMPARE(boxes.boxes().size(), size_t(2));
        QCOMPARE(boxes.boxes().back().kind, fromButton.kind);
        QCOMPARE(boxes.boxes().back().text, fromButton.text);
        QVERIFY(std::equal(bytes.begin(), bytes.end(), frm.FlashBuf.Data()));
        QCOMPARE(tab.LoadedPath(), good);
        QVERIFY(tab.LabelFLASHFile->text().startsWith(QStringLiteral("Файл: fw.hex\n")));
        // A file outside the program region: refused by the same region check.
        const QString wide = WriteHexFile(dir, "wide.hex", 0xB00, BytePattern(0x200, 5));
        QVERIFY(dropFile(&tab, wide).dropAccepted);
        QVERIFY(boxes.boxes().back().text.startsWith(QStringLiteral("Данные файла (0x0B00..0x0CFF)")));
        QCOMPARE(tab.LoadedPath(), good);
        QCOMPARE(fileNames(tab.RecentFiles()), QStringList{QStringLiteral("fw.hex")});

        // Not this tab's kind of file, several files, a remote file: not taken, nothing said.
        boxes.clear();
        const QString bin = writeBytes(dir, "dump.bin", QByteArray(16, '\x11'));
        const QString other = WriteHexFile(dir, "other.hex", 0xC00, BytePattern(0x20, 7));
        const std::vector<QList<QUrl>> refused = {
            {QUrl::fromLocalFile(bin)},
            {QUrl::fromLocalFile(other), QUrl::fromLocalFile(good)},
            {QUrl(QStringLiteral("https://example.org/other.hex"))},
        };
        for (const QList<QUrl>& urls : refused) {
            const DropResult no = dropOn(&tab, urls);
            QVERIFY(!no.enterAccepted && !no.dropAccepted);
        }
        QVERIFY(boxes.boxes().empty());
        QCOMPARE(tab.LoadedPath(), good);
        QVERIFY(std::equal(bytes.begin(), bytes.end(), frm.FlashBuf.Data()));
    }

    void recentFilesReopenThroughTheSameLoad()
    {
        MessageRecorder boxes;
        ScriptedFileDialogs dialogs;
        ShellFixture f;
        TfrmMain* frm = &f.Open();
        frm->M_AllControls->trigger();
        QTemporaryDir dir;
        const auto first = BytePattern(0x100, 1);
        const QString a = WriteHexFile(dir, "a.hex", 0xC00, first);
        const QString b = WriteHexFile(dir, "b&c.hex", 0xC00, BytePattern(0x100, 2));
        const QString gone = WriteHexFile(dir, "gone.hex", 0xC00, BytePattern(0x100, 3));

        // The menu after "База данных", a submenu per tab; empty lists say so.
        QMenu* recent = frm->menuBar()->findChild<QMenu*>(QStringLiteral("M_RecentFiles"));
        QVERIFY(recent);
        QCOMPARE(frm->menuBar()->actions().value(1), recent->menuAction());
        QCOMPARE(recent->title(), QStringLiteral("Последние файлы"));
        QCOMPARE(recent->actions().size(), 2);
        QCOMPARE(recent->actions()[0]->menu(), frm->FlashTab->RecentMenu);
        QCOMPARE(recent->actions()[1]->menu(), frm->ExtMemTab->RecentMenu);
        QCOMPARE(entries(frm->FlashTab->RecentMenu), QStringList{QStringLiteral("(пусто)")});

        // Opened by the button, by a drop and by the button again: newest first, numbered.
        dialogs.push(gone);
        frm->FlashTab->btnOpenFLASH->click();
        QVERIFY(dropFile(frm->FlashTab, b).dropAccepted);
        dialogs.push(a);
        frm->FlashTab->btnOpenFLASH->click();
        const QString folder = QDir::toNativeSeparators(dir.path()).replace(QLatin1Char('&'), QStringLiteral("&&"));
        QCOMPARE(entries(frm->FlashTab->RecentMenu), (QStringList{QStringLiteral("&1 a.hex  (%1)").arg(folder),
                                                                  QStringLiteral("&2 b&&c.hex  (%1)").arg(folder),
                                                                  QStringLiteral("&3 gone.hex  (%1)").arg(folder)}));
        QCOMPARE(frm->FlashTab->RecentMenu->actions()[1]->toolTip(), QDir::toNativeSeparators(b));

        // Kept over a restart.
        frm = &f.Reopen();
        QVERIFY(frm->M_AllControls->isChecked());  // kept too
        TFlashTab& tab = *frm->FlashTab;
        QCOMPARE(fileNames(tab.RecentFiles()), (QStringList{"a.hex", "b&c.hex", "gone.hex"}));

        // An entry loads its file again and shows the tab.
        frm->PageControl->setCurrentWidget(frm->tsCmd);
        tab.RecentMenu->actions()[0]->trigger();
        QCOMPARE(frm->ActiveTabName(), QStringLiteral("tsFLASH"));
        QCOMPARE(tab.LoadedPath(), a);
        QVERIFY(std::equal(first.begin(), first.end(), frm->FlashBuf.Data()));
        QVERIFY(tab.LabelFLASHFile->text().startsWith(QStringLiteral("Файл: a.hex\n")));
        QVERIFY(boxes.boxes().empty());

        // A file gone since: a message, and it leaves the list; nothing is loaded.
        QVERIFY(QFile::remove(gone));
        tab.RecentMenu->actions()[2]->trigger();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Файл %1 не найден.\r\nОн убран из списка последних файлов.")
                                                .arg(QDir::toNativeSeparators(gone))});
        QCOMPARE(boxes.boxes().back().kind, QStringLiteral("warning"));
        QCOMPARE(fileNames(tab.RecentFiles()), (QStringList{"a.hex", "b&c.hex"}));
        QCOMPARE(tab.RecentMenu->actions().size(), 2);
        QCOMPARE(tab.LoadedPath(), a);

        // A file that no longer reads: the loader's own box; it stays listed.
        boxes.clear();
        writeBytes(dir, "b&c.hex", ":10000000ZZ\r\n");
        tab.RecentMenu->actions()[1]->trigger();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Неверный символ в строке 1!")});
        QCOMPARE(tab.LoadedPath(), a);
        QCOMPARE(fileNames(tab.RecentFiles()), (QStringList{"a.hex", "b&c.hex"}));

        // Usable only when "Открыть..." is.
        frm->M_AllControls->trigger();
        QVERIFY(!tab.btnOpenFLASH->isEnabled());
        QVERIFY(!tab.RecentMenu->menuAction()->isEnabled());
        frm->FlashBuf[0] ^= 0xFF;
        tab.RecentMenu->Choose(0);
        QCOMPARE(int(frm->FlashBuf[0]), int(uint8_t(first[0] ^ 0xFF)));
    }

    void extMemTakesHexAndBinary()
    {
        MessageRecorder boxes;
        ScriptedFileDialogs dialogs;
        ShellFixture f;
        TfrmMain& frm = f.Open();
        TExtMemTab& tab = *frm.ExtMemTab;
        frm.M_AllControls->trigger();
        QTemporaryDir dir;
        QCOMPARE(tab.LabelExtMemFile->text(), QStringLiteral("Файл не загружен"));

        const QByteArray raw(0x300, '\x5A');
        const QString bin = writeBytes(dir, "dump.bin", raw);
        QVERIFY(dropFile(&tab, bin).dropAccepted);
        QVERIFY(std::equal(raw.begin(), raw.end(), reinterpret_cast<const char*>(frm.ExtMemBuf.Data())));
        QVERIFY(tab.LabelExtMemFile->text().startsWith(QStringLiteral("Файл: dump.bin\n")));
        QCOMPARE(tab.LabelExtMemFile->toolTip(), QDir::toNativeSeparators(bin));

        const auto image = BytePattern(0x100, 4);
        const QString hex = WriteHexFile(dir, "img.HEX", 0x40, image);
        QVERIFY(dropFile(&tab, hex).dropAccepted);
        QVERIFY(std::equal(image.begin(), image.end(), frm.ExtMemBuf.Data() + 0x40));
        QVERIFY(tab.LabelExtMemFile->text().startsWith(QStringLiteral("Файл: img.HEX\n")));

        // Longer than the memory: refused as "Открыть..." refuses it.
        const QString big = writeBytes(dir, "big.bin", QByteArray(0x9000, '\x01'));
        QVERIFY(dropFile(&tab, big).dropAccepted);
        QCOMPARE(
            boxes.texts(),
            QStringList{QStringLiteral("Файл длиннее памяти (36864 байт, память 32768 байт)!\r\nФайл не загружен.")});
        QVERIFY(tab.LabelExtMemFile->text().startsWith(QStringLiteral("Файл: img.HEX\n")));
        QVERIFY(!dropFile(&tab, writeBytes(dir, "notes.txt", "x")).enterAccepted);

        // The dialog's type decides for "Открыть..."; the list reopens by the file's suffix.
        dialogs.push(writeBytes(dir, "tail.dat", QByteArray(4, '\x22')), 3);
        tab.btnOpenExtMem->click();
        QCOMPARE(fileNames(tab.RecentFiles()), (QStringList{"tail.dat", "img.HEX", "dump.bin"}));
        frm.ExtMemBuf.Fill(0);
        tab.RecentMenu->actions()[2]->trigger();
        QCOMPARE(frm.ActiveTabName(), QStringLiteral("tsExtMem"));
        QVERIFY(std::equal(raw.begin(), raw.end(), reinterpret_cast<const char*>(frm.ExtMemBuf.Data())));
        tab.RecentMenu->actions()[2]->trigger();  // "img.HEX" is last now
        QVERIFY(std::equal(image.begin(), image.end(), frm.ExtMemBuf.Data() + 0x40));
        QCOMPARE(fileNames(tab.RecentFiles()), (QStringList{"img.HEX", "dump.bin", "tail.dat"}));
    }

    // While a transfer runs the window is blocked by its progress: a drop loads nothing, even
    // with every control switched on.
    void noDropDuringATransfer()
    {
        MemSim sim;
        TfrmMain& frm = sim.Open();
        TFlashTab& tab = *frm.FlashTab;
        QVERIFY(sim.WaitBootloader(frm));
        frm.M_AllControls->trigger();
        QTemporaryDir dir;
        const QString file = WriteHexFile(dir, "fw.hex", sim.dev->appOffset(), BytePattern(0x100, 6));
        bool duringTransfer = false;
        DropResult during;
        QTimer::singleShot(0, &frm, [&] {
            duringTransfer = qobject_cast<TfrmProgress*>(QApplication::activeModalWidget()) != nullptr;
            during = dropFile(&tab, file);
        });
        sim.boxes.answer(true);
        tab.btnReadFLASH->click();
        QVERIFY(duringTransfer);
        QVERIFY(!during.enterAccepted && !during.dropAccepted);
        QCOMPARE(tab.LoadedPath(), QString());
        QVERIFY(tab.RecentFiles().Files().isEmpty());
        // Afterwards the same drop loads.
        QVERIFY(sim.WaitBootloader(frm));
        QVERIFY(dropFile(&tab, file).dropAccepted);
        QCOMPARE(tab.LoadedPath(), file);
    }
};

QTEST_MAIN(TestFileDrop)
#include "tst_filedrop.moc"

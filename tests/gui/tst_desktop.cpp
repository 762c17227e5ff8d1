// How the program fits a Linux desktop: Qt's own texts in Russian, file dialogs that remember
// their folders.
#include <QtTest>

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include "app/ui/desktop.h"
#include "app/ui/messagebox.h"
#include "memory/ui/filedialogs.h"

class TestDesktop : public QObject {
    Q_OBJECT
private slots:
    void confirmationButtonsAreRussian()
    {
        QVERIFY2(LoadQtTranslations(*QCoreApplication::instance()), "Qt's Russian translations are not installed");
        QStringList seen;
        QTimer::singleShot(0, [&seen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            for (QAbstractButton* b : box->buttons())
                seen << b->text().remove(QLatin1Char('&'));
            box->button(QMessageBox::No)->click();
        });
        QMessageBoxService boxes;
        QVERIFY(!boxes.askYesNo(QStringLiteral("Удалить запись?"), AskIcon::Question));
        seen.sort();
        QCOMPARE(seen, QStringList({QStringLiteral("Да"), QStringLiteral("Нет")}));
    }

    // Each tab's dialog starts where that tab last took a file from, else in the home folder;
    // the working directory is never used nor changed.
    void fileDialogsStartInTheFolderLastUsed()
    {
        QTemporaryDir dir;
        QSettings store(dir.filePath(QStringLiteral("zevanta.ini")), QSettings::IniFormat);
        FileDialogs::SetFolderStore(&store);
        QDir(dir.path()).mkpath(QStringLiteral("firmware"));
        const QString hex = dir.filePath(QStringLiteral("firmware/fw.hex"));
        QFile(hex).open(QIODevice::WriteOnly);
        const QString cwd = QDir::currentPath();

        QWidget flash, extmem;
        flash.setObjectName(QStringLiteral("tsFLASH"));
        extmem.setObjectName(QStringLiteral("tsExtMem"));
        // Opens the real dialog from `parent`, notes where it started, picks `pick` or cancels.
        auto open = [](QWidget* parent, const QString& pick) {
            QString started;
            QTimer::singleShot(0, [&started, pick] {
                auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                QVERIFY(dlg);
                started = dlg->directory().absolutePath();
                if (pick.isEmpty()) {
                    dlg->reject();
                } else {
                    dlg->selectFile(pick);
                    QMetaObject::invokeMethod(dlg, "accept");
                }
            });
            QString path;
            int filter = 1;
            const bool ok = FileDialogs::instance().open(parent, QStringLiteral("HEX (*.hex)"), path, filter);
            return std::make_pair(started, ok ? path : QString());
        };

        QCOMPARE(open(&flash, hex), std::make_pair(QDir::homePath(), hex));
        QCOMPARE(open(&flash, {}).first, dir.filePath(QStringLiteral("firmware")));
        QCOMPARE(open(&extmem, {}).first, QDir::homePath());
        QCOMPARE(store.value(QStringLiteral("Folders/tsFLASH")).toString(), dir.filePath(QStringLiteral("firmware")));
        QCOMPARE(QDir::currentPath(), cwd);
        FileDialogs::SetFolderStore(nullptr);
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"

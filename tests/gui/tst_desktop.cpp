// How the program fits a Linux desktop: Qt's own texts in Russian.
#include <QtTest>

#include <QMessageBox>
#include <QPushButton>

#include "app/ui/desktop.h"
#include "app/ui/messagebox.h"

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
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"

// Every control can be found by screen readers and UI automation: it has an accessible name.
#include <QtTest>

#include <QAction>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>

#include "app/ui/accessiblenames.h"
#include "app/ui/frmabout.h"
#include "app/ui/frmchangeaddr.h"
#include "app/ui/frmcomports.h"
#include "app/ui/frmoptions.h"
#include "app/version.h"
#include "support/shellfixture.h"

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallAccessibleNaming(*qApp); }

    void everyTabNamesEveryControl()
    {
        ShellFixture f;
        TfrmMain& frm = f.Open();
        frm.M_AllControls->trigger();  // enables every device control, so none escapes the walk
        frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frm));
        QStringList unnamed;
        for (int i = 0; i < frm.PageControl->count(); ++i) {
            QWidget* page = frm.PageControl->widget(i);
            for (const QString& c : UnnamedControls(page))
                unnamed << page->objectName() + QStringLiteral(": ") + c;
        }
        for (const QString& c : UnnamedControls(&frm))
            if (!unnamed.contains(c))
                unnamed << QStringLiteral("window: ") + c;
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u'\n')));

        // Icon-only buttons carry their hint, edits their label's text, a tab's only grid the
        // tab's caption.
        const QList<QPair<QString, QString>> samples = {
            {"btnDeviceAdd", "Добавить (Insert)"},
            {"btnMoveUp", "Переместить вверх"},
            {"EditCmd", "Команда"},
            {"BeginAddr", "Начальный адрес"},
            {"FLASH", "FLASH"},
            // Not the title of their group box, nor a bare digit, nor three times "+".
            {"btnLoadTimeoutKESTA", "Считать тайм-аут"},
            {"btnSaveTimeoutKESTA", "Записать тайм-аут"},
            {"btnRelayKESTA1", "Реле 1"},
            {"btnRelay8", "Реле 8"},
            {"btnAddRoute", "Добавить маршрут"},
            {"btnEditCard", "Изменить карту памяти"},
            {"btnDelPoint", "Удалить поворот"},
        };
        for (const auto& [name, expected] : samples) {
            QWidget* w = frm.findChild<QWidget*>(name);
            QVERIFY2(w, qPrintable(name));
            QCOMPARE(w->accessibleName(), expected);
        }
    }

    void dialogsNameEveryControl()
    {
        ShellFixture f;
        TfrmMain& frm = f.Open();
        PortSettings ps;
        TfrmCOMPorts ports(
            ps, [] {}, {QStringLiteral("COM1")}, &frm);
        TfrmOptions options(frm.Settings(), frm.OptionSheets(), &frm);
        TfrmAbout about(frm.VersionInfo(), &frm);
        TfrmChangeAddr addr(f.session, &frm);
        for (QWidget* dlg : std::initializer_list<QWidget*>{&ports, &options, &about, &addr}) {
            dlg->show();
            QVERIFY(QTest::qWaitForWindowExposed(dlg));
            const QStringList unnamed = UnnamedControls(dlg);
            QVERIFY2(unnamed.isEmpty(), qPrintable(dlg->objectName() + QStringLiteral(": ") + unnamed.join(u'\n')));
            dlg->hide();
        }
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"

// Every text of the window and its dialogs fits its control: ctest runs this program once for each
// screen scaling (QT_SCALE_FACTOR 1, 1.5 and 2), on the demo bus, with the window at its minimum
// size.
#include <QtTest>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QTextDocument>

#include <cmath>

#include "app/linkstate.h"
#include "app/ui/application.h"
#include "app/ui/demo.h"
#include "app/ui/frmbusmonitor.h"
#include "app/ui/frmchangeaddr.h"
#include "app/ui/frmcomports.h"
#include "app/ui/frmmain.h"
#include "app/ui/frmopendatabase.h"
#include "app/ui/splash.h"
#include "base/messages.h"
#include "data/ui/devicetab.h"
#include "data/ui/frmeditdevice.h"
#include "data/ui/frmscandevices.h"
#include "support/messagerecorder.h"
#include "support/shellfixture.h"

namespace {

// Room for a label's text: its contents less the margin and the indent a framed label gets.
QRect labelRoom(const QLabel* l)
{
    const int m = l->margin();
    QRect room = l->contentsRect().adjusted(m, m, -m, -m);
    int indent = l->indent();
    if (indent < 0 && l->frameWidth() > 0)
        indent = l->fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2;
    if (indent > 0) {
        if (l->alignment() & Qt::AlignLeft)
            room.setLeft(room.left() + indent);
        else if (l->alignment() & Qt::AlignRight)
            room.setRight(room.right() - indent);
    }
    return room;
}

QSize labelNeeds(const QLabel* l, const QRect& room)
{
    const QString text = l->text();
    const bool rich = l->textFormat() == Qt::RichText || (l->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
    if (rich) {
        QTextDocument doc;
        doc.setDefaultFont(l->font());
        doc.setDocumentMargin(0);
        doc.setHtml(text);
        if (l->wordWrap())
            doc.setTextWidth(room.width());
        return {int(std::ceil(doc.idealWidth())), int(std::ceil(doc.size().height()))};
    }
    int flags = Qt::AlignLeft | Qt::AlignTop;
    if (l->wordWrap())
        flags |= Qt::TextWordWrap;
    if (l->buddy())
        flags |= Qt::TextShowMnemonic;
    const int width = l->wordWrap() ? room.width() : 100000;
    return l->fontMetrics().boundingRect(QRect(0, 0, width, 100000), flags, text).size();
}

QRect buttonRoom(const QAbstractButton* b)
{
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    opt.icon = b->icon();
    opt.iconSize = b->iconSize();
    QStyle::SubElement element = QStyle::SE_PushButtonContents;
    if (qobject_cast<const QCheckBox*>(b))
        element = QStyle::SE_CheckBoxContents;
    else if (qobject_cast<const QRadioButton*>(b))
        element = QStyle::SE_RadioButtonContents;
    else if (const auto* push = qobject_cast<const QPushButton*>(b)) {
        if (push->isDefault())
            opt.features |= QStyleOptionButton::DefaultButton;
        if (push->autoDefault())
            opt.features |= QStyleOptionButton::AutoDefaultButton;
        if (push->isFlat())
            opt.features |= QStyleOptionButton::Flat;
    }
    QRect room = b->style()->subElementRect(element, &opt, b);
    if (element == QStyle::SE_PushButtonContents && !opt.icon.isNull())
        room.setLeft(room.left() + opt.iconSize.width() + 4);
    return room;
}

// The visible labels, push buttons, check boxes and radio buttons of `top` whose text is wider
// than the room their control gives it (for a word-wrapped label: taller).
QStringList cutTexts(QWidget* top)
{
    QStringList cuts;
    QList<QWidget*> widgets = top->findChildren<QWidget*>();
    widgets.prepend(top);
    for (QWidget* w : widgets) {
        if (!w->isVisibleTo(top) || w->width() <= 0)
            continue;
        QString text;
        QRect room;
        QSize need;
        if (auto* l = qobject_cast<QLabel*>(w)) {
            text = l->text();
            if (text.isEmpty())
                continue;
            room = labelRoom(l);
            need = labelNeeds(l, room);
            // A line shows whole when its letters do, even if the line spacing does not fit.
            if (!l->wordWrap() && !text.contains(QLatin1Char('\n')))
                need.setHeight(std::min(need.height(), l->fontMetrics().ascent() + l->fontMetrics().descent()));
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            if (!qobject_cast<QPushButton*>(b) && !qobject_cast<QCheckBox*>(b) && !qobject_cast<QRadioButton*>(b))
                continue;
            text = b->text();
            if (text.isEmpty())
                continue;
            room = buttonRoom(b);
            need = b->fontMetrics().size(Qt::TextShowMnemonic, text);
            need.setHeight(std::min(need.height(), b->fontMetrics().ascent() + b->fontMetrics().descent()));
        } else {
            continue;
        }
        if (need.width() > room.width() || need.height() > room.height())
            cuts << QStringLiteral("%1 \"%2\": needs %3×%4, has %5×%6")
                        .arg(w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                       : w->objectName(),
                             text)
                        .arg(need.width())
                        .arg(need.height())
                        .arg(room.width())
                        .arg(room.height());
    }
    return cuts;
}

}  // namespace

class TestScaling : public QObject {
    Q_OBJECT

    QStringList FCuts;
    QStringList FSeen;

    void check(QWidget* w, const QString& name)
    {
        QCoreApplication::processEvents();
        FSeen << name;
        for (const QString& cut : cutTexts(w))
            FCuts << name + QStringLiteral(": ") + cut;
    }
    template <class Dialog>
    void checkDialog(Dialog& dlg, const QString& name)
    {
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        check(&dlg, name);
        dlg.hide();
    }

private slots:
    void everyTextFitsItsControl()
    {
        qInfo() << "scale factor" << qgetenv("QT_SCALE_FACTOR");
        MessageRecorder boxes;
        DemoBus demo;
        QString error;
        QVERIFY2(demo.Start(&error), qPrintable(error));
        ShellFixture f;
        QVERIFY2(demo.FillDeviceList(f.dm.Connection, &error), qPrintable(error));
        f.dm.tblDevice.Refresh();
        f.dm.tblSlave.Refresh();
        TfrmMain& frm = f.Open();
        for (int i = 0; i < frm.PageControl->count(); ++i)
            frm.PageControl->setTabVisible(i, true);
        frm.SetPortDialog(new TfrmCOMPorts(
            frm.Port(), [] {}, {QStringLiteral("COM%1").arg(demo.PortNumber())}, &frm));
        frm.Port().Number = demo.PortNumber();
        f.session.DevAddr = DemoBus::kDefaultAddr;
        QSignalSpy displayed(&frm, &TfrmMain::Displayed);
        frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frm));
        QCOMPARE(frm.size(), frm.minimumSize());
        frm.FirstActivation();
        QVERIFY(QTest::qWaitFor([&] { return !displayed.isEmpty(); }, 8000));

        ShowEveryScreen(frm, [this](QWidget* w, const QString& name) { check(w, name); });
        QVERIFY(FSeen.contains(QStringLiteral("main-tsKESTA")));
        QVERIFY(FSeen.contains(QStringLiteral("dialog-editturn")));

        // The status bar with each of its texts: connection states and how an operation ended.
        frm.PageControl->setCurrentWidget(frm.tsFLASH);
        auto* state = frm.findChild<QLabel*>(QStringLiteral("StatusPanel0"));
        QVERIFY(state);
        for (TLinkState s : {TLinkState::NoPort, TLinkState::Unavailable, TLinkState::HungUp, TLinkState::Silent}) {
            state->setText(LinkStateText(s, 127, 32767));
            check(&frm, QStringLiteral("link state"));
        }
        const QString at = QStringLiteral("23:59:59");
        const QString done[] = {
            Msg::StatusFlashWritten,
            Msg::StatusFlashWrittenFile.arg(QStringLiteral("firmware.hex")),
            Msg::StatusFlashVerifiedFile.arg(QStringLiteral("firmware.hex")),
            Msg::StatusFlashRead,
            Msg::StatusFlashCompared,
            Msg::StatusExtMemRead,
            Msg::StatusExtMemWritten,
            Msg::StatusExtMemCompared,
            Msg::StatusLcdRead,
            Msg::StatusLcdWritten,
            Msg::StatusFobsWritten,
            Msg::StatusTimeoutWritten,
            Msg::StatusZoneWritten,
            Msg::StatusModeWritten,
            Msg::RoutesWritten.arg(120).arg(2040),
            Msg::RoutesRead.arg(120),
            Msg::StatusByteWritten.arg(QStringLiteral("$FF"), QStringLiteral("$0003FFFF")),
            Msg::StatusFailed.arg(Msg::StatusSlaveAddrChanged.arg(255).arg(254), Msg::CommandNotAccepted),
            Msg::StatusAllRelaysOff,
            Msg::StatusSarvelWritten.arg(32767),
        };
        auto* line = frm.findChild<QLabel*>(QStringLiteral("StatusLine"));
        QVERIFY(line);
        QStringList lines;
        for (const QString& text : done)
            lines << Msg::StatusLineAt.arg(at, text);
        lines << Msg::ExportDone.arg(120).arg(2040).arg(QStringLiteral("routes.xlsx"))
              << Msg::InventoryDone.arg(19).arg(QStringLiteral("inventory.csv"));
        for (const QString& text : lines) {
            frm.ShowStatusLine(text);
            check(&frm, QStringLiteral("status line"));
            if (line->text() != text)
                FCuts << QStringLiteral("status line shows \"%1\" of \"%2\"").arg(line->text(), text);
        }
        // A file name longer than the window is wide is shortened in the middle, never cut off;
        // the whole line is its tip.
        const QString longLine = Msg::StatusLineAt.arg(
            at, Msg::StatusFlashVerifiedFile.arg(QString(20, QLatin1Char('x')).repeated(6) + QStringLiteral(".hex")));
        frm.ShowStatusLine(longLine);
        check(&frm, QStringLiteral("status line"));
        QVERIFY(line->text().startsWith(at) && line->text().endsWith(QStringLiteral(".hex")));
        QVERIFY(line->text().contains(QChar(0x2026)));
        QCOMPARE(line->toolTip(), longLine);
        QCOMPARE(frm.StatusLineText(), longLine);

        // Dialogs the screenshots leave out.
        frm.M_BusMonitorClick();
        check(frm.BusMonitor, QStringLiteral("bus monitor"));
        frm.BusMonitor->hide();
        {
            TfrmChangeAddr dlg(f.session, &frm);
            checkDialog(dlg, QStringLiteral("change address"));
        }
        {
            TfrmEditDevice dlg(frm.DeviceTabPanel->List(), &frm);
            checkDialog(dlg, QStringLiteral("edit device"));
        }
        {
            TfrmScanDevices dlg(f.session, frm.DeviceTabPanel->List(), &frm);
            checkDialog(dlg, QStringLiteral("scan devices"));
        }
        {
            TfrmOpenDataBase dlg(
                f.dm.DataBasePath, [](const QString&) {}, &frm);
            checkDialog(dlg, QStringLiteral("database location"));
        }
        {
            TfrmSplash splash(QStringLiteral("Zevanta"), QStringLiteral("4.13"));
            splash.SetStatus(Msg::SplashLoadingLog);
            checkDialog(splash, QStringLiteral("splash"));
        }
        f.Close();
        for (const QString& cut : FCuts)
            qWarning("%s", qPrintable(cut));
        QVERIFY2(FCuts.isEmpty(), "texts wider than their controls (above)");
    }
};

QTEST_MAIN(TestScaling)
#include "tst_scaling.moc"

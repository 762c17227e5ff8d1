// The route tab and its dialogs: lists and buttons on a scratch database, the edit dialogs'
// checks, the import dialog's busy state, the map hook, the password dialog without a unit, and
// the unit exchange against a simulated unit in the test's own process.
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "data/database.h"
#include "link/devicesession.h"
#include "memory/ui/memorycontext.h"
#include "routes/demoroutes.h"
#include "routes/ui/routedialogs.h"
#include "routes/ui/routesetdialogs.h"
#include "routes/ui/travodialogs.h"
#include "routes/ui/travotab.h"
#include "sim/deviceoption.h"
#include "sim/firmwaredevice.h"
#include "support/messagerecorder.h"
#include "support/simwindow.h"
#include "support/testpanelhost.h"

namespace {

// Runs `fn` on the next modal dialog once it is shown.
template <class Dialog, class Fn>
void onModal(Fn fn)
{
    QTimer::singleShot(0, [fn] {
        auto* dlg = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        fn(dlg);
    });
}

// Runs `fn` on the first modal dialog of that type, once one is shown (other modal windows,
// such as the progress window, may come first).
template <class Dialog, class Fn>
void onModalOnceShown(Fn fn)
{
    auto* poll = new QTimer;
    poll->setInterval(10);
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, tries, fn] {
        auto* dlg = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dlg && ++*tries < 2000)
            return;
        poll->stop();
        poll->deleteLater();
        QVERIFY(dlg);
        fn(dlg);
    });
    poll->start();
}

QString coord(const char* head, const char* rest)
{
    return QString::fromUtf8(head) + QChar(0x00B0) + QString::fromUtf8(rest);
}

// A simulated unit answering in this process, in place of the port.
class InProcessUnit : public TTransferLink {
public:
    explicit InProcessUnit(zeva::sim::SimDevice& device) : FDevice(device) {}
    TBlockResult Exchange(uint8_t cmd, std::span<const uint8_t> payload, std::span<const uint8_t>& answer) override
    {
        const zeva::sim::Reply r = FDevice.handle(cmd, payload);
        if (r.kind == zeva::sim::Reply::Kind::Refuse)
            return brRefused;
        if (r.kind != zeva::sim::Reply::Kind::Accept)
            return brNoAnswer;
        FAnswer = r.payload;
        answer = FAnswer;
        return brOk;
    }

private:
    zeva::sim::SimDevice& FDevice;
    std::vector<uint8_t> FAnswer;
};

QTreeWidgetItem* cardItem(QTreeWidget* tree, const QString& name)
{
    const auto found = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.front();
}

}  // namespace

class TstTravoTab : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    TDatabase db;
    TMemoryContext ctx;
    DeviceSession session;
    TestPanelHost host{session};
    std::unique_ptr<MessageRecorder> rec;

private slots:
    void init()
    {
        db.Close();
        QFile::remove(dir.filePath(QStringLiteral("r.db")));
        QVERIFY(db.Open(dir.filePath(QStringLiteral("r.db")), TDatabase::OpenMode::CreateIfMissing));
        QVERIFY(FillDemoRoutes(db));
        rec.reset();  // the old recorder hands the service back first
        rec = std::make_unique<MessageRecorder>();
    }

    void listsAndButtons()
    {
        TTravoTab tab(host, ctx, db);
        QCOMPARE(tab.Tree->topLevelItemCount(), 2);  // the sub-card hangs below its parent
        QCOMPARE(tab.Tree->currentItem()->text(0), QStringLiteral("Депо Северное"));
        QCOMPARE(tab.DBGridRoute->rowCount(), 3);
        QCOMPARE(tab.DBGridRoute->item(0, 1)->text(), QStringLiteral("Вокзал - Кольцевая через центр"));
        QCOMPARE(tab.DBGridRoute->item(2, 2)->text(), QStringLiteral("0"));
        QCOMPARE(tab.DBGridRoute->item(2, 2)->foreground().color(), QColor(Qt::red));
        QCOMPARE(tab.DBGridRoute->item(1, 1)->background().color(), QColor(240, 240, 234));  // record 2
        QCOMPARE(tab.DBGridTurn->rowCount(), 12);
        QCOMPARE(tab.DBGridTurn->item(0, 3)->text(), QStringLiteral("НАЧАЛО маршрута"));
        QVERIFY(!tab.DBGridTurn->item(0, 3)->icon().isNull());
        QVERIFY(!tab.btnRouteMoveUp->isEnabled());
        QVERIFY(tab.btnRouteMoveDown->isEnabled());
        QVERIFY(tab.btnAddPoint->isEnabled());

        // The route without turns: the turn move buttons go off, the add button stays.
        tab.DBGridRoute->setCurrentCell(2, 1);
        QCOMPARE(tab.DBGridTurn->rowCount(), 0);
        QVERIFY(!tab.btnRouteMoveDown->isEnabled());
        QVERIFY(!tab.btnTurnMoveDown->isEnabled());
        QVERIFY(tab.btnAddPoint->isEnabled());

        // A card without routes.
        tab.Tree->setCurrentItem(tab.Tree->topLevelItem(0)->child(0));
        QCOMPARE(tab.DBGridRoute->rowCount(), 2);
        tab.Tree->setCurrentItem(tab.Tree->topLevelItem(1));
        QCOMPARE(tab.DBGridRoute->rowCount(), 1);
    }

    void mapHookGetsTheSelectedTurns()
    {
        TTravoTab tab(host, ctx, db);
        QVERIFY(!tab.btnGoogleMap->isEnabled());
        std::vector<TTurnListRow> got;
        tab.SetMapHandler([&](const std::vector<TTurnListRow>& turns) { got = turns; });
        QVERIFY(tab.btnGoogleMap->isEnabled());
        tab.btnTurnsSelectAll->click();
        tab.btnGoogleMap->click();
        QCOMPARE(got.size(), size_t(12));
        QCOMPARE(got.front().Fields.Turn, QStringLiteral("B"));
        QCOMPARE(got.front().RecNo, 1);
        QCOMPARE(got.back().RecNo, 12);
    }

    void addMoveMergeAndDeleteRoutes()
    {
        TTravoTab tab(host, ctx, db);
        onModal<TfrmEditRoute>([](TfrmEditRoute* d) {
            d->edtStr1->setText(QStringLiteral("д'Артаньян"));
            d->btnOK->click();
        });
        tab.btnAddRoute->click();
        QCOMPARE(tab.DBGridRoute->rowCount(), 4);
        QCOMPARE(tab.DBGridRoute->currentRow(), 3);
        QCOMPARE(tab.DBGridRoute->item(3, 1)->text(), QStringLiteral("д'Артаньян  "));

        tab.btnRouteMoveUp->click();
        QCOMPARE(tab.DBGridRoute->currentRow(), 2);
        QCOMPARE(tab.DBGridRoute->item(2, 1)->text(), QStringLiteral("д'Артаньян  "));

        // Merge the first two: asked with the plural, the first survives with 20 turns.
        tab.DBGridRoute->clearSelection();
        tab.DBGridRoute->selectRow(0);
        tab.DBGridRoute->setSelectionMode(QAbstractItemView::MultiSelection);
        tab.DBGridRoute->selectRow(1);
        rec->answer(true);
        tab.btnUnion->click();
        QCOMPARE(rec->texts().last(), QStringLiteral("Объединить 2 маршрута?"));
        QCOMPARE(tab.DBGridRoute->rowCount(), 3);
        QCOMPARE(tab.DBGridRoute->item(0, 2)->text(), QStringLiteral("20"));

        tab.DBGridRoute->setCurrentCell(0, 1);
        rec->answer(false);
        tab.btnDelRoute->click();
        QCOMPARE(tab.DBGridRoute->rowCount(), 3);
        rec->answer(true);
        tab.btnDelRoute->click();
        QCOMPARE(tab.DBGridRoute->rowCount(), 2);
    }

    // "Экспорт...": the selected routes in list order, or the current one when none is selected; the
    // name's suffix decides the format over the type chosen in the dialog; Cancel writes nothing.
    void exportWritesTheSelectedRoutes()
    {
        TTravoTab tab(host, ctx, db);
        ScriptedFileDialogs files;
        const QString kml = dir.filePath(QStringLiteral("two.kml"));
        files.push(kml, 1);
        tab.DBGridRoute->setSelectionMode(QAbstractItemView::MultiSelection);
        tab.DBGridRoute->clearSelection();
        tab.DBGridRoute->selectRow(1);
        tab.DBGridRoute->selectRow(0);
        tab.btnExportRoutes->click();
        QCOMPARE(files.filters, QStringList{QStringLiteral("Файлы GPX (*.gpx);;Файлы KML (*.kml)")});
        QFile f(kml);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QVERIFY(text.contains(QStringLiteral("<kml")));
        const qsizetype first = text.indexOf(QStringLiteral("<name>Вокзал - Кольцевая через центр</name>"));
        const qsizetype second = text.indexOf(QStringLiteral("<name>Парк - Депо</name>"));
        QVERIFY(first > 0 && second > first);
        QVERIFY(!text.contains(QStringLiteral("Рынок")));
        QCOMPARE(host.statusLines.last(),
                 QStringLiteral("Экспорт: маршрутов 2, точек %1 в two.kml").arg(text.count(QStringLiteral("<Point>"))));
        QVERIFY(rec->texts().isEmpty());

        tab.DBGridRoute->clearSelection();
        tab.DBGridRoute->setCurrentCell(1, 1);
        tab.DBGridRoute->clearSelection();
        const QString gpx = dir.filePath(QStringLiteral("one"));
        files.push(gpx, 1);
        tab.btnExportRoutes->click();
        QFile g(gpx);
        QVERIFY(g.open(QIODevice::ReadOnly));
        const QString one = QString::fromUtf8(g.readAll());
        QVERIFY(one.contains(QStringLiteral("<rte>")));
        QVERIFY(one.contains(QStringLiteral("<name>Парк - Депо</name>")));
        QVERIFY(!one.contains(QStringLiteral("Вокзал")));

        QFile::remove(gpx);
        tab.btnExportRoutes->click();  // no answer left: Cancel
        QVERIFY(!QFile::exists(gpx));
    }

    void turnDialogChecksTheBeginLatitude()
    {
        TTurnFields t{coord("055", "45'12.3\""), coord("+37", "00'00.0\""), coord("055", "00'00.0\""),
                      coord("+37", "00'00.0\""), QStringLiteral("R")};
        TfrmEditTurn dlg(t);
        dlg.show();
        dlg.btnOKClick();
        QCOMPARE(rec->texts(), QStringList{QStringLiteral("Неверное значение!")});
        QVERIFY(dlg.isVisible());
        dlg.edtBegLat->setText(coord("+55", "45'12.3\""));
        dlg.btnOKClick();  // a digit first is fine for the end latitude
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));

        TfrmEditTurn point(t);
        point.cbTypeTurn->setCurrentIndex(2);  // route start: no end point of its own
        QVERIFY(!point.edtEndLat->isEnabled());
        point.edtBegLat->setText(coord("-01", "02'03.4\""));
        QCOMPARE(point.Fields().EndLat, coord("-01", "02'03.4\""));
        QCOMPARE(point.Fields().Turn, QStringLiteral("B"));
    }

    void importIsBusyUntilItEnds()
    {
        const qint64 route = db.Scalar(QStringLiteral("select ID from Маршрут where Name1 = 'Парк'")).toLongLong();
        TfrmImportTurns dlg(db, route, QStringLiteral(ZEVANTA_SOURCE_DIR "/tests/testdata/routes/big.xlsx"));
        QVERIFY(dlg.Opened());
        QCOMPARE(dlg.cbSheet->count(), 1);
        dlg.show();
        QSignalSpy ended(&dlg, &TfrmImportTurns::importEnded);
        dlg.btnOKClick();
        QVERIFY(dlg.Busy());
        QVERIFY(dlg.btnCancel->isEnabled());
        dlg.btnOKClick();  // a second OK does nothing
        QVERIFY(dlg.isVisible());
        QVERIFY(ended.wait(10000));
        QCOMPARE(dlg.Imported(), 2040 - 8);
        QCOMPARE(db.Scalar(QStringLiteral("select count(*) from Поворот where ID_Route = ?"), {route}).toInt(), 2040);
        QCOMPARE(rec->texts(), QStringList{QStringLiteral("Количество поворотов не должно превышать 2040!")});

        // "Отмена" while the sheet is read stops it: the dialog closes and nothing is stored.
        rec->clear();
        const qint64 other =
            db.Scalar(QStringLiteral("select ID from Маршрут where ID <> ? limit 1"), {route}).toLongLong();
        const int before = db.Scalar(QStringLiteral("select count(*) from Поворот")).toInt();
        TfrmImportTurns cancelled(db, other, QStringLiteral(ZEVANTA_SOURCE_DIR "/tests/testdata/routes/big.xlsx"));
        cancelled.show();
        QSignalSpy cancelEnded(&cancelled, &TfrmImportTurns::importEnded);
        cancelled.btnOKClick();
        cancelled.btnCancel->click();
        QVERIFY(cancelEnded.wait(10000));
        QCOMPARE(cancelled.result(), int(QDialog::Rejected));
        QVERIFY(!cancelled.isVisible());
        QCOMPARE(db.Scalar(QStringLiteral("select count(*) from Поворот")).toInt(), before);
        QVERIFY(rec->texts().isEmpty());

        TfrmImportTurns bad(db, route, QStringLiteral(ZEVANTA_SOURCE_DIR "/README.md"));
        QVERIFY(!bad.Opened());
        QVERIFY(!bad.btnOK->isEnabled());
        QCOMPARE(
            rec->texts(),
            QStringList{QStringLiteral("Невозможно открыть файл!\r\n\r\nэто не файл Excel, OpenDocument или CSV")});
    }

    void passwordDialog()
    {
        TfrmChangePassword dlg(nullptr);
        dlg.show();
        dlg.edtMasterPassword->setText(QStringLiteral("123456"));
        dlg.edtNewPassword1->setText(QStringLiteral("000000"));
        dlg.edtNewPassword2->setText(QStringLiteral("1"));
        dlg.btnOKClick();
        QCOMPARE(rec->texts().last(), QStringLiteral("Неверный мастер-пароль!"));
        dlg.edtNewPassword1->setText(QStringLiteral("2"));
        dlg.btnOKClick();
        QCOMPARE(rec->texts().last(), QStringLiteral("Введённые новые пароли не совпадают!"));
        dlg.edtNewPassword2->setText(QStringLiteral("02"));
        dlg.btnOKClick();  // no unit to ask
        QCOMPARE(rec->texts().last(), QStringLiteral("Команда не принята!\r\nУстановка нового пароля не произведена."));
        QVERIFY(dlg.isVisible());
        // Letters never get in.
        dlg.edtMasterPassword->clear();
        QTest::keyClicks(dlg.edtMasterPassword, QStringLiteral("1a2"));
        QCOMPARE(dlg.edtMasterPassword->text(), QStringLiteral("12"));

        // An empty field holds no number: the conversion's error, before any range check.
        rec->clear();
        dlg.edtNewPassword1->clear();
        dlg.edtNewPassword2->setText(QStringLiteral("0"));
        dlg.btnOKClick();
        QCOMPARE(rec->boxes().size(), size_t(1));
        QCOMPARE(rec->boxes()[0].kind, QStringLiteral("error"));
        QCOMPARE(rec->boxes()[0].text, QStringLiteral("'' не является допустимым целым числом"));
        QVERIFY(dlg.isVisible());
    }

    void turnDialogKeepsABlankSignAndStartsAtTheSign()
    {
        // A stored turn whose sign is a blank is saved again as it was.
        const QString lat = coord(" 55", "45'12.3\"");
        const QString lon = coord(" 37", "36'00.5\"");
        TfrmEditTurn stored(TTurnFields{lat, lon, lat, lon, QStringLiteral("L")});
        stored.show();
        stored.btnOKClick();
        QCOMPARE(rec->texts(), QStringList());
        QCOMPARE(stored.result(), int(QDialog::Accepted));
        QCOMPARE(stored.Fields().BegLat, lat);
        QCOMPARE(stored.Fields().EndLong, lon);

        // A new turn: the first keys go into the first position.
        TfrmEditTurn fresh{TTurnFields()};
        fresh.show();
        QCOMPARE(fresh.edtBegLat->cursorPosition(), 0);
        QTest::keyClicks(fresh.edtBegLat, QStringLiteral("+5545123"));
        QCOMPARE(fresh.Fields().BegLat, coord("+55", "45'12.3\""));
    }

    void deleteQuestionsNameWhatGoesWithTheRecord()
    {
        TTravoTab tab(host, ctx, db);
        QVERIFY(db.Exec(QStringLiteral("insert into КартаПамяти (ID_Dir, Name) values (-1, 'Пустая')")));
        tab.Reload();
        const QString ask = QStringLiteral("Удалить запись?");
        const QString with = QStringLiteral("Удалить запись?\r\nВместе с ней будут удалены: %1.");
        struct Case {
            const char* card;
            int routeRow;  // -1: the card itself is deleted
            QString question;
        };
        const Case cases[] = {
            {"Депо Северное", 0, with.arg(QStringLiteral("12 поворотов"))},
            {"Депо Северное", 2, ask},                                                    // a route without turns
            {"Депо Северное", -1, with.arg(QStringLiteral("5 маршрутов, 32 поворота"))},  // with its sub-card
            {"Линия 1", -1, with.arg(QStringLiteral("2 маршрута, 12 поворотов"))},
            {"Депо Южное", -1, with.arg(QStringLiteral("1 маршрут, 10 поворотов"))},
            {"Пустая", -1, ask},
        };
        for (const Case& c : cases) {
            QTreeWidgetItem* item = cardItem(tab.Tree, QString::fromUtf8(c.card));
            QVERIFY(item);
            tab.Tree->setCurrentItem(item);
            rec->clear();
            if (c.routeRow >= 0) {
                tab.DBGridRoute->setCurrentCell(c.routeRow, 1);
                tab.btnDelRoute->click();
            } else {
                tab.btnDelCard->click();
            }
            QCOMPARE(rec->texts(), QStringList{c.question});
        }
        // Every answer was No.
        QCOMPARE(db.Scalar(QStringLiteral("select count(*) from Маршрут")).toInt(), 6);
        QCOMPARE(db.Scalar(QStringLiteral("select count(*) from КартаПамяти")).toInt(), 4);
    }

    void unitWriteAndReadEndOnTheStatusLine()
    {
        auto unit = zeva::sim::makeDevice("6:travo");
        QVERIFY(unit);
        InProcessUnit link(*unit);
        DeviceSession unitSession;
        unitSession.UseScriptedLink(&link);
        TestPanelHost unitHost{unitSession};
        TMemoryContext unitCtx;
        unitCtx.Session = &unitSession;
        TTravoTab tab(unitHost, unitCtx, db);
        const QString askWrite = QStringLiteral("Сохранить маршруты во внутренней памяти блока?");
        auto lastLine = [&] { return unitHost.statusLines.isEmpty() ? QString() : unitHost.statusLines.last(); };
        auto routeTable = [&] {
            std::vector<uint8_t> bytes;
            for (uint32_t p = 2; p <= 13; ++p) {
                const std::vector<uint8_t> page = unit->at45Page(p);
                bytes.insert(bytes.end(), page.begin(), page.end());
            }
            return bytes;
        };

        rec->answer(true);
        tab.btnWriteAT45->click();
        QCOMPARE(rec->texts(), QStringList{askWrite});
        QCOMPARE(unitHost.statusLines.size(), 2);
        QVERIFY(unitHost.statusLines[0].isEmpty());  // the earlier line goes when the write starts
        QVERIFY2(lastLine().endsWith(QStringLiteral("  Записано в блок: маршрутов 3, поворотов 20")),
                 qPrintable(lastLine()));
        QVERIFY(routeTable() != std::vector<uint8_t>(12 * 528, 0xFF));

        // "Чтение" lists the three; "Нет" to "Сохранить в БД..." closes the list, nothing changed.
        rec->clear();
        bool listed = false;
        bool closed = false;
        onModalOnceShown<TfrmRoutes>([&](TfrmRoutes* d) {
            listed = d->Grid->rowCount() == 3;
            QVERIFY(d->Grid->columnWidth(2) >= d->Grid->horizontalHeader()->sectionSizeHint(2));
            rec->answer(false);
            d->btnSaveToDB->click();
            closed = !d->isVisible();
            if (!closed)
                d->reject();
        });
        tab.btnReadAT45->click();
        QVERIFY(listed);
        QVERIFY(closed);
        QCOMPARE(rec->texts(),
                 QStringList{QStringLiteral(
                     "Сохранить маршруты в БД?\r\n\r\nВНИМАНИЕ! Все предыдущие маршруты будут удалены!")});
        QCOMPARE(unitHost.statusLines.size(), 4);
        QVERIFY(unitHost.statusLines[2].isEmpty());
        QVERIFY2(lastLine().endsWith(QStringLiteral("  Прочитано из блока: маршрутов 3")), qPrintable(lastLine()));
        QCOMPARE(tab.DBGridRoute->rowCount(), 3);

        // A card without routes: the same question, then the unit's route table is emptied.
        QVERIFY(db.Exec(QStringLiteral("insert into КартаПамяти (ID_Dir, Name) values (-1, 'Пустая')")));
        tab.Reload();
        tab.Tree->setCurrentItem(cardItem(tab.Tree, QStringLiteral("Пустая")));
        QCOMPARE(tab.DBGridRoute->rowCount(), 0);
        rec->clear();
        rec->answer(true);
        tab.btnWriteAT45->click();
        QCOMPARE(rec->texts(), QStringList{askWrite});
        QVERIFY(routeTable() == std::vector<uint8_t>(12 * 528, 0xFF));
        QVERIFY2(lastLine().endsWith(QStringLiteral("  Записано в блок: маршрутов 0, поворотов 0")),
                 qPrintable(lastLine()));
    }

    void titlesAndUnitButtonsAreWhole()
    {
        // The main window has a fixed width; the tab gets what its tab page leaves.
        QTabWidget window;
        auto* tab = new TTravoTab(host, ctx, db);
        window.addTab(tab, QStringLiteral("ТРАВО"));
        window.resize(810, 500);
        window.show();
        QApplication::processEvents();
        QVERIFY(tab->DBGridRoute->columnWidth(2) >= tab->DBGridRoute->horizontalHeader()->sectionSizeHint(2));
        for (QPushButton* b :
             {tab->btnWriteAT45, tab->btnReadAT45, tab->btnImportTurns, tab->btnChangePassword, tab->btnIU})
            QVERIFY2(
                b->width() >= b->sizeHint().width(),
                qPrintable(QStringLiteral("%1: %2 < %3").arg(b->text()).arg(b->width()).arg(b->sizeHint().width())));
    }
};

QTEST_MAIN(TstTravoTab)
#include "tst_travotab.moc"

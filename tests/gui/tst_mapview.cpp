// The map window over its real page, offscreen and without a network: loading, the points of the
// turns, the switches and zoom buttons, script errors, label texts, the tile note and the picture.
#include <QtTest>

#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QStatusBar>

#include "base/messages.h"
#include "map/mapturns.h"
#include "mapview.h"
#include "routes/coords.h"
#include "support/messagerecorder.h"

Q_DECLARE_METATYPE(std::vector<TMapTurn>)

namespace {
QString Coord(double degrees)
{
    return CoordToText(int32_t(degrees * Coord::TenthsPerDegree + (degrees < 0 ? -0.5 : 0.5)));
}

TMapTurn Turn(int rec, const char* letter, double begLat, double begLon, double endLat = 0, double endLon = 0)
{
    return TMapTurn{rec, Coord(begLat), Coord(begLon), Coord(endLat), Coord(endLon), QString::fromLatin1(letter)};
}

// Red of the line (over the blank background), and the green and blue of turn labels.
bool LineRed(const QColor& c)
{
    return c.red() > 200 && c.green() < 110 && c.blue() < 110;
}
bool LabelGreen(const QColor& c)
{
    return c.green() > 180 && c.red() < 140 && c.blue() < 140;
}
bool LabelBlue(const QColor& c)
{
    return c.blue() > 200 && c.green() > 170 && c.red() < 120;  // sky blue, not the blue of a radio button
}
}  // namespace

class TestMapView : public QObject {
    Q_OBJECT

    using Window = MapWindow;

private slots:
    void initTestCase()
    {
        // Room for the picture checks; offscreen windows keep the size they are given.
        QCOMPARE(TfrmMap::kClientWidth, 609);
    }

    void drawsTheSelectedTurns()
    {
        MessageRecorder rec;
        // In selection order; the numbers are the rows' places in the route.
        Window w({Turn(1, "B", 54.60, 39.70), Turn(2, "R", 54.62, 39.72, 54.63, 39.75), Turn(3, "X", 1, 1),
                  Turn(4, "L", 54.66, 39.80, 54.70, 39.78)});
        QCOMPARE(w.form->windowTitle(), QStringLiteral("Карта"));
        QCOMPARE(w.form->StatusBar->currentMessage(), QStringLiteral("  Загрузка маршрута..."));
        for (QWidget* c : std::initializer_list<QWidget*>{w.form->btnZoomAll, w.form->btnZoomIn, w.form->btnZoomOut,
                                                          w.form->cbShowLines, w.form->cbShowPoints})
            QVERIFY(!c->isEnabled());

        QVERIFY(w.load());
        for (QWidget* c : std::initializer_list<QWidget*>{w.form->btnZoomAll, w.form->btnZoomIn, w.form->btnZoomOut,
                                                          w.form->cbShowLines, w.form->cbShowPoints})
            QVERIFY(c->isEnabled());
        QVERIFY(w.form->StatusBar->currentMessage().isEmpty());

        QCOMPARE(w.labels(), (QStringList{"1|B 1|Redlabel", "2|> 2|Greenlabel", "3|> 2|Greenlabel", "5|< 4|Bluelabel",
                                          "6|< 4|Bluelabel"}));
        QCOMPARE(w.overlays(), 1);
        // The line goes through the points in the order they were added.
        QCOMPARE(w.eval(QStringLiteral("map.overlays_[0].layer_.getLatLngs().map(function(p){"
                                       "return p.lat.toFixed(2) + ',' + p.lng.toFixed(2);}).join(' ')"))
                     .toString(),
                 QStringLiteral("54.60,39.70 54.62,39.72 54.63,39.75 54.66,39.80 54.70,39.78"));
        // The whole route in view with its labels clear of the overlays; the room kept for the
        // labels may cost the fit one zoom step, never more.
        QVERIFY(w.allInView());
        QVERIFY(w.labelsClear());
        QVERIFY(!w.allInView(2));
        QVERIFY(rec.boxes().empty());
    }

    void switchesAndZoomButtons()
    {
        MessageRecorder rec;
        Window w({Turn(1, "B", 54.60, 39.70), Turn(2, "L", 54.62, 39.72, 54.64, 39.79), Turn(3, "E", 54.70, 39.90)});
        QVERIFY(w.load());
        const int fitted = w.zoom();

        struct Step {
            QCheckBox* box;
            int labels, overlays;
        };
        for (const Step& s : {Step{w.form->cbShowLines, 4, 0}, Step{w.form->cbShowPoints, 0, 0},
                              Step{w.form->cbShowLines, 0, 1}, Step{w.form->cbShowPoints, 4, 1}}) {
            s.box->click();
            QVERIFY(w.idle());
            QCOMPARE(w.labels().size(), s.labels);
            QCOMPARE(w.overlays(), s.overlays);
        }

        w.form->btnZoomIn->click();
        QVERIFY(w.idle());
        QCOMPARE(w.zoom(), fitted + 1);
        w.form->btnZoomOut->click();
        w.form->btnZoomOut->click();
        QVERIFY(w.idle());
        QCOMPARE(w.zoom(), fitted - 1);
        w.form->btnZoomAll->click();
        QVERIFY(w.idle());
        QCOMPARE(w.zoom(), fitted);
        QVERIFY(w.allInView());

        // Labels follow the map when it zooms and moves: each one shown stays centred on its point.
        const QString centred = QStringLiteral(
            "(function(){var m = map.map_, box = m.getContainer().getBoundingClientRect();"
            "var shown = Object.keys(map.tlabels_).filter(function(id){"
            "return map.tlabels_[id].element_.isConnected;});"
            "return shown.length > 0 && shown.every(function(id){"
            "var l = map.tlabels_[id], r = l.element_.firstChild.getBoundingClientRect();"
            "var p = m.latLngToContainerPoint(l.anchorLatLng.latLng_);"
            "return r.width > 10 && Math.abs(r.left + r.width / 2 - box.left - p.x) <= 1.5 &&"
            " Math.abs(r.top + r.height / 2 - box.top - p.y) <= 1.5;});})()");
        QVERIFY(w.eval(centred).toBool());
        w.form->btnZoomIn->click();
        QVERIFY(w.idle());
        QVERIFY(w.eval(centred).toBool());
        w.frame().SetCenter(54.62, 39.72, -1);
        QVERIFY(w.idle());
        QVERIFY(w.eval(centred).toBool());
        QVERIFY(rec.boxes().empty());
    }

    // "Целиком" keeps the ends of the route, labels and all, off the controls, the overview map and
    // the note about missing tiles, and inside the map.
    void zoomAllLeavesTheEndsClearOfTheOverlays_data()
    {
        QTest::addColumn<std::vector<TMapTurn>>("turns");
        // Ends in opposite corners, under the tile choice and the note, or under the overview map.
        QTest::newRow("south-west to north-east")
            << std::vector<TMapTurn>{Turn(1, "B", 54.60, 39.70), Turn(2, "E", 54.70, 39.90)};
        QTest::newRow("north-west to south-east") << std::vector<TMapTurn>{
            Turn(1, "B", 54.70, 39.70), Turn(2, "R", 54.66, 39.78, 54.64, 39.83), Turn(3, "E", 54.60, 39.90)};
        QTest::newRow("long and flat") << std::vector<TMapTurn>{Turn(1, "B", 54.600, 39.00),
                                                                Turn(2, "E", 54.605, 40.00)};
    }
    void zoomAllLeavesTheEndsClearOfTheOverlays()
    {
        QFETCH(std::vector<TMapTurn>, turns);
        MessageRecorder rec;
        Window w(turns);
        QVERIFY(w.load());
        QTRY_VERIFY_WITH_TIMEOUT(w.noteShown(), 10000);
        QVERIFY(w.labelsClear());
        w.form->btnZoomIn->click();
        w.form->btnZoomAll->click();
        QVERIFY(w.idle());
        QVERIFY(w.labelsClear());
        QVERIFY(rec.boxes().empty());
    }

    void scriptErrorsAreReportedAndTheWindowCarriesOn()
    {
        MessageRecorder rec;
        Window w({Turn(1, "B", 54.60, 39.70), Turn(2, "E", 54.70, 39.90)});
        QVERIFY(w.load());
        const int zoom = w.zoom();

        w.frame().ExecScript(QStringLiteral("nosuchFunction(1);"));
        w.frame().ExecScript(QStringLiteral("var = ;"));
        w.frame().ExecScript(QStringLiteral("   "));  // nothing to run
        QVERIFY(w.idle());
        QCOMPARE(int(rec.boxes().size()), 2);
        for (const auto& box : rec.boxes()) {
            // The page's own message under the caption "Ошибка исполнения скрипта!".
            QCOMPARE(box.kind, QStringLiteral("error"));
            QCOMPARE(box.caption, QStringLiteral("Ошибка исполнения скрипта!"));
            QVERIFY2(!box.text.isEmpty() && !box.text.contains(box.caption), qPrintable(box.text));
        }
        QVERIFY(rec.boxes()[0].text.contains(QStringLiteral("nosuchFunction")));

        // Texts share the page's global scope, as they would in one page.
        w.frame().ExecScript(QStringLiteral("var kept = 41;"));
        w.frame().ExecScript(QStringLiteral("kept++;"));
        QVERIFY(w.idle());
        QCOMPARE(w.eval(QStringLiteral("kept")).toInt(), 42);

        w.form->btnZoomIn->click();
        QVERIFY(w.idle());
        QCOMPARE(w.zoom(), zoom + 1);
        QCOMPARE(int(rec.boxes().size()), 2);
    }

    void labelTextsCannotBringMarkupOrScript()
    {
        MessageRecorder rec;
        Window w({});
        QVERIFY(w.load());
        const QString caption = QStringLiteral("<img src=x onerror=\"window.hacked=1\">&\"'</b>\\");
        w.frame().AddPoint(54.6, 39.7, QStringLiteral("q\"1"), caption, TMapColor::Yellow);
        QVERIFY(w.idle());
        QCOMPARE(w.eval(QStringLiteral("document.getElementById('q\"1').textContent")).toString(), caption);
        QCOMPARE(w.eval(QStringLiteral("document.getElementById('q\"1').querySelectorAll('*').length")).toInt(),
                 1);  // the label's box, nothing inside it
        QTest::qWait(200);
        QCOMPARE(w.eval(QStringLiteral("typeof window.hacked")).toString(), QStringLiteral("undefined"));
        w.frame().DeletePoint(0);
        QVERIFY(w.idle());
        QVERIFY(w.labels().isEmpty());
        QVERIFY(rec.boxes().empty());
    }

    void noTurnsLeaveTheFirstView()
    {
        MessageRecorder rec;
        Window w({Turn(1, "X", 1, 1)});
        QVERIFY(w.load());
        QVERIFY(w.labels().isEmpty());
        QCOMPARE(w.overlays(), 0);
        QCOMPARE(w.zoom(), 10);
        // (the map centres on whole pixels)
        QCOMPARE(w.eval(QStringLiteral("map.getCenter().lat().toFixed(3) + ',' + map.getCenter().lng().toFixed(3)"))
                     .toString(),
                 QStringLiteral("54.625,39.739"));
        QVERIFY(w.form->btnZoomAll->isEnabled());
        QVERIFY(rec.boxes().empty());
    }

    void tilesThatFailLeaveANote_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("note");
        QTest::addColumn<int>("tileLayers");
        QTest::newRow("server unreachable") << kOfflineTiles.Source << true << 1;
        QTest::newRow("no tile source") << QString() << false << 0;
    }
    void tilesThatFailLeaveANote()
    {
        QFETCH(QString, url);
        QFETCH(bool, note);
        QFETCH(int, tileLayers);
        MessageRecorder rec;
        Window w({Turn(1, "B", 54.60, 39.70), Turn(2, "E", 54.70, 39.90)}, TMapTiles{url, QStringLiteral("test")});
        QVERIFY(w.load());
        const QString shown =
            QStringLiteral("getComputedStyle(document.getElementById('tilenote')).display !== 'none'");
        if (note)
            QTRY_VERIFY_WITH_TIMEOUT(w.eval(shown).toBool(), 10000);
        else {
            QTest::qWait(300);
            QVERIFY(!w.eval(shown).toBool());
        }
        QCOMPARE(
            w.eval(QStringLiteral("document.querySelectorAll('.leaflet-tile-container').length > 0 ? 1 : 0")).toInt(),
            tileLayers);
        QCOMPARE(w.labels().size(), 2);  // the route is there regardless
        QVERIFY(rec.boxes().empty());
    }

    // Tiles from an MBTiles file the test draws, on a page that cannot reach any network: the
    // picture shows them, and the note about missing tiles only comes where the file has none.
    void localTilesShowOffline()
    {
        MessageRecorder rec;
        QTemporaryDir tmp;
        const QString file = tmp.filePath(QStringLiteral("area.mbtiles"));
        QImage plum(256, 256, QImage::Format_RGB32), teal(256, 256, QImage::Format_RGB32);
        plum.fill(QColor(200, 0, 200));
        teal.fill(QColor(0, 128, 128));
        QVERIFY(MakeMbTiles(file, 54.60, 39.70, 54.70, 39.90, 9, 13, 3,
                            [&](int, int x, int y) { return (x + y) % 2 ? plum : teal; }));
        Window w({Turn(1, "B", 54.60, 39.70), Turn(2, "E", 54.70, 39.90)}, TMapTiles{file, QStringLiteral("test")});
        QVERIFY(w.load());
        QVERIFY(w.zoom() >= 9 && w.zoom() <= 13);
        auto count = [&](auto pick) {
            const QImage all = w.frame().WebBrowser->grab().toImage();
            return CountPixels(all.copy(60, 75, all.width() - 200, all.height() - 175), pick);
        };
        const auto isPlum = [](const QColor& c) { return c.red() == 200 && c.green() == 0 && c.blue() == 200; };
        const auto isTeal = [](const QColor& c) { return c.red() == 0 && c.green() == 128 && c.blue() == 128; };
        QTRY_VERIFY_WITH_TIMEOUT(count(isPlum) > 10000 && count(isTeal) > 10000, 10000);
        const QString note = QStringLiteral("getComputedStyle(document.getElementById('tilenote')).display !== 'none'");
        QVERIFY(!w.eval(note).toBool());
        // Nothing the page loaded came from the network.
        QCOMPARE(w.eval(QStringLiteral("performance.getEntriesByType('resource').filter(function(e){"
                                       "return /^(https?|wss?):/.test(e.name);}).length"))
                     .toInt(),
                 0);

        // Further out than the file goes: no source has these tiles.
        for (int i = 0; i < 4; ++i)
            w.form->btnZoomOut->click();
        QVERIFY(w.idle());
        QTRY_VERIFY_WITH_TIMEOUT(w.eval(note).toBool(), 10000);
        w.form->btnZoomAll->click();
        QVERIFY(w.idle());
        QTRY_VERIFY_WITH_TIMEOUT(!w.eval(note).toBool(), 10000);
        QVERIFY(rec.boxes().empty());
    }

    // The longest route: at every zoom the labels in the page cover no other label, the first and
    // last are there, and every point and the whole line are drawn; a label left out at the start
    // shows once the map is zoomed in on it.
    void longRouteLabelsDoNotCover()
    {
        MessageRecorder rec;
        const std::vector<TMapTurn> turns = DemoRouteTurns(2040);
        Window w(turns);
        QVERIFY(w.load());
        const int points = w.frame().PointsCount();
        QCOMPARE(points, 4078);
        QCOMPARE(w.eval(QStringLiteral("map.tdotLayer_.getLatLngs().length")).toInt(), points);
        QCOMPARE(w.eval(QStringLiteral("map.overlays_[0].layer_.getLatLngs().length")).toInt(), points);
        // The dots are on their canvas in the colours of both kinds of turn (at this zoom they lie
        // close together, and their edges show most).
        const QString dotPixels = QStringLiteral(
            "(function(){var c = map.getPane('tdotPane').querySelector('canvas');"
            "var d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data, green = 0, blue = 0;"
            "for (var i = 0; i < d.length; i += 4) if (d[i + 3] === 255 && d[i] === 0) {"
            "green += (d[i + 1] === 255 || d[i + 1] === 128) && d[i + 2] === 0;"
            "blue += (d[i + 1] === 191 && d[i + 2] === 255) || (d[i + 1] === 0 && d[i + 2] === 128);}"
            "return Math.min(green, blue);})()");
        QTRY_VERIFY_WITH_TIMEOUT(w.eval(dotPixels).toInt() > 200, 5000);
        const QString firstId = w.frame().GetPoint(0)->Id, lastId = w.frame().GetPoint(points - 1)->Id;

        const int start = w.zoom();
        QString hiddenId;
        for (int step : {0, 1, 2, 3}) {
            if (step > 0) {
                w.form->btnZoomIn->click();
                QVERIFY(w.idle());
            }
            QCOMPARE(w.zoom(), start + step);
            struct Box {
                QString id;
                double l, t, r, b;
            };
            std::vector<Box> boxes;
            for (const QString& line : w.labelBoxes()) {
                const QStringList f = line.split(u'|');
                boxes.push_back({f[0], f[1].toDouble(), f[2].toDouble(), f[3].toDouble(), f[4].toDouble()});
            }
            QVERIFY2(boxes.size() > 2, qPrintable(QString::number(boxes.size())));  // not just the ends
            QVERIFY2(int(boxes.size()) < points, "labels are left out where they would cover others");
            for (size_t i = 0; i < boxes.size(); ++i) {
                QVERIFY(boxes[i].r - boxes[i].l > 10 && boxes[i].b - boxes[i].t > 5);
                for (size_t j = i + 1; j < boxes.size(); ++j) {
                    const Box &a = boxes[i], &b = boxes[j];
                    QVERIFY2(!(a.l < b.r && b.l < a.r && a.t < b.b && b.t < a.b),
                             qPrintable(QStringLiteral("zoom +%1: %2 and %3").arg(step).arg(a.id, b.id)));
                }
            }
            if (step == 0) {
                QStringList ids;
                for (const Box& b : boxes)
                    ids << b.id;
                QVERIFY(ids.contains(firstId));
                QVERIFY(ids.contains(lastId));
                for (int i = 1; i < points - 1 && hiddenId.isEmpty(); ++i)
                    if (!ids.contains(w.frame().GetPoint(i)->Id))
                        hiddenId = w.frame().GetPoint(i)->Id;
                QVERIFY(!hiddenId.isEmpty());
            }
        }
        const TMapPoint* hidden = nullptr;
        for (int i = 0; i < points && !hidden; ++i)
            if (w.frame().GetPoint(i)->Id == hiddenId)
                hidden = w.frame().GetPoint(i);
        w.frame().SetCenter(hidden->Latitude, hidden->Longitude, 18);
        QVERIFY(w.idle());
        QVERIFY(w.eval(QStringLiteral("map.tlabels_['%1'].element_.isConnected").arg(hiddenId)).toBool());
        QVERIFY(rec.boxes().empty());
    }

    // What the user sees: the red line and the labels are on the picture, and go with their switches.
    void pictureShowsLineAndLabels()
    {
        MessageRecorder rec;
        // Left and right turns only, so the only red on the map is the line.
        Window w({Turn(1, "L", 54.58, 39.66, 54.61, 39.70), Turn(2, "R", 54.63, 39.74, 54.65, 39.77),
                  Turn(3, "L", 54.69, 39.81, 54.72, 39.86)});
        QVERIFY(w.load());
        // Between the map's controls: the zoom buttons, the tile choice, the note and the overview.
        auto count = [&](auto pick) {
            const QImage all = w.frame().WebBrowser->grab().toImage();
            return CountPixels(all.copy(60, 75, all.width() - 200, all.height() - 175), pick);
        };
        QTRY_VERIFY_WITH_TIMEOUT(count(LineRed) > 100, 5000);
        QVERIFY(count(LabelGreen) > 30);
        QVERIFY(count(LabelBlue) > 30);
        // The line lies where its points are, also once the map has zoomed: red at the middle of
        // every stretch between two points (away from their labels).
        auto onLine = [&] {
            const QStringList middles =
                w.eval(QStringLiteral("map.overlays_[0].layer_.getLatLngs().slice(1).map(function(p, i, all){"
                                      "var m = map.map_, a = m.latLngToContainerPoint(i ? all[i - 1] :"
                                      " map.overlays_[0].layer_.getLatLngs()[0]), b = m.latLngToContainerPoint(p);"
                                      "return Math.round((a.x + b.x) / 2) + ',' + Math.round((a.y + b.y) / 2);})"))
                    .toStringList();
            const QImage all = w.frame().WebBrowser->grab().toImage();
            const QRect clear(60, 75, all.width() - 200, all.height() - 175);  // as `count` looks
            int seen = 0;
            for (const QString& middle : middles) {
                const QPoint p(middle.section(u',', 0, 0).toInt(), middle.section(u',', 1, 1).toInt());
                if (!clear.contains(p))
                    continue;
                if (CountPixels(all.copy(p.x() - 2, p.y() - 2, 5, 5), LineRed) == 0)
                    return false;
                ++seen;
            }
            return seen >= 2;
        };
        QTRY_VERIFY_WITH_TIMEOUT(onLine(), 5000);
        w.form->btnZoomIn->click();
        QVERIFY(w.idle());
        QTRY_VERIFY_WITH_TIMEOUT(onLine(), 5000);
        w.form->btnZoomAll->click();
        QVERIFY(w.idle());

        // A redraw clears the labels and draws them again in separate scripts: a picture taken in
        // between has neither, so the labels are waited for as well.
        w.form->cbShowLines->click();
        QVERIFY(w.idle());
        QTRY_COMPARE_WITH_TIMEOUT(count(LineRed), 0, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(count(LabelGreen) > 30, 5000);
        w.form->cbShowPoints->click();
        QVERIFY(w.idle());
        QTRY_COMPARE_WITH_TIMEOUT(count(LabelGreen), 0, 5000);
        QCOMPARE(count(LabelBlue), 0);
        QVERIFY(rec.boxes().empty());
    }

    // The page files are there while the window is open and gone once it has closed.
    void pageFilesLiveWithTheModalWindow()
    {
        MessageRecorder rec;
        QTemporaryDir tmp;
        const QString folder = tmp.filePath(QStringLiteral("Zevanta"));
        QStringList whileOpen;
        bool loaded = false;
        QTimer::singleShot(0, this, [&] {
            auto* form = qobject_cast<TfrmMap*>(QApplication::activeModalWidget());
            if (!form)
                return;
            whileOpen = QDir(folder).entryList(QDir::Files, QDir::Name);
            connect(form, &TfrmMap::RouteLoaded, form, [&, form] {
                loaded = true;
                form->close();
            });
            QTimer::singleShot(30000, form, &QDialog::reject);  // never hang the suite
        });
        QVERIFY(TfrmMap::ShowTurns(nullptr, folder, {Turn(1, "B", 54.6, 39.7)}, kOfflineTiles));
        QVERIFY(loaded);
        QStringList expected = TMapPageFiles::FileNames();
        expected.sort();
        QCOMPARE(whileOpen, expected);
        QVERIFY(QDir(folder).entryList(QDir::Files).isEmpty());
        QVERIFY(rec.boxes().empty());

        // A folder that cannot be made: the user is told, no window opens.
        QFile blocker(tmp.filePath(QStringLiteral("blocked")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!TfrmMap::ShowTurns(nullptr, blocker.fileName(), {}, kOfflineTiles));
        QCOMPARE(int(rec.boxes().size()), 1);
        QVERIFY(rec.boxes()[0].text.startsWith(Msg::FileSystemError));
    }
};

QTEST_MAIN(TestMapView)
#include "tst_mapview.moc"

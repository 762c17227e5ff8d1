#pragma once
// Helpers of the map window tests: a page in a folder of its own, and waiting for the page.
#include <QBuffer>
#include <QEventLoop>
#include <QImage>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "map/mappage.h"
#include "map/ui/frmmap.h"

// A port nothing listens on: tile requests fail at once, as they do without a network.
inline const TMapTiles kOfflineTiles{QStringLiteral("http://127.0.0.1:9/{z}/{x}/{y}.png"), QStringLiteral("test")};

// An MBTiles file of tiles drawn by `draw` (PNG), over the box from `south`/`west` to
// `north`/`east` with `margin` more tiles on every side, at the zoom levels `minZoom` to `maxZoom`.
inline bool MakeMbTiles(const QString& path, double south, double west, double north, double east, int minZoom,
                        int maxZoom, int margin, const std::function<QImage(int z, int x, int y)>& draw)
{
    const QString connection = QStringLiteral("make-mbtiles");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        QSqlQuery q(db);
        ok = db.open() && db.transaction() && q.exec(QStringLiteral("create table metadata (name text, value text)")) &&
             q.exec(QStringLiteral("create table tiles (zoom_level integer, tile_column integer, tile_row integer, "
                                   "tile_data blob)")) &&
             q.prepare(QStringLiteral("insert into tiles values (?, ?, ?, ?)"));
        const double pi = 3.14159265358979323846;
        auto column = [](double lon, int z) { return int(std::floor((lon + 180) / 360 * (1 << z))); };
        auto row = [pi](double lat, int z) {
            const double r = lat * pi / 180;
            return int(std::floor((1 - std::log(std::tan(r) + 1 / std::cos(r)) / pi) / 2 * (1 << z)));
        };
        for (int z = minZoom; ok && z <= maxZoom; ++z) {
            const int last = (1 << z) - 1;
            for (int x = std::max(column(west, z) - margin, 0); ok && x <= std::min(column(east, z) + margin, last);
                 ++x)
                for (int y = std::max(row(north, z) - margin, 0); ok && y <= std::min(row(south, z) + margin, last);
                     ++y) {
                    QByteArray png;
                    QBuffer buffer(&png);
                    buffer.open(QIODevice::WriteOnly);
                    draw(z, x, y).save(&buffer, "PNG");
                    q.addBindValue(z);
                    q.addBindValue(x);
                    q.addBindValue(last - y);  // rows count from the south
                    q.addBindValue(png);
                    ok = q.exec();
                }
        }
        ok = ok && db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

// Runs `js` in the map page and returns its value (invalid after `ms` without an answer).
inline QVariant EvalInPage(TGoogleMapFrame& frame, const QString& js, int ms = 10000)
{
    QVariant value;
    bool done = false;
    QEventLoop loop;
    frame.WebBrowser->page()->runJavaScript(js, [&](const QVariant& v) {
        value = v;
        done = true;
        loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    if (!done)
        loop.exec();
    return value;
}

// Counts the pixels of an image that `pick` accepts.
template <class Pick>
int CountPixels(const QImage& image, Pick pick)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            n += pick(QColor(rgb.pixel(x, y))) ? 1 : 0;
    return n;
}

// A window over its own copy of the page, loaded and drawn.
struct MapWindow {
    QTemporaryDir dir;
    std::unique_ptr<TMapPageFiles> page;
    std::unique_ptr<TfrmMap> form;

    MapWindow(std::vector<TMapTurn> turns, const TMapTiles& tiles = kOfflineTiles)
    {
        page = std::make_unique<TMapPageFiles>(dir.path());
        form = std::make_unique<TfrmMap>(dir.path(), std::move(turns), tiles);
    }
    TGoogleMapFrame& frame() { return *form->MapFrame; }
    QVariant eval(const QString& js) { return EvalInPage(frame(), js); }
    bool load()
    {
        QSignalSpy loaded(form.get(), &TfrmMap::RouteLoaded);
        form->show();
        if (!loaded.wait(30000))
            return false;
        return idle();
    }
    bool idle()
    {
        return QTest::qWaitFor([this] { return frame().PendingScripts() == 0; }, 10000);
    }
    QStringList labels()
    {
        return eval(QStringLiteral("Object.keys(map.tlabels_ || {}).map(function(id){"
                                   "var e = map.tlabels_[id].element_;"
                                   "return id + '|' + e.textContent + '|' + e.firstChild.className;})"))
            .toStringList();
    }
    // Whether every label, at the map's zoom `delta` steps further in, lies whole inside the map
    // and off everything the page shows over it (controls, overview map, the tile note if shown).
    bool labelsClear(int delta = 0)
    {
        return eval(QStringLiteral(
                        "(function(){var m = map.map_, z = m.getZoom() + %1, size = m.getSize();"
                        "var c = m.project(m.getCenter(), z), o = m.getContainer().getBoundingClientRect();"
                        "var box = function(r){return L.bounds([r.left - o.left, r.top - o.top],"
                        " [r.right - o.left, r.bottom - o.top]);};"
                        "var over = [].slice.call(document.querySelectorAll('.leaflet-control, #tilenote'))"
                        ".map(function(e){return e.getBoundingClientRect();})"
                        ".filter(function(r){return r.width > 0 && r.height > 0;}).map(box);"
                        "var view = L.bounds([0, 0], [size.x, size.y]);"
                        "return Object.keys(map.tlabels_).every(function(id){"
                        "var l = map.tlabels_[id], r = l.element_.firstChild.getBoundingClientRect();"
                        "var p = m.project(l.anchorLatLng.latLng_, z).subtract(c).add(size.divideBy(2));"
                        "var b = L.bounds([p.x - r.width / 2, p.y - r.height / 2], [p.x + r.width / 2, p.y + r.height "
                        "/ 2]);"
                        "return view.contains(b) && over.every(function(v){return !v.intersects(b);});});})()")
                        .arg(delta))
            .toBool();
    }
    bool noteShown()
    {
        return eval(QStringLiteral("getComputedStyle(document.getElementById('tilenote')).display !== 'none'"))
            .toBool();
    }
    // The boxes of the labels in the page, as "id|left|top|right|bottom" in window pixels.
    QStringList labelBoxes()
    {
        return eval(QStringLiteral("Object.keys(map.tlabels_ || {}).filter(function(id){"
                                   "return map.tlabels_[id].element_.isConnected;}).map(function(id){"
                                   "var r = map.tlabels_[id].element_.firstChild.getBoundingClientRect();"
                                   "return [id, r.left, r.top, r.right, r.bottom].join('|');})"))
            .toStringList();
    }
    int overlays() { return eval(QStringLiteral("map.overlays_.length")).toInt(); }
    int zoom() { return eval(QStringLiteral("map.getZoom()")).toInt(); }
    // Whether every label's point is in view at the map's zoom `delta` steps further in.
    bool allInView(int delta = 0)
    {
        return eval(QStringLiteral("(function(){var m = map.map_, c = m.getCenter(), z = m.getZoom() + %1;"
                                   "var half = m.getSize().divideBy(2), mid = m.project(c, z);"
                                   "var view = L.bounds(mid.subtract(half), mid.add(half));"
                                   "return Object.keys(map.tlabels_).every(function(id){"
                                   "return view.contains(m.project(map.tlabels_[id].anchorLatLng.latLng_, z));});})()")
                        .arg(delta))
            .toBool();
    }
};

#pragma once
// Helpers of the map window tests: a page in a folder of its own, and waiting for the page.
#include <QEventLoop>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>
#include <vector>

#include "map/mappage.h"
#include "map/ui/frmmap.h"

// A port nothing listens on: tile requests fail at once, as they do without a network.
inline const TMapTiles kOfflineTiles{QStringLiteral("http://127.0.0.1:9/{z}/{x}/{y}.png"), QStringLiteral("test")};

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
                                   "var e = document.getElementById(id);"
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

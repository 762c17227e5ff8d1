// Two figures of the map window, offscreen and without tiles: the page's load (from opening the
// window to the page loaded and the points handed to it) and the route's drawing after that (the
// page has run every script: line, points and the labels it shows), with the first picture that
// shows the route. The first window pays for starting the browser; later ones show the steady cost.
// Asserts nothing.
#include <algorithm>
#include <cstdio>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>

#include "map/mappage.h"
#include "map/mapscripts.h"
#include "map/mapturns.h"
#include "map/ui/frmmap.h"

namespace {
struct Figures {
    double loadedMs = 0;  // from opening: page loaded, points handed to the page
    double drawnMs = 0;   // from loaded: the page has run every script
    double shownMs = 0;   // from loaded: a picture of the window shows the route
    int labels = 0;
    int shown = 0;      // labels in the page
    QString breakdown;  // ms in the page: clear, labels, placing them with their points, line, the page's layout
};

QString EvalInPage(TGoogleMapFrame& frame, const QString& js)
{
    QString value;
    bool done = false;
    frame.WebBrowser->page()->runJavaScript(js, [&](const QVariant& v) {
        value = v.toString();
        done = true;
    });
    (void)QTest::qWaitFor([&] { return done; }, 60000);
    return value;
}

// Strong colours (line, labels) over a good part of the picture: the route is on screen. The
// blank background and the controls are pale; the overview frame is a thin line.
bool ShowsRoute(QWebEngineView* view)
{
    const QImage image = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int strong = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c(image.pixel(x, y));
            strong += std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) > 120;
        }
    return strong > 2000;
}

Figures OpenOnce(const QString& folder, int turns)
{
    Figures f;
    QElapsedTimer clock;
    clock.start();
    TfrmMap form(folder, DemoRouteTurns(turns), TMapTiles{});
    QSignalSpy loaded(&form, &TfrmMap::RouteLoaded);
    form.show();
    if (!loaded.wait(60000))
        return f;
    f.loadedMs = clock.nsecsElapsed() / 1e6;
    clock.restart();
    if (QTest::qWaitFor([&] { return form.MapFrame->PendingScripts() == 0; }, 60000))
        f.drawnMs = clock.nsecsElapsed() / 1e6;
    if (QTest::qWaitFor([&] { return ShowsRoute(form.MapFrame->WebBrowser); }, 60000))
        f.shownMs = clock.nsecsElapsed() / 1e6;
    f.labels = form.MapFrame->PointsCount();
    f.shown = EvalInPage(*form.MapFrame,
                         QStringLiteral("String(Object.keys(map.tlabels_ || {}).filter(function(id){"
                                        "var e = map.tlabels_[id].element_; return e && e.isConnected;}).length)"))
                  .toInt();

    // Where the page spends its time: each redraw text run again, timed inside the page.
    const QStringList scripts = MapScript::Refresh(*form.MapFrame);
    QString js = QStringLiteral("(function(){var t = [], t0;");
    for (int i = 0; i < scripts.size(); ++i) {
        js += QStringLiteral("t0 = performance.now(); (0,eval)(\"") + MapScript::Quoted(scripts[i]) +
              QStringLiteral("\"); t.push(performance.now() - t0);");
        // The page places the labels and draws the points after the labels' script.
        if (i == 1 && form.MapFrame->ShowPoints())
            js += QStringLiteral("t0 = performance.now(); map.showTLabels_(); t.push(performance.now() - t0);");
    }
    js += QStringLiteral(
        "t0 = performance.now(); document.body.offsetWidth; t.push(performance.now() - t0);"
        "return t.map(function(x){return x.toFixed(1);}).join(' / ');})()");
    f.breakdown = EvalInPage(*form.MapFrame, js);
    return f;
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const TMapPageFiles page(dir.path());
    if (!page.Ok()) {
        std::fprintf(stderr, "cannot write the page: %s\n", qPrintable(page.Error()));
        return 1;
    }
    std::printf("%-6s %-5s %7s %7s %13s %9s %11s   %s\n", "turns", "run", "points", "shown", "page load ms", "draw ms",
                "picture ms", "redraw in the page, ms: clear / labels / placing / line / layout");
    for (int turns : {2040, 100, 2040}) {
        for (int run = 1; run <= 3; ++run) {
            const Figures f = OpenOnce(dir.path(), turns);
            std::printf("%-6d %-5d %7d %7d %13.1f %9.1f %11.1f   %s\n", turns, run, f.labels, f.shown, f.loadedMs,
                        f.drawnMs, f.shownMs, qPrintable(f.breakdown));
            std::fflush(stdout);
        }
    }
    return 0;
}

// Time from opening the map window to the points of a route drawn in the page, offscreen and
// without tiles: the page load, the label and line scripts, and the first picture with the line.
// The first window pays for starting the browser; later ones show the steady cost.
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
    double loadedMs = 0;  // page loaded, points handed to the page
    double drawnMs = 0;   // the page has run every script
    double shownMs = 0;   // a picture of the window shows the red of the line and start label
    int labels = 0;
    QString breakdown;  // ms in the page: clear, labels, line, the page's layout
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
    if (QTest::qWaitFor([&] { return form.MapFrame->PendingScripts() == 0; }, 60000))
        f.drawnMs = clock.nsecsElapsed() / 1e6;
    if (QTest::qWaitFor([&] { return ShowsRoute(form.MapFrame->WebBrowser); }, 60000))
        f.shownMs = clock.nsecsElapsed() / 1e6;
    f.labels = form.MapFrame->PointsCount();

    // Where the page spends its time: each redraw text run again, timed inside the page.
    const QStringList scripts = MapScript::Refresh(*form.MapFrame);
    QString js = QStringLiteral("(function(){var t = [], t0;");
    for (const QString& s : scripts)
        js += QStringLiteral("t0 = performance.now(); (0,eval)(\"") + MapScript::Quoted(s) +
              QStringLiteral("\"); t.push(performance.now() - t0);");
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
    std::printf("%-6s %-5s %7s %12s %12s %12s   %s\n", "turns", "run", "points", "loaded ms", "drawn ms", "picture ms",
                "redraw in the page, ms: clear / labels / line / layout");
    for (int turns : {2040, 100, 2040}) {
        for (int run = 1; run <= 3; ++run) {
            const Figures f = OpenOnce(dir.path(), turns);
            std::printf("%-6d %-5d %7d %12.1f %12.1f %12.1f   %s\n", turns, run, f.labels, f.loadedMs, f.drawnMs,
                        f.shownMs, qPrintable(f.breakdown));
            std::fflush(stdout);
        }
    }
    return 0;
}

// Time from opening the map window to the points of a route drawn in the page, offscreen and
// without tiles: the page load, the label and line scripts, and the first picture with the line.
// The first window pays for starting the browser; later ones show the steady cost.
// Asserts nothing.
#include <cstdio>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>

#include "map/mappage.h"
#include "map/mapturns.h"
#include "map/ui/frmmap.h"

namespace {
struct Figures {
    double loadedMs = 0;  // page loaded, points handed to the page
    double drawnMs = 0;   // the page has run every script
    double shownMs = 0;   // a picture of the window shows the line
    int labels = 0;
};

bool HasLine(QWebEngineView* view)
{
    const QImage image = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) {
            const QColor c(image.pixel(x, y));
            if (c.red() > 200 && c.green() < 110 && c.blue() < 110)
                return true;
        }
    return false;
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
    if (QTest::qWaitFor([&] { return HasLine(form.MapFrame->WebBrowser); }, 60000))
        f.shownMs = clock.nsecsElapsed() / 1e6;
    f.labels = form.MapFrame->PointsCount();
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
    std::printf("%-6s %-5s %7s %12s %12s %12s\n", "turns", "run", "points", "loaded ms", "drawn ms", "line seen ms");
    for (int turns : {2040, 100, 2040}) {
        for (int run = 1; run <= 3; ++run) {
            const Figures f = OpenOnce(dir.path(), turns);
            std::printf("%-6d %-5d %7d %12.1f %12.1f %12.1f\n", turns, run, f.labels, f.loadedMs, f.drawnMs, f.shownMs);
            std::fflush(stdout);
        }
    }
    return 0;
}

// Two figures of the map window, offscreen and without tiles, for a short and the longest route:
// the page's load (from opening the window to the page loaded and the route's scripts handed to
// it) and the route's drawing after that: the page has added the line, the points and the labels it
// shows, and a frame has been painted with them (a requestAnimationFrame callback and the task
// after it have run; the page stamps that moment itself). Also when the page had answered every
// script and when a picture of the window first showed the route. The first window pays for
// starting the browser and is not counted. Asserts nothing.
//
// The waits run the event loop without sleeping: the browser's own work for the page (a canvas
// gets its memory from the program's side) goes through this thread, and a sleeping thread would
// be timed instead of the map.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "map/mappage.h"
#include "map/mapscripts.h"
#include "map/mapturns.h"
#include "map/ui/frmmap.h"

namespace {
struct Figures {
    bool ok = false;
    double loadedMs = 0;    // from opening: page loaded, the route's scripts handed to the page
    double drawnMs = 0;     // from loaded: line, points and labels in the page and painted
    double answeredMs = 0;  // from loaded: the page has answered every script
    double pictureMs = 0;   // from loaded: a picture of the window shows the route
    int points = 0;
    int lineVertices = 0;
    int dots = 0;
    int shown = 0;  // labels in the page
};

double NowEpochMs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count() / 1000.0;
}

// Runs the event loop until `done` holds or `ms` have passed, without sleeping.
template <class Done>
bool Await(Done done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QEventLoop loop;
        QTimer::singleShot(1, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

QVariant EvalInPage(TGoogleMapFrame& frame, const QString& js)
{
    QVariant value;
    bool done = false;
    frame.WebBrowser->page()->runJavaScript(js, [&](const QVariant& v) {
        value = v;
        done = true;
    });
    (void)Await([&] { return done; }, 60000);
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

// Runs after the route's scripts (the page runs scripts in the order they are sent): once a frame
// has been through requestAnimationFrame (the canvases draw there) and the task after it, the page
// stamps the time and counts what it shows.
const char* kDrawnStamp =
    "requestAnimationFrame(function(){setTimeout(function(){"
    "var shown = map.getPane(G_MAP_MAP_PANE).childElementCount;"
    "window.benchDrawn_ = [performance.timeOrigin + performance.now(),"
    " map.overlays_.length ? map.overlays_[0].layer_.getLatLngs().length : 0,"
    " map.tdotLayer_ ? map.tdotLayer_.getLatLngs().length : 0, shown].join(' ');"
    "}, 0);}); ''";

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
    const double loadedAt = NowEpochMs();
    clock.restart();
    TGoogleMapFrame& frame = *form.MapFrame;
    frame.WebBrowser->page()->runJavaScript(QString::fromLatin1(kDrawnStamp));
    if (!Await([&] { return frame.PendingScripts() == 0; }, 60000))
        return f;
    f.answeredMs = clock.nsecsElapsed() / 1e6;
    if (!Await([&] { return ShowsRoute(frame.WebBrowser); }, 60000))
        return f;
    f.pictureMs = clock.nsecsElapsed() / 1e6;
    QStringList drawn;
    (void)Await(
        [&] {
            drawn = EvalInPage(frame, QStringLiteral("window.benchDrawn_ || ''")).toString().split(u' ');
            return drawn.size() == 4;
        },
        60000);
    if (drawn.size() != 4)
        return f;
    f.drawnMs = drawn[0].toDouble() - loadedAt;
    f.lineVertices = drawn[1].toInt();
    f.dots = drawn[2].toInt();
    f.shown = drawn[3].toInt();
    f.points = frame.PointsCount();
    f.ok = true;
    return f;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void Summary(const char* what, const std::vector<double>& v)
{
    std::printf("  %-22s median %7.1f ms   range %7.1f .. %7.1f ms\n", what, Median(v),
                *std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end()));
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    QTemporaryDir dir;
    const TMapPageFiles page(dir.path());
    if (!page.Ok()) {
        std::fprintf(stderr, "cannot write the page: %s\n", qPrintable(page.Error()));
        return 1;
    }
    (void)OpenOnce(dir.path(), 100);  // starts the browser
    std::printf("%-6s %-4s %7s %6s %6s %6s %13s %9s %12s %11s\n", "turns", "run", "points", "line", "dots", "labels",
                "page load ms", "draw ms", "answered ms", "picture ms");
    for (int turns : {100, 2040}) {
        std::vector<double> load, draw, answered, picture;
        for (int run = 1; run <= runs; ++run) {
            const Figures f = OpenOnce(dir.path(), turns);
            if (!f.ok) {
                std::printf("%-6d %-4d the page did not finish\n", turns, run);
                continue;
            }
            std::printf("%-6d %-4d %7d %6d %6d %6d %13.1f %9.1f %12.1f %11.1f\n", turns, run, f.points, f.lineVertices,
                        f.dots, f.shown, f.loadedMs, f.drawnMs, f.answeredMs, f.pictureMs);
            std::fflush(stdout);
            load.push_back(f.loadedMs);
            draw.push_back(f.drawnMs);
            answered.push_back(f.answeredMs);
            picture.push_back(f.pictureMs);
        }
        if (load.empty())
            continue;
        std::printf("%d turns, %zu runs:\n", turns, load.size());
        Summary("page load", load);
        Summary("draw", draw);
        Summary("scripts answered", answered);
        Summary("picture", picture);
    }
    return 0;
}

#pragma once
// Helpers of the map window tests: a page in a folder of its own, and waiting for the page.
#include <QEventLoop>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>

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

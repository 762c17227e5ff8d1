#include "map/mapturns.h"

#include <algorithm>

#include "map/mapframecore.h"
#include "routes/coords.h"

namespace {
QString Text(double degrees)
{
    return CoordToText(int32_t(degrees * Coord::TenthsPerDegree + (degrees < 0 ? -0.5 : 0.5)));
}

double Degrees(const QString& text)
{
    return double(CoordFromText(text)) / Coord::TenthsPerDegree;
}
}  // namespace

void LoadRoute(TMapFrameCore& frame, const std::vector<TMapTurn>& turns)
{
    frame.BeginUpdate();
    int n = 0;
    for (const TMapTurn& t : turns) {
        ++n;
        const QString rec = QString::number(t.RecNo);
        auto add = [&](const QString& lat, const QString& lon, const QString& caption, TMapColor color) {
            frame.AddPoint(Degrees(lat), Degrees(lon), QString::number(n), caption, color);
        };
        if (t.Turn == u"B" || t.Turn == u"E") {
            add(t.BegLat, t.BegLong, t.Turn + u' ' + rec, TMapColor::Red);
        } else if (t.Turn == u"L" || t.Turn == u"R") {
            const bool left = t.Turn == u"L";
            const QString caption = (left ? QStringLiteral("< ") : QStringLiteral("> ")) + rec;
            const TMapColor color = left ? TMapColor::Blue : TMapColor::Green;
            add(t.BegLat, t.BegLong, caption, color);
            ++n;
            add(t.EndLat, t.EndLong, caption, color);
        }
    }
    frame.ZoomToRoute();
    frame.EndUpdate();
}

std::vector<TMapTurn> DemoRouteTurns(int count)
{
    std::vector<TMapTurn> turns;
    count = std::max(count, 2);
    double lat = 54.6247;
    double lon = 39.7386;
    const double step = 0.6 / count;  // the whole route spans some 0.6 degrees
    for (int i = 1; i <= count; ++i) {
        TMapTurn t;
        t.RecNo = i;
        t.Turn = i == 1 ? QStringLiteral("B") : i == count ? QStringLiteral("E") : i % 2 ? QStringLiteral("R") : QStringLiteral("L");
        t.BegLat = Text(lat);
        t.BegLong = Text(lon);
        // a gentle zigzag: northwards on left turns, eastwards on right ones
        lat += step * (i % 2 ? 0.4 : 1.0);
        lon += step * (i % 2 ? 1.3 : 0.5);
        t.EndLat = t.Turn == u"L" || t.Turn == u"R" ? Text(lat) : t.BegLat;
        t.EndLong = t.Turn == u"L" || t.Turn == u"R" ? Text(lon) : t.BegLong;
        lat += step * 0.3;
        lon += step * 0.2;
        turns.push_back(t);
    }
    return turns;
}

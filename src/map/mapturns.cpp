#include "map/mapturns.h"

#include <algorithm>
#include <cmath>

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
    // A meander: the heading swings between north and east, so left and right turns alternate in
    // runs; every turn is a short stretch of road with its begin and end point.
    constexpr double kPi = 3.14159265358979323846;
    const double period = std::max(count / 3.0, 8.0);
    const double step = 0.9 / count;  // the whole route spans some 0.6 degrees
    double lat = 54.6247;
    double lon = 39.7386;
    double heading = kPi / 4;
    for (int i = 1; i <= count; ++i) {
        const double next = kPi / 4 + kPi / 4 * std::sin(2 * kPi * i / period);
        TMapTurn t;
        t.RecNo = i;
        t.Turn = i == 1           ? QStringLiteral("B")
                 : i == count     ? QStringLiteral("E")
                 : next > heading ? QStringLiteral("L")
                                  : QStringLiteral("R");
        t.BegLat = Text(lat);
        t.BegLong = Text(lon);
        const bool stretch = t.Turn == u"L" || t.Turn == u"R";
        lat += stretch ? step * 0.3 * std::sin(next) : 0;
        lon += stretch ? step * 0.3 * std::cos(next) / 0.58 : 0;  // a degree east is shorter here
        t.EndLat = Text(lat);
        t.EndLong = Text(lon);
        lat += step * 0.7 * std::sin(next);
        lon += step * 0.7 * std::cos(next) / 0.58;
        heading = next;
        turns.push_back(t);
    }
    return turns;
}

#include <gtest/gtest.h>

#include "map/mapturns.h"
#include "map/mapview.h"
#include "recordingframe.h"

namespace {
// A coordinate text of whole degrees and minutes ("+55°30'00.0"").
QString Deg(int degrees, int minutes = 0)
{
    return QStringLiteral("%1%2")
               .arg(QChar(degrees < 0 ? u'-' : u'+'))
               .arg(std::abs(degrees), 2, 10, QLatin1Char('0')) +
           QChar(0x00B0) + QStringLiteral("%1'00.0\"").arg(minutes, 2, 10, QLatin1Char('0'));
}

TMapTurn Turn(int rec, const char* letter, QString begLat, QString begLong, QString endLat = QString(),
              QString endLong = QString())
{
    return TMapTurn{rec, begLat, begLong, endLat, endLong, QString::fromLatin1(letter)};
}

struct Expected {
    const char* id;
    double lat, lon;
    const char* caption;
    TMapColor color;
};

void ExpectPoints(const RecordingFrame& f, const std::vector<Expected>& expected)
{
    ASSERT_EQ(f.PointsCount(), int(expected.size()));
    for (int i = 0; i < f.PointsCount(); ++i) {
        const TMapPoint& p = *f.GetPoint(i);
        const Expected& e = expected[size_t(i)];
        EXPECT_EQ(p.Id, QLatin1String(e.id)) << i;
        EXPECT_DOUBLE_EQ(p.Latitude, e.lat) << i;
        EXPECT_DOUBLE_EQ(p.Longitude, e.lon) << i;
        EXPECT_EQ(p.Caption, QString::fromUtf8(e.caption)) << i;
        EXPECT_EQ(p.Color, e.color) << i;
        EXPECT_TRUE(p.Address.isEmpty());
    }
}
}  // namespace

TEST(LoadRoute, PointsByTurnLetter)
{
    RecordingFrame f;
    // In selection order; the record numbers are the rows' places in the route, not this order.
    LoadRoute(f, {
                     Turn(5, "B", Deg(54, 30), Deg(39, 15), Deg(1), Deg(1)),  // end ignored
                     Turn(9, "R", Deg(54, 40), Deg(39, 20), Deg(54, 41), Deg(39, 21)),
                     Turn(2, "X", Deg(1), Deg(1), Deg(1), Deg(1)), Turn(3, "L", Deg(-54), Deg(-39), Deg(-55), Deg(-40)),
                     Turn(4, "", Deg(1), Deg(1)), Turn(12, "E", Deg(55), Deg(40)),
                     Turn(13, "b", Deg(55), Deg(40)),  // letters are not folded
                 });
    ExpectPoints(f, {
                        {"1", 54.5, 39.25, "B 5", TMapColor::Red},
                        {"2", 54 + 40 / 60.0, 39 + 20 / 60.0, "> 9", TMapColor::Green},
                        {"3", 54 + 41 / 60.0, 39 + 21 / 60.0, "> 9", TMapColor::Green},
                        // Id 4 went to the turn with an unknown letter
                        {"5", -54, -39, "< 3", TMapColor::Blue},
                        {"6", -55, -40, "< 3", TMapColor::Blue},
                        {"8", 55, 40, "E 12", TMapColor::Red},
                    });
    // Zoomed before anything was drawn, then drawn once.
    EXPECT_EQ(f.calls, (QStringList{"zoom", "refresh"}));
    EXPECT_FALSE(f.Updating());
}

// One start and one right turn: three points with the Ids 1, 2, 3 and the red line through them
// in that order.
TEST(LoadRoute, LineRunsThroughThePointsInOrder)
{
    RecordingFrame f;
    LoadRoute(f, {Turn(1, "B", Deg(54), Deg(39)), Turn(2, "R", Deg(54, 30), Deg(39, 30), Deg(55), Deg(40))});
    ASSERT_EQ(f.scripts.size(), 4);  // zoom, then clear, labels, line
    EXPECT_EQ(f.scripts[3].toStdString(),
              R"(var polyline = new GPolyline([new GLatLng(54,39),new GLatLng(54.5,39.5),new GLatLng(55,40)],)"
              R"("#FF0000",3);map.addOverlay(polyline);)");
    EXPECT_TRUE(f.scripts[2].startsWith(R"(createTLabel("1", new GLatLng(54, 39), "B 1", "Redlabel");)"));
    EXPECT_TRUE(f.scripts[2].endsWith(R"(createTLabel("3", new GLatLng(55, 40), "> 2", "Greenlabel");)"));
}

TEST(LoadRoute, UnreadableCoordinatesAndNoTurns)
{
    RecordingFrame f;
    LoadRoute(f, {Turn(1, "B", QStringLiteral("garbage"), QString())});
    ExpectPoints(f, {{"1", 0, 0, "B 1", TMapColor::Red}});

    RecordingFrame none;
    LoadRoute(none, {});
    EXPECT_EQ(none.PointsCount(), 0);
    EXPECT_EQ(none.scripts, (QStringList{QString(), QStringLiteral("map.clearOverlays();")}));
}

TEST(DemoRoute, StartsAndEndsAndEveryCoordinateReadsBack)
{
    const auto turns = DemoRouteTurns(2040);
    ASSERT_EQ(turns.size(), 2040u);
    EXPECT_EQ(turns.front().Turn, "B");
    EXPECT_EQ(turns.back().Turn, "E");
    RecordingFrame f;
    LoadRoute(f, turns);
    EXPECT_EQ(f.PointsCount(), 2 + 2 * 2038);
    const TCoordsRect r = f.GetRouteFrame();
    EXPECT_NEAR(r.MinLat, 54.6247, 0.001);
    EXPECT_NEAR(r.MinLon, 39.7386, 0.001);
    EXPECT_GT(r.MaxLat, r.MinLat + 0.2);
    EXPECT_GT(r.MaxLon, r.MinLon + 0.2);
}

TEST(OpenMapView, GoesToTheInstalledWindowOnly)
{
    const TMapRequest request{QStringLiteral("/tmp/x"), {TMapTurn{3, "a", "b", "c", "d", "L"}}, "u", "a"};
    auto previous = InstallMapViewOpener(nullptr);
    EXPECT_FALSE(OpenMapView(nullptr, request));
    std::vector<TMapRequest> seen;
    InstallMapViewOpener([&](QWidget*, const TMapRequest& r) { seen.push_back(r); });
    EXPECT_TRUE(OpenMapView(nullptr, request));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].Folder, request.Folder);
    EXPECT_EQ(seen[0].Turns[0].RecNo, 3);
    EXPECT_EQ(seen[0].Turns[0].Turn, "L");
    InstallMapViewOpener(std::move(previous));
}

#include <gtest/gtest.h>

#include <QLocale>

#include "map/mapscripts.h"
#include "recordingframe.h"

namespace {
TMapPoint Point(QString id, double lat, double lon, QString caption, TMapColor color)
{
    TMapPoint p;
    p.Id = id;
    p.Latitude = lat;
    p.Longitude = lon;
    p.Caption = caption;
    p.Color = color;
    return p;
}
}  // namespace

// The page understands exactly these texts; each is spelled out here rather than rebuilt.
TEST(MapScript, TextsOfTheOperations)
{
    RecordingFrame f;
    f.BeginUpdate();
    f.AddPoint(54.5, 39.25, QStringLiteral("7"), QStringLiteral("B 3"), TMapColor::Red);
    f.AddPoint(55.75, 37.5, QStringLiteral("8"), QStringLiteral("< 4"), TMapColor::Blue);

    struct Case {
        const char* what;
        QString script;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"label", MapScript::LabelScript(*f.GetPoint(0)),
         R"(createTLabel("7", new GLatLng(54.5, 39.25), "B 3", "Redlabel");)"},
        {"label of a left turn", MapScript::LabelScript(*f.GetPoint(1)),
         R"(createTLabel("8", new GLatLng(55.75, 37.5), "< 4", "Bluelabel");)"},
        {"hide", MapScript::HidePoint(f, 1), R"(map.removeTLabelById("8");)"},
        {"hide past the end", MapScript::HidePoint(f, 2), ""},
        {"remove all", MapScript::RemoveAllLabels(f),
         R"(map.clearOverlays();map.removeTLabelById("7");map.removeTLabelById("8");)"},
        {"centre keeping the scale", MapScript::SetCenter(54.5, 39.25, -1),
         "var point = new GLatLng(54.5,39.25); map.setCenter(point)"},
        {"centre with scale", MapScript::SetCenter(59.944265, 30.319948, 10),
         "var point = new GLatLng(59.944265,30.319948); map.setCenter(point, 10)"},
        {"zoom in", MapScript::ZoomIn(), "map.zoomIn();"},
        {"zoom out", MapScript::ZoomOut(), "map.zoomOut();"},
        {"zoom to route", MapScript::ZoomToRoute(f),
         "var point1 = new GLatLng(54.5, 37.5);var point2 = new GLatLng(55.75, 39.25);"
         "var bounds = new GLatLngBounds(point1, point2);"
         "var zoom = map.getBoundsZoomLevel(bounds, [[54.5,39.25],[55.75,37.5]]);"
         "map.setCenter(new GLatLng(55.125, 38.375), zoom);"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.script.toStdString(), QString::fromUtf8(c.expected).toStdString()) << c.what;

    const QStringList refresh = MapScript::Refresh(f);
    ASSERT_EQ(refresh.size(), 3);
    EXPECT_EQ(refresh[0], MapScript::RemoveAllLabels(f));
    EXPECT_EQ(refresh[1], MapScript::LabelScript(*f.GetPoint(0)) + MapScript::LabelScript(*f.GetPoint(1)));
    EXPECT_EQ(refresh[2].toStdString(),
              R"(var polyline = new GPolyline([new GLatLng(54.5,39.25),new GLatLng(55.75,37.5)],"#FF0000",3);)"
              "map.addOverlay(polyline);");
}

TEST(MapScript, StyleNamesOfTheColours)
{
    EXPECT_EQ(LabelStyle(TMapColor::Red), "Redlabel");
    EXPECT_EQ(LabelStyle(TMapColor::Blue), "Bluelabel");
    EXPECT_EQ(LabelStyle(TMapColor::Green), "Greenlabel");
    EXPECT_EQ(LabelStyle(TMapColor::Yellow), "Yellowlabel");
    EXPECT_EQ(LabelStyle(TMapColor::Gray), "Graylabel");
}

TEST(MapScript, NumbersAlwaysWithAPoint)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));  // decimal comma
    struct Case {
        double x;
        const char* text;
    };
    const std::vector<Case> cases = {
        {54.5, "54.5"},
        {-0.25, "-0.25"},
        {0, "0"},
        {180, "180"},
        {55.7533611111111, "55.7533611111111"},  // 15 significant digits
        {2007123.0 / 36000, "55.7534166666667"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MapScript::CoordToScript(c.x).toStdString(), c.text) << c.x;
    QLocale::setDefault(before);
}

// Texts end up inside double-quoted script strings; none may end the string early.
TEST(MapScript, LabelTextsStayInsideTheirStrings)
{
    const TMapPoint p =
        Point(QStringLiteral("a\"b"), 1, 2, QStringLiteral("\");alert(1);//\\ <b>&\nx\u2028"), TMapColor::Green);
    EXPECT_EQ(
        MapScript::LabelScript(p).toStdString(),
        QStringLiteral(R"(createTLabel("a\"b", new GLatLng(1, 2), "\");alert(1);//\\ <b>&\nx\u2028", "Greenlabel");)")
            .toStdString());
    RecordingFrame f;
    f.AddPoint(1, 2, QStringLiteral("x\"y"), QString(), TMapColor::Red);
    EXPECT_EQ(MapScript::HidePoint(f, 0).toStdString(), R"(map.removeTLabelById("x\"y");)");
}

TEST(MapScript, RedrawFollowsTheSwitches)
{
    RecordingFrame f;
    f.BeginUpdate();
    f.AddPoint(1, 2, QStringLiteral("1"), QStringLiteral("B 1"), TMapColor::Red);
    f.AddPoint(3, 4, QStringLiteral("2"), QStringLiteral("E 2"), TMapColor::Red);
    const QString clear = MapScript::RemoveAllLabels(f);
    const QString labels = MapScript::LabelScript(*f.GetPoint(0)) + MapScript::LabelScript(*f.GetPoint(1));

    struct Case {
        bool points, lines;
        int count;
        bool hasLabels, hasLine;
    };
    for (const Case& c : std::vector<Case>{{true, true, 3, true, true},
                                           {false, true, 2, false, true},
                                           {true, false, 2, true, false},
                                           {false, false, 1, false, false}}) {
        f.SetShowPoints(c.points);
        f.SetShowLines(c.lines);
        const QStringList s = MapScript::Refresh(f);
        ASSERT_EQ(s.size(), c.count) << c.points << c.lines;
        EXPECT_EQ(s[0], clear);
        EXPECT_EQ(s.contains(labels), c.hasLabels);
        EXPECT_EQ(s.last().contains(QStringLiteral("GPolyline")), c.hasLine);
    }

    RecordingFrame empty;
    EXPECT_EQ(MapScript::Refresh(empty), QStringList{QStringLiteral("map.clearOverlays();")});
}

TEST(MapScript, ZoomToRouteNeedsAnArea)
{
    struct Case {
        const char* what;
        std::vector<std::pair<double, double>> points;
        QString center;  // empty: nothing to run
    };
    const std::vector<Case> cases = {
        {"no points", {}, QString()},
        {"one point", {{54, 39}}, QString()},
        {"one parallel", {{54, 39}, {54, 40}}, QString()},
        {"one meridian", {{54, 39}, {55, 39}}, QString()},
        {"two points", {{54, 39}, {55, 40}}, QStringLiteral("map.setCenter(new GLatLng(54.5, 39.5), zoom);")},
        {"extremes from different points",
         {{54, 41}, {56, 39}, {55, 40}},
         QStringLiteral("map.setCenter(new GLatLng(55, 40), zoom);")},
    };
    for (const Case& c : cases) {
        RecordingFrame f;
        f.BeginUpdate();
        for (const auto& [lat, lon] : c.points)
            f.AddPoint(lat, lon, QStringLiteral("1"), QString(), TMapColor::Red);
        const QString s = MapScript::ZoomToRoute(f);
        if (c.center.isEmpty())
            EXPECT_TRUE(s.isEmpty()) << c.what;
        else
            EXPECT_TRUE(s.endsWith(c.center)) << c.what << ": " << s.toStdString();
    }
}

TEST(MapScript, TileSourceIsOneStatementOfLiterals)
{
    EXPECT_EQ(MapScript::TileSource(QStringLiteral("https://t/{z}/{x}/{y}.png"), QStringLiteral("© \"OSM\"")),
              QStringLiteral(R"(var MapTileUrl = "https://t/{z}/{x}/{y}.png"; var MapTileAttribution = "© \"OSM\"";)"));
}

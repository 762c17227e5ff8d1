#include <gtest/gtest.h>

#include "recordingframe.h"

TEST(MapFrameCore, PointsOutsideAnUpdateAreDrawnOneByOne)
{
    RecordingFrame f;
    EXPECT_EQ(f.AddPoint(1, 2, QStringLiteral("1"), QStringLiteral("a"), TMapColor::Red), 0);
    EXPECT_EQ(f.AddPoint(3, 4, QStringLiteral("2"), QStringLiteral("b"), TMapColor::Blue), 1);
    EXPECT_EQ(f.calls, (QStringList{"show 0", "show 1"}));
    EXPECT_EQ(f.events, (QStringList{"added 0", "added 1"}));
    EXPECT_EQ(f.scripts[1], MapScript::LabelScript(*f.GetPoint(0)));  // after its own removal
    EXPECT_EQ(f.GetPoint(1)->Owner, &f);
}

TEST(MapFrameCore, AnUpdateDrawsOnceAtItsOutermostEnd)
{
    RecordingFrame f;
    f.BeginUpdate();
    f.BeginUpdate();
    for (int i = 0; i < 5; ++i)
        f.AddPoint(i, i, QString::number(i), QString(), TMapColor::Red);
    f.EndUpdate();
    EXPECT_TRUE(f.calls.isEmpty());
    EXPECT_TRUE(f.events.isEmpty());
    f.EndUpdate();
    EXPECT_EQ(f.calls, QStringList{"refresh"});
    EXPECT_EQ(f.events, QStringList{"update -1"});
    EXPECT_FALSE(f.Updating());

    // An unbalanced EndUpdate draws again and leaves the count at 0, not below.
    f.EndUpdate();
    f.AddPoint(9, 9, QStringLiteral("9"), QString(), TMapColor::Red);
    EXPECT_EQ(f.calls.last(), "show 5");
}

TEST(MapFrameCore, SwitchesRedrawAtOnceEvenInsideAnUpdate)
{
    RecordingFrame f;
    EXPECT_TRUE(f.ShowPoints());
    EXPECT_TRUE(f.ShowLines());
    f.BeginUpdate();
    f.SetShowLines(false);
    f.SetShowPoints(false);
    EXPECT_EQ(f.calls, (QStringList{"refresh", "refresh"}));
    EXPECT_FALSE(f.ShowLines());
    EXPECT_FALSE(f.ShowPoints());
}

TEST(MapFrameCore, DeletingAndClearing)
{
    RecordingFrame f;
    f.BeginUpdate();
    for (int i = 0; i < 3; ++i)
        f.AddPoint(i, i, QString::number(i), QString(), TMapColor::Red);
    const TMapPoint* middle = f.GetPoint(1);

    f.DeletePoint(middle);
    EXPECT_EQ(f.calls, QStringList{"hide 1"});
    EXPECT_EQ(f.scripts.last(), R"(map.removeTLabelById("1");)");
    EXPECT_EQ(f.PointsCount(), 2);
    EXPECT_EQ(f.GetPoint(1)->Id, "2");

    TMapPoint stranger;
    f.DeletePoint(&stranger);  // not ours: nothing happens
    f.DeletePoint(7);
    f.DeletePoint(-1);
    EXPECT_EQ(f.calls.size(), 1);
    EXPECT_EQ(f.PointsCount(), 2);

    f.ClearPoints();
    EXPECT_EQ(f.PointsCount(), 0);
    EXPECT_EQ(f.events, (QStringList{"deleted 1", "cleared -1"}));
    EXPECT_EQ(f.GetPoint(0), nullptr);
}

TEST(MapFrameCore, RouteFrameIsTheExtentOfThePoints)
{
    struct Case {
        std::vector<std::pair<double, double>> points;  // latitude, longitude
        TCoordsRect rect;
    };
    const std::vector<Case> cases = {
        {{}, {0, 0, 0, 0}},
        {{{54.5, 39.25}}, {39.25, 54.5, 39.25, 54.5}},
        // the first point is neither minimum nor maximum; a later one is both on one axis
        {{{55, 40}, {54, 41}, {56, 39}, {53, 38}}, {38, 53, 41, 56}},
        {{{-10, -20}, {10, 20}}, {-20, -10, 20, 10}},
    };
    for (const Case& c : cases) {
        RecordingFrame f;
        f.BeginUpdate();
        for (const auto& [lat, lon] : c.points)
            f.AddPoint(lat, lon, QString(), QString(), TMapColor::Red);
        EXPECT_EQ(f.GetRouteFrame(), c.rect) << c.points.size();
    }
}

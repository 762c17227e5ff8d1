#include <gtest/gtest.h>

#include <vector>

#include "routes/coords.h"

namespace {
// Builds a coordinate text from its parts so the degree sign and quotes stay readable.
QString text(const char* head, const char* min, const char* sec, const char* tenth)
{
    return QString::fromUtf8(head) + QChar(0x00B0) + QString::fromUtf8(min) + QLatin1Char('\'') +
           QString::fromUtf8(sec) + QLatin1Char('.') + QString::fromUtf8(tenth) + QLatin1Char('"');
}
}  // namespace

TEST(CoordFromText, ReadsTheStoredLayout)
{
    struct Case {
        QString text;
        int32_t value;
    };
    const std::vector<Case> cases = {
        {text("+55", "45", "12", "3"), 2007123},
        {text("-55", "45", "12", "3"), -2007123},
        {text(" 55", "45", "12", "3"), 2007123},
        {text("155", "45", "12", "3"), 5607123},  // hundreds digit where the sign would be
        {text("-00", "30", "00", "0"), -18000},   // the sign belongs to the whole value
        {text("+00", "00", "00", "1"), 1},
        {text("+90", "00", "00", "0"), 3240000},
        {text("+55", "45", "12", "3") + QLatin1Char(' '), 2007123},  // longer texts are read too
        // Bad texts: too short, or fields that are no numbers count as 0 each.
        {text("+55", "45", "12", "3").left(11), 0},
        {QString(), 0},
        {QStringLiteral("- - -"), 0},
        {QStringLiteral("abcdefghijkl"), 0},
        {text("+5x", "45", "12", "3"), 45 * 600 + 123},
        {text("+55", "4x", "12", "3"), 55 * 36000 + 123},
        {text("+55", "45", "1x", "3"), 55 * 36000 + 45 * 600},
        {text("+ 5", "45", "12", "3"), 45 * 600 + 123},
        {text("- 5", "45", "12", "3"), -(45 * 600 + 123)},
        // Only the first point goes: here the seconds field becomes "12." and reads 0.
        {QString::fromUtf8("+5.5\u00B045'12.3\""), 55 * 36000 + 45 * 600},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CoordFromText(c.text), c.value) << c.text.toStdString();
}

TEST(CoordToText, WritesTheStoredLayout)
{
    struct Case {
        int32_t value;
        QString text;
    };
    const std::vector<Case> cases = {
        {0, QStringLiteral("- - -")},
        {2007123, text("+55", "45", "12", "3")},
        {-2007123, text("-55", "45", "12", "3")},
        {1, text("+00", "00", "00", "1")},
        {-1, text("-00", "00", "00", "1")},
        {3240000, text("+90", "00", "00", "0")},
        {-3240000, text("-90", "00", "00", "0")},
        // Longitudes beyond 90 degrees must survive a trip through the unit.
        {3240001, text("+90", "00", "00", "1")},
        {99 * 36000 + 35999, text("+99", "59", "59", "9")},
        {5607123, text("155", "45", "12", "3")},
        {180 * 36000, text("180", "00", "00", "0")},
        // No 12-character form: the sign and three digits do not fit, nor do four digits.
        {-100 * 36000, QString()},
        {1000 * 36000, QString()},
        {INT32_MIN, QString()},
        {INT32_MAX, QString()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CoordToText(c.value), c.text) << c.value;
        if (!c.text.isEmpty() && c.value != 0) {
            EXPECT_EQ(c.text.size(), 12) << c.value;
        }
    }
}

TEST(Coord, TextRoundTrips)
{
    // Every value with a text form reads back as itself: west of -99°59'59.9 to east of 999°.
    for (int32_t v = -(100 * 36000 - 1); v < 1000 * 36000; v += 997) {
        const QString t = CoordToText(v);
        ASSERT_FALSE(t.isEmpty()) << v;
        EXPECT_EQ(CoordFromText(t), v) << v << " " << t.toStdString();
    }
}

// Decimal degrees from GPS exports become tenths of an arc-second, rounded half away from zero
// on the exact decimal value (a double would take 0.0001249999…9 for 0.000125 and round it up).
TEST(CoordFromDegrees, ConvertsExactlyAndRefusesTheRest)
{
    struct Case {
        const char* text;
        bool latitude;
        bool ok;
        int32_t value;
    };
    const std::vector<Case> cases = {
        {"55.753215", true, true, 2007116},  // 2007115.74
        {"55,753215", true, true, 2007116},
        {" +55.753215 ", true, true, 2007116},
        {"-37.5", false, true, -1350000},
        {"37.5W", false, true, -1350000},
        {"w 37.5", false, true, -1350000},
        {"N 55.5", true, true, 1998000},
        {"55.5S", true, true, -1998000},
        {"55.5°", true, true, 1998000},
        {"122.4194", false, true, 4407098},  // 4407098.4
        {"37", false, true, 1332000},
        {"0.000125", true, true, 5},    // 4.5: half goes up
        {"-0.000125", true, true, -5},  // and away from zero
        {"0.0001249999999999999999", true, true, 4},
        {"0.0001250000000000000001", true, true, 5},
        {"90", true, true, 3240000},
        {"180.0", false, true, 6480000},
        {"90.001", true, false, 0},
        {"180.0001", false, false, 0},
        {"55.5E", true, false, 0},   // a letter of the other axis
        {"-55.5S", true, false, 0},  // a sign and a letter
        {"N55.5S", true, false, 0},
        {"55.", true, false, 0},
        {".5", true, false, 0},
        {"55.5.5", true, false, 0},
        {"55 30", true, false, 0},
        {"1e2", true, false, 0},
        {"", true, false, 0},
        {"Нач. шир.", true, false, 0},
    };
    for (const auto& c : cases) {
        int32_t value = 0;
        EXPECT_EQ(CoordFromDegrees(QString::fromUtf8(c.text), c.latitude, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

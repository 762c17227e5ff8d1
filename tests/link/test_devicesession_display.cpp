#include <gtest/gtest.h>

#include <QLocale>

#include "link/presencedisplay.h"
#include "link/regiontracker.h"

// Readable failure output.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

const QString kDash = QStringLiteral("- - -");

TEST(RegionTracker, CarriesOverGrowthAtOnceAndShrinkingAfterTheHoldTime)
{
    int64_t now = 100000;
    RegionTracker rt([&] { return now; });
    EXPECT_EQ(rt.ProgStart(), 0xC00);
    EXPECT_EQ(rt.MemSize(), 0x8000);
    EXPECT_EQ(rt.Ext(), 0x8000);
    int flashHooks = 0, extHooks = 0;
    rt.UpdateFLASHView = [&](bool newRef) { flashHooks += newRef ? 1 : 100; };
    rt.UpdateExtMemView = [&](bool newRef) { extHooks += newRef ? 1 : 100; };

    struct Step {
        int64_t advanceMs;
        int64_t memSize, progStart, ext;
        bool flash, ext_;
        int64_t expMem, expStart, expExt;
    };
    using C = RegionTracker::Change;
    const Step steps[] = {
        // First identification: the last values start at -1, so everything is carried over.
        {0, 0x8000, 0xC00, 0x8000, true, true, 0x8000, 0xC00, 0x8000},
        // Same values within the hold time: nothing.
        {100, 0x8000, 0xC00, 0x8000, false, false, 0x8000, 0xC00, 0x8000},
        // A bigger device: growth is followed at once.
        {100, 0x10000, 0x1000, 0x8000, true, false, 0x10000, 0x1000, 0x8000},
        // Back to the smaller one within 3.5 s of the last check: held.
        {3000, 0x8000, 0xC00, 0x8000, false, false, 0x10000, 0x1000, 0x8000},
        {499, 0x8000, 0xC00, 0x8000, false, false, 0x10000, 0x1000, 0x8000},
        // 3.5 s after the last check: followed.
        {1, 0x8000, 0xC00, 0x8000, true, false, 0x8000, 0xC00, 0x8000},
        // Only the external memory grows: only its view is rebuilt.
        {10, 0x8000, 0xC00, 0x10000, false, true, 0x8000, 0xC00, 0x10000},
        // The device vanishes (all 0): held, then carried over once the hold time has passed.
        {10, 0, 0, 0, false, false, 0x8000, 0xC00, 0x10000},
        {3500, 0, 0, 0, true, true, 0, 0, 0},
        // Growth within the hold time also takes along a value that shrank.
        {10, 0x8000, 0xC00, 0, true, false, 0x8000, 0xC00, 0},
    };
    int expectFlash = 0, expectExt = 0;
    int i = 0;
    for (const Step& s : steps) {
        now += s.advanceMs;
        const C got = rt.Update(s.memSize, s.progStart, s.ext);
        EXPECT_EQ(got, (C{s.flash, s.ext_})) << "step " << i;
        EXPECT_EQ(rt.MemSize(), s.expMem) << "step " << i;
        EXPECT_EQ(rt.ProgStart(), s.expStart) << "step " << i;
        EXPECT_EQ(rt.Ext(), s.expExt) << "step " << i;
        expectFlash += s.flash;
        expectExt += s.ext_;
        EXPECT_EQ(flashHooks, expectFlash) << "step " << i;
        EXPECT_EQ(extHooks, expectExt) << "step " << i;
        ++i;
    }
}

TEST(PresenceDisplay, ValueTexts)
{
    EXPECT_EQ(FormatVarMode(10), QStringLiteral("10  (0x0A)"));
    EXPECT_EQ(FormatVarMode(255), QStringLiteral("255  (0xFF)"));
    EXPECT_EQ(FormatVarMode(0), kDash);

    const struct {
        int temp;
        const char* text;
    } temps[] = {
        {25, "25 °C  (77 °F)"},    {0, "0 °C  (32 °F)"},         {1, "1 °C  (34 °F)"},
        {-1, "-1 °C  (30 °F)"},    {-40, "-40 °C  (-40 °F)"},    {-3, "-3 °C  (27 °F)"},
        {127, "127 °C  (261 °F)"}, {-127, "-127 °C  (-197 °F)"}, {-128, "- - -"},
    };
    for (const auto& t : temps)
        EXPECT_EQ(FormatTemp(t.temp), QString::fromUtf8(t.text)) << t.temp;

    EXPECT_EQ(FormatVoltage(12.4f, QLocale::c()), QStringLiteral("12.4 V"));
    EXPECT_EQ(FormatVoltage(12.4f, QLocale(QLocale::Russian)), QStringLiteral("12,4 V"));
    EXPECT_EQ(FormatVoltage(0.05, QLocale::c()), QStringLiteral("0.1 V"));
    EXPECT_EQ(FormatVoltage(0, QLocale::c()), kDash);
    EXPECT_EQ(FormatVoltage(-1, QLocale::c()), kDash);

    EXPECT_EQ(FormatRtcDate(EncodeRtcDate(2031, 3, 5)), QStringLiteral("05.03.2031"));
    EXPECT_EQ(FormatRtcDate(0), kDash);
    EXPECT_EQ(FormatRtcTime(EncodeRtcTime(7, 8, 9)), QStringLiteral("07:08:09"));
    EXPECT_EQ(FormatRtcTime(EncodeRtcTime(23, 59, 59)), QStringLiteral("23:59:59"));
    // Midnight cannot be told from "no clock".
    EXPECT_EQ(FormatRtcTime(EncodeRtcTime(0, 0, 0)), kDash);
}

TEST(PresenceDisplay, ViewByMode)
{
    TParams two;
    two.Add(pkgStr, QStringLiteral("Serial"), QStringLiteral("ZV-1"));
    two.Add(pkgHex16, QStringLiteral("Status"), QStringLiteral("00A5"));

    struct Case {
        TMode mode;
        uint32_t ext;
        bool withParams;
        QSet<int> groups;
        bool clock, values, params;
    };
    const Case cases[] = {
        {mNone, 0, false, {}, false, false, false},
        {mNone, 0x8000, true, {}, false, false, false},  // stale parameters are not shown
        {mBootloader50, 0, false, {1, 3, 5}, false, false, false},
        {mBootloader51, 0x8000, false, {1, 3, 5}, false, false, false},
        {mBootloader60, 0, true, {1, 3, 5}, false, false, true},
        {mDevice5, 0x8000, false, {2, 3, 4}, true, true, false},
        {mDevice5, 0, false, {3, 4}, true, true, false},
        {mDevice6, 0x8000, true, {2, 3, 4, 8}, true, false, true},
        {mDevice6, 0, true, {3, 4, 8}, true, false, true},
    };
    for (const Case& c : cases) {
        TDeviceInfo info;
        info.Mode = c.mode;
        info.Ext = c.ext;
        info.Name = QStringLiteral("Unit");
        info.MCU = QStringLiteral("ATmega128");
        info.Temp = 25;
        info.Voltage = 12.4f;
        info.VarMode = 10;
        info.DateRTC = EncodeRtcDate(2031, 3, 5);
        info.TimeRTC = EncodeRtcTime(7, 8, 9);
        const PresenceView v = MakePresenceView(info, c.withParams ? two : TParams{}, QLocale::c());
        const auto where = ::testing::Message() << "mode " << int(c.mode) << " ext " << c.ext;
        EXPECT_EQ(v.statusText, QStringLiteral(" Unit")) << where;
        EXPECT_EQ(v.groups, c.groups) << where;
        EXPECT_EQ(v.mcuText, c.mode == mNone ? kDash : QStringLiteral("ATmega128")) << where;
        EXPECT_EQ(v.dateText, c.clock ? QStringLiteral("05.03.2031") : kDash) << where;
        EXPECT_EQ(v.timeText, c.clock ? QStringLiteral("07:08:09") : kDash) << where;
        EXPECT_EQ(v.valuesVisible, c.values) << where;
        EXPECT_EQ(v.tempText, c.values ? QStringLiteral("25 °C  (77 °F)") : kDash) << where;
        EXPECT_EQ(v.voltageText, c.values ? QStringLiteral("12.4 V") : kDash) << where;
        EXPECT_EQ(v.varModeText, c.values ? QStringLiteral("10  (0x0A)") : kDash) << where;
        EXPECT_EQ(v.paramsVisible, c.params) << where;
        if (c.params) {
            ASSERT_EQ(v.paramRows.size(), 3u) << where;
            EXPECT_EQ(v.paramRows[0], std::make_pair(QStringLiteral("Параметр"), QStringLiteral("Значение")));
            EXPECT_EQ(v.paramRows[2], std::make_pair(QStringLiteral("Status"), QStringLiteral("00A5")));
        } else {
            EXPECT_TRUE(v.paramRows.empty()) << where;
        }
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <sstream>

#include "link/commandnames.h"
#include "link/framemonitor.h"

namespace {

TMonitorRecord rec(double seconds, uint16_t addr, uint8_t cmd, TFrameOutcome outcome = TFrameOutcome::Accepted,
                   bool request = true)
{
    TMonitorRecord r;
    r.Frame.Seconds = seconds;
    r.Frame.Port = "COM97";
    r.Frame.Addr = addr;
    r.Frame.Cmd = cmd;
    r.Frame.Outcome = outcome;
    r.Frame.Request = request;
    return r;
}

std::vector<uint16_t> addrs(const TMonitorLog& log)
{
    std::vector<uint16_t> out;
    for (size_t i = 0; i < log.Count(); ++i)
        out.push_back(log.Row(i).Frame.Addr);
    return out;
}

}  // namespace

// The ring keeps the newest frames; what it says leaves the view before a batch is what leaves,
// with and without a filter, so a list model can announce it.
TEST(MonitorLog, RingKeepsTheNewestAndAnnouncesWhatLeaves)
{
    const struct {
        const char* name;
        std::optional<uint16_t> addr;  // filter
        std::vector<size_t> batches;   // frames per batch; frame k has address k % 3
        std::vector<uint16_t> shown;   // addresses shown at the end
    } cases[] = {
        {"fits", {}, {2, 1}, {0, 1, 2}},
        {"wraps in small batches", {}, {3, 3, 1}, {1, 2, 0, 1, 2, 0}},
        {"one batch longer than the ring", {}, {9}, {0, 1, 2, 0, 1, 2}},
        {"filter, wrapping", uint16_t(1), {4, 4, 4}, {1, 1}},
        {"filter matches nothing that leaves", uint16_t(2), {5, 2}, {2, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TMonitorLog log(6);
        TMonitorFilter f;
        f.Addr = c.addr;
        log.SetFilter(f);
        int k = 0;
        for (size_t n : c.batches) {
            std::vector<TMonitorRecord> batch;
            for (size_t i = 0; i < n; ++i, ++k)
                batch.push_back(rec(k * 0.01, uint16_t(k % 3), 4));
            if (n > log.Capacity()) {
                log.Append(batch);
                continue;
            }
            const size_t before = log.Count(), leaving = log.RowsLeavingFor(n), coming = log.Matching(batch);
            log.Evict(n);
            EXPECT_EQ(log.Count(), before - leaving);
            log.Push(batch);
            EXPECT_EQ(log.Count(), before - leaving + coming);
        }
        EXPECT_EQ(addrs(log), c.shown);
        EXPECT_LE(log.Total(), log.Capacity());
    }

    // Times between frames run on across batches and past the ring's turn; a filter changed
    // later shows the kept frames it lets through, in order.
    TMonitorLog log(4);
    log.Append({rec(1.0, 1, 4), rec(1.002, 2, 4), rec(1.0025, 1, 3)});
    log.Append({rec(1.010, 2, 3), rec(1.011, 1, 4)});
    ASSERT_EQ(log.Count(), 4u);
    EXPECT_NEAR(log.Row(0).SincePrevMs, 2.0, 1e-6);
    EXPECT_NEAR(log.Row(2).SincePrevMs, 7.5, 1e-6);
    TMonitorFilter f;
    f.Cmd = 4;
    log.SetFilter(f);
    EXPECT_EQ(addrs(log), (std::vector<uint16_t>{2, 1}));
    log.Clear();
    EXPECT_EQ(log.Count(), 0u);
    log.Append({rec(5.0, 3, 4)});
    EXPECT_LT(log.Row(0).SincePrevMs, 0);  // nothing before it any more
}

TEST(MonitorFilter, AddressCommandAndOutcome)
{
    TMonitorFilter notAccepted;
    notAccepted.Outcomes = uint8_t(0x1F & ~TMonitorFilter::Bit(TFrameOutcome::Accepted));
    TMonitorFilter lostOnly;
    lostOnly.Outcomes = TMonitorFilter::Bit(TFrameOutcome::HungUp);
    TMonitorFilter addr5cmd113;
    addr5cmd113.Addr = 5;
    addr5cmd113.Cmd = 113;
    const struct {
        TMonitorFilter filter;
        TMonitorRecord r;
        bool shown;
    } cases[] = {
        {TMonitorFilter{}, rec(0, 7, 9, TFrameOutcome::BadFrame), true},
        {notAccepted, rec(0, 5, 113, TFrameOutcome::Accepted), false},
        {notAccepted, rec(0, 5, 113, TFrameOutcome::NoAnswer), true},
        {lostOnly, rec(0, 5, 113, TFrameOutcome::HungUp, false), true},
        {lostOnly, rec(0, 5, 113, TFrameOutcome::Refused), false},
        {addr5cmd113, rec(0, 5, 113), true},
        {addr5cmd113, rec(0, 5, 4), false},
        {addr5cmd113, rec(0, 6, 113), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.filter.Matches(c.r), c.shown) << c.r.Frame.Addr << " " << int(c.r.Frame.Cmd);

    const struct {
        const char* text;
        uint32_t max;
        bool ok;
        std::optional<uint32_t> value;
    } fields[] = {
        {"", 0x7FFF, true, std::nullopt},  {"  ", 0x7FFF, true, std::nullopt}, {"12", 0x7FFF, true, 12u},
        {"0x7FFF", 0x7FFF, true, 0x7FFFu}, {"$71", 255, true, 0x71u},          {"12a", 0x7FFF, false, std::nullopt},
        {"-1", 255, false, std::nullopt},  {"256", 255, false, std::nullopt},
    };
    for (const auto& c : fields) {
        bool ok = false;
        EXPECT_EQ(MonitorNumberField(QString::fromLatin1(c.text), c.max, ok), c.value) << c.text;
        EXPECT_EQ(ok, c.ok) << c.text;
    }
}

// What the columns say for a request and its answer; the time of day wraps at midnight.
TEST(MonitorLog, CellTexts)
{
    const struct {
        double seconds;
        const char* text;
    } times[] = {
        {0, "00:00:00.000"}, {3661.0125, "01:01:01.012"}, {86399.9994, "23:59:59.999"}, {86400 + 5.25, "00:00:05.250"}};
    for (const auto& t : times)
        EXPECT_EQ(MonitorTimeText(t.seconds).toStdString(), t.text);

    TMonitorRecord req = rec(45296.789, 300, 113, TFrameOutcome::Refused);
    req.Frame.Bytes = {0x0A, 0xC0};
    TMonitorRecord ans = rec(45296.801, 300, 113, TFrameOutcome::Refused, false);
    ans.RoundTripMs = 12.04;
    ans.SincePrevMs = 12.04;
    const QStringList reqCells = {"12:34:56.789", "", "→", "300", "113 идентификация", "0A C0", "", ""};
    const QStringList ansCells = {"12:34:56.801", "12.0", "←", "300", "113 идентификация", "", "отказ", "12.0"};
    for (int c = 0; c < mcCount; ++c) {
        EXPECT_EQ(MonitorCell(req, c), reqCells[c]) << c;
        EXPECT_EQ(MonitorCell(ans, c), ansCells[c]) << c;
    }
    // A number two families use names both; one nobody uses names none.
    EXPECT_TRUE(CommandName(106).contains(QStringLiteral("КЕСТА")));
    EXPECT_TRUE(CommandName(106).contains(QStringLiteral("САРВЕЛ")));
    EXPECT_EQ(MonitorCell(rec(0, 1, 250), mcCommand), QStringLiteral("250"));

    TMonitorLog log;
    log.Append({req, ans});
    EXPECT_EQ(MonitorRowsText(log, {1}),
              MonitorHeaders().join('\t') + "\n12:34:56.801\t12.0\t←\t300\t113 идентификация\t\tотказ\t12.0\n");
}

// The feed turns each attempt into its two rows, outcome on both; while disabled it takes
// nothing, and its bound drops the oldest attempts and says how many.
TEST(FrameFeed, AttemptsBecomeRequestAndAnswerRows)
{
    TFrameFeed feed(2);
    TFrameEvent e;
    e.Sent = std::chrono::steady_clock::now();
    e.Done = e.Sent + std::chrono::microseconds(7250);
    e.Addr = 5;
    e.Cmd = 4;
    e.Payload = {1, 2};
    e.Outcome = TFrameOutcome::NoAnswer;
    feed.Push(e, "COM97");
    EXPECT_TRUE(feed.Take().empty());

    feed.SetEnabled(true);
    for (uint16_t a = 1; a <= 3; ++a) {
        e.Addr = a;
        feed.Push(e, "COM97");
    }
    uint64_t dropped = 0;
    const auto rows = feed.Take(&dropped);
    EXPECT_EQ(dropped, 1u);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].Frame.Addr, 2);
    EXPECT_TRUE(rows[0].Frame.Request);
    EXPECT_EQ(rows[0].Frame.Bytes, (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(rows[0].Frame.Outcome, TFrameOutcome::NoAnswer);
    EXPECT_FALSE(rows[1].Frame.Request);
    EXPECT_TRUE(rows[1].Frame.Bytes.empty());
    EXPECT_NEAR(rows[1].RoundTripMs, 7.25, 1e-6);
    EXPECT_NEAR((rows[1].Frame.Seconds - rows[0].Frame.Seconds) * 1000, 7.25, 1e-3);
    EXPECT_EQ(rows[3].Frame.Addr, 3);
    EXPECT_TRUE(feed.Take(&dropped).empty());
    EXPECT_EQ(dropped, 0u);
}

// Saved rows read back as they were shown, outcome and round trip included; a file with a
// line that is not a trace line is refused with its number.
TEST(MonitorTrace, SaveAndOpen)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("bus.trace").toStdString();
    TMonitorRecord req = rec(100.5, 5, 113, TFrameOutcome::Refused);
    req.Frame.Bytes = {0xFF};
    TMonitorRecord ans = rec(100.512, 5, 113, TFrameOutcome::Refused, false);
    TMonitorRecord lone = rec(101.0, 7, 4, TFrameOutcome::NoAnswer);  // its answer line is not shown
    TMonitorRecord ok = rec(101.25, 7, 3, TFrameOutcome::Accepted, false);
    ok.Frame.Bytes = {0x33, 0x00};
    TMonitorLog shown;
    shown.Append({req, ans, lone, ok});
    std::string error;
    ASSERT_TRUE(SaveMonitorTrace(shown, path, error)) << error;

    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(),
              "# time/s port > addr cmd payload | < addr cmd outcome answer\n"
              "0.000000 COM97 > 5 113 FF\n"
              "0.012000 COM97 < 5 113 refused\n"
              "0.500000 COM97 > 7 4\n"
              "0.750000 COM97 < 7 3 ok 33 00\n");

    TMonitorLog back(3);  // smaller than the file: keeps its newest frames
    ASSERT_TRUE(LoadMonitorTrace(path, back, error)) << error;
    ASSERT_EQ(back.Count(), 3u);
    EXPECT_EQ(back.Row(0).Frame.Outcome, TFrameOutcome::Refused);
    EXPECT_NEAR(back.Row(0).RoundTripMs, 12.0, 1e-6);
    EXPECT_EQ(back.Row(1).Frame.Outcome, TFrameOutcome::NoAnswer);  // answer of another command
    EXPECT_LT(back.Row(2).RoundTripMs, 0);
    EXPECT_EQ(back.Row(2).Frame.Bytes, (std::vector<uint8_t>{0x33, 0x00}));
    EXPECT_NEAR(back.Row(2).SincePrevMs, 250.0, 1e-6);

    {
        std::ofstream bad(path);
        bad << "# header\n0.1 COM97 > 5 113\n0.2 COM97 < 5 113 maybe\n";
    }
    EXPECT_FALSE(LoadMonitorTrace(path, back, error));
    EXPECT_NE(error.find("line 3"), std::string::npos) << error;
    EXPECT_FALSE(LoadMonitorTrace(dir.filePath("absent").toStdString(), back, error));
    EXPECT_FALSE(error.empty());
}

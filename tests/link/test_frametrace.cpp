#include <gtest/gtest.h>

#include "link/frametrace.h"

// What the writer puts down, the reader takes back; what a person may have mangled is refused
// with the line named.
TEST(FrameTrace, LinesReadBackAndBadOnesAreNamed)
{
    const auto t0 = std::chrono::steady_clock::time_point{} + std::chrono::seconds(100);
    TFrameEvent e;
    e.Sent = t0 + std::chrono::microseconds(1500);
    e.Done = t0 + std::chrono::microseconds(4250);
    e.Addr = 300;
    e.Cmd = 4;
    e.Payload = {0x08, 0x00, 0xFF};
    e.Outcome = TFrameOutcome::Refused;
    const std::string text = FormatTraceLines(e, "COM33", t0);
    EXPECT_EQ(text, "0.001500 COM33 > 300 4 08 00 FF\n0.004250 COM33 < 300 4 refused\n");

    std::string why;
    const auto req = ParseTraceLine(text.substr(0, text.find('\n')), why);
    ASSERT_TRUE(req) << why;
    EXPECT_TRUE(req->Request);
    EXPECT_EQ(req->Addr, 300);
    EXPECT_EQ(req->Cmd, 4);
    EXPECT_EQ(req->Bytes, (std::vector<uint8_t>{0x08, 0x00, 0xFF}));
    const auto ans = ParseTraceLine("0.2 COM33 < 5 113 ok 0a 1B", why);
    ASSERT_TRUE(ans) << why;
    EXPECT_FALSE(ans->Request);
    EXPECT_EQ(ans->Outcome, TFrameOutcome::Accepted);
    EXPECT_EQ(ans->Bytes, (std::vector<uint8_t>{0x0A, 0x1B}));

    const struct {
        const char* line;
        const char* why;  // empty: a comment, no record and no error
    } odd[] = {
        {"# a comment", ""},
        {"   ", ""},
        {"0.1 COM33 < 5 4 lost", "unknown outcome"},
        {"0.1 COM33 > 5 4 123", "is not a byte"},
        {"0.1 COM33 > 5 4 G1", "is not a byte"},
        {"0.1 COM33 >> 5 4", "not a trace line"},
        {"0.1 COM33 > 40000 4", "not a trace line"},
        {"0.1 COM33 > 5 256", "not a trace line"},
        {"COM33 > 5 4", "not a trace line"},
    };
    for (const auto& c : odd) {
        SCOPED_TRACE(c.line);
        EXPECT_FALSE(ParseTraceLine(c.line, why));
        EXPECT_NE(why.find(c.why), std::string::npos) << why;
        EXPECT_EQ(why.empty(), *c.why == 0);
    }
}

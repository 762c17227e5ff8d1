// The device-exchange seam: one command as a value, through a scripted device in place of the
// port, and the nesting presence pause.
#include <gtest/gtest.h>

#include <deque>

#include "link/devicesession.h"

namespace {

// Answers from a script; records what was sent.
class ScriptedDevice : public TTransferLink {
public:
    struct Reply {
        TBlockResult result;
        std::vector<uint8_t> payload;
        TError error = errNoError;
    };
    TBlockResult Exchange(uint8_t cmd, std::span<const uint8_t> payload, std::span<const uint8_t>& answer) override
    {
        sent.push_back({cmd, std::vector<uint8_t>(payload.begin(), payload.end())});
        FLast = replies.front();
        replies.pop_front();
        answer = FLast.payload;
        return FLast.result;
    }
    TError LinkError() const override { return FLast.error; }

    std::deque<Reply> replies;
    std::vector<std::pair<uint8_t, std::vector<uint8_t>>> sent;

private:
    Reply FLast{brOk, {}};
};

TEST(ExchangeSeam, OneCommandGivesOutcomeAnswerAndLinkError)
{
    struct Case {
        TBlockResult result;
        TError error;
        TExchangeOutcome outcome;
        std::vector<uint8_t> answer;
    };
    const Case cases[] = {
        {brOk, errNoError, TExchangeOutcome::Accepted, {0x12, 0x34}},
        {brRefused, errAnswerError, TExchangeOutcome::Refused, {}},
        {brNoAnswer, errTimeOut, TExchangeOutcome::NoAnswer, {}},
        {brGone, errTimeOut, TExchangeOutcome::LinkGone, {}},
        {brOutside, errNoError, TExchangeOutcome::NoAnswer, {}},
    };
    for (const Case& c : cases) {
        ScriptedDevice dev;
        // A refused or failed exchange carries no payload even when the device sent bytes.
        dev.replies.push_back({c.result, c.result == brOk ? c.answer : std::vector<uint8_t>{9, 9}, c.error});
        DeviceSession session;
        session.UseScriptedLink(&dev);
        session.DevAddr = 5;
        const std::vector<uint8_t> payload = {0x06, 0x47};
        const TExchangeResult r = session.Send(0x71, payload);
        EXPECT_EQ(r.Outcome, c.outcome) << int(c.result);
        EXPECT_EQ(r.Accepted(), c.result == brOk);
        EXPECT_EQ(r.Answer, c.answer) << int(c.result);
        EXPECT_EQ(r.LinkError, c.error) << int(c.result);
        ASSERT_EQ(dev.sent.size(), 1u);
        EXPECT_EQ(dev.sent[0].first, 0x71);
        EXPECT_EQ(dev.sent[0].second, payload);
    }
}

TEST(ExchangeSeam, WithoutAPortEveryCommandGoesUnanswered)
{
    DeviceSession session;
    EXPECT_FALSE(session.HasLink());
    const TExchangeResult r = session.Send(0x71);
    EXPECT_EQ(r.Outcome, TExchangeOutcome::NoAnswer);
    EXPECT_EQ(r.LinkError, errNotOpenPort);
    EXPECT_FALSE(session.SendToDevice(0x71, {}, true, true));
    EXPECT_EQ(session.DeviceMode(), mNone);
}

TEST(ExchangeSeam, PausesNestAndOnlyTheOutermostResumes)
{
    DeviceSession session;
    int disabled = 0;
    session.onControlsDisabled = [&] { ++disabled; };
    ScriptedDevice dev;
    dev.replies.push_back({brOk, {}});
    session.UseScriptedLink(&dev);
    {
        TPresencePause outer(session);
        EXPECT_EQ(session.PauseDepth(), 1);
        EXPECT_FALSE(session.PresenceRunning());
        {
            // A routine that pauses for itself, called while paused, leaves presence off.
            TPresencePause inner(session);
            EXPECT_EQ(session.PauseDepth(), 2);
        }
        EXPECT_FALSE(session.PresenceRunning());
        // SendToDevice with presence not paused by the caller brackets itself the same way.
        EXPECT_TRUE(session.SendToDevice(0x08, {}, false, true));
        EXPECT_FALSE(session.PresenceRunning());
    }
    EXPECT_EQ(session.PauseDepth(), 0);
    EXPECT_TRUE(session.PresenceRunning());
    EXPECT_EQ(disabled, 3);
    session.PausePresence();
}

}  // namespace

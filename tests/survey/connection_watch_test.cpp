// The connection watch on timer 1: breaks, recoveries, giving up, and what a session leaves
// in its data file when the instrument goes away.

#include <gtest/gtest.h>

#include "survey/connection_watch.h"
#include "tests/survey/session_support.h"

namespace tm47 {
namespace {

struct Watch : SessionFixture {
    // Timer 1 ticks at its current period until the screen is hidden or `limit` ticks passed.
    void TickUntilHidden(int limit = 100) {
        for (int ticks = 0; !view.hidden && ticks < limit; ++ticks) {
            clock.Advance(link.timerPeriod > 0 ? link.timerPeriod : 100);
            controller.TimerTick();
        }
    }
};

// Giving up on a real link is the whole-session tests'; here the exact markers, the messages
// shown meanwhile and the shutdown order.
TEST_F(Watch, StreamingLinkRecoversThreeTimesThenGivesUp) {
    settings.gpsEnabled = 1;
    settings.outputEnabled = 1;
    OpenStandBy(0);
    clock.Advance(300); // a break is more than 300 ms without a frame
    controller.TimerTick();
    EXPECT_EQ(link.restarts, 0);
    link.instrumentAnswers = false; // unplugged
    TickUntilHidden();
    ASSERT_TRUE(view.hidden);
    EXPECT_EQ(link.restarts, 3);
    EXPECT_EQ(Notes(), (std::vector<std::string>{"X$CONN BREAK", "X$CONN BREAK", "X$CONN BREAK",
                                                 "X$CONN END  "}));
    EXPECT_EQ(view.notice, (std::vector<std::string>{"Connection Terminated",
                                                     "Closing Resources - please wait"}));
    EXPECT_EQ(shutdownSteps, (std::vector<std::string>{"gps", "instrument", "output", "files"}));
    EXPECT_EQ(std::count(view.messageLines.begin(), view.messageLines.end(), "Please Wait..."), 3);
    EXPECT_EQ(view.messageLines.back(), "                  ");
    EXPECT_EQ(readingState, kReadingNormalising);
}

TEST_F(Watch, PolledLinkPollsOnlyAfterAReplyAndRecoversAtTheReadingInterval) {
    settings.readingIntervalMs = 250;
    Open(1);
    controller.TimerTick();
    EXPECT_EQ(link.polls, 1);
    clock.Advance(70);
    controller.TimerTick(); // no reply yet, and not yet 500 ms
    EXPECT_EQ(link.polls, 1);
    link.GoodFrame();
    clock.Advance(70);
    controller.TimerTick();
    EXPECT_EQ(link.polls, 2);

    link.GoodFrame();
    controller.Key('C');
    controller.Key('G');
    controller.TimerTick(); // poll
    clock.Advance(501);
    controller.TimerTick(); // no reply: break 1, recovered
    EXPECT_EQ(link.polledRecoveries, 1);
    EXPECT_EQ(link.timerPeriod, 250);
    EXPECT_EQ(link.state.replyFlag.load(), 1);
    EXPECT_EQ(previousPoint, (std::array<int32_t, 4>{}));
}

// In Monitor: no markers, no files; a calibration under way is told the link is lost.
TEST_F(Watch, MonitorWritesNoMarkersAndTellsTheCalibration) {
    int lost = 0, resets = 0;
    ctx.hooks.calibrationLinkLost = [&] { ++lost; };
    ctx.hooks.resetCalibration = [&] { ++resets; };
    Open(0);
    readingState = kReadingQcEvaluation;
    link.instrumentAnswers = false;
    TickUntilHidden();
    ASSERT_TRUE(view.hidden);
    EXPECT_EQ(link.restarts, 3);
    EXPECT_FALSE(std::filesystem::exists(DataPath()));
    EXPECT_EQ(shutdownSteps, std::vector<std::string>{"instrument"});
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(readingState, kReadingNormalising);
}

TEST_F(Watch, ALostLinkClosesEveryDialogAndNothingIsWrittenAfterIt) {
    OpenStandBy(0);
    link.instrumentAnswers = false;
    view.comment = u"never";
    view.duringDialog = [this] { TickUntilHidden(); };
    controller.Key('C');
    EXPECT_TRUE(view.hidden);
    for (const char* title : {"Create Data File", "Confirm Exit", "Enter Scale", "Display Options",
                              "New Line", "New Station", "Enter Comment"}) {
        EXPECT_TRUE(view.closeRequests.count(title)) << title;
    }
    EXPECT_EQ(Notes().back(), "X$CONN END  ");
}

TEST_F(Watch, LinkGivenUpWhileExitIsAskedEndsTheSessionOnce) {
    OpenStandBy(0);
    link.instrumentAnswers = false;
    view.duringBox = [this] { TickUntilHidden(); };
    view.answers = {MessageAnswer::Closed};
    controller.Key('X');
    EXPECT_TRUE(view.hidden);
    EXPECT_TRUE(view.closeRequests.count("Confirm Exit"));
    EXPECT_EQ(link.stops, 1);
    EXPECT_EQ(session.state, SessionState::Monitor);
}

} // namespace
} // namespace tm47

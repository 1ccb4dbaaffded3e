// The session controller: keys per state, the dispatch, Go and Pause in the three trigger
// modes with their markers, the wheel switch and its failures, Exit, nulling and dialogs.

#include <gtest/gtest.h>

#include "survey/log_session_controller.h"
#include "tests/survey/session_support.h"

namespace tm47 {
namespace {

// The pause keys while logging and Monitor ignoring the Stand By letters are the whole-session
// tests'; here the letters, the highlight keys and the menu letters of each state.
TEST(SessionKeys, EachStateMapsItsOwnKeys) {
    constexpr auto M = SessionState::Monitor;
    constexpr auto S = SessionState::StandBy;
    constexpr auto L = SessionState::Logging;
    // State, pause key setting, key; button index, menu command, highlight move.
    const struct {
        SessionState state;
        int32_t pauseKey;
        uint32_t key;
        int index, menu, move;
    } cases[] = {
        {M, 0, 'c', 0, 0, 0},     {M, 0, 'u', 1, 0, 0},  {M, 0, 'I', 2, 0, 0},
        {M, 0, 'e', 3, 0, 0},     {M, 0, 'X', 4, 0, 0},  {M, 0, 13, 3, 0, 0}, // the highlight
        {M, 0, 9, -1, 0, 1},      {M, 0, 38, -1, 0, -1}, {S, 0, 'g', 0, 0, 0},
        {S, 0, 'L', 1, 0, 0},     {S, 0, 'n', 2, 0, 0},  {S, 0, 'C', 3, 0, 0},
        {S, 0, 'M', 4, 0, 0},     {S, 0, 'x', 5, 0, 0},  {S, 0, 'S', -1, 1101, 0},
        {S, 0, 'u', -1, 1103, 0}, {S, 0, 'I', -1, 0, 0}, {S, 0, 39, -1, 0, 1},
        {S, 0, 37, -1, 0, -1},    {L, 0, 'x', 0, 0, 0},  {L, 2, 9, -1, 0, 0},
        {L, 3, 'p', 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "state " << static_cast<int>(c.state) << " pause key "
                                          << c.pauseKey << " key " << c.key);
        const KeyMapping m = MapSessionKey(c.state, c.pauseKey, 3, c.key);
        EXPECT_EQ(m.index, c.index);
        EXPECT_EQ(m.menuCommand, c.menu);
        EXPECT_EQ(m.highlightMove, c.move);
    }
}

// Auto: recorded readings per beep, computed in floating point.
TEST(SessionDispatch, AutoBeepDivider) {
    for (auto [ms, divider] : {std::pair{200, 3},
                               {100, 5},
                               {1000, 1},
                               {3000, 1},
                               {50, 10},
                               {25, 20},
                               {10, 20},
                               {0, 20}}) {
        EXPECT_EQ(AutoBeepDivider(ms), divider) << ms << " ms";
    }
}

using Controller = SessionFixture;

TEST_F(Controller, OpenSessionLabelsThePauseRowsAndTheHighlightWrapsAroundTheVisibleOne) {
    Open(0);
    EXPECT_EQ((view.labels[{ButtonRow::Pause, 2}]), "TAP ME or press ENTER key to Pause");
    EXPECT_EQ((view.labels[{ButtonRow::Pause, 3}]), "TAP ME or press P key to Pause");
    EXPECT_FALSE(view.RowVisible(ButtonRow::StandBy));
    for (int i = 0; i < 5; ++i) {
        controller.Key(9);
    }
    EXPECT_EQ(session.highlightIndex, 0);
    controller.Key(37);
    EXPECT_EQ(view.highlight, 4);
    EXPECT_FALSE(view.hidden); // moving executes nothing
    controller.Key(13);        // index 4: Exit, at once in Monitor
    EXPECT_TRUE(view.hidden);
}

// Keys of disabled Monitor buttons do nothing; nulling asks only in Stand By; calibrations
// start only from normalised readings and disable the Monitor buttons.
TEST_F(Controller, NullingAndCalibrations) {
    std::vector<int32_t> requests;
    ctx.hooks.requestCalibration = [&](int32_t kind) { requests.push_back(kind); };
    view.monitorEnabled = false; // the instrument is still normalising
    Open(0);
    for (uint32_t key : {'C', 'U', 'X', 'E'}) {
        controller.Key(key);
    }
    EXPECT_EQ(session.state, SessionState::Monitor);
    EXPECT_EQ(view.dialogsRun, 0);
    EXPECT_EQ(readingState, kReadingNormal);
    EXPECT_FALSE(view.hidden);

    view.monitorEnabled = true;
    controller.Key('U');
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_EQ(readingState, kReadingNulling);
    EXPECT_EQ(previousPoint, (std::array<int32_t, 4>{}));
    controller.Key('I');
    EXPECT_TRUE(requests.empty());
    readingState = kReadingNormal;
    controller.Key('E');
    EXPECT_EQ(requests, std::vector<int32_t>{1});
    EXPECT_FALSE(view.monitorEnabled);
    controller.Command(462); // disabled now
    EXPECT_EQ(requests.size(), 1u);

    view.monitorEnabled = true;
    controller.Key('C');
    view.answers = {MessageAnswer::No};
    controller.Key('u');
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].caption, "NULLING");
    EXPECT_EQ(view.boxes[0].text, "DO YOU WANT TO PERFORM NULLING");
    EXPECT_EQ(readingState, kReadingNormal);
    controller.Command(1103); // answered Yes
    EXPECT_EQ(readingState, kReadingNulling);
}

// Decided: a failed switch with the exit declined leaves a usable session; the next Pause and
// the next Go try the switch again. Confirmed, the exit ends the session.
TEST_F(Controller, FailedWheelSwitches) {
    settings.surveyMode = kModeWheel;
    OpenStandBy(0);
    link.instrumentTakesW = false;
    view.answers = {MessageAnswer::No};
    controller.Key('G');
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].caption, "Confirm Exit");
    EXPECT_EQ(view.boxes[0].text, "Exit Logging?");
    EXPECT_EQ(session.state, SessionState::Logging);
    EXPECT_EQ(session.watchMode, 1); // nothing arrives, so nothing is watched
    for (int i = 0; i < 20; ++i) {
        clock.Advance(500);
        controller.TimerTick();
    }
    EXPECT_EQ(link.restarts, 0);

    link.instrumentTakesX = false;
    view.answers = {MessageAnswer::No};
    controller.Key(' ');
    EXPECT_EQ(link.xAttempts, 5);
    EXPECT_EQ(view.boxes.size(), 2u);
    EXPECT_TRUE(view.RowVisible(ButtonRow::Pause, 0));
    link.instrumentTakesX = true;
    controller.Key(' ');
    EXPECT_EQ(session.state, SessionState::StandBy);
    EXPECT_EQ(link.timerPeriod, 70);
    link.instrumentTakesW = true;
    controller.Key('G');
    EXPECT_EQ(link.wheelSwitches, 2);
    EXPECT_EQ(session.state, SessionState::Logging);
    const auto notes = Notes();

    controller.Key(' ');
    link.instrumentTakesW = false;
    view.answers = {MessageAnswer::Yes};
    controller.Key('G');
    EXPECT_TRUE(view.hidden);
    EXPECT_EQ(session.state, SessionState::Monitor);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(Notes().size(), notes.size() + 1); // "$PAUSED", no "$STARTED"
}

// The confirmation itself is the whole-session tests'; here what ends, and in which order.
TEST_F(Controller, ExitEndsInTheShutdownOrderAtOnceInMonitorAndWhenConfirmedInStandBy) {
    settings.gpsEnabled = 1;
    settings.outputEnabled = 1;
    Open(0);
    controller.Key('x');
    EXPECT_FALSE(session.screenActive);
    EXPECT_EQ(shutdownSteps, (std::vector<std::string>{"gps", "instrument", "output"}));
    EXPECT_EQ(view.notice, std::vector<std::string>{"Closing Resources - please wait"});

    // Go and Pause in Auto on a streaming link first: every fourth frame while logging.
    settings.outputEnabled = 0;
    shutdownSteps.clear();
    view.hidden = false;
    OpenStandBy(0);
    controller.Key('G');
    EXPECT_EQ(session.beepDivider, 3);
    EXPECT_EQ(link.state.frameDivisor.load(), 4);
    controller.Key(' ');
    EXPECT_EQ(link.state.frameDivisor.load(), 1);
    EXPECT_EQ(Notes(), (std::vector<std::string>{"X$STARTED   ", "X$PAUSED    "}));
    controller.Command(465); // answered Yes
    EXPECT_TRUE(view.hidden);
    EXPECT_EQ(readingState, kReadingNormalising);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(shutdownSteps, (std::vector<std::string>{"gps", "instrument", "files"}));
    EXPECT_TRUE(view.RowVisible(ButtonRow::Monitor));
}

TEST_F(Controller, CommentNewLineAndTheMenuWriteAndSaveWhatTheyShould) {
    int saves = 0;
    ctx.hooks.saveSettings = [&] { ++saves; };
    OpenStandBy(0);
    view.comment = u"A long comment typed in";
    controller.Key('C');
    view.dialogOk = false;
    controller.Key('C');
    view.dialogOk = true;
    controller.Key('L');
    EXPECT_EQ(saves, 1);
    EXPECT_FALSE(position.advanceArmed);
    view.menuChoice = 1101;
    controller.Key('M');
    EXPECT_EQ(saves, 2);
    view.menuChoice = 1106;
    const int repaints = view.repaints;
    controller.Command(464);
    EXPECT_EQ(view.repaints, repaints + 1);
    EXPECT_EQ(Notes(), std::vector<std::string>{"CA long comm"});
}

} // namespace
} // namespace tm47

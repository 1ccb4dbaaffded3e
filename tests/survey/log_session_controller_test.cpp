// The session controller: keys per state, the dispatch, Go and Pause in the three trigger
// modes with their markers, the wheel switch and its failures, Exit, nulling and dialogs.

#include <gtest/gtest.h>

#include "survey/log_session_controller.h"
#include "tests/survey/session_support.h"

namespace tm47 {
namespace {

struct KeyCase {
    const char* name;
    SessionState state;
    int32_t pauseKey;
    uint32_t key;
    int index;
    int menu;
    int move;
};

TEST(SessionKeys, EachStateMapsItsOwnKeys) {
    constexpr auto M = SessionState::Monitor;
    constexpr auto S = SessionState::StandBy;
    constexpr auto L = SessionState::Logging;
    const KeyCase cases[] = {
        {"Monitor C creates a file", M, 0, 'C', 0, 0, 0},
        {"Monitor lower-case c too", M, 0, 'c', 0, 0, 0},
        {"Monitor U is index 1", M, 0, 'u', 1, 0, 0},
        {"Monitor I", M, 0, 'I', 2, 0, 0},
        {"Monitor E", M, 0, 'e', 3, 0, 0},
        {"Monitor X exits", M, 0, 'X', 4, 0, 0},
        {"Monitor G nothing", M, 0, 'G', -1, 0, 0},
        {"Monitor L nothing", M, 0, 'L', -1, 0, 0},
        {"Monitor N nothing", M, 0, 'N', -1, 0, 0},
        {"Monitor M nothing", M, 0, 'm', -1, 0, 0},
        {"Monitor S nothing", M, 0, 's', -1, 0, 0},
        {"Monitor Enter takes the highlight", M, 0, 13, 3, 0, 0},
        {"Monitor Tab moves on", M, 0, 9, -1, 0, 1},
        {"Monitor Up moves back", M, 0, 38, -1, 0, -1},
        {"Stand By G goes", S, 0, 'g', 0, 0, 0},
        {"Stand By L", S, 0, 'L', 1, 0, 0},
        {"Stand By N", S, 0, 'n', 2, 0, 0},
        {"Stand By C is Comment", S, 0, 'C', 3, 0, 0},
        {"Stand By M", S, 0, 'M', 4, 0, 0},
        {"Stand By X", S, 0, 'x', 5, 0, 0},
        {"Stand By S is Scale", S, 0, 'S', -1, 1101, 0},
        {"Stand By U is Nulling", S, 0, 'u', -1, 1103, 0},
        {"Stand By I nothing", S, 0, 'I', -1, 0, 0},
        {"Stand By Right moves on", S, 0, 39, -1, 0, 1},
        {"Stand By Left moves back", S, 0, 37, -1, 0, -1},
        {"any key: a letter pauses", L, 0, 'L', 0, 0, 0},
        {"any key: X pauses", L, 0, 'x', 0, 0, 0},
        {"any key: Tab pauses", L, 0, 9, 0, 0, 0},
        {"Space setting: Space", L, 1, 32, 0, 0, 0},
        {"Space setting: Enter nothing", L, 1, 13, -1, 0, 0},
        {"Enter setting: Enter", L, 2, 13, 0, 0, 0},
        {"Enter setting: Space nothing", L, 2, 32, -1, 0, 0},
        {"Enter setting: Tab does not move", L, 2, 9, -1, 0, 0},
        {"P setting: P", L, 3, 80, 0, 0, 0},
        {"P setting: p", L, 3, 112, 0, 0, 0},
        {"P setting: G nothing", L, 3, 'G', -1, 0, 0},
    };
    for (const KeyCase& c : cases) {
        const KeyMapping m = MapSessionKey(c.state, c.pauseKey, 3, c.key);
        EXPECT_EQ(m.index, c.index) << c.name;
        EXPECT_EQ(m.menuCommand, c.menu) << c.name;
        EXPECT_EQ(m.highlightMove, c.move) << c.name;
    }
}

TEST(SessionDispatch, MonitorIndicesOneToThreeBecomeNullingAndCalibrations) {
    EXPECT_EQ(CommandForIndex(SessionState::Monitor, 0), SessionCommand::CreateDataFile);
    EXPECT_EQ(CommandForIndex(SessionState::Monitor, 1), SessionCommand::Nulling);
    EXPECT_EQ(CommandForIndex(SessionState::Monitor, 2), SessionCommand::InternalCalibration);
    EXPECT_EQ(CommandForIndex(SessionState::Monitor, 3), SessionCommand::ExternalCalibration);
    EXPECT_EQ(CommandForIndex(SessionState::Monitor, 4), SessionCommand::Exit);
    EXPECT_EQ(CommandForIndex(SessionState::Monitor, 5), SessionCommand::None);
    EXPECT_EQ(CommandForIndex(SessionState::StandBy, 5), SessionCommand::Exit);
    EXPECT_EQ(CommandForIndex(SessionState::Logging, 1), SessionCommand::None);
    EXPECT_EQ(CommandForMenuId(1106), SessionCommand::HideMenu);
    EXPECT_EQ(CommandForMenuId(1100), SessionCommand::None);
    EXPECT_EQ(CommandForMenuId(1107), SessionCommand::None);
}

TEST(SessionBeep, AutoDividerIsComputedInFloatingPoint) {
    const std::pair<int32_t, int32_t> cases[] = {
        {200, 3}, {100, 5}, {1000, 1}, {3000, 1}, {50, 10}, {25, 20}, {10, 20}, {0, 20},
    };
    for (auto [ms, divider] : cases) {
        EXPECT_EQ(AutoBeepDivider(ms), divider) << ms << " ms";
    }
}

using Controller = SessionFixture;

TEST_F(Controller, OpenSessionLabelsEveryButtonAndShowsTheMonitorRow) {
    Open(0);
    EXPECT_EQ((view.labels[{ButtonRow::Monitor, 0}]), "&Cr.File");
    EXPECT_EQ((view.labels[{ButtonRow::StandBy, 5}]), "E&xit");
    EXPECT_EQ((view.labels[{ButtonRow::Pause, 2}]), "TAP ME or press ENTER key to Pause");
    EXPECT_EQ((view.labels[{ButtonRow::Pause, 3}]), "TAP ME or press P key to Pause");
    EXPECT_TRUE(view.RowVisible(ButtonRow::Monitor));
    EXPECT_FALSE(view.RowVisible(ButtonRow::StandBy));
    EXPECT_EQ(session.buttonCount, 5);
    EXPECT_TRUE(session.screenActive);
}

TEST_F(Controller, MonitorIgnoresTheStandByLetters) {
    Open(0);
    for (uint32_t key : {'G', 'L', 'N', 'M', 'S', 'g', 'l', 'n', 'm', 's'}) {
        controller.Key(key);
    }
    EXPECT_EQ(session.state, SessionState::Monitor);
    EXPECT_EQ(view.dialogsRun, 0);
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_EQ(readingState, kReadingNormal);
    EXPECT_FALSE(view.hidden);
}

TEST_F(Controller, HighlightWrapsAroundTheVisibleRowAndEnterRunsIt) {
    Open(0);
    for (int i = 0; i < 5; ++i) {
        controller.Key(9);
    }
    EXPECT_EQ(session.highlightIndex, 0);
    controller.Key(37);
    EXPECT_EQ(session.highlightIndex, 4);
    EXPECT_EQ(view.highlightRow, ButtonRow::Monitor);
    EXPECT_EQ(view.highlight, 4);
    EXPECT_FALSE(view.hidden); // moving executes nothing
    controller.Key(13);        // index 4: Exit, at once in Monitor
    EXPECT_TRUE(view.hidden);
}

TEST_F(Controller, CreateDataFileGoesToStandByAndAnnouncesTheTestFileOnce) {
    settings.writeTestFile = 1;
    Open(0);
    controller.Command(460);
    EXPECT_EQ(session.state, SessionState::StandBy);
    EXPECT_EQ(view.status[StatusField::File], u"File:05141200");
    EXPECT_EQ(view.status[StatusField::State], u"Stand By");
    EXPECT_TRUE(view.RowVisible(ButtonRow::StandBy));
    EXPECT_FALSE(view.RowVisible(ButtonRow::Monitor));
    EXPECT_EQ(session.buttonCount, 6);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].caption, "Test File");
    EXPECT_EQ(view.boxes[0].text, "R4D file enabled");
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "05141200.R4D"));
}

TEST_F(Controller, CancelledCreateDataFileChangesNothing) {
    view.createFile = nullptr;
    Open(0);
    controller.Key('c');
    EXPECT_EQ(session.state, SessionState::Monitor);
    EXPECT_TRUE(view.RowVisible(ButtonRow::Monitor));
    EXPECT_FALSE(view.RowVisible(ButtonRow::StandBy));
    EXPECT_TRUE(view.boxes.empty()); // nothing to announce: the setting did not change
}

TEST_F(Controller, KeysOfDisabledMonitorButtonsDoNothing) {
    view.monitorEnabled = false; // the instrument is still normalising
    Open(0);
    controller.Key('C');
    controller.Key('U');
    EXPECT_EQ(session.state, SessionState::Monitor);
    EXPECT_EQ(view.dialogsRun, 0);
    EXPECT_EQ(readingState, kReadingNormal);
}

TEST_F(Controller, GoAndPauseInAutoOnAStreamingLink) {
    OpenStandBy(0);
    controller.Key('G');
    EXPECT_EQ(session.state, SessionState::Logging);
    EXPECT_EQ(session.beepDivider, 3);
    EXPECT_EQ(link.state.frameDivisor.load(), 4);
    EXPECT_EQ(session.watchMode, 0);
    EXPECT_EQ(view.status[StatusField::State], u"Logging");
    EXPECT_FALSE(view.RowVisible(ButtonRow::StandBy));
    EXPECT_TRUE(view.RowVisible(ButtonRow::Pause, 0));
    EXPECT_EQ(view.highlightRow, ButtonRow::Pause);
    controller.Key(' ');
    EXPECT_EQ(session.state, SessionState::StandBy);
    EXPECT_EQ(link.state.frameDivisor.load(), 1);
    EXPECT_EQ(link.state.frameCounter.load(), 0);
    EXPECT_EQ(session.highlightIndex, 0);
    EXPECT_TRUE(view.RowVisible(ButtonRow::StandBy));
    EXPECT_FALSE(view.RowVisible(ButtonRow::Pause, 0));
    const std::vector<std::string> want = {"X$STARTED   ", "X$PAUSED    "};
    EXPECT_EQ(Notes(), want);
}

TEST_F(Controller, GoInAutoOnAPolledLinkPollsAtTheReadingInterval) {
    settings.readingIntervalMs = 200;
    OpenStandBy(1);
    controller.Key('G');
    EXPECT_EQ(link.timerPeriod, 200);
    EXPECT_EQ(session.beepDivider, 3);
    controller.Command(460);
    EXPECT_EQ(link.timerPeriod, 70);
}

TEST_F(Controller, PauseKeyEnterIgnoresSpaceButEveryTapPauses) {
    settings.pauseKey = 2;
    OpenStandBy(0);
    controller.Key('G');
    EXPECT_TRUE(view.RowVisible(ButtonRow::Pause, 2));
    controller.Key(' ');
    controller.Key('X');
    EXPECT_EQ(session.state, SessionState::Logging);
    controller.Key(13);
    EXPECT_EQ(session.state, SessionState::StandBy);
    controller.Key('G');
    controller.Command(462); // the Enter pause button's own id
    EXPECT_EQ(session.state, SessionState::StandBy);
    controller.Key('G');
    controller.Command(460);
    EXPECT_EQ(session.state, SessionState::StandBy);
}

TEST_F(Controller, AnyKeySettingPausesOnCommandLetters) {
    settings.pauseKey = 0;
    OpenStandBy(0);
    controller.Key('G');
    controller.Key('X'); // Exit in Stand By, a pause here
    EXPECT_EQ(session.state, SessionState::StandBy);
    EXPECT_TRUE(view.boxes.empty());
}

TEST_F(Controller, WheelGoSwitchesWithPleaseWaitAndPauseSwitchesBack) {
    settings.surveyMode = kModeWheel;
    OpenStandBy(0);
    controller.Key('G');
    EXPECT_EQ(link.wheelSwitches, 1);
    EXPECT_EQ(session.state, SessionState::Logging);
    EXPECT_EQ(session.watchMode, 1);
    EXPECT_EQ(session.beepDivider, 5);
    EXPECT_EQ(link.timerPeriod, 0);
    EXPECT_NE(std::find(view.messageLines.begin(), view.messageLines.end(), "Please Wait..."),
              view.messageLines.end());
    controller.Key('p');
    EXPECT_EQ(session.state, SessionState::StandBy);
    EXPECT_EQ(session.watchMode, 0);
    EXPECT_EQ(link.timerPeriod, 70);
    const std::vector<std::string> want = {"X$STARTED   ", "X$PAUSED    "};
    EXPECT_EQ(Notes(), want);
}

TEST_F(Controller, ManualGoHandsOnEveryFrameAndResetsTheLatch) {
    settings.surveyMode = kModeManual;
    OpenStandBy(0);
    session.watchMode = kWatchManualSetup;
    position.manualTriggerLatch = TriggerLatch::Hold;
    controller.Key('G');
    EXPECT_EQ(session.beepDivider, 1);
    EXPECT_EQ(link.state.frameDivisor.load(), 1);
    EXPECT_EQ(position.manualTriggerLatch, TriggerLatch::Idle);
    EXPECT_EQ(session.watchMode, kWatchManualSetup);
}

// Decided: a failed switch with the exit declined leaves a usable session; the next Pause and
// the next Go try the switch again.
TEST_F(Controller, FailedWheelSwitchesWithTheExitDeclinedKeepTheSessionUsable) {
    settings.surveyMode = kModeWheel;
    OpenStandBy(0);
    link.instrumentTakesW = false;
    view.answers = {MessageAnswer::No};
    controller.Key('G');
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].caption, "Confirm Exit");
    EXPECT_EQ(view.boxes[0].text, "Exit Logging?");
    EXPECT_EQ(session.state, SessionState::Logging);
    EXPECT_FALSE(view.hidden);
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
    EXPECT_EQ(session.state, SessionState::Logging);
    EXPECT_TRUE(view.RowVisible(ButtonRow::Pause, 0));
    EXPECT_FALSE(view.RowVisible(ButtonRow::StandBy));

    link.instrumentTakesX = true;
    controller.Key(' ');
    EXPECT_EQ(session.state, SessionState::StandBy);
    EXPECT_EQ(link.timerPeriod, 70);

    link.instrumentTakesW = true;
    controller.Key('G');
    EXPECT_EQ(link.wheelSwitches, 2);
    EXPECT_EQ(session.state, SessionState::Logging);
    controller.Key(' ');
    EXPECT_EQ(session.state, SessionState::StandBy);
    EXPECT_EQ(link.leaveCalls, 3);
}

TEST_F(Controller, FailedWheelSwitchWithTheExitConfirmedEndsTheSession) {
    settings.surveyMode = kModeWheel;
    OpenStandBy(0);
    link.instrumentTakesW = false;
    view.answers = {MessageAnswer::Yes};
    controller.Key('G');
    EXPECT_TRUE(view.hidden);
    EXPECT_EQ(session.state, SessionState::Monitor);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(Notes().empty()); // no "$STARTED"
}

TEST_F(Controller, ExitInMonitorEndsAtOnceInTheShutdownOrder) {
    settings.gpsEnabled = 1;
    settings.outputEnabled = 1;
    Open(0);
    controller.Key('x');
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_TRUE(view.hidden);
    EXPECT_FALSE(session.screenActive);
    const std::vector<std::string> want = {"gps", "instrument", "output"};
    EXPECT_EQ(shutdownSteps, want);
    EXPECT_EQ(view.notice, std::vector<std::string>{"Closing Resources - please wait"});
}

TEST_F(Controller, ExitInStandByAsksAndADeclinedAnswerKeepsLoggingPossible) {
    settings.gpsEnabled = 1;
    OpenStandBy(0);
    view.answers = {MessageAnswer::No};
    controller.Key('X');
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "Exit Logging?");
    EXPECT_FALSE(view.hidden);
    EXPECT_GT(view.repaints, 0);
    EXPECT_TRUE(shutdownSteps.empty());
    controller.Key('G');
    EXPECT_EQ(session.state, SessionState::Logging);
    controller.Key(' ');

    view.answers = {MessageAnswer::Yes};
    controller.Command(465);
    EXPECT_TRUE(view.hidden);
    EXPECT_EQ(session.state, SessionState::Monitor);
    EXPECT_EQ(readingState, kReadingNormalising);
    EXPECT_FALSE(file.IsOpen());
    const std::vector<std::string> want = {"gps", "instrument", "files"};
    EXPECT_EQ(shutdownSteps, want);
    EXPECT_TRUE(view.RowVisible(ButtonRow::Monitor));
    EXPECT_FALSE(view.RowVisible(ButtonRow::StandBy));
}

TEST_F(Controller, NullingAsksInStandByButNotInMonitor) {
    Open(0);
    controller.Key('U');
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_EQ(readingState, kReadingNulling);
    EXPECT_EQ(previousPoint, (std::array<int32_t, 4>{}));

    readingState = kReadingNormal;
    controller.Key('C');
    view.answers = {MessageAnswer::No};
    controller.Key('u');
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].caption, "NULLING");
    EXPECT_EQ(view.boxes[0].text, "DO YOU WANT TO PERFORM NULLING");
    EXPECT_EQ(readingState, kReadingNormal);
    view.answers = {MessageAnswer::Yes};
    controller.Command(1103);
    EXPECT_EQ(readingState, kReadingNulling);
}

TEST_F(Controller, CalibrationsStartOnlyFromNormalisedReadings) {
    std::vector<int32_t> requests;
    ctx.hooks.requestCalibration = [&](int32_t kind) { requests.push_back(kind); };
    Open(0);
    readingState = kReadingNulling;
    controller.Key('I');
    EXPECT_TRUE(requests.empty());
    readingState = kReadingNormal;
    controller.Key('E');
    EXPECT_EQ(requests, std::vector<int32_t>{1});
    EXPECT_FALSE(view.monitorEnabled);
    controller.Command(462); // disabled now
    EXPECT_EQ(requests.size(), 1u);
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
    const std::vector<std::string> want = {"CA long comm"};
    EXPECT_EQ(Notes(), want);
}

} // namespace
} // namespace tm47

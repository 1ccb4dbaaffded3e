// The session controller and the connection watch on timer 1, with everything around them
// faked except the data file: a real DataFile in a temporary folder takes the markers, so the
// tests read back what the operator's file holds.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datafile/data_file.h"
#include "datafile/record_writers.h"
#include "instrument/reading.h"
#include "platform/clock.h"
#include "survey/connection_watch.h"
#include "survey/log_session_controller.h"
#include "tests/datafile/temp_dir_support.h"
#include "tests/survey/fake_session_view.h"

namespace tm47 {
namespace {

// Auto: recorded readings per beep, computed in floating point, at least 1 and at most 20.
TEST(SessionDispatch, AutoBeepDivider) {
    for (auto [ms, divider] :
         {std::pair{200, 3}, {1000, 1}, {3000, 1}, {50, 10}, {25, 20}, {0, 20}}) {
        EXPECT_EQ(AutoBeepDivider(ms), divider) << ms << " ms";
    }
}

// The instrument link as the session sees it; the instrument answers as the test says.
struct FakeSessionLink final : SessionLink {
    explicit FakeSessionLink(ManualClock& c) : clock(c) {}
    LinkState& State() override { return state; }
    void StartTimer1(int periodMs) override { timerPeriod = periodMs; }
    void KillTimer1() override { timerPeriod = 0; }
    void PollTick() override { state.replyFlag = 0; }
    // A streaming link: the instrument answers the restart, or not (3 s of handshake rounds).
    int RestartLink() override {
        ++restarts;
        clock.Advance(answers ? 150 : 3150);
        StartTimer1(answers ? InstrumentLink::kStreamingWatchMs : InstrumentLink::kRestartRetryMs);
        state.lastFrameTick = clock.Tick();
        return answers ? 1 : 0;
    }
    int RecoverPolledLink() override { return answers ? 1 : 0; }
    bool EnterWheelMode() override {
        state.replyFlag = 0;
        KillTimer1();
        clock.Advance(takesW ? 1000 : 0);
        return takesW;
    }
    bool LeaveWheelMode() override {
        state.frameCounter = 0;
        state.frameDivisor = 1;
        xAttempts += takesX ? 1 : 5; // the link's five tries
        if (takesX) {
            StartTimer1(InstrumentLink::kStandByPollMs);
            state.replyFlag = 1;
            state.lastFrameTick = clock.Tick();
        }
        return takesX;
    }
    void Stop() override { ++stops; }
    void WaitMs(uint32_t ms) override { clock.Advance(ms + 1); }

    ManualClock& clock;
    LinkState state;
    bool answers = true, takesW = true, takesX = true;
    int timerPeriod = 0, restarts = 0, xAttempts = 0, stops = 0;
};

struct SessionFixture : ::testing::Test {
    ManualClock clock{1000};
    Settings settings;
    LogSession session;
    SurveyPosition position;
    TempDir dir;
    DataFile file;
    RecordContext records{settings, file, clock};
    ReadingProcessor readings;
    std::array<int32_t, 4> previousPoint{1, 1, 1, 1};
    FakeSessionLink link{clock};
    FakeSessionView view;
    std::vector<std::string> shutdownSteps;
    SessionContext ctx{clock,         settings, session, position, records, readings,
                       previousPoint, link,     view,    {},       {}};
    ConnectionWatch watch{ctx};
    LogSessionController controller{ctx, watch};

    // A shutdown step that notes its name, and whether the data file is still open, then acts.
    std::function<void()> Step(std::string name, std::function<void()> act = {}) {
        return [this, name, act] {
            shutdownSteps.push_back(file.IsOpen() ? name + ", open" : name);
            if (act) {
                act();
            }
        };
    }
    std::filesystem::path DataPath() const { return dir.Path() / "05141200.R47"; }

    void SetUp() override {
        readings.NormalisationDone();
        // GPS records may still be on their way into the data file: it must still be open.
        ctx.shutdown = {Step("gps"), Step("instrument", [this] { link.Stop(); }), Step("output"),
                        Step("files", [this] { file.Close(); })};
        view.createFile = [this] { file.Create(DataPath(), settings.writeTestFile == 1); };
    }

    // The session on a streaming link as the Monitor/Log start leaves it: readings normalised,
    // watch armed.
    void Open() {
        link.state.linkMode = 0; // streaming
        link.StartTimer1(500);
        link.state.lastFrameTick = clock.Tick();
        link.state.replyFlag = 1;
        controller.OpenSession();
    }

    void OpenStandBy() {
        Open();
        controller.Key('C');
        ASSERT_EQ(session.state, SessionState::StandBy);
    }

    // Timer 1 ticks at its current period until the screen is hidden or `limit` ticks passed.
    void TickUntilHidden(int limit = 100) {
        for (int ticks = 0; !view.hidden && ticks < limit; ++ticks) {
            clock.Advance(link.timerPeriod > 0 ? link.timerPeriod : 100);
            controller.TimerTick();
        }
    }

    // The note records ('X' markers, 'C' comments) of the data file, letter + 11 characters.
    std::vector<std::string> Notes() const {
        const std::string bytes = ReadAll(DataPath());
        std::vector<std::string> out;
        for (std::size_t at = 0; at + kRecordLength <= bytes.size(); at += kRecordLength) {
            if (bytes[at] == 'X' || bytes[at] == 'C') {
                out.push_back(bytes.substr(at, 12));
            }
        }
        return out;
    }
};

using Controller = SessionFixture;
using Watch = SessionFixture;

// The Pause rows are labelled and the highlight wraps around the visible row. Keys of
// disabled Monitor buttons do nothing; nulling asks only in Stand By; calibrations start only
// from normalised readings and disable the Monitor buttons.
TEST_F(Controller, PauseLabelsWrappingHighlightNullingAndCalibrations) {
    std::vector<int32_t> requests;
    ctx.hooks.requestCalibration = [&](int32_t kind) { requests.push_back(kind); };
    view.monitorEnabled = false; // the instrument is still normalising
    Open();
    EXPECT_EQ((view.labels[{ButtonRow::Pause, 2}]), "TAP ME or press ENTER key to Pause");
    EXPECT_EQ((view.labels[{ButtonRow::Pause, 3}]), "TAP ME or press P key to Pause");
    controller.Key(37); // left from index 0
    EXPECT_EQ(view.highlight, 4);
    for (uint32_t key : {'C', 'U', 'E'}) {
        controller.Key(key);
    }
    EXPECT_EQ(session.state, SessionState::Monitor);
    EXPECT_EQ(view.dialogsRun, 0);
    EXPECT_EQ(readings.State(), ReadingState::Normal);

    view.monitorEnabled = true;
    controller.Key('U');
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_EQ(readings.State(), ReadingState::Nulling);
    EXPECT_EQ(previousPoint, (std::array<int32_t, 4>{}));
    controller.Key('I');
    EXPECT_TRUE(requests.empty());
    readings.NullingDone();
    controller.Key('E');
    EXPECT_EQ(requests, std::vector<int32_t>{1});
    EXPECT_FALSE(view.monitorEnabled);

    view.monitorEnabled = true;
    controller.Key('C');
    view.answers = {MessageAnswer::No};
    controller.Key('u');
    EXPECT_EQ(view.boxes, std::vector<std::string>{"NULLING: DO YOU WANT TO PERFORM NULLING"});
    EXPECT_EQ(readings.State(), ReadingState::Normal);
}

// A failed switch to the wheel asks to exit: declined, the session goes on logging; confirmed,
// the exit ends the session and closes the file after the "$PAUSED" marker.
TEST_F(Controller, FailedWheelSwitchAsksToExit) {
    settings.surveyMode = kModeWheel;
    OpenStandBy();
    link.takesW = false;
    view.answers = {MessageAnswer::No};
    controller.Key('G');
    EXPECT_EQ(view.boxes, std::vector<std::string>{"Confirm Exit: Exit Logging?"});
    EXPECT_EQ(session.state, SessionState::Logging);
    EXPECT_EQ(session.Watch(), WatchMode::Wheel); // nothing arrives, so nothing is watched
    const std::size_t notes = Notes().size();

    controller.Key(' ');
    view.answers = {MessageAnswer::Yes};
    controller.Key('G');
    EXPECT_TRUE(view.hidden);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(Notes().size(), notes + 1); // "$PAUSED", no "$STARTED"
}

// Giving up on a real link is the whole-session tests'; here the exact markers, the messages
// shown meanwhile and the shutdown order, the same as for a confirmed exit: the GPS and the
// output port stop while the data file is still open.
TEST_F(Watch, StreamingLinkRecoversThreeTimesThenGivesUp) {
    settings.gpsEnabled = 1;
    settings.outputEnabled = 1;
    OpenStandBy();
    clock.Advance(300); // a break is more than 300 ms without a frame
    controller.TimerTick();
    EXPECT_EQ(link.restarts, 0);
    link.answers = false; // unplugged
    TickUntilHidden();
    ASSERT_TRUE(view.hidden);
    EXPECT_EQ(link.restarts, 3);
    EXPECT_EQ(Notes(), (std::vector<std::string>{"X$CONN BREAK", "X$CONN BREAK", "X$CONN BREAK",
                                                 "X$CONN END  "}));
    EXPECT_EQ(view.notice, (std::vector<std::string>{"Connection Terminated",
                                                     "Closing Resources - please wait"}));
    EXPECT_EQ(shutdownSteps, (std::vector<std::string>{"gps, open", "instrument, open",
                                                       "output, open", "files, open"}));
    EXPECT_EQ(std::count(view.messageLines.begin(), view.messageLines.end(), "Please Wait..."), 3);
    EXPECT_EQ(view.messageLines.back(), "                  ");
}

// In Monitor: no markers, no files; a calibration under way is told the link is lost.
TEST_F(Watch, MonitorWritesNoMarkersAndTellsTheCalibration) {
    int lost = 0;
    ctx.hooks.calibrationLinkLost = [&] { ++lost; };
    Open();
    readings.QcAveragingDone();
    link.answers = false;
    TickUntilHidden();
    ASSERT_TRUE(view.hidden);
    EXPECT_FALSE(std::filesystem::exists(DataPath()));
    EXPECT_EQ(shutdownSteps, std::vector<std::string>{"instrument"});
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(readings.State(), ReadingState::Normalising);
}

// The give-up closes every dialog that may be open and ends the session once, also while the
// exit is asked. (A comment dialog open at the give-up, and nothing written after the end
// marker, are the whole-session tests'.)
TEST_F(Watch, GivenUpWhileExitIsAskedClosesEveryDialogAndEndsTheSessionOnce) {
    OpenStandBy();
    link.answers = false;
    view.duringBox = [this] { TickUntilHidden(); };
    view.answers = {MessageAnswer::Closed};
    controller.Key('X');
    EXPECT_TRUE(view.hidden);
    for (const char* title : {"Create Data File", "Confirm Exit", "Enter Scale", "Display Options",
                              "New Line", "New Station", "Enter Comment"}) {
        EXPECT_TRUE(view.closeRequests.count(title)) << title;
    }
    EXPECT_EQ(Notes().back(), "X$CONN END  ");
    EXPECT_EQ(link.stops, 1);
    EXPECT_EQ(session.state, SessionState::Monitor);
}

} // namespace
} // namespace tm47

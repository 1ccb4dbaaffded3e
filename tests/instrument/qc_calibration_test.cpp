#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "instrument/qc_calibration.h"
#include "instrument/reading_processor.h"

namespace tm47 {
namespace {

using Values = std::array<float, 4>;

struct FakeCalibrationView : CalibrationView {
    bool visible = false;
    bool timerRunning = false;
    int timerPeriod = 0;
    int redraws = 0;
    void ShowCalibration() override { visible = true; }
    void HideCalibration() override { visible = false; }
    void Redraw() override { redraws++; }
    void StartTimer2(int ms) override {
        timerRunning = true;
        timerPeriod = ms;
    }
    void StopTimer2() override { timerRunning = false; }
};

struct Record {
    char letter;
    Values values;
};

// The reading processing's view and session, with the session handing the QC hooks on.
struct QuietView : ReadingView {
    void ShowMessageLine(const std::string&) override {}
    void EnableMonitorButtons() override {}
    void ShowMode(const std::string&) override {}
    void ShowMarker(const std::string&) override {}
    void ShowInstrumentBattery(const std::string&) override {}
    void ShowChannels(const std::array<std::string, 4>&) override {}
    void ShowHandheldBattery(const std::string&) override {}
};

struct QcSession : ReadingSession {
    QcCheck* check = nullptr;
    const Settings* settings = nullptr;
    bool Logging() const override { return false; }
    bool StandBy() const override { return true; }
    bool DecideRecord(uint8_t) override { return false; }
    uint32_t WriteReading(const FrameBuffer&, const FrameBuffer&) override { return 0; }
    void AdvanceStation(uint8_t) override {}
    void RecordedReadingShown(const Reading&, uint32_t) override {}
    void WriteNullingRecord(const Values&, const Values&) override {}
    void Beep() override {}
    void QcAveragingStarted() override { check->AveragingStarted(settings->antenna); }
    void QcAveragingDone() override { check->AveragingDone(); }
    void QcEvaluate(const Reading& r) override { check->Evaluate(r); }
    int HandheldBatteryPercent() override { return 100; }
};

FrameBuffer Frame(uint8_t letter, int16_t raw) {
    auto hi = static_cast<uint8_t>(static_cast<uint16_t>(raw) >> 8);
    auto lo = static_cast<uint8_t>(raw & 0xFF);
    return {letter, 0, hi, lo, hi, lo, hi, lo, hi, lo, 0x0B, 0xB8, 80, 0x7F, 0, 0};
}

Reading At(uint8_t letter, Values channels) {
    Reading r;
    r.letter = letter;
    r.channel = channels;
    return r;
}

// Tolerances are 0.1 x the float reference, so compare to within a few float steps.
void ExpectTolerances(const CalibrationState& cal, std::array<double, 5> expected) {
    for (int i = 0; i < 5; ++i) {
        EXPECT_FLOAT_EQ(cal.tolerances[i], static_cast<float>(expected[i])) << "column " << i;
    }
}

struct QcCheckTest : ::testing::Test {
    Settings settings;
    ManualClock clock{1000};
    int32_t readingState{kReadingNormal};
    ReadingProcessor processor;
    QuietView readingView;
    QcSession session;
    FakeCalibrationView view;
    std::vector<Record> records;
    std::vector<bool> buttonStates;
    int closedCalls = 0;
    QcCheck check{processor.normalisation, processor.nulling, readingState, clock,
                  CalibrationHooks{[this](char l, const Values& v) {
                                       records.push_back({l, v});
                                   },
                                   [this](bool on) { buttonStates.push_back(on); },
                                   [this] { closedCalls++; }}};

    void SetUp() override {
        check.AttachView(&view);
        session.check = &check;
        session.settings = &settings;
        processor.normalisation.nullOffsets = {1.5f, 2.5f, 3.5f, 4.5f};
    }

    // One frame through the real reading processing.
    void Feed(FrameBuffer frame) {
        int32_t state = readingState;
        const int32_t before = state;
        ReadingContext ctx{settings, clock, state, 0, true, 5};
        processor.HandleFrame(frame, ctx, readingView, session);
        if (state != before) {
            readingState = state;
        }
    }

    // Command, 51 averaging frames, the window at step 0.
    void StartCheck(int32_t kind, int32_t antenna) {
        settings.antenna = antenna;
        check.Request(kind);
        for (int i = 0; i < 51; ++i) {
            Feed(Frame('T', 40));
        }
    }

    std::vector<std::string> Lines() const { return ComposeCalibrationScreen(check.state).lines; }
};

TEST_F(QcCheckTest, InternalCheckPassesShowsValuesAndWritesOneRecord) {
    StartCheck(kQcKindInternal, 0);
    EXPECT_EQ(readingState, kReadingQcEvaluation);
    EXPECT_TRUE(view.visible);
    EXPECT_EQ(buttonStates, std::vector<bool>{false});
    CalibrationScreen s = ComposeCalibrationScreen(check.state);
    EXPECT_EQ(s.title, "Internal QC Coil Calibration");
    EXPECT_EQ(s.lines,
              (std::vector<std::string>{"Please tap OK button and", "then press QC Coil button",
                                        "and hold for 5 seconds"}));
    EXPECT_TRUE(s.okEnabled);
    EXPECT_EQ(s.focusedButton, 0);

    check.Evaluate(At('T', {-4608, -3574, -2096, -784})); // step 0: not evaluated
    check.Command(0);
    EXPECT_EQ(check.state.step, 1);
    EXPECT_TRUE(view.timerRunning);
    EXPECT_EQ(view.timerPeriod, 1000);
    s = ComposeCalibrationScreen(check.state);
    EXPECT_EQ(s.lines, (std::vector<std::string>{"Waiting for Calibration values",
                                                 "(you may cancel at any time)", " 0 of 60"}));
    EXPECT_FALSE(s.okEnabled);
    EXPECT_EQ(s.focusedButton, 1);

    check.Evaluate(At('T', {-4600.5f, -3570.3f, -2100.0f, -790.0f})); // response seen
    EXPECT_EQ(check.state.step, 1);
    check.Evaluate(At('T', {-4600.5f, -3570.3f, -2100.0f, -790.0f}));
    EXPECT_EQ(check.state.step, 2);
    EXPECT_FALSE(view.timerRunning);
    s = ComposeCalibrationScreen(check.state);
    EXPECT_EQ(s.lines, (std::vector<std::string>{"Calibration values", "Channel 1:  -4600.5",
                                                 "Channel 2:  -3570.3", "Channel 3:  -2100.0",
                                                 "Channel 4:   -790.0", "CALIBRATION OK",
                                                 "tap any button or press <enter>"}));
    EXPECT_EQ(s.boldLine, 5);
    EXPECT_TRUE(s.okEnabled);

    // Drawing the result again and more frames write nothing more.
    ComposeCalibrationScreen(check.state);
    check.Evaluate(At('T', {-4600.5f, -3570.3f, -2100.0f, -790.0f}));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].letter, 'I');
    EXPECT_EQ(records[0].values, (Values{-4600.5f, -3570.3f, -2100.0f, -790.0f}));
    EXPECT_EQ(check.state.lastQcLetter, 'I');
    EXPECT_EQ(check.state.lastQcValues, (Values{-4600.5f, -3570.3f, -2100.0f, -790.0f}));

    check.Key(13); // Enter on the focused Cancel closes
    EXPECT_FALSE(view.visible);
    EXPECT_EQ(readingState, kReadingNormal);
    EXPECT_EQ(check.state.step, 0);
    EXPECT_EQ(processor.normalisation.nullOffsets, (Values{1.5f, 2.5f, 3.5f, 4.5f}));
    EXPECT_EQ(buttonStates, (std::vector<bool>{false, true}));
    EXPECT_EQ(closedCalls, 1);
}

TEST_F(QcCheckTest, ResponseThatNeverSettlesFailsAtTheSixthFrame) {
    StartCheck(kQcKindInternal, 0);
    check.Command(0);
    check.Evaluate(At('T', {-4608, 0, 0, 0})); // channel 1 in range: detected
    for (int i = 1; i <= 5; ++i) {
        check.Evaluate(At('T', {-4608, 0, 0, static_cast<float>(i)}));
        EXPECT_EQ(check.state.step, 1) << "frame " << i;
    }
    check.Evaluate(At('T', {-4608, -3574, -2096, 6}));
    EXPECT_EQ(check.state.step, 2);
    EXPECT_EQ(check.state.secondsOrPass, 0);
    const CalibrationScreen s = ComposeCalibrationScreen(check.state);
    EXPECT_EQ(s.lines.at(4), "Channel 4:      6.0");
    EXPECT_EQ(s.lines.at(5), "CALIBRATION FAILED");
    EXPECT_EQ(s.boldLine, 5);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].values, (Values{-4608, -3574, -2096, 6}));
}

TEST_F(QcCheckTest, NoResponseTimesOutAfterSixtySecondsWithoutARecord) {
    StartCheck(kQcKindExternal, 0); // row 2
    check.Key('o');
    ASSERT_EQ(check.state.step, 1);
    clock.Advance(1000);
    check.Timer2Tick();
    EXPECT_EQ(Lines().at(2), " 1 of 60");
    clock.Advance(58000);
    check.Timer2Tick();
    EXPECT_EQ(Lines().at(2), "59 of 60");
    EXPECT_TRUE(view.timerRunning);
    check.Evaluate(At('T', {0, 0, 0, 0}));
    clock.Advance(1000);
    check.Timer2Tick();
    EXPECT_EQ(check.state.step, 2);
    EXPECT_EQ(check.state.resultReady, kQcTimedOut);
    EXPECT_FALSE(view.timerRunning);
    const CalibrationScreen s = ComposeCalibrationScreen(check.state);
    EXPECT_EQ(s.title, "External QC Coil Calibration");
    EXPECT_EQ(s.lines, (std::vector<std::string>{"CALIBRATION TIME OUT",
                                                 "tap any button or press <enter>"}));
    EXPECT_EQ(s.boldLine, -1);
    // A late response is not evaluated any more.
    check.Evaluate(At('T', {-3935, -3660, -2486, -1235}));
    check.Evaluate(At('T', {-3935, -3660, -2486, -1235}));
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(check.state.lastQcLetter, 'N');
    check.Command(0); // OK on the result screen closes
    EXPECT_FALSE(view.visible);
    EXPECT_EQ(readingState, kReadingNormal);
}

TEST_F(QcCheckTest, CancelAtEveryStepRestoresThePreviousOffsets) {
    struct Case {
        const char* name;
        int okPresses;
        bool evaluate;
        uint32_t cancelKey; // 0: the Cancel button
        size_t records;
    };
    const Case cases[] = {
        {"instructions", 0, false, 0, 0},
        {"waiting", 1, false, 'c', 0},
        {"waiting, Enter on Cancel", 1, false, 13, 0},
        {"result", 1, true, 'C', 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        records.clear();
        processor.normalisation.nullOffsets = {1.5f, 2.5f, 3.5f, 4.5f};
        StartCheck(kQcKindInternal, 1);
        ASSERT_NE(processor.normalisation.nullOffsets, (Values{1.5f, 2.5f, 3.5f, 4.5f}));
        for (int i = 0; i < c.okPresses; ++i) {
            check.Command(0);
        }
        if (c.evaluate) {
            check.Evaluate(At('T', {-694, -533, -319, -120}));
            check.Evaluate(At('T', {-694, -533, -319, -120}));
            ASSERT_EQ(check.state.step, 2);
        }
        if (c.cancelKey == 0) {
            check.Command(1);
        } else {
            check.Key(c.cancelKey);
        }
        EXPECT_FALSE(view.visible);
        EXPECT_FALSE(view.timerRunning);
        EXPECT_EQ(check.state.step, 0);
        EXPECT_EQ(readingState, kReadingNormal);
        EXPECT_EQ(processor.normalisation.nullOffsets, (Values{1.5f, 2.5f, 3.5f, 4.5f}));
        EXPECT_EQ(records.size(), c.records);
    }
}

TEST_F(QcCheckTest, ReferenceRowIsTwiceTheKindPlusTheAntenna) {
    // Internal with antenna 2 ("0.5 x 0.5 m") takes row 2, the external row of antenna 0.
    StartCheck(kQcKindInternal, 2);
    EXPECT_EQ(check.state.references, (std::array<float, 5>{3935, 3660, 2486, 1235, 386}));
    ExpectTolerances(check.state, {393.5, 366.0, 248.6, 123.5, 38.6});
    check.Command(1);

    // External with antenna 1: row 3.
    StartCheck(kQcKindExternal, 1);
    EXPECT_EQ(check.state.references, (std::array<float, 5>{1052, 929, 644, 320, 64.2f}));
    ExpectTolerances(check.state, {105.2, 92.9, 64.4, 32.0, 6.42});
    check.Command(1);
}

TEST_F(QcCheckTest, ExternalWithAntennaTwoKeepsThePreviousReferences) {
    StartCheck(kQcKindInternal, 1); // row 1
    check.Command(1);
    StartCheck(kQcKindExternal, 2); // row 4 does not exist
    EXPECT_EQ(check.state.references, (std::array<float, 5>{694, 533, 319, 120, 81}));
    ExpectTolerances(check.state, {69.4, 53.3, 31.9, 12.0, 8.1});
    check.Command(0);
    check.Evaluate(At('D', {-694, -533, -319, -81}));
    check.Evaluate(At('D', {-694, -533, -319, -81}));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].letter, 'E');
    EXPECT_EQ(ComposeCalibrationScreen(check.state).lines.at(5), "CALIBRATION OK");
}

// Row 2: tolerances 393.5, 366, 248.6, 123.5 (differential 38.6), all exact but 248.6.
TEST(QcEvaluation, DetectionIsStrictAndTheBoundsAreInclusive) {
    struct Case {
        const char* name;
        uint8_t letter;
        Values channels;
        int expected;
    };
    const Case cases[] = {
        {"all at the references", 'T', {-3935, -3660, -2486, -1235}, kQcPass},
        {"every bound reached", 'T', {-4328.5f, -3294, -2486, -1358.5f}, kQcPass},
        {"lower bounds reached", 'T', {-3541.5f, -4026, -2486, -1111.5f}, kQcPass},
        {"channel 4 past its bound", 'T', {-3935, -3660, -2486, -1359}, kQcGoOn},
        {"channel 2 past its bound", 'T', {-3935, -4026.5f, -2486, -1235}, kQcGoOn},
        {"differential letter D uses 386", 'D', {-3935, -3660, -2486, -386}, kQcPass},
        {"differential letter F uses 386", 'F', {-3935, -3660, -2486, -386}, kQcPass},
        {"differential letter Q past 386", 'Q', {-3935, -3660, -2486, -425}, kQcGoOn},
        {"letter j is differential here", 'j', {-3935, -3660, -2486, -1235}, kQcGoOn},
        {"letter k is differential here", 'k', {-3935, -3660, -2486, -386}, kQcPass},
        {"four-channel letter M uses 1235", 'M', {-3935, -3660, -2486, -386}, kQcGoOn},
        {"letter P uses 1235", 'P', {-3935, -3660, -2486, -1235}, kQcPass},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CalibrationState cal;
        cal.kind = kQcKindInternal;
        ASSERT_TRUE(LoadQcReferences(cal, 2));
        ASSERT_EQ(EvaluateQcFrame(cal, {-3935, 0, 0, 0}, false), kQcGoOn);
        ASSERT_EQ(cal.responseDetected, 1);
        EXPECT_EQ(EvaluateQcFrame(cal, c.channels, IsQcDifferentialLetter(c.letter)), c.expected);
    }

    struct Detection {
        float channel1;
        int32_t detected;
    };
    const Detection detections[] = {
        {-3541.5f, 0}, {-4328.5f, 0}, {-3542.0f, 1}, {-4328.0f, 1}, {3935.0f, 0}};
    for (const Detection& d : detections) {
        SCOPED_TRACE(d.channel1);
        CalibrationState cal;
        LoadQcReferences(cal, 2);
        EXPECT_EQ(EvaluateQcFrame(cal, {d.channel1, -3660, -2486, -1235}, false), kQcGoOn);
        EXPECT_EQ(cal.responseDetected, d.detected);
    }
}

TEST_F(QcCheckTest, SecondCheckInTheSameRunWaitsForTheResponseAgain) {
    StartCheck(kQcKindInternal, 0);
    check.Command(0);
    check.Evaluate(At('T', {-4608, -3574, -2096, -784}));
    check.Evaluate(At('T', {-4608, -3574, -2096, -784}));
    check.Command(0); // OK on the result screen
    ASSERT_EQ(readingState, kReadingNormal);

    StartCheck(kQcKindInternal, 0);
    EXPECT_EQ(check.state.focusedButton, 0);
    EXPECT_EQ(Lines().at(0), "Please tap OK button and");
    check.Key(13); // Enter acts as OK again
    ASSERT_EQ(check.state.step, 1);
    EXPECT_EQ(Lines().at(2), " 0 of 60");
    check.Evaluate(At('T', {-4608, -3574, -2096, -784}));
    EXPECT_EQ(check.state.step, 1) << "the first frame only detects the response";
    check.Evaluate(At('T', {-4608, -3574, -2096, -784}));
    EXPECT_EQ(check.state.step, 2);
    EXPECT_EQ(records.size(), 2u);
}

TEST_F(QcCheckTest, OkDoesNothingWhileWaiting) {
    StartCheck(kQcKindInternal, 0);
    check.Command(0);
    check.Key('O');
    check.Key(9); // focus to the disabled OK, then Enter
    EXPECT_EQ(check.state.focusedButton, 0);
    check.Key(13);
    check.Command(0);
    EXPECT_EQ(check.state.step, 1);
    EXPECT_TRUE(view.visible);
    EXPECT_TRUE(view.timerRunning);
}

TEST_F(QcCheckTest, LinkLostDuringTheCheckRestoresTheSavedOffsets) {
    // During the averaging: the window never showed.
    settings.antenna = 0;
    check.Request(kQcKindInternal);
    for (int i = 0; i < 20; ++i) {
        Feed(Frame('T', 40));
    }
    processor.normalisation.nullOffsets = {9, 9, 9, 9};
    check.LinkLost();
    EXPECT_EQ(processor.normalisation.nullOffsets, (Values{1.5f, 2.5f, 3.5f, 4.5f}));

    // While waiting: the window goes and timer 2 stops.
    readingState = kReadingNormal;
    StartCheck(kQcKindInternal, 0);
    check.Command(0);
    check.LinkLost();
    EXPECT_FALSE(view.visible);
    EXPECT_FALSE(view.timerRunning);
    EXPECT_EQ(processor.normalisation.nullOffsets, (Values{1.5f, 2.5f, 3.5f, 4.5f}));
    EXPECT_TRUE(records.empty());
}

TEST_F(QcCheckTest, LinkLostBeforeTheFirstAveragingFrameKeepsTheOffsets) {
    processor.nulling.qcSavedOffsets = {7, 7, 7, 7}; // from a check long ago
    check.Request(kQcKindInternal);
    check.LinkLost();
    EXPECT_EQ(processor.normalisation.nullOffsets, (Values{1.5f, 2.5f, 3.5f, 4.5f}));
}

TEST_F(QcCheckTest, HeaderLetterFollowsTheLastRecordedCheckOfTheSession) {
    EXPECT_EQ(check.state.lastQcLetter, 'N');
    StartCheck(kQcKindExternal, 1); // row 3
    check.Command(1);               // cancelled: nothing recorded
    EXPECT_EQ(check.state.lastQcLetter, 'N');
    StartCheck(kQcKindExternal, 1);
    check.Command(0);
    check.Evaluate(At('T', {-1052, -929, -644, -320}));
    check.Evaluate(At('T', {-1052, -929, -644, -320}));
    EXPECT_EQ(check.state.lastQcLetter, 'E');
    EXPECT_EQ(check.state.lastQcValues, (Values{-1052, -929, -644, -320}));
    check.ResetForSession();
    EXPECT_EQ(check.state.lastQcLetter, 'N');
}

} // namespace
} // namespace tm47

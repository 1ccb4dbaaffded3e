#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "instrument/qc_calibration.h"

namespace tm47 {
namespace {

using Values = std::array<float, 4>;
const Values kOffsetsBefore{1.5f, 2.5f, 3.5f, 4.5f};

struct FakeCalibrationView : CalibrationView {
    bool visible = false;
    bool timerRunning = false;
    void ShowCalibration() override { visible = true; }
    void HideCalibration() override { visible = false; }
    void Redraw() override {}
    void StartTimer2(int) override { timerRunning = true; }
    void StopTimer2() override { timerRunning = false; }
};

Reading At(uint8_t letter, Values channels) {
    Reading r;
    r.letter = letter;
    r.channel = channels;
    return r;
}

struct QcCheckTest : ::testing::Test {
    ManualClock clock{1000};
    ReadingProcessor readings;
    NormalisationState& normalisation = readings.normalisation;
    NullingState& nulling = readings.nulling;
    FakeCalibrationView view;
    std::vector<std::pair<char, Values>> records; // letter and values of each record
    QcCheck check{readings, clock,
                  CalibrationHooks{[this](char l, const Values& v) {
                                       records.push_back({l, v});
                                   },
                                   [](bool) {}, [] {}}};

    void SetUp() override {
        check.AttachView(&view);
        readings.NormalisationDone();
        normalisation.nullOffsets = kOffsetsBefore;
    }

    // The command and the 51-frame average as the reading processing drives them; the window
    // then shows step 0. Unless `finish`, the check is left averaging.
    void StartCheck(int32_t kind, int32_t antenna, bool finish = true) {
        check.Request(kind);
        EXPECT_EQ(readings.State(), ReadingState::QcAveraging);
        nulling.qcSavedOffsets = normalisation.nullOffsets;
        check.AveragingStarted(antenna);
        normalisation.nullOffsets = {40, 40, 40, 40};
        if (finish) {
            readings.QcAveragingDone();
            check.AveragingDone();
        }
    }

    std::vector<std::string> Lines() const { return ComposeCalibrationScreen(check.state).lines; }
};

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
    EXPECT_EQ(Lines().at(4), "Channel 4:      6.0");
    EXPECT_EQ(Lines().at(5), "CALIBRATION FAILED");
    EXPECT_EQ(ComposeCalibrationScreen(check.state).boldLine, 5);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].second, (Values{-4608, -3574, -2096, 6}));
}

// Cancelled on the instructions, or the link lost while waiting: the window and timer 2 go,
// nothing is recorded and the offsets before the check come back. (Closing after a result is
// the calibration window's GUI test.) A link lost before the first averaging frame, or during
// the averaging, restores the offsets saved for this check only, never an older saving.
TEST_F(QcCheckTest, CancelOrALostLinkRestoresThePreviousOffsets) {
    nulling.qcSavedOffsets = {7, 7, 7, 7};
    check.Request(kQcKindInternal);
    check.LinkLost();
    EXPECT_EQ(normalisation.nullOffsets, kOffsetsBefore);
    StartCheck(kQcKindInternal, 0, false);
    check.LinkLost();
    EXPECT_EQ(normalisation.nullOffsets, kOffsetsBefore);

    for (bool lost : {false, true}) {
        SCOPED_TRACE(lost ? "link lost while waiting" : "Cancel on the instructions");
        StartCheck(kQcKindInternal, 1);
        check.Command(lost ? 0 : 1);
        if (lost) {
            check.LinkLost(); // the reading state is the link restart's
        }
        EXPECT_FALSE(view.visible);
        EXPECT_FALSE(view.timerRunning);
        EXPECT_EQ(check.state.step, 0);
        EXPECT_EQ(readings.State(), lost ? ReadingState::QcEvaluation : ReadingState::Normal);
        EXPECT_EQ(normalisation.nullOffsets, kOffsetsBefore);
        EXPECT_TRUE(records.empty());
    }
}

// Row 2: tolerances 393.5, 366, 248.6, 123.5 (differential 38.6), all exact but 248.6.
TEST(QcEvaluation, DetectionIsStrictAndTheBoundsAreInclusive) {
    const std::tuple<const char*, uint8_t, Values, int> cases[] = {
        {"every bound reached", 'T', {-4328.5f, -3294, -2486, -1358.5f}, kQcPass},
        {"lower bounds reached", 'T', {-3541.5f, -4026, -2486, -1111.5f}, kQcPass},
        {"channel 4 past its bound", 'T', {-3935, -3660, -2486, -1359}, kQcGoOn},
        {"differential letter D uses 386", 'D', {-3935, -3660, -2486, -386}, kQcPass},
        {"letter j is differential here", 'j', {-3935, -3660, -2486, -1235}, kQcGoOn},
        {"four-channel letter M uses 1235", 'M', {-3935, -3660, -2486, -386}, kQcGoOn},
    };
    for (const auto& [name, letter, channels, expected] : cases) {
        SCOPED_TRACE(name);
        CalibrationState cal;
        cal.kind = kQcKindInternal;
        ASSERT_TRUE(LoadQcReferences(cal, 2));
        ASSERT_EQ(EvaluateQcFrame(cal, {-3935, 0, 0, 0}, false), kQcGoOn);
        ASSERT_EQ(cal.responseDetected, 1);
        EXPECT_EQ(EvaluateQcFrame(cal, channels, IsQcDifferentialLetter(letter)), expected);
    }

    // Detection: channel 1 strictly inside the tolerance of its reference.
    for (auto [channel1, detected] :
         {std::pair{-3541.5f, 0}, {-4328.5f, 0}, {-3542.0f, 1}, {-4328.0f, 1}}) {
        CalibrationState cal;
        LoadQcReferences(cal, 2);
        EXPECT_EQ(EvaluateQcFrame(cal, {channel1, -3660, -2486, -1235}, false), kQcGoOn);
        EXPECT_EQ(cal.responseDetected, detected) << channel1;
    }
}

} // namespace
} // namespace tm47

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <tuple>

#include "frame_wire_support.h"
#include "instrument/reading_processor.h"
#include "tests/support/german_locale.h"

namespace tm47 {
namespace {

struct FakeView : ReadingView {
    std::string message, mode, marker, battery;
    std::array<std::string, 4> channels;
    void ShowMessageLine(const std::string& t) override { message = t; }
    void EnableMonitorButtons() override {}
    void ShowMode(const std::string& t) override { mode = t; }
    void ShowMarker(const std::string& t) override { marker = t; }
    void ShowInstrumentBattery(const std::string& t) override { battery = t; }
    void ShowChannels(const std::array<std::string, 4>& t) override { channels = t; }
    void ShowHandheldBattery(const std::string&) override {}
};

struct FakeSession : ReadingSession {
    bool logging = false, standBy = false;
    int written = 0, nullingRecords = 0, qcDone = 0;
    std::array<float, 4> previous{};
    bool Logging() const override { return logging; }
    bool StandBy() const override { return standBy; }
    bool DecideRecord(uint8_t) override { return true; }
    uint32_t WriteReading(const FrameBuffer&, const FrameBuffer&) override { return ++written; }
    void AdvanceStation(uint8_t) override {}
    void RecordedReadingShown(const Reading&, uint32_t) override {}
    void WriteNullingRecord(const std::array<float, 4>&, const std::array<float, 4>& p) override {
        nullingRecords++;
        previous = p;
    }
    void Beep() override {}
    void QcAveragingStarted() override {}
    void QcAveragingDone() override { qcDone++; }
    void QcEvaluate(const Reading&) override {}
    int HandheldBatteryPercent() override { return 87; }
};

using test::Frame; // raw counts on every channel, reference 3000 (Standard, T: x2)

// The processor past its normalisation (98 frames of reference 3000), under the German locale
// where it is installed: the process takes its locale from the environment, and the screen
// still writes a point.
struct Normalised : ::testing::Test {
    const std::string savedLocale = std::setlocale(LC_ALL, nullptr);
    Settings settings;
    ManualClock clock{1000};
    ReadingProcessor processor;
    FakeView view;
    FakeSession session;
    int32_t beepDivider = 5;

    void SetUp() override {
        if (!test::SetGermanLocale(LC_ALL) && test::UnderCi()) {
            FAIL() << test::kNoGermanLocale;
        }
        for (int i = 0; i < 98; ++i) {
            Feed(Frame('T'));
        }
        ASSERT_EQ(processor.State(), ReadingState::Normal);
    }
    void TearDown() override { std::setlocale(LC_ALL, savedLocale.c_str()); }
    void Feed(FrameBuffer f) {
        ReadingContext ctx{settings, clock, 1, true, beepDivider};
        processor.HandleFrame(f, ctx, view, session);
        EXPECT_EQ(f[0], 0) << "the first byte is cleared after every call";
    }
};

// Nulling and the QC check's averaging both average 50 of 51 frames (the first starts the
// accumulator) and record nothing. Nulling writes a record in Stand By only, carrying the offsets
// it replaced: after two in a row, the first one's new offsets, not zeros. The check keeps the
// offsets in use, to put back if it is cancelled.
TEST_F(Normalised, NullingAndQcAveragingAverageFiftyOfFiftyOneFrames) {
    processor.normalisation.nullOffsets = {1, 2, 3, 4};
    const auto average = [&](ReadingState state, int16_t counts) {
        state == ReadingState::Nulling ? processor.StartNulling() : processor.StartQcAveraging();
        processor.nulling.count = 0;
        Feed(Frame('T', 1000));
        for (int i = 0; i < 49; ++i) {
            Feed(Frame('T', counts));
        }
        EXPECT_EQ(view.message, "     Nulling:  50 of 50");
        EXPECT_EQ(processor.State(), state);
        Feed(Frame('T', counts));
    };
    session.logging = true;
    average(ReadingState::Nulling, 10);
    EXPECT_EQ(processor.State(), ReadingState::Normal);
    EXPECT_NEAR(processor.normalisation.nullOffsets[0], 96.666f, 0.01f); // 10 x 4.8333 x 2
    EXPECT_EQ(session.nullingRecords, 0);

    session.logging = false;
    session.standBy = true;
    average(ReadingState::Nulling, 20);
    average(ReadingState::Nulling, 30);
    EXPECT_EQ(session.nullingRecords, 2);
    EXPECT_EQ(session.previous, processor.nulling.previousOffsets);
    EXPECT_NEAR(session.previous[0], 193.333f, 0.01f); // the first one's 20 counts

    const std::array<float, 4> inUse = processor.normalisation.nullOffsets;
    average(ReadingState::QcAveraging, 40);
    EXPECT_EQ(processor.State(), ReadingState::QcEvaluation);
    EXPECT_EQ(session.qcDone, 1);
    EXPECT_EQ(session.nullingRecords, 2);
    EXPECT_EQ(processor.nulling.qcSavedOffsets, inUse);
    EXPECT_EQ(processor.nulling.previousOffsets, inUse);
    EXPECT_EQ(session.written, 0) << "averaged frames are never recorded";
}

// The mode and marker follow the letter; manual logging keeps the marker blank; while a QC
// check evaluates only T, E, M and P count as four-channel letters, and nothing is recorded.
TEST_F(Normalised, StatusTextsFollowTheLetterWithADecimalPoint) {
    // Letter, logging, QC check evaluating, survey mode, mode and marker shown.
    const std::tuple<uint8_t, bool, bool, int, const char*, const char*> cases[] = {
        {'T', false, false, 0, "Mode:4", " "},
        {'k', false, false, 0, "Mode:4", "M"},
        {'K', true, false, 2, "Mode:D", " "},
        {'k', false, true, 0, "Mode:D", nullptr},
    };
    for (const auto& [letter, logging, qc, surveyMode, mode, marker] : cases) {
        session.logging = logging;
        settings.surveyMode = surveyMode;
        if (qc) {
            processor.QcAveragingDone();
        }
        const int written = session.written;
        Feed(Frame(letter, 0, 70));
        EXPECT_EQ(view.mode, mode) << letter;
        if (marker) {
            EXPECT_EQ(view.marker, marker) << letter;
        }
        EXPECT_EQ(session.written, written + (logging && !qc ? 1 : 0)) << letter;
        EXPECT_EQ(view.battery, "B:10.50V");
        EXPECT_EQ(view.channels[0], "Ch1:     0.0");
    }
}

} // namespace
} // namespace tm47

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "frame_wire_support.h"
#include "instrument/reading_processor.h"
#include "tests/support/german_locale.h"

namespace tm47 {
namespace {

struct FakeView : ReadingView {
    std::string message, mode, marker, battery;
    std::array<std::string, 4> channels;
    int enables = 0;
    void ShowMessageLine(const std::string& t) override { message = t; }
    void EnableMonitorButtons() override { enables++; }
    void ShowMode(const std::string& t) override { mode = t; }
    void ShowMarker(const std::string& t) override { marker = t; }
    void ShowInstrumentBattery(const std::string& t) override { battery = t; }
    void ShowChannels(const std::array<std::string, 4>& t) override { channels = t; }
    void ShowHandheldBattery(const std::string&) override {}
};

struct FakeSession : ReadingSession {
    bool logging = false, standBy = false, record = true;
    int written = 0, advanced = 0, shown = 0, beeps = 0, nullingRecords = 0, qcDone = 0;
    std::array<float, 4> nullOffsets{}, previous{};
    FrameBuffer writtenFrame{}, writtenReceived{};
    bool Logging() const override { return logging; }
    bool StandBy() const override { return standBy; }
    bool DecideRecord(uint8_t) override { return record; }
    uint32_t WriteReading(const FrameBuffer& f, const FrameBuffer& r) override {
        writtenFrame = f;
        writtenReceived = r;
        return ++written;
    }
    void AdvanceStation(uint8_t) override { advanced++; }
    void RecordedReadingShown(const Reading&, uint32_t) override { shown++; }
    void WriteNullingRecord(const std::array<float, 4>& o, const std::array<float, 4>& p) override {
        nullingRecords++;
        nullOffsets = o;
        previous = p;
    }
    void Beep() override { beeps++; }
    void QcAveragingStarted() override {}
    void QcAveragingDone() override { qcDone++; }
    void QcEvaluate(const Reading&) override {}
    int HandheldBatteryPercent() override { return 87; }
};

using test::Frame; // raw counts on every channel, reference 3000 (Standard, T: x2)

struct Processor : ::testing::Test {
    Settings settings;
    ManualClock clock{1000};
    ReadingProcessor processor;
    FakeView view;
    FakeSession session;
    bool portrait = true;
    int32_t beepDivider = 5;

    void Feed(FrameBuffer f) {
        ReadingContext ctx{settings, clock, 1, portrait, beepDivider};
        processor.HandleFrame(f, ctx, view, session);
        EXPECT_EQ(f[0], 0) << "the first byte is cleared after every call";
    }
};

TEST_F(Processor, NormalisationShowsPercentagesAndEnablesButtonsAbove90) {
    for (int i = 1; i <= 89; ++i) {
        Feed(Frame('T'));
    }
    EXPECT_EQ(view.message, "Normalization:  90 %");
    EXPECT_EQ(view.enables, 0);
    Feed(Frame('T'));
    EXPECT_EQ(view.message, "Normalization:  91 %");
    EXPECT_EQ(view.enables, 1);
    EXPECT_EQ(session.written, 0) << "nothing is recorded while normalising";
}

struct Normalised : Processor {
    void SetUp() override {
        for (int i = 0; i < 98; ++i) {
            Feed(Frame('T'));
        }
        ASSERT_EQ(processor.State(), ReadingState::Normal);
    }
};

// Nulling and the QC check's averaging both average 50 of 51 frames; nulling records the offsets
// in Stand By only, the check keeps the offsets in use to put back if it is cancelled.
TEST_F(Normalised, NullingAndQcAveragingAverageFiftyOfFiftyOneFrames) {
    const struct {
        ReadingState state;
        bool standBy;
        int nullingRecords, qcDone;
        ReadingState after;
    } cases[] = {{ReadingState::Nulling, true, 1, 0, ReadingState::Normal},
                 {ReadingState::Nulling, false, 0, 0, ReadingState::Normal},
                 {ReadingState::QcAveraging, true, 0, 1, ReadingState::QcEvaluation}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.state));
        session = {};
        session.standBy = c.standBy;
        session.logging = !c.standBy;
        processor.normalisation.nullOffsets = {1, 2, 3, 4};
        if (c.state == ReadingState::Nulling) {
            processor.StartNulling();
        } else {
            processor.StartQcAveraging();
        }
        processor.nulling.count = 0;
        Feed(Frame('T', 1000)); // starts the accumulator, not averaged
        for (int i = 0; i < 49; ++i) {
            Feed(Frame('T', 10));
        }
        EXPECT_EQ(view.message, "     Nulling:  50 of 50");
        EXPECT_EQ(processor.State(), c.state);
        Feed(Frame('T', 10));
        EXPECT_EQ(processor.State(), c.after);
        // 10 counts x 4.8333 x 2, averaged over 50 frames; the 1000-count frame left out.
        EXPECT_NEAR(processor.normalisation.nullOffsets[0], 96.666f, 0.01f);
        EXPECT_EQ(session.nullingRecords, c.nullingRecords);
        EXPECT_EQ(session.qcDone, c.qcDone);
        EXPECT_EQ(session.written, 0) << "averaged frames are never recorded";
    }
    EXPECT_EQ(processor.nulling.qcSavedOffsets, (std::array<float, 4>{1, 2, 3, 4}));
}

// Each nulling record carries the offsets that applied before it: after two nullings in a row
// the second one's previous offsets are the first one's new offsets, not zeros.
TEST_F(Normalised, NullingRecordCarriesTheOffsetsItReplaced) {
    session.standBy = true;
    processor.normalisation.nullOffsets = {1, 2, 3, 4};
    auto null = [&](int16_t counts) {
        processor.StartNulling();
        processor.nulling.count = 0;
        for (int i = 0; i < 51; ++i) {
            Feed(Frame('T', counts));
        }
        ASSERT_EQ(processor.State(), ReadingState::Normal);
    };
    null(10);
    EXPECT_EQ(session.previous, (std::array<float, 4>{1, 2, 3, 4}));
    const std::array<float, 4> first = session.nullOffsets;
    null(20);
    EXPECT_EQ(session.nullingRecords, 2);
    EXPECT_EQ(session.previous, first);
    EXPECT_EQ(processor.nulling.previousOffsets, first);

    // A QC check's averaging keeps the offsets until it ends: the ones before it are kept too.
    processor.StartQcAveraging();
    processor.nulling.count = 0;
    for (int i = 0; i < 51; ++i) {
        Feed(Frame('T', 30));
    }
    EXPECT_EQ(processor.nulling.previousOffsets, session.nullOffsets);
}

// The writer gets the frame as received and the decoded one, which carries the running mean
// (3000.00: 0x0BB8, hundredths 0) in place of the reference and battery.
TEST_F(Normalised, RecordedReadingsGoToTheWriterAndEveryFifthBeeps) {
    session.logging = true;
    for (int audio : {1, 0}) {
        settings.audio = audio;
        for (int i = 0; i < 12; ++i) {
            session.record = i % 2 == 0; // 6 recorded; the others do not count
            Feed(Frame('T', 100, 77));
        }
    }
    EXPECT_EQ(session.written, 12);
    EXPECT_EQ(session.advanced, 12);
    EXPECT_EQ(session.shown, 12);
    EXPECT_EQ(session.beeps, 1);
    EXPECT_EQ(session.writtenReceived, Frame('T', 100, 77));
    const FrameBuffer& decoded = session.writtenFrame;
    EXPECT_EQ((std::array{decoded[10], decoded[11], decoded[12]}),
              (std::array<uint8_t, 3>{0x0B, 0xB8, 0}));
}

// The process takes its locale from the environment; the screen still writes a point.
TEST_F(Normalised, ScreenTextsKeepTheDecimalPointUnderAGermanLocale) {
    const std::string old = std::setlocale(LC_ALL, nullptr);
    TM47_GERMAN_LOCALE_OR_SKIP(LC_ALL);
    Feed(Frame('T', 0, 70));
    std::setlocale(LC_ALL, old.c_str());
    EXPECT_EQ(view.battery, "B:10.50V");
    EXPECT_EQ(view.channels[0], "Ch1:     0.0");
}

// Manual logging keeps the marker blank.
TEST_F(Normalised, StatusTextsFollowTheLetter) {
    struct Case {
        uint8_t letter;
        bool logging;
        int surveyMode;
        const char *mode, *marker, *ch4;
    } cases[] = {
        {'T', false, 0, "Mode:4", " ", "Ch4:"},
        {'N', true, 0, "Mode:D", "M", "ChT:"},
        {'k', false, 0, "Mode:4", "M", "Ch4:"},
        {'K', true, 2, "Mode:D", " ", "ChT:"},
    };
    for (const auto& c : cases) {
        session.logging = c.logging;
        settings.surveyMode = c.surveyMode;
        Feed(Frame(c.letter, 0, 80));
        EXPECT_EQ(view.mode, c.mode) << c.letter;
        EXPECT_EQ(view.marker, c.marker) << c.letter;
        EXPECT_EQ(view.channels[3].substr(0, 4), c.ch4) << c.letter;
    }
    portrait = false;
    Feed(Frame('T'));
    EXPECT_EQ(view.channels[0], "     0.0");

    // While a QC check evaluates, only T, E, M and P count as four-channel letters, and
    // nothing is recorded.
    processor.QcAveragingDone();
    const int written = session.written;
    Feed(Frame('k', 0, 70));
    EXPECT_EQ(view.mode, "Mode:D");
    EXPECT_EQ(view.battery, "B:10.50V");
    EXPECT_EQ(session.written, written);
}

} // namespace
} // namespace tm47

// The logging session without its screen: frames, the exit and its shutdown order, driven
// through fakes of the screen's view interfaces, a real data file and an unopened link.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "instrument/reading.h"
#include "platform/clock.h"
#include "survey/survey_session.h"
#include "tests/datafile/temp_dir_support.h"
#include "tests/survey/fake_session_view.h"

namespace tm47 {
namespace {

class FakeReadingView final : public ReadingView {
public:
    void ShowMessageLine(const std::string& text) override { messages.push_back(text); }
    void EnableMonitorButtons() override { ++buttonsEnabled; }
    void ShowMode(const std::string&) override {}
    void ShowMarker(const std::string&) override {}
    void ShowInstrumentBattery(const std::string&) override {}
    void ShowChannels(const std::array<std::string, 4>&) override {}
    void ShowHandheldBattery(const std::string&) override {}

    std::vector<std::string> messages;
    int buttonsEnabled = 0;
};

class FakeTimer final : public LinkTimer {
public:
    void StartTimer1(int periodMs) override { periodMs_ = periodMs; }
    void KillTimer1() override { periodMs_ = 0; }

private:
    int periodMs_ = 0;
};

// A frame of the streaming link: raw counts 0 on every channel, reference 3000, battery 80.
FrameBuffer QuietFrame() {
    FrameBuffer f{'T', 0};
    f[10] = 0x0B;
    f[11] = 0xB8;
    f[12] = 80;
    f[13] = 0x7F;
    return f;
}

struct SurveySessionTest : ::testing::Test {
    SurveySession& Make() {
        survey = std::make_unique<SurveySession>(
            SurveySessionContext{
                clock,
                settings,
                session,
                position,
                previousPoint,
                readings,
                link,
                outputMode,
                true,
                nullptr,
                [this] { steps.push_back(survey->Data().IsOpen() ? "GPS, file open" : "GPS"); },
                [this] {
                    steps.push_back(survey->Data().IsOpen() ? "output, file open" : "output");
                },
                {}},
            SurveyScreen{view, readingView, timer, LiveSessionHooks{}, {}});
        return *survey;
    }

    ManualClock clock{1000};
    Settings settings;
    LogSession session;
    SurveyPosition position;
    std::array<int32_t, 4> previousPoint{};
    ReadingProcessor readings;
    FakeTimer timer;
    InstrumentLink link{clock, timer, readings};
    OutputMode outputMode = OutputMode::Off;
    FakeSessionView view;
    FakeReadingView readingView;
    std::vector<std::string> steps;
    TempDir dir;
    std::unique_ptr<SurveySession> survey;
};

// The reading processing runs with the screen as its view: the buttons come on near the end
// of the normalisation, and the reading state is then normal.
TEST_F(SurveySessionTest, FramesNormaliseAndEnableTheMonitorButtons) {
    SurveySession& s = Make();
    for (int i = 0; i < kNormalisationWindow; ++i) {
        FrameBuffer f = QuietFrame();
        s.OnFrame(f);
        EXPECT_EQ(f[0], 0) << "frame " << i << " handled";
        if (i == kNormalisationWindow / 2) {
            EXPECT_EQ(readingView.buttonsEnabled, 0);
        }
    }
    EXPECT_GT(readingView.buttonsEnabled, 0);
    ASSERT_FALSE(readingView.messages.empty());
    EXPECT_EQ(readingView.messages.back(), "Normalization: 100 %");
    EXPECT_EQ(readings.State(), ReadingState::Normal);
}

// Exit from Stand By: the GPS, then the output port, each while the data file is still open
// (GPS records may still be on their way into it), then the data file.
TEST_F(SurveySessionTest, ExitStopsGpsThenOutputThenClosesTheDataFile) {
    settings.gpsEnabled = 1;
    settings.outputEnabled = 1;
    SurveySession& s = Make();
    ASSERT_EQ(s.Data().Create(dir.Path() / "LINE1.R47", false), DataFile::CreateResult::Created);
    session.state = SessionState::StandBy;
    view.answers = {MessageAnswer::Yes};

    EXPECT_TRUE(s.Watch().EndSession());

    EXPECT_EQ(steps, (std::vector<std::string>{"GPS, file open", "output, file open"}));
    EXPECT_FALSE(s.Data().IsOpen());
    EXPECT_EQ(session.state, SessionState::Monitor);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "Exit Logging?");
}

// Answering No keeps everything running.
TEST_F(SurveySessionTest, ExitAnsweredNoKeepsTheSession) {
    settings.gpsEnabled = 1;
    SurveySession& s = Make();
    ASSERT_EQ(s.Data().Create(dir.Path() / "LINE1.R47", false), DataFile::CreateResult::Created);
    session.state = SessionState::StandBy;
    view.answers = {MessageAnswer::No};

    EXPECT_FALSE(s.Watch().EndSession());

    EXPECT_TRUE(steps.empty());
    EXPECT_TRUE(s.Data().IsOpen());
    EXPECT_EQ(session.state, SessionState::StandBy);
}

} // namespace
} // namespace tm47

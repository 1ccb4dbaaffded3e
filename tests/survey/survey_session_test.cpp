// The logging session without its screen: the exit and its shutdown order, driven
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

struct FakeReadingView final : ReadingView {
    void ShowMessageLine(const std::string&) override {}
    void EnableMonitorButtons() override {}
    void ShowMode(const std::string&) override {}
    void ShowMarker(const std::string&) override {}
    void ShowInstrumentBattery(const std::string&) override {}
    void ShowChannels(const std::array<std::string, 4>&) override {}
    void ShowHandheldBattery(const std::string&) override {}
};

struct FakeTimer final : LinkTimer {
    void StartTimer1(int) override {}
    void KillTimer1() override {}
};

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
    EXPECT_EQ(view.boxes, std::vector<std::string>{"Confirm Exit: Exit Logging?"});
}

} // namespace
} // namespace tm47

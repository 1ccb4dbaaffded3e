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

// Exit from Stand By: the GPS, then the output port, each while the data file is still open
// (GPS records may still be on their way into it), then the data file.
TEST(SurveySession, ExitStopsGpsThenOutputThenClosesTheDataFile) {
    ManualClock clock{1000};
    Settings settings;
    settings.gpsEnabled = 1;
    settings.outputEnabled = 1;
    LogSession session;
    session.state = SessionState::StandBy;
    SurveyPosition position;
    std::array<int32_t, 4> previousPoint{};
    ReadingProcessor readings;
    FakeTimer timer;
    InstrumentLink link{clock, timer, readings};
    OutputMode outputMode = OutputMode::Off;
    FakeSessionView view;
    view.answers = {MessageAnswer::Yes};
    FakeReadingView readingView;
    std::vector<std::string> steps;
    std::unique_ptr<SurveySession> survey;
    const auto step = [&](const char* what) {
        steps.push_back(what + std::string(survey->Data().IsOpen() ? ", file open" : ""));
    };
    survey = std::make_unique<SurveySession>(
        SurveySessionContext{clock,
                             settings,
                             session,
                             position,
                             previousPoint,
                             readings,
                             link,
                             outputMode,
                             true,
                             nullptr,
                             [&] { step("GPS"); },
                             [&] { step("output"); },
                             {}},
        SurveyScreen{view, readingView, timer, LiveSessionHooks{}, {}});
    TempDir dir;
    ASSERT_EQ(survey->Data().Create(dir.Path() / "LINE1.R47", false),
              DataFile::CreateResult::Created);

    EXPECT_TRUE(survey->Watch().EndSession());

    EXPECT_EQ(steps, (std::vector<std::string>{"GPS, file open", "output, file open"}));
    EXPECT_FALSE(survey->Data().IsOpen());
    EXPECT_EQ(session.state, SessionState::Monitor);
    EXPECT_EQ(view.boxes, std::vector<std::string>{"Confirm Exit: Exit Logging?"});
}

} // namespace
} // namespace tm47

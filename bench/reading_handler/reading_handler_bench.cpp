// One recorded reading through the whole Monitor/Log handler on the offscreen platform:
// decoding, the record decision, the reading record written to a real file, the station
// advance, compression and mapping, the scroll step on the live profile's backing image and
// the status field texts. The instrument delivers about 18.16 readings per second.

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

#include "datafile/record_writers.h"
#include "instrument/link.h"
#include "platform/screen_geometry.h"
#include "profile/profile_scale.h"
#include "survey/logging_wnd.h"

namespace tm47 {
namespace {

struct NoTimer : LinkTimer {
    void StartTimer1(int) override {}
    void KillTimer1() override {}
};

FrameBuffer RecordedFrame(int16_t base) {
    FrameBuffer f{'T', 0};
    for (int i = 0; i < 4; ++i) {
        const auto raw = static_cast<uint16_t>(base + 7 * i);
        f[2 + 2 * i] = static_cast<uint8_t>(raw >> 8);
        f[3 + 2 * i] = static_cast<uint8_t>(raw & 0xFF);
    }
    f[10] = 0x0B;
    f[11] = 0xB8;
    f[12] = 80;
    f[13] = 0x7F;
    return f;
}

void BM_RecordedReadingThroughHandler(benchmark::State& state) {
    const bool portrait = state.range(0) != 0;
    ManualClock clock{1000};
    Settings settings;
    LogSession session;
    SurveyPosition position;
    ReadingProcessor readings;
    NoTimer timer;
    std::array<int32_t, 4> previousPoint{};
    OutputMode outputMode = OutputMode::Off;
    const ScreenGeometry geometry = ComputeScreenGeometry(portrait, 16);
    settings.profilePlotHeight = geometry.profileHeight;
    settings.profilePixelsPerUnit = ProfilePixelsPerUnit(geometry.profileHeight, 0.0f, 500.0f);
    InstrumentLink link(clock, timer, readings);
    std::unique_ptr<SurveySession> owner; // outlives the screen that draws it
    LoggingWnd wnd(LoggingContext{settings, session, geometry, readings, position, previousPoint},
                   nullptr);
    owner = std::make_unique<SurveySession>(SurveySessionContext{clock,
                                                                 settings,
                                                                 session,
                                                                 position,
                                                                 previousPoint,
                                                                 readings,
                                                                 link,
                                                                 outputMode,
                                                                 geometry.portrait,
                                                                 nullptr,
                                                                 {},
                                                                 {},
                                                                 {}},
                                            wnd.ScreenForSession());
    SurveySession& survey = *owner;
    wnd.Attach(survey);
    wnd.SetBatteryReader([] { return 100; });
    for (int i = 0; i < kNormalisationWindow; ++i) {
        FrameBuffer f = RecordedFrame(0);
        survey.OnFrame(f);
    }
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tm47bench" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path path = dir / "BENCH.R47";
    std::filesystem::remove(path);
    if (survey.Data().Create(path, false) != DataFile::CreateResult::Created) {
        state.SkipWithError("cannot create the data file");
        return;
    }
    WriteFileHeader(survey.Records(), HeaderOffsets{});
    WriteLineHeader(survey.Records(), {}, {});
    session.state = SessionState::Logging;

    int16_t base = 0;
    for (auto _ : state) {
        FrameBuffer f = RecordedFrame(base);
        base = static_cast<int16_t>((base + 3) % 40);
        survey.OnFrame(f);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["file_bytes"] = static_cast<double>(survey.Data().DataFileSize());
    survey.Data().Close();
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_RecordedReadingThroughHandler)->Arg(0)->Arg(1)->ArgName("portrait");

} // namespace
} // namespace tm47

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// A Stand By session on a streaming link against the simulated instrument: the real link and
// its reader threads, the session controller and the connection watch, timer 1 played by the
// test thread (which is the GUI thread here). Unplugging breaks the link; replugged, the
// restart brings the frames back and the count starts over; left unplugged, the watch gives
// the link up after its fourth break and nothing of the link is left running.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "instrument/link.h"
#include "sim/instrument_simulator.h"
#include "survey/connection_watch.h"
#include "survey/log_session_controller.h"
#include "tests/survey/session_support.h"

namespace tm47 {
namespace {

using namespace std::chrono_literals;

struct Timer1 : LinkTimer {
    int period = 0; // the GUI thread (the test thread) alone uses it
    void StartTimer1(int ms) override { period = ms; }
    void KillTimer1() override { period = 0; }
};

struct SessionOnSimulator : ::testing::Test {
    SystemClock clock;
    Timer1 timer;
    int32_t readingState = kReadingNormal;
    InstrumentLink link{clock, timer, readingState};
    InstrumentSimulator sim{[] {
        InstrumentConfig c;
        c.delivery = Delivery::Streaming;
        return c;
    }()};
    Settings settings;
    LogSession session;
    SurveyPosition position;
    TempDir dir;
    DataFile file;
    RecordContext records{settings, file, clock};
    ReadingProcessor readings;
    std::array<int32_t, 4> previousPoint{};
    InstrumentSessionLink sessionLink{link, timer, clock};
    FakeSessionView view;
    SessionContext ctx{clock,        settings,      session,     position, records, readings,
                       readingState, previousPoint, sessionLink, view,     {},      {}};
    ConnectionWatch watch{ctx};
    LogSessionController controller{ctx, watch};
    uint64_t frames = 0;

    std::filesystem::path DataPath() const { return dir.Path() / "E2E.R47"; }

    void SetUp() override {
        ASSERT_TRUE(sim.Start());
        link.SetFrameHandler([this](FrameBuffer& f) {
            ++frames;
            f[0] = 0;
        });
        ASSERT_TRUE(link.OpenPort(sim.DevicePath()));
        ASSERT_EQ(link.SendInstrumentCommand('H', 'X'), 1);
        ASSERT_EQ(link.State().linkMode.load(), 0);
        link.StartLink(true);
        view.createFile = [this] { file.Create(DataPath(), false); };
        controller.OpenSession();
        controller.Key('C');
        ASSERT_EQ(session.state, SessionState::StandBy);
    }

    void TearDown() override {
        link.Stop();
        sim.Stop();
    }

    int Breaks() {
        const auto notes = NoteRecords(DataPath());
        return static_cast<int>(std::count(notes.begin(), notes.end(), "X$CONN BREAK"));
    }

    // Plays the GUI thread: hands frames over and runs timer 1 at its period, until `done`
    // or `limit` has passed.
    template <class Done> bool Run(std::chrono::milliseconds limit, Done done) {
        const auto end = std::chrono::steady_clock::now() + limit;
        auto nextTick = std::chrono::steady_clock::now();
        int period = timer.period;
        while (std::chrono::steady_clock::now() < end) {
            if (done()) {
                return true;
            }
            link.Handover().Drain();
            const auto now = std::chrono::steady_clock::now();
            if (timer.period != period) {
                period = timer.period;
                nextTick = now + std::chrono::milliseconds(period);
            }
            if (period > 0 && now >= nextTick) {
                controller.TimerTick(); // may block for a whole restart
                nextTick = std::chrono::steady_clock::now() + std::chrono::milliseconds(period);
                period = timer.period;
            }
            std::this_thread::sleep_for(1ms);
        }
        return done();
    }
};

TEST_F(SessionOnSimulator, UnplugBreaksRestartRecoversAndALastingUnplugGivesUp) {
    // A healthy link is never broken.
    Run(600ms, [] { return false; });
    EXPECT_EQ(Breaks(), 0);
    EXPECT_GT(frames, 5u);

    // Unplugged: the first restart finds no instrument; plugged back in, the next one works.
    sim.Unplug();
    ASSERT_TRUE(Run(8000ms, [&] { return Breaks() == 1; }));
    sim.Replug();
    ASSERT_TRUE(Run(8000ms, [&] { return Breaks() == 2; }));
    const uint64_t before = frames;
    ASSERT_TRUE(Run(3000ms, [&] { return frames >= before + 10; }));
    EXPECT_EQ(link.State().breakCounter.load(), 0); // good frames started the count over
    EXPECT_TRUE(link.ReaderRunning(ReaderKind::Streaming));
    EXPECT_FALSE(view.hidden);

    // Unplugged for good: three more breaks, then the link is given up.
    sim.Unplug();
    ASSERT_TRUE(Run(30000ms, [&] { return view.hidden; }));
    const std::vector<std::string> want = {"X$CONN BREAK", "X$CONN BREAK", "X$CONN BREAK",
                                           "X$CONN BREAK", "X$CONN BREAK", "X$CONN END  "};
    EXPECT_EQ(NoteRecords(DataPath()), want);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].caption, "NO CONNECTION");
    EXPECT_EQ(view.boxes[0].text, "Tap OK or press <ENTER> to Exit Log Mode");
    EXPECT_EQ(session.state, SessionState::Monitor);
    EXPECT_EQ(timer.period, 0);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(link.IsPortOpen());
    EXPECT_FALSE(link.ReaderRunning(ReaderKind::Streaming));
    EXPECT_FALSE(link.ReaderRunning(ReaderKind::Wheel));
    EXPECT_EQ(std::filesystem::file_size(DataPath()) % kRecordLength, 0u);
}

} // namespace
} // namespace tm47

// The logger's link against the simulated instrument over real pseudo-terminals, its reader
// threads run under the thread checker: the streaming reader, the switch to the wheel reader and
// back, and a restart after an unplug. (Whole sessions, polled ones too, are the GUI session
// tests'; the polled reader's exact frames are the link tests'.)

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "instrument/link.h"
#include "sim/instrument_simulator.h"

namespace tm47 {
namespace {

using namespace std::chrono_literals;

struct Timer1 : LinkTimer {
    std::atomic<int> period{0};
    void StartTimer1(int ms) override { period = ms; }
    void KillTimer1() override { period = 0; }
};

TEST(LinkWithSimulator, StreamingWheelAndBackThenUnplugAndRestart) {
    InstrumentConfig config;
    config.delivery = Delivery::Streaming;
    InstrumentSimulator sim(config); // outlives the link
    SystemClock clock;
    Timer1 timer;
    ReadingProcessor readings;
    InstrumentLink link{clock, timer, readings};
    ASSERT_TRUE(sim.Start());
    std::vector<FrameBuffer> frames;
    link.SetFrameHandler([&](FrameBuffer& f) { frames.push_back(f); });
    ASSERT_TRUE(link.OpenPort(sim.DevicePath()));
    ASSERT_EQ(link.SendInstrumentCommand('H', 'X'), 1);
    link.StartLink(true);
    // Plays the GUI thread: drains the hand-over.
    const auto Run = [&](std::chrono::milliseconds d, std::size_t until = SIZE_MAX) {
        const auto end = std::chrono::steady_clock::now() + d;
        while (std::chrono::steady_clock::now() < end && frames.size() < until) {
            link.Handover().Drain();
            std::this_thread::sleep_for(1ms);
        }
    };

    Run(200ms);
    ASSERT_TRUE(link.EnterWheelMode());
    frames.clear();
    sim.WheelTrigger(false);
    sim.WheelTrigger(true);
    Run(2000ms, 2);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0][0], 'T');
    EXPECT_EQ(frames[1][0], 'j');
    ASSERT_TRUE(link.LeaveWheelMode());
    Run(1000ms, 4);
    EXPECT_EQ(frames.size(), 4u) << "streaming again";

    sim.Unplug();
    Run(300ms);
    frames.clear();
    Run(400ms);
    EXPECT_TRUE(frames.empty());
    sim.Replug();
    EXPECT_EQ(link.RestartLink(), 1);
    Run(1000ms, 3);
    EXPECT_EQ(frames.size(), 3u);
    link.Stop();
    sim.Stop();
}

} // namespace
} // namespace tm47

// The logger's link against the simulated instrument over real pseudo-terminals, its reader
// threads run under the thread checker: polled and streaming readers, the switch to the wheel
// reader and back, and a restart after an unplug. (Whole sessions are the GUI session tests'.)

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

struct LinkWithSimulator : ::testing::Test {
    SystemClock clock;
    Timer1 timer;
    int32_t readingState{1};
    InstrumentLink link{clock, timer, readingState};
    std::unique_ptr<InstrumentSimulator> sim;
    std::vector<FrameBuffer> frames;

    void Connect(Delivery delivery) {
        InstrumentConfig config;
        config.delivery = delivery;
        sim = std::make_unique<InstrumentSimulator>(config);
        ASSERT_TRUE(sim->Start());
        link.SetFrameHandler([this](FrameBuffer& f) { frames.push_back(f); });
        ASSERT_TRUE(link.OpenPort(sim->DevicePath()));
        ASSERT_EQ(link.SendInstrumentCommand('H', 'X'), 1);
        link.StartLink(true);
    }

    // Plays the GUI thread: drains hand-overs and, on a polled link, polls like timer 1.
    void Run(std::chrono::milliseconds d, std::size_t until = SIZE_MAX) {
        auto end = std::chrono::steady_clock::now() + d;
        auto nextPoll = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() < end && frames.size() < until) {
            link.Handover().Drain();
            if (link.State().linkMode == 1 && timer.period > 0 &&
                std::chrono::steady_clock::now() >= nextPoll) {
                if (link.State().replyFlag == 1) {
                    link.PollTick();
                }
                nextPoll += std::chrono::milliseconds(timer.period.load());
            }
            std::this_thread::sleep_for(1ms);
        }
    }

    void TearDown() override {
        link.Stop();
        if (sim) {
            sim->Stop();
        }
    }
};

TEST_F(LinkWithSimulator, PolledLinkHandsOnExactlyTheFramesSent) {
    Connect(Delivery::Polled);
    Run(3000ms, 20);
    ASSERT_EQ(frames.size(), 20u);
    const auto log = sim->FrameLog();
    ASSERT_GE(log.size(), 20u);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        FrameBuffer sent{};
        std::copy(log[i].bytes.begin(), log[i].bytes.begin() + kFrameBytes, sent.begin());
        EXPECT_EQ(frames[i], sent) << "frame " << i;
    }
}

TEST_F(LinkWithSimulator, StreamingWheelAndBackThenUnplugAndRestart) {
    Connect(Delivery::Streaming);
    Run(200ms);
    ASSERT_TRUE(link.EnterWheelMode());
    frames.clear();
    sim->WheelTrigger(false);
    sim->WheelTrigger(true);
    Run(2000ms, 2);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0][0], 'T');
    EXPECT_EQ(frames[1][0], 'j');
    ASSERT_TRUE(link.LeaveWheelMode());
    Run(1000ms, 4);
    EXPECT_EQ(frames.size(), 4u) << "streaming again";

    sim->Unplug();
    Run(300ms);
    frames.clear();
    Run(400ms);
    EXPECT_TRUE(frames.empty());
    sim->Replug();
    EXPECT_EQ(link.RestartLink(), 1);
    Run(1000ms, 3);
    EXPECT_EQ(frames.size(), 3u);
}

} // namespace
} // namespace tm47

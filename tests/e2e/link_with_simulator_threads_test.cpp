// The logger's link against the simulated instrument over real pseudo-terminals: the frames
// the reader threads hand on are exactly the frames the instrument sent, in polled,
// streaming and wheel delivery.

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

bool SameFrame(const FrameBuffer& got, const WireFrame& sent) {
    return std::equal(got.begin(), got.begin() + kFrameBytes, sent.begin()) &&
           got[kFrameBytes] == 0;
}

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

TEST_F(LinkWithSimulator, PolledLinkGetsOneFrameForEachPoll) {
    Connect(Delivery::Polled);
    EXPECT_EQ(link.State().linkMode.load(), 1);
    Run(3000ms, 20);
    ASSERT_EQ(frames.size(), 20u);
    auto log = sim->FrameLog();
    ASSERT_GE(log.size(), 20u);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_TRUE(SameFrame(frames[i], log[i].bytes)) << "frame " << i;
    }
}

TEST_F(LinkWithSimulator, StreamingLinkHandsOnEveryFourthFrameSent) {
    Connect(Delivery::Streaming);
    EXPECT_EQ(link.State().linkMode.load(), 0);
    link.State().frameDivisor = 4;
    Run(3000ms, 6);
    ASSERT_EQ(frames.size(), 6u);
    auto log = sim->FrameLog();
    // Find each received frame in the log: consecutive ones are exactly four frames apart.
    std::vector<uint64_t> seqs;
    for (const auto& f : frames) {
        for (const auto& s : log) {
            if (SameFrame(f, s.bytes)) {
                seqs.push_back(s.sequence);
                break;
            }
        }
    }
    ASSERT_EQ(seqs.size(), frames.size());
    for (std::size_t i = 1; i < seqs.size(); ++i) {
        EXPECT_EQ(seqs[i] - seqs[i - 1], 4u);
    }
}

TEST_F(LinkWithSimulator, WheelRunGetsOneFramePerTriggerWithBackwardLetters) {
    Connect(Delivery::Streaming);
    Run(200ms);
    frames.clear();
    ASSERT_TRUE(link.EnterWheelMode());
    uint64_t before = sim->Counters().framesSent;
    sim->WheelTrigger(false);
    sim->WheelTrigger(false);
    sim->WheelTrigger(true);
    Run(2000ms, 3);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(sim->Counters().framesSent - before, 3u);
    EXPECT_EQ(frames[0][0], 'T');
    EXPECT_EQ(frames[1][0], 'T');
    EXPECT_TRUE(frames[2][0] == 'j' || frames[2][0] == 'J') << frames[2][0];
    ASSERT_TRUE(link.LeaveWheelMode());
    frames.clear();
    Run(1000ms, 2);
    EXPECT_EQ(frames.size(), 2u); // streaming again
}

TEST_F(LinkWithSimulator, UnpluggedInstrumentFallsSilentAndRestartRecovers) {
    Connect(Delivery::Streaming);
    Run(300ms);
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

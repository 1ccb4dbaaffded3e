#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "frame_wire_support.h"
#include "instrument/link.h"
#include "tests/support/pty_peer.h"

namespace tm47 {
namespace {

using namespace std::chrono_literals;

using testing::PtyPeer;

struct RecordingTimer : LinkTimer {
    std::atomic<int> period{0};
    void StartTimer1(int ms) override { period = ms; }
    void KillTimer1() override { period = 0; }
};

// A wire frame with channel 1 `ch1`.
std::vector<uint8_t> Wire(char letter, int16_t ch1 = 100) {
    return test::WireFrame({static_cast<uint8_t>(letter), 0, {ch1, 1, 2, 3}, 3000, 80});
}

// The test's own thread plays the GUI thread: it drains the link's hand-over.
struct LinkFixture : ::testing::Test {
    SystemClock clock;
    RecordingTimer timer;
    ReadingProcessor readings;
    InstrumentLink link{clock, timer, readings};
    PtyPeer peer;
    std::vector<FrameBuffer> frames;

    void SetUp() override {
        link.SetFrameHandler([this](FrameBuffer& f) {
            frames.push_back(f);
            f[0] = 0; // the handler clears the first byte when done
        });
        ASSERT_TRUE(link.OpenPort(peer.SlavePath()));
    }

    // Answers the next mode command with `reply` once its two bytes have arrived.
    std::thread AnswerCommand(std::string expect, std::string reply) {
        return std::thread([this, expect, reply] {
            auto got = peer.Read(3000, 2);
            EXPECT_EQ(std::string(got.begin(), got.end()), expect);
            peer.Write(reply);
        });
    }

    // Sends 'H' 'X', answered with `reply`, and starts the link.
    void Connect(const char* reply) {
        auto peerThread = AnswerCommand("HX", reply);
        ASSERT_EQ(link.SendInstrumentCommand('H', 'X'), 1);
        peerThread.join();
        link.StartLink(true);
    }

    void DrainFor(std::chrono::milliseconds d, std::size_t until = SIZE_MAX) {
        auto end = std::chrono::steady_clock::now() + d;
        while (std::chrono::steady_clock::now() < end && frames.size() < until) {
            link.Handover().Drain();
            std::this_thread::sleep_for(1ms);
        }
    }
};

// The polled reader's frames in whole sessions, and giving up on a silent instrument, are the
// GUI session tests'.
TEST_F(LinkFixture, HandshakeAnswersSetTheLinkMode) {
    // Other bytes between O and K keep the mark; the first acknowledgement wins.
    for (auto [reply, linkMode] : {std::pair{"OxK", 1}, {"OKV", 1}, {"OV", 0}}) {
        auto peerThread = AnswerCommand("HX", reply);
        EXPECT_EQ(link.SendInstrumentCommand('H', 'X'), 1) << reply;
        peerThread.join();
        EXPECT_EQ(link.State().linkMode.load(), linkMode) << reply;
    }
}

// Regression: a streaming frame in transit at the wheel switch was recorded as a wheel
// reading. Then a stop returns although the reader waits in the undrained hand-over.
TEST_F(LinkFixture, AStreamingFrameInTheHandOverAtTheWheelSwitchIsDroppedAndStopNeverWaits) {
    Connect("OV");
    EXPECT_EQ(timer.period.load(), InstrumentLink::kStreamingWatchMs);
    EXPECT_TRUE(link.ReaderRunning(ReaderKind::Streaming));
    peer.Write(Wire('T', 1));
    std::this_thread::sleep_for(200ms); // the reader now waits in the hand-over, undrained
    auto hw = AnswerCommand("HW", "OV");
    ASSERT_TRUE(link.EnterWheelMode());
    hw.join();
    EXPECT_EQ(timer.period.load(), 0); // timer 1 killed while the wheel runs
    EXPECT_TRUE(link.ReaderRunning(ReaderKind::Wheel));
    EXPECT_FALSE(link.ReaderRunning(ReaderKind::Streaming));
    DrainFor(200ms);
    EXPECT_TRUE(frames.empty()) << "a frame of the old mode reached the GUI";
    peer.Write(Wire('J', 2));
    DrainFor(1000ms, 1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], test::FrameOf({'J', 0, {2, 1, 2, 3}, 3000, 80}));

    auto back = AnswerCommand("HX", "OV");
    ASSERT_TRUE(link.LeaveWheelMode());
    back.join();
    EXPECT_EQ(timer.period.load(), InstrumentLink::kStandByPollMs);
    EXPECT_TRUE(link.ReaderRunning(ReaderKind::Streaming));
    EXPECT_FALSE(link.ReaderRunning(ReaderKind::Wheel));
    frames.clear();
    peer.Write(Wire('T'));
    std::this_thread::sleep_for(200ms); // nobody drains: the reader sits in the hand-over
    const auto t0 = std::chrono::steady_clock::now();
    link.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 500ms);
    EXPECT_FALSE(link.IsPortOpen());
    link.Handover().Drain();
    EXPECT_TRUE(frames.empty());
}

// The streaming reader hands on the frames of one read together, in order; a frame among them
// that switches the mode ends the batch, whose other frames belong to the old mode.
TEST_F(LinkFixture, FramesReadTogetherArriveInOrderUntilOneSwitchesTheMode) {
    Connect("OV");
    std::thread hw;
    link.SetFrameHandler([&](FrameBuffer& f) {
        frames.push_back(f);
        if (frames.size() == 2) {
            hw = AnswerCommand("HW", "OV");
            EXPECT_TRUE(link.EnterWheelMode());
        }
    });
    peer.Write(test::Concat({Wire('T', 1), Wire('T', 2), Wire('T', 3), Wire('T', 4)}));
    DrainFor(5000ms, 2);
    DrainFor(300ms);
    hw.join();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], test::FrameOf({'T', 0, {1, 1, 2, 3}, 3000, 80}));
    EXPECT_EQ(frames[1], test::FrameOf({'T', 0, {2, 1, 2, 3}, 3000, 80}));
    link.Stop();
}

} // namespace
} // namespace tm47

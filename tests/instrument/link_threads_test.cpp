#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

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

// A wire frame: letter, range code, four channels, reference, battery, 0x7F 0x7F.
std::vector<uint8_t> WireFrame(char letter, int16_t ch1 = 100, uint8_t battery = 80) {
    auto hi = [](int16_t v) { return static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8); };
    auto lo = [](int16_t v) { return static_cast<uint8_t>(v & 0xFF); };
    return {static_cast<uint8_t>(letter),
            0,
            hi(ch1),
            lo(ch1),
            0,
            1,
            0,
            2,
            0,
            3,
            0x0B,
            0xB8,
            battery,
            0x7F,
            0x7F};
}

// The test's own thread plays the GUI thread: it drains the link's hand-over.
struct LinkFixture : ::testing::Test {
    SystemClock clock;
    RecordingTimer timer;
    int32_t readingState{1};
    InstrumentLink link{clock, timer, readingState};
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

    void DrainFor(std::chrono::milliseconds d, std::size_t until = SIZE_MAX) {
        auto end = std::chrono::steady_clock::now() + d;
        while (std::chrono::steady_clock::now() < end && frames.size() < until) {
            link.Handover().Drain();
            std::this_thread::sleep_for(1ms);
        }
    }
};

TEST_F(LinkFixture, HandshakeAnswersSetTheLinkMode) {
    struct Case {
        const char* reply;
        int result;
        int linkMode;
    } cases[] = {
        {"OxK", 1, 1}, // other bytes between O and K keep the mark
        {"OKV", 1, 1}, // the first acknowledgement wins
        {"OV", 1, 0},
    };
    for (const auto& c : cases) {
        auto peerThread = AnswerCommand("HX", c.reply);
        EXPECT_EQ(link.SendInstrumentCommand('H', 'X'), c.result) << c.reply;
        peerThread.join();
        EXPECT_EQ(link.State().linkMode.load(), c.linkMode) << c.reply;
    }
}

TEST_F(LinkFixture, SilenceOrKWithoutOGivesUpAfterThreeRoundsOfASecond) {
    std::thread peerThread([this] {
        auto first = peer.Read(1000, 2);
        peer.Write("KxK"); // a K without an O is no acknowledgement
        auto rest = peer.Read(3000, 4);
        first.insert(first.end(), rest.begin(), rest.end());
        EXPECT_EQ(std::string(first.begin(), first.end()), "HXHXHX");
    });
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(link.SendInstrumentCommand('H', 'X'), 0);
    auto took = std::chrono::steady_clock::now() - t0;
    peerThread.join();
    EXPECT_GE(took, 3000ms);
    EXPECT_LT(took, 4500ms);
    EXPECT_EQ(link.State().linkMode.load(), -1); // keeps its old value
}

TEST_F(LinkFixture, PolledReaderHandsOnOneFramePerPollAndDropsGarbage) {
    auto peerThread = AnswerCommand("HX", "OK");
    ASSERT_EQ(link.SendInstrumentCommand('H', 'X'), 1);
    peerThread.join();
    readingState = 1;
    link.StartLink(true);
    EXPECT_EQ(timer.period.load(), InstrumentLink::kStandByPollMs);
    EXPECT_EQ(readingState, 0); // normalising
    EXPECT_EQ(link.State().replyFlag.load(), 1);

    link.PollTick();
    EXPECT_EQ(link.State().replyFlag.load(), 0);
    EXPECT_EQ(peer.Read(500, 1), std::vector<uint8_t>{'A'});
    auto bytes = std::vector<uint8_t>{'x', 0x7F, 0x7F, 'q'};
    auto frame = WireFrame('T', 0x7F7F); // a 0x7F pair inside the payload
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    peer.Write(bytes);
    DrainFor(1000ms, 1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0][0], 'T');
    EXPECT_EQ(frames[0][2], 0x7F);
    EXPECT_EQ(frames[0][13], 0x7F);
    EXPECT_EQ(frames[0][14], 0);
    DrainFor(50ms);
    EXPECT_EQ(link.State().replyFlag.load(), 1);
    EXPECT_EQ(link.State().breakCounter.load(), 0);
}

TEST_F(LinkFixture, StreamingReaderHandsOnEveryDivisorthFrame) {
    auto peerThread = AnswerCommand("HX", "OV");
    ASSERT_EQ(link.SendInstrumentCommand('H', 'X'), 1);
    peerThread.join();
    link.StartLink(true);
    EXPECT_EQ(timer.period.load(), InstrumentLink::kStreamingWatchMs);
    link.State().frameDivisor = 4;
    link.State().breakCounter = 2;
    std::vector<uint8_t> stream;
    for (int i = 1; i <= 12; ++i) {
        auto f = WireFrame('T', static_cast<int16_t>(i));
        stream.insert(stream.end(), f.begin(), f.end());
    }
    peer.Write(stream);
    DrainFor(1500ms, 3);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0][3], 4);
    EXPECT_EQ(frames[1][3], 8);
    EXPECT_EQ(frames[2][3], 12);
    EXPECT_EQ(link.State().breakCounter.load(), 0);
}

TEST_F(LinkFixture, StopWhileAReaderWaitsInTheHandOverReturns) {
    auto peerThread = AnswerCommand("HX", "OV");
    ASSERT_EQ(link.SendInstrumentCommand('H', 'X'), 1);
    peerThread.join();
    link.StartLink(true);
    peer.Write(WireFrame('T'));
    // Nobody drains: the reader sits in the hand-over until Stop releases it.
    std::this_thread::sleep_for(200ms);
    auto t0 = std::chrono::steady_clock::now();
    link.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 500ms);
    EXPECT_FALSE(link.IsPortOpen());
    EXPECT_TRUE(frames.empty());
}

TEST_F(LinkFixture, WheelRunSwapsReadersAndBack) {
    auto hx = AnswerCommand("HX", "OV");
    ASSERT_EQ(link.SendInstrumentCommand('H', 'X'), 1);
    hx.join();
    link.StartLink(true);
    EXPECT_TRUE(link.ReaderRunning(ReaderKind::Streaming));
    EXPECT_FALSE(link.ReaderRunning(ReaderKind::Wheel));

    auto hw = AnswerCommand("HW", "OV");
    ASSERT_TRUE(link.EnterWheelMode());
    hw.join();
    EXPECT_EQ(timer.period.load(), 0); // timer 1 killed while the wheel runs
    EXPECT_TRUE(link.ReaderRunning(ReaderKind::Wheel));
    EXPECT_FALSE(link.ReaderRunning(ReaderKind::Streaming));
    peer.Write(WireFrame('J'));
    DrainFor(1000ms, 1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0][0], 'J');

    auto back = AnswerCommand("HX", "OV");
    ASSERT_TRUE(link.LeaveWheelMode());
    back.join();
    EXPECT_EQ(timer.period.load(), InstrumentLink::kStandByPollMs);
    EXPECT_TRUE(link.ReaderRunning(ReaderKind::Streaming));
    link.Stop();
}

TEST_F(LinkFixture, AStreamingFrameStillInTheHandOverAtTheWheelSwitchIsNeverHandedOn) {
    auto hx = AnswerCommand("HX", "OV");
    ASSERT_EQ(link.SendInstrumentCommand('H', 'X'), 1);
    hx.join();
    link.StartLink(true);
    peer.Write(WireFrame('T', 1));
    std::this_thread::sleep_for(200ms); // the reader now waits in the hand-over, undrained
    auto hw = AnswerCommand("HW", "OV");
    ASSERT_TRUE(link.EnterWheelMode());
    hw.join();
    DrainFor(200ms);
    EXPECT_TRUE(frames.empty()) << "a frame of the old mode reached the GUI";
    peer.Write(WireFrame('T', 2));
    DrainFor(1000ms, 1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0][3], 2);
    link.Stop();
}

TEST_F(LinkFixture, ReaderEndsWithinOneTimeOutAfterThePortCloses) {
    auto peerThread = AnswerCommand("HX", "OK");
    ASSERT_EQ(link.SendInstrumentCommand('H', 'X'), 1);
    peerThread.join();
    link.StartLink(true);
    std::this_thread::sleep_for(50ms);
    auto t0 = std::chrono::steady_clock::now();
    link.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 100ms);
}

} // namespace
} // namespace tm47

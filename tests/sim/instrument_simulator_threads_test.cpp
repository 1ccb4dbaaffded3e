// The simulated instrument over a real pseudo-terminal, seen from the logger's end.

#include "pty_client.h"
#include "sim/instrument_simulator.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <thread>

namespace tm47 {
namespace {

using namespace std::chrono_literals;
using test::Frame15;
using test::PtyClient;
using test::SplitFrames;

InstrumentConfig With(Delivery d, bool highPower = false, int antenna = 0) {
    InstrumentConfig c;
    c.delivery = d;
    c.highPower = highPower;
    c.antenna = antenna;
    return c;
}

// Polls `n` times and returns what came back.
std::string Poll(PtyClient& client, int n = 1) {
    std::string bytes;
    for (int i = 0; i < n; ++i) {
        client.Write("A");
        bytes += client.Read(1000, 15);
    }
    return bytes;
}

char PolledLetter(PtyClient& client) {
    const auto frames = SplitFrames(Poll(client));
    return frames.size() == 1 ? static_cast<char>(frames[0][0]) : '\0';
}

TEST(Instrument, PolledAnswersEachPollInNormalModeOnlyAndKeepsABoundedLog) {
    InstrumentConfig config;
    config.frameLogCapacity = 3;
    InstrumentSimulator sim(config);
    ASSERT_TRUE(sim.Start());
    PtyClient client(sim.DevicePath());
    client.Write("AA"); // before any mode command
    EXPECT_EQ(client.Read(100), "");
    // The bytes of a command may arrive apart, after noise, and after a repeated gain letter.
    client.Write("zHH");
    std::this_thread::sleep_for(40ms); // the logger's inter-byte gap
    client.Write("X");
    ASSERT_EQ(client.Read(1000, 2), "OK");
    EXPECT_EQ(client.Read(150), "") << "a polled instrument does not stream";

    const std::string received = Poll(client, 5);
    EXPECT_EQ(client.Read(100), "");
    ASSERT_EQ(received.size(), 75u);
    EXPECT_EQ(SplitFrames(received).size(), 5u);
    EXPECT_EQ(sim.FramesAfter(3).size(), 2u);
    EXPECT_EQ(sim.FrameLog().size(), 3u);

    // Garbage arrives between frames; the trigger letter lasts while the button is held.
    sim.InjectGarbage(40);
    EXPECT_EQ(client.Read(1000, 40).size(), 40u);
    sim.SetTrigger(true);
    EXPECT_EQ(PolledLetter(client), 'M');
    EXPECT_EQ(PolledLetter(client), 'M');
    sim.SetTrigger(false);
    EXPECT_EQ(PolledLetter(client), 'T');

    ASSERT_EQ(client.Command('W'), "OK");
    client.Write("A");
    EXPECT_EQ(client.Read(100), "") << "no answer to a poll in wheel mode";
}

// Battery byte 80 at 12 V (volts x 6.66757); reference standard 3000, high power with antenna 1
// 2230, antenna 2 3729; streaming multiplies by 1.047 (standard) or 1.152 (high power).
TEST(Instrument, BatteryAndReferenceFollowTheInstrument) {
    const struct {
        InstrumentConfig config;
        double volts;
        int battery, referenceLow, referenceHigh; // one percent either side
    } cases[] = {
        {With(Delivery::Polled), 12.0, 80, 2970, 3030},
        {With(Delivery::Streaming), 9.0, 60, 3109, 3173},
        {With(Delivery::Polled, true, 1), 13.8, 92, 2207, 2253},
        {With(Delivery::Streaming, true, 2), 12.0, 80, 4252, 4338},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.referenceLow);
        InstrumentSimulator sim(c.config);
        ASSERT_TRUE(sim.Start());
        sim.SetBatteryVolts(c.volts);
        PtyClient client(sim.DevicePath());
        client.Command('X');
        if (c.config.delivery == Delivery::Polled) {
            client.Write("AAA");
        }
        const auto frames = SplitFrames(client.Read(2000, 45));
        ASSERT_GE(frames.size(), 1u);
        for (const Frame15& f : frames) {
            const int reference = static_cast<int16_t>((f[10] << 8) | f[11]);
            EXPECT_EQ(f[12], c.battery);
            EXPECT_GE(reference, c.referenceLow);
            EXPECT_LE(reference, c.referenceHigh);
        }
    }
}

TEST(Instrument, StreamsAbout18FramesASecondAndStopsPromptlyWhenNobodyReads) {
    InstrumentSimulator sim(With(Delivery::Streaming));
    ASSERT_TRUE(sim.Start());
    const int peer = open(sim.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(peer, 0);
    PtyClient client(sim.DevicePath());
    ASSERT_EQ(client.Command('X'), "OV");
    std::string bytes = client.Read(550);
    if (bytes.size() % 15 != 0) { // the time ran out in the middle of a frame: finish it
        bytes += client.Read(200, 15 - bytes.size() % 15);
    }
    const auto frames = SplitFrames(bytes);
    // 550 ms / 55.078 ms is 10 frames; the bounds leave room for a loaded machine.
    EXPECT_GE(frames.size(), 5u);
    EXPECT_LE(frames.size(), 13u);
    EXPECT_EQ(bytes.size(), frames.size() * 15) << "nothing but whole frames";
    std::this_thread::sleep_for(300ms); // the line fills up unread
    sim.WheelTrigger();
    const auto before = std::chrono::steady_clock::now();
    sim.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms);
    EXPECT_FALSE(sim.Running());
    pollfd p{peer, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 500), 1);
    EXPECT_TRUE(p.revents & (POLLHUP | POLLERR)) << "the peer sees the line hang up";
    close(peer);
    sim.Stop(); // a second stop does nothing
}

} // namespace
} // namespace tm47

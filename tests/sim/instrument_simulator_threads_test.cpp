// The simulated instrument over a real pseudo-terminal, seen from the logger's end.

#include "pty_client.h"
#include "sim/instrument_simulator.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace tm47 {
namespace {

using test::Frame15;
using test::PtyClient;
using test::SplitFrames;

InstrumentConfig Polled() {
    return {};
}

InstrumentConfig Streaming() {
    InstrumentConfig c;
    c.delivery = Delivery::Streaming;
    return c;
}

// Polls once and returns the frame that came back (letter 0 when none did).
Frame15 PollOne(PtyClient& client) {
    client.Write("A");
    const std::string bytes = client.ReadBytes(15, 1000);
    const auto frames = SplitFrames(bytes);
    return frames.size() == 1 ? frames[0] : Frame15{};
}

struct HandshakeCase {
    const char* name;
    Delivery delivery;
    char command;
    const char* answer;
    InstrumentMode mode;
};

class Handshake : public testing::TestWithParam<HandshakeCase> {};

TEST_P(Handshake, ModeCommandIsAcknowledgedByDelivery) {
    const HandshakeCase& c = GetParam();
    InstrumentConfig config;
    config.delivery = c.delivery;
    InstrumentSimulator sim(config);
    ASSERT_TRUE(sim.Start());
    PtyClient client(sim.DevicePath());
    ASSERT_TRUE(client.IsOpen());
    EXPECT_EQ(client.Command(c.command), c.answer);
    EXPECT_EQ(sim.Mode(), c.mode);
    EXPECT_EQ(sim.Counters().commands, 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Instrument, Handshake,
    testing::Values(
        HandshakeCase{"PolledX", Delivery::Polled, 'X', "OK", InstrumentMode::Normal},
        HandshakeCase{"PolledW", Delivery::Polled, 'W', "OK", InstrumentMode::Wheel},
        HandshakeCase{"StreamingX", Delivery::Streaming, 'X', "OV", InstrumentMode::Normal},
        HandshakeCase{"StreamingW", Delivery::Streaming, 'W', "OV", InstrumentMode::Wheel}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Instrument, CommandBytesMayArriveApartAndAfterNoise) {
    InstrumentSimulator sim(Polled());
    ASSERT_TRUE(sim.Start());
    PtyClient client(sim.DevicePath());
    client.Write("zH");
    std::this_thread::sleep_for(std::chrono::milliseconds(40)); // the logger's inter-byte gap
    client.Write("X");
    EXPECT_EQ(client.ReadBytes(2, 1000), "OK");
    client.Write("HHX"); // a repeated gain letter still starts a command
    EXPECT_EQ(client.ReadBytes(2, 1000), "OK");
}

TEST(Instrument, PolledSendsOneFrameForEachPollAndNothingUnasked) {
    InstrumentSimulator sim(Polled());
    ASSERT_TRUE(sim.Start());
    PtyClient client(sim.DevicePath());
    ASSERT_EQ(client.Command('X'), "OK");
    EXPECT_EQ(client.ReadFor(150), "") << "a polled instrument does not stream";

    std::string received;
    for (int i = 0; i < 5; ++i) {
        client.Write("A");
        received += client.ReadBytes(15, 1000);
    }
    EXPECT_EQ(client.ReadFor(100), "");
    const auto frames = SplitFrames(received);
    ASSERT_EQ(received.size(), 75u);
    ASSERT_EQ(frames.size(), 5u);
    for (const Frame15& f : frames) {
        EXPECT_EQ(f[0], 'T');
        EXPECT_EQ(f[13], 0x7F);
        EXPECT_EQ(f[14], 0x7F);
    }
    const InstrumentCounters c = sim.Counters();
    EXPECT_EQ(c.polls, 5u);
    EXPECT_EQ(c.framesSent, 5u);

    // The log holds exactly what went over the line, numbered from 1.
    const auto log = sim.FrameLog();
    ASSERT_EQ(log.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(log[i].sequence, i + 1);
        EXPECT_EQ(log[i].bytes, frames[i]);
    }
    EXPECT_EQ(sim.FramesAfter(3).size(), 2u);
}

TEST(Instrument, PollsBeforeAModeCommandOrInWheelModeAreNotAnswered) {
    InstrumentSimulator sim(Polled());
    ASSERT_TRUE(sim.Start());
    PtyClient client(sim.DevicePath());
    client.Write("AA");
    EXPECT_EQ(client.ReadFor(100), "");
    ASSERT_EQ(client.Command('W'), "OK");
    client.Write("A");
    EXPECT_EQ(client.ReadFor(100), "");
    EXPECT_EQ(sim.Counters().polls, 3u);
    EXPECT_EQ(sim.Counters().framesSent, 0u);
}

TEST(Instrument, StreamingSendsAFrameAbout18TimesASecond) {
    InstrumentSimulator sim(Streaming());
    ASSERT_TRUE(sim.Start());
    PtyClient client(sim.DevicePath());
    ASSERT_EQ(client.Command('X'), "OV");
    const std::string bytes = client.ReadFor(550);
    const auto frames = SplitFrames(bytes);
    // 550 ms / 55.078 ms is 10 frames; the bounds leave room for a loaded machine.
    EXPECT_GE(frames.size(), 5u);
    EXPECT_LE(frames.size(), 13u);
    EXPECT_EQ(bytes.size(), frames.size() * 15) << "nothing but whole frames";
}

TEST(Instrument, StreamingStopsInWheelModeAndResumesAfterX) {
    InstrumentSimulator sim(Streaming());
    ASSERT_TRUE(sim.Start());
    PtyClient client(sim.DevicePath());
    ASSERT_EQ(client.Command('W'), "OV");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    client.DiscardInput();
    EXPECT_EQ(client.ReadFor(200), "");
    sim.WheelTrigger();
    EXPECT_EQ(SplitFrames(client.ReadBytes(15, 1000)).size(), 1u);
    ASSERT_EQ(client.Command('X'), "OV");
    EXPECT_GE(SplitFrames(client.ReadFor(300)).size(), 2u);
}

struct LetterCase {
    const char* name;
    bool differential;
    bool alternate;
    bool trigger;
    bool backwards;
    char letter;
};

class Letters : public testing::TestWithParam<LetterCase> {};

TEST_P(Letters, WheelFrameCarriesTheLetterOfDirectionTriggerAndMode) {
    const LetterCase& c = GetParam();
    InstrumentConfig config;
    config.differential = c.differential;
    config.alternateLetters = c.alternate;
    InstrumentSimulator sim(config);
    ASSERT_TRUE(sim.Start());
    PtyClient client(sim.DevicePath());
    ASSERT_EQ(client.Command('W'), "OK");
    sim.SetTrigger(c.trigger);
    sim.WheelTrigger(c.backwards);
    sim.WheelTrigger(c.backwards);
    const auto frames = SplitFrames(client.ReadBytes(30, 1000));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0][0], c.letter);
    EXPECT_EQ(frames[1][0], c.letter);
    EXPECT_EQ(sim.Counters().wheelTriggers, 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Instrument, Letters,
    testing::Values(LetterCase{"FourChannelForward", false, false, false, false, 'T'},
                    LetterCase{"DifferentialForward", true, false, false, false, 'D'},
                    LetterCase{"AlternateFourChannel", false, true, false, false, 'E'},
                    LetterCase{"AlternateDifferential", true, true, false, false, 'F'},
                    LetterCase{"FourChannelTriggered", false, false, true, false, 'M'},
                    LetterCase{"DifferentialTriggered", true, false, true, false, 'N'},
                    LetterCase{"AlternateFourChannelTriggered", false, true, true, false, 'P'},
                    LetterCase{"AlternateDifferentialTriggered", true, true, true, false, 'Q'},
                    LetterCase{"FourChannelBackward", false, false, false, true, 'j'},
                    LetterCase{"DifferentialBackward", true, false, false, true, 'J'},
                    LetterCase{"FourChannelBackwardTriggered", false, false, true, true, 'k'},
                    LetterCase{"DifferentialBackwardTriggered", true, false, true, true, 'K'}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Instrument, TriggerLettersLastWhileTheButtonIsHeld) {
    InstrumentSimulator sim(Polled());
    ASSERT_TRUE(sim.Start());
    PtyClient client(sim.DevicePath());
    ASSERT_EQ(client.Command('X'), "OK");
    EXPECT_EQ(PollOne(client)[0], 'T');
    sim.SetTrigger(true);
    EXPECT_EQ(PollOne(client)[0], 'M');
    EXPECT_EQ(PollOne(client)[0], 'M');
    sim.SetTrigger(false);
    EXPECT_EQ(PollOne(client)[0], 'T');
}

TEST(Instrument, UnpluggedIsSilentAndDeafUntilReplugged) {
    InstrumentSimulator sim(Polled());
    ASSERT_TRUE(sim.Start());
    PtyClient client(sim.DevicePath());
    ASSERT_EQ(client.Command('X'), "OK");
    sim.Unplug();
    client.Write("HXA");
    sim.WheelTrigger();
    sim.InjectGarbage(10);
    EXPECT_EQ(client.ReadFor(250), "");
    EXPECT_EQ(sim.Counters().commands, 1u);
    sim.Replug();
    EXPECT_EQ(client.Command('X'), "OK");
    EXPECT_EQ(PollOne(client)[0], 'T');
}

TEST(Instrument, UnpluggedStreamingInstrumentSendsNothing) {
    InstrumentSimulator sim(Streaming());
    ASSERT_TRUE(sim.Start());
    PtyClient client(sim.DevicePath());
    ASSERT_EQ(client.Command('X'), "OV");
    sim.Unplug();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    client.DiscardInput();
    EXPECT_EQ(client.ReadFor(250), "");
    sim.Replug();
    EXPECT_GE(SplitFrames(client.ReadFor(300)).size(), 2u) << "streaming goes on after replug";
}

TEST(Instrument, GarbageArrivesBetweenFrames) {
    InstrumentSimulator sim(Polled());
    ASSERT_TRUE(sim.Start());
    PtyClient client(sim.DevicePath());
    ASSERT_EQ(client.Command('X'), "OK");
    sim.InjectGarbage(40);
    EXPECT_EQ(client.ReadBytes(40, 1000).size(), 40u);
    EXPECT_EQ(sim.Counters().garbageBytesSent, 40u);
    EXPECT_EQ(PollOne(client)[0], 'T');
}

struct ByteCase {
    const char* name;
    InstrumentConfig config;
    double volts;
    int battery;
    int referenceLow; // the reference field lies in [low, high]
    int referenceHigh;
};

InstrumentConfig With(Delivery d, bool highPower, int antenna) {
    InstrumentConfig c;
    c.delivery = d;
    c.highPower = highPower;
    c.antenna = antenna;
    return c;
}

class FrameBytes : public testing::TestWithParam<ByteCase> {};

TEST_P(FrameBytes, BatteryAndReferenceFollowTheInstrument) {
    const ByteCase& c = GetParam();
    InstrumentSimulator sim(c.config);
    ASSERT_TRUE(sim.Start());
    sim.SetBatteryVolts(c.volts);
    PtyClient client(sim.DevicePath());
    client.Command('X');
    std::string bytes;
    if (c.config.delivery == Delivery::Polled) {
        client.Write("AAA");
        bytes = client.ReadBytes(45, 1000);
    } else {
        bytes = client.ReadBytes(45, 2000);
    }
    const auto frames = SplitFrames(bytes);
    ASSERT_GE(frames.size(), 1u);
    for (const Frame15& f : frames) {
        EXPECT_EQ(f[12], c.battery);
        EXPECT_GE(test::Reference(f), c.referenceLow);
        EXPECT_LE(test::Reference(f), c.referenceHigh);
    }
}

// Standard 3000, high power with antenna 1: 2230, high power antenna 2: 3729; streaming
// multiplies by 1.047 (standard) or 1.152 (high power). One percent either side.
INSTANTIATE_TEST_SUITE_P(
    Instrument, FrameBytes,
    testing::Values(
        ByteCase{"StandardPolled", With(Delivery::Polled, false, 0), 12.0, 80, 2970, 3030},
        ByteCase{"StandardStreaming", With(Delivery::Streaming, false, 0), 9.0, 60, 3109, 3173},
        ByteCase{"HighPowerAntenna1", With(Delivery::Polled, true, 1), 13.8, 92, 2207, 2253},
        ByteCase{"HighPowerAntenna2Streaming", With(Delivery::Streaming, true, 2), 12.0, 80, 4252,
                 4338}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Instrument, PayloadMayHoldAnyBytesAndTheLogIsBounded) {
    InstrumentConfig config;
    config.frameLogCapacity = 3;
    InstrumentSimulator sim(config);
    ASSERT_TRUE(sim.Start());
    // Channel 1 is 0x7F7F and channel 2 'T', 0x7F: a frame end inside the payload.
    sim.SetRawOverride(RawOverride{0xFF, {0x7F7F, 0x547F, -1, 0}});
    PtyClient client(sim.DevicePath());
    ASSERT_EQ(client.Command('X'), "OK");
    std::string bytes;
    for (int i = 0; i < 5; ++i) {
        client.Write("A");
        bytes += client.ReadBytes(15, 1000);
    }
    ASSERT_EQ(bytes.size(), 75u);
    for (int i = 0; i < 5; ++i) {
        const auto* f = reinterpret_cast<const uint8_t*>(bytes.data()) + 15 * i;
        EXPECT_EQ(f[0], 'T');
        EXPECT_EQ(f[1], 0xFF);
        EXPECT_EQ(f[2], 0x7F);
        EXPECT_EQ(f[3], 0x7F);
        EXPECT_EQ(f[4], 0x54);
        EXPECT_EQ(f[5], 0x7F);
        EXPECT_EQ(f[6], 0xFF);
        EXPECT_EQ(f[7], 0xFF);
    }
    const auto log = sim.FrameLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log.front().sequence, 3u);
    EXPECT_EQ(log.back().sequence, 5u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(log.back().bytes.data()), 15),
              bytes.substr(60));
}

// What the logger does with a QC check: null on the readings before the press, then compare
// each reading with the negative of the QC coil table row, within 10 %.
struct QcCase {
    const char* name;
    QcResponse response;
    bool differential;
    bool passes;  // every channel settles within tolerance
    bool detects; // channel 1 comes within tolerance
};

class QcButton : public testing::TestWithParam<QcCase> {};

TEST_P(QcButton, ResponseSettlesOnTheNegativeOfTheTableRow) {
    const QcCase& c = GetParam();
    InstrumentConfig config;
    config.differential = c.differential;
    config.qcRow = 0;
    InstrumentSimulator sim(config);
    ASSERT_TRUE(sim.Start());
    sim.SetWalking(false);
    PtyClient client(sim.DevicePath());
    ASSERT_EQ(client.Command('X'), "OK");
    // Standard T: every factor 2; standard D: 2, 2, 2, 4 x 1.114 / 1.112 with antenna 0.
    const double factors[4] = {2, 2, 2, c.differential ? 4 * 1.114 / 1.112 : 2};
    const double row[4] = {4608, 3574, 2096, c.differential ? 708.0 : 784.0};

    double null[4] = {};
    for (int n = 0; n < 8; ++n) {
        const Frame15 f = PollOne(client);
        for (int i = 0; i < 4; ++i) {
            null[i] += test::DecodedChannel(f, i, factors[i]) / 8;
        }
    }
    sim.PressQcButton(c.response);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    bool detected = false;
    int settledFrames = 0;
    for (int n = 0; n < 10; ++n) {
        const Frame15 f = PollOne(client);
        ASSERT_EQ(f[0], c.differential ? 'D' : 'T');
        bool all = true;
        for (int i = 0; i < 4; ++i) {
            const double v = test::DecodedChannel(f, i, factors[i]) - null[i];
            const bool within = std::abs(v + row[i]) <= 0.1 * row[i];
            all = all && within;
            if (i == 0 && std::abs(v + row[0]) < 0.1 * row[0]) {
                detected = true;
            }
        }
        settledFrames += all ? 1 : 0;
    }
    EXPECT_EQ(detected, c.detects);
    if (c.passes) {
        EXPECT_GE(settledFrames, 6) << "settles within a few frames and stays";
    } else {
        EXPECT_EQ(settledFrames, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Instrument, QcButton,
    testing::Values(QcCase{"Pass", QcResponse::Pass, false, true, true},
                    QcCase{"PassDifferential", QcResponse::Pass, true, true, true},
                    QcCase{"FailNeverSettles", QcResponse::Fail, false, false, true},
                    QcCase{"NoResponse", QcResponse::None, false, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Instrument, StopEndsPromptlyWhileAPeerHoldsTheLine) {
    InstrumentSimulator sim(Streaming());
    ASSERT_TRUE(sim.Start());
    PtyClient client(sim.DevicePath());
    ASSERT_EQ(client.Command('X'), "OV");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto before = std::chrono::steady_clock::now();
    sim.Stop();
    const auto took = std::chrono::steady_clock::now() - before;
    EXPECT_LT(took, std::chrono::milliseconds(500));
    EXPECT_FALSE(sim.Running());

    // The peer sees the line hang up once what was in flight is read.
    client.ReadFor(50);
    pollfd p{client.Fd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 500), 1);
    EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));
    sim.Stop(); // a second stop does nothing
}

TEST(Instrument, NobodyReadingDoesNotStallTheInstrument) {
    InstrumentSimulator sim(Streaming());
    ASSERT_TRUE(sim.Start());
    {
        PtyClient client(sim.DevicePath());
        ASSERT_EQ(client.Command('X'), "OV");
    }
    // Let the line fill up unread; the worker must keep answering and stop promptly.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sim.WheelTrigger();
    const auto before = std::chrono::steady_clock::now();
    sim.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
}

TEST(Instrument, LinkLeadsToTheDeviceAndGoesAwayAtStop) {
    const std::filesystem::path link = std::filesystem::temp_directory_path() /
                                       ("tm47sim-test-" + std::to_string(getpid()) + "-instr");
    InstrumentConfig config;
    config.linkPath = link.string();
    InstrumentSimulator sim(config);
    std::string error;
    ASSERT_TRUE(sim.Start(&error)) << error;
    EXPECT_EQ(sim.DevicePath(), link.string());
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), sim.SlavePath());
    PtyClient client(sim.DevicePath());
    EXPECT_EQ(client.Command('X'), "OK");
    sim.Stop();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST(Instrument, LinkOverARegularFileIsRefused) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("tm47sim-test-" + std::to_string(getpid()) + "-file");
    {
        FILE* f = fopen(file.c_str(), "w");
        ASSERT_NE(f, nullptr);
        fclose(f);
    }
    InstrumentConfig config;
    config.linkPath = file.string();
    InstrumentSimulator sim(config);
    std::string error;
    EXPECT_FALSE(sim.Start(&error));
    EXPECT_NE(error.find("symlink"), std::string::npos) << error;
    EXPECT_TRUE(std::filesystem::is_regular_file(file));
    std::filesystem::remove(file);
}

} // namespace
} // namespace tm47

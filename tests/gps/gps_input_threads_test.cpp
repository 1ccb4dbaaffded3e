// The GPS reader and watchdog threads over a real pseudo-terminal.

#include "gps/gps_input.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "gps_view_support.h"
#include "nmea_capture_support.h"
#include "tests/support/pty_peer.h"

namespace tm47 {
namespace {

using namespace std::chrono_literals;
using testing::FakeGpsView;
using testing::PtyPeer;

constexpr const char* kGga =
    "$GPGGA,120000.00,5000.0000,N,01000.0000,E,1,08,0.9,100.0,M,40.0,M,,*6F";

struct Written {
    std::string text;
    uint32_t tick;
    char first;
    char continuation;
    bool operator==(const Written&) const = default;
};

// The GPS input of one session with a fake screen; the test thread plays the GUI thread.
struct Rig {
    explicit Rig(const Clock& clock, GpsTimings timings = FastTimings())
        : input(
              fix, clock, view, [this] { return Inputs(); }, timings) {
        std::string error;
        EXPECT_TRUE(port.Open(peer.SlavePath(), SerialUse::Gps, SerialLineSettings{}, &error))
            << error;
        input.SetRecordSink([this](std::string_view text, uint32_t tick, char a, char b) {
            std::lock_guard lock(mutex);
            written.push_back({std::string(text), tick, a, b});
        });
    }

    static GpsTimings FastTimings() {
        GpsTimings t;
        t.byteWaitMs = 20;
        t.watchdogPeriodMs = 10;
        return t;
    }

    // Runs on the "GUI thread" (the test thread, inside Drain).
    GpsStatusInputs Inputs() {
        shownTexts.push_back(fix.sentenceText);
        return {true, logging, true};
    }

    // Plays the GUI event loop until `done` or `limit`.
    template <typename Done> bool Pump(Done done, std::chrono::milliseconds limit = 5000ms) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            input.Handover().Drain();
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }
    void PumpFor(std::chrono::milliseconds d) {
        Pump([] { return false; }, d);
    }

    std::size_t WrittenCount() {
        std::lock_guard lock(mutex);
        return written.size();
    }

    PtyPeer peer;
    SerialPort port;
    GpsFix fix;
    FakeGpsView view;
    bool logging = true;
    std::vector<std::string> shownTexts; // GUI thread only
    std::mutex mutex;
    std::vector<Written> written;
    GpsInput input;
};

TEST(GpsReaderThreads, CaptureWhileLoggingIsShownAndWrittenWithItsTags) {
    SystemClock clock;
    Rig rig(clock);
    rig.input.Start(rig.port);
    const std::string bytes = testing::ReadCapture("bu353-glonass.nmea");
    const auto expected = testing::ReadExpected("bu353-glonass.expected");
    // Odd-sized writes so that sentences straddle the reads.
    for (std::size_t at = 0; at < bytes.size(); at += 37) {
        rig.peer.Write(bytes.substr(at, 37));
    }
    ASSERT_TRUE(rig.Pump([&] { return rig.WrittenCount() == expected.size(); }));
    EXPECT_TRUE(rig.input.Stop());

    ASSERT_EQ(rig.written.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(rig.written[i].text, expected[i].text);
        EXPECT_EQ(rig.written[i].first, expected[i].checksumOk ? '@' : '?');
        EXPECT_EQ(rig.written[i].continuation, expected[i].checksumOk ? '#' : '"');
    }
    EXPECT_EQ(rig.shownTexts.size(), expected.size());
    EXPECT_NE(rig.view.Text(GpsCell::Satellites), "<untouched>");
    EXPECT_EQ(rig.input.FramerStats().lines, expected.size());
    EXPECT_EQ(rig.fix.readerState.load(), 2);
    EXPECT_EQ(rig.fix.watchdogRunFlag.load(), 0);
}

TEST(GpsReaderThreads, FailedLinesAreWrittenWithTheQuestionTagsAndNothingOutsideLogging) {
    SystemClock clock;
    Rig rig(clock);
    rig.input.Start(rig.port);
    std::string bad = kGga;
    bad.back() = 'E';
    rig.peer.Write(bad + "\r\n");
    ASSERT_TRUE(rig.Pump([&] { return rig.WrittenCount() == 1; }));
    EXPECT_EQ(rig.written[0].first, '?');
    EXPECT_EQ(rig.written[0].continuation, '"');

    rig.logging = false; // Stand By
    rig.peer.Write(std::string(kGga) + "\r\n");
    ASSERT_TRUE(rig.Pump([&] { return rig.shownTexts.size() == 2; }));
    rig.PumpFor(50ms);
    EXPECT_EQ(rig.WrittenCount(), 1u);
    EXPECT_EQ(rig.view.Text(GpsCell::FixQuality), "AGPS");
}

TEST(GpsReaderThreads, TickIsTakenWhenTheDollarArrivesAndLongLinesReachTheFileWhole) {
    ManualClock clock(1000);
    Rig rig(clock);
    rig.input.Start(rig.port);
    // A verified line of 150 characters.
    std::string body = "GPTXT," + std::string(140, 'A');
    unsigned sum = 0;
    for (char c : body) {
        sum ^= static_cast<uint8_t>(c);
    }
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", sum);
    const std::string line = "$" + body + "*" + hex;
    ASSERT_EQ(line.size(), 150u);

    rig.peer.Write(line.substr(0, 40));
    std::this_thread::sleep_for(150ms); // the reader has taken the "$"
    clock.SetTick(5000);
    rig.peer.Write(line.substr(40) + "\r\n");
    ASSERT_TRUE(rig.Pump([&] { return rig.WrittenCount() == 1; }));
    EXPECT_EQ(rig.written[0], (Written{line, 1000, '@', '#'}));
    EXPECT_EQ(rig.shownTexts.at(0), line.substr(0, 127));
    EXPECT_EQ(rig.fix.lastValidTick.load(), 5000u);
}

TEST(GpsReaderThreads, StopReturnsWhileTheReaderWaitsInAHandOver) {
    SystemClock clock;
    Rig rig(clock);
    rig.input.Start(rig.port);
    rig.peer.Write(std::string(kGga) + "\r\n" + kGga + "\r\n");
    std::this_thread::sleep_for(300ms); // the reader now waits for the GUI, which never drains
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(rig.input.Stop());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_EQ(rig.input.Handover().Delivered(), 0u);
    EXPECT_EQ(rig.WrittenCount(), 0u);
    EXPECT_FALSE(rig.input.Running());
    EXPECT_FALSE(rig.port.IsOpen());
    EXPECT_EQ(rig.fix.readerState.load(), 2);
}

TEST(GpsReaderThreads, AClosedPortEndsTheReaderAndARestartReadsTheNewPort) {
    SystemClock clock;
    Rig rig(clock);
    rig.input.Start(rig.port);
    rig.port.Close();
    EXPECT_TRUE(rig.Pump([&] { return rig.fix.readerState.load() == 2; }, 1000ms));
    EXPECT_TRUE(rig.input.Stop());
    SerialPort again;
    ASSERT_TRUE(again.Open(rig.peer.SlavePath(), SerialUse::Gps, SerialLineSettings{}));
    rig.input.Start(again);
    rig.peer.Write(std::string(kGga) + "\r\n");
    EXPECT_TRUE(rig.Pump([&] { return rig.WrittenCount() == 1; }));
    // The destructor stops it.
}

TEST(GpsReaderThreads, AReaderStuckPastTheLimitIsWaitedForAtTheEnd) {
    SystemClock clock;
    GpsTimings timings = Rig::FastTimings();
    timings.readerStopMs = 100;
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    bool inSink = false;
    std::thread releaser;
    {
        Rig rig(clock, timings);
        // A record sink that hangs, as a write to a dead medium might.
        rig.input.SetRecordSink([&](std::string_view, uint32_t, char, char) {
            std::unique_lock lock(m);
            inSink = true;
            cv.notify_all();
            cv.wait(lock, [&] { return release; });
        });
        rig.input.Start(rig.port);
        rig.peer.Write(std::string(kGga) + "\r\n");
        ASSERT_TRUE(rig.Pump([&] {
            std::lock_guard lock(m);
            return inSink;
        }));
        EXPECT_FALSE(rig.input.Stop());
        EXPECT_EQ(rig.input.Stragglers(), 1u);
        EXPECT_FALSE(rig.input.Running());
        releaser = std::thread([&] {
            std::this_thread::sleep_for(100ms);
            std::lock_guard lock(m);
            release = true;
            cv.notify_all();
        });
        // Leaving the scope destroys the input, which waits for the stuck reader.
    }
    releaser.join();
    std::lock_guard lock(m);
    EXPECT_TRUE(release);
}

TEST(GpsWatchdogThreads, WarnsAfterSixSecondsOfSilenceUntilAVerifiedSentence) {
    ManualClock clock(100000);
    Rig rig(clock);
    rig.input.Start(rig.port);
    EXPECT_EQ(rig.fix.lastValidTick.load(), 100000u);
    EXPECT_EQ(rig.fix.watchdogRunFlag.load(), 1);

    clock.Advance(6000); // not more than 6000 ms yet
    rig.PumpFor(100ms);
    EXPECT_EQ(rig.view.Warnings(), 0);

    clock.Advance(1);
    ASSERT_TRUE(rig.Pump([&] { return rig.view.Warnings() >= 2; }));
    EXPECT_EQ(rig.view.Text(GpsCell::FixQuality), "GPS!");

    // A verified GGA repaints the cells and ends the silence.
    rig.peer.Write(std::string(kGga) + "\r\n");
    ASSERT_TRUE(rig.Pump([&] { return rig.view.Text(GpsCell::FixQuality) == "AGPS"; }));
    rig.PumpFor(30ms);
    rig.view.Clear();
    rig.PumpFor(100ms);
    EXPECT_EQ(rig.view.Warnings(), 0);

    clock.Advance(6001);
    EXPECT_TRUE(rig.Pump([&] { return rig.view.Warnings() >= 1; }));
    EXPECT_TRUE(rig.input.Stop());
    EXPECT_EQ(rig.fix.watchdogRunFlag.load(), 0);
}

TEST(GpsWatchdogThreads, RealSilenceWarnsAtTheGivenPeriod) {
    SystemClock clock;
    GpsTimings timings = Rig::FastTimings();
    timings.silenceMs = 60;
    timings.watchdogPeriodMs = 59;
    Rig rig(clock, timings);
    rig.input.Start(rig.port);
    rig.PumpFor(30ms);
    EXPECT_EQ(rig.view.Warnings(), 0);
    EXPECT_TRUE(rig.Pump([&] { return rig.view.Warnings() >= 2; }, 1000ms));
    // The watchdog sleeps a whole period, yet a stop does not wait for it.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(rig.input.Stop());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
}

} // namespace
} // namespace tm47

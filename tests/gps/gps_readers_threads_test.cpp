// The GPS reader and watchdog threads, and the GPS monitor reader, over a real pseudo-terminal;
// the test thread plays the GUI thread and drains the hand-overs itself, so it can also leave a
// reader waiting in one.

#include "gps/gps_input.h"
#include "gps/gps_monitor_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "gps_view_support.h"
#include "nmea_capture_support.h"
#include "sim/gps_simulator.h"
#include "tests/datafile/temp_dir_support.h"
#include "tests/support/pty_peer.h"

namespace tm47 {
namespace {

using namespace std::chrono_literals;
using testing::FakeGpsView;
using testing::PtyPeer;

const std::string kGga =
    "$GPGGA,120000.00,5000.0000,N,01000.0000,E,1,08,0.9,100.0,M,40.0,M,,*6F\r\n";

// Plays the GUI event loop: drains `handover` until `done` or `limit`.
bool Pump(SyncHandover& handover, const std::function<bool()>& done,
          std::chrono::milliseconds limit = 5s) {
    for (const auto end = std::chrono::steady_clock::now() + limit;
         !done() && std::chrono::steady_clock::now() < end;) {
        handover.Drain();
        std::this_thread::sleep_for(2ms);
    }
    return done();
}

// The GPS input of one session with a fake screen; the record sink notes tags, tick and text.
struct Rig {
    explicit Rig(const Clock& clock, GpsTimings t = {20, 6000, 10})
        : input(fix, clock, view, std::bind(&Rig::Inputs, this), t) {
        EXPECT_TRUE(port.Open(peer.SlavePath(), SerialUse::Gps, {}));
        input.SetRecordSink([this](std::string_view text, uint32_t tick, char a, char b) {
            std::lock_guard lock(mutex);
            written.push_back(std::string{a, b, ' '} + std::to_string(tick) + " " +
                              std::string(text));
        });
    }
    GpsStatusInputs Inputs() {
        shownTexts.push_back(fix.sentenceText);
        return {true, logging, true};
    }
    bool Pump(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s) {
        return tm47::Pump(input.Handover(), done, limit);
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
    std::vector<std::string> written;
    GpsInput input;
};

// The capture (sent in odd-sized pieces so sentences straddle the reads) and a line with a bad
// checksum are shown and written with their tags; a closed port ends the reader; restarted
// on a fresh port outside logging, lines are shown but not written. Neither a reader waiting
// in a hand-over the GUI never drains nor a watchdog asleep for a whole period holds up a stop.
TEST(GpsReaderThreads, LinesAreWrittenWhileLoggingOnlyAndStopNeverWaitsOnAHandOver) {
    ManualClock clock(1000);
    Rig rig(clock, {20, 6000, 10000});
    rig.input.Start(rig.port);
    const std::string bad = kGga.substr(0, kGga.size() - 3) + "E";
    const std::string bytes = testing::ReadCapture("bu353-glonass.nmea") + bad + "\r\n";
    auto expected = testing::ReadExpected("bu353-glonass.expected");
    expected.push_back({false, bad});
    for (std::size_t at = 0; at < bytes.size(); at += 37) {
        rig.peer.Write(bytes.substr(at, 37));
    }
    ASSERT_TRUE(rig.Pump([&] { return rig.WrittenCount() == expected.size(); }));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(rig.written[i],
                  (expected[i].checksumOk ? "@# 1000 " : "?\" 1000 ") + expected[i].text);
    }
    EXPECT_EQ(rig.shownTexts.size(), expected.size());
    EXPECT_EQ(rig.input.FramerStats().lines, expected.size());

    rig.port.Close();
    EXPECT_TRUE(rig.Pump([&] { return rig.fix.readerState.load() == GpsReaderState::Ended; }));
    EXPECT_TRUE(rig.input.Stop());
    EXPECT_EQ(rig.fix.watchdogRunFlag.load(), GpsWatchdogState::Stopped);
    SerialPort again;
    ASSERT_TRUE(again.Open(rig.peer.SlavePath(), SerialUse::Gps, {}));
    rig.logging = false; // Stand By
    rig.input.Start(again);
    rig.peer.Write(kGga);
    ASSERT_TRUE(rig.Pump([&] { return rig.shownTexts.size() == expected.size() + 1; }));
    EXPECT_EQ(rig.view.Text(GpsCell::FixQuality), "AGPS");

    const std::size_t delivered = rig.input.Handover().Delivered();
    rig.peer.Write(kGga + kGga);
    std::this_thread::sleep_for(300ms); // the reader waits in the undrained hand-over
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(rig.input.Stop());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_EQ(rig.input.Handover().Delivered(), delivered);
    EXPECT_EQ(rig.WrittenCount(), expected.size());
    EXPECT_FALSE(again.IsOpen());
}

// The watchdog warns after more than 6 s without a verified sentence. A verified line of 150
// characters reaches the file whole with the tick of its "$" and shows its first 127
// characters. (That a verified sentence ends the warning is the GPS status row's test.)
TEST(GpsWatchdogThreads, WarnsAfterSixSecondsOfSilenceAndALongLineKeepsTheTickOfItsDollar) {
    ManualClock clock(100000);
    Rig rig(clock);
    rig.input.Start(rig.port);
    clock.Advance(6000);
    EXPECT_FALSE(rig.Pump([&] { return rig.view.warnings > 0; }, 100ms));
    clock.Advance(1);
    ASSERT_TRUE(rig.Pump([&] { return rig.view.warnings >= 2; }));
    EXPECT_EQ(rig.view.Text(GpsCell::FixQuality), "GPS!");

    // 'A' ^ 'A' cancels: the body's checksum is that of "GPTXT,".
    const std::string line = "$GPTXT," + std::string(140, 'A') + "*63";
    rig.peer.Write(line.substr(0, 40));
    std::this_thread::sleep_for(150ms); // the reader has taken the "$"
    clock.Advance(1000);
    rig.peer.Write(line.substr(40) + "\r\n");
    ASSERT_TRUE(rig.Pump([&] { return rig.WrittenCount() == 1; }));
    EXPECT_EQ(rig.written[0], "@# 106001 " + line); // the tick of the "$"
    EXPECT_EQ(rig.shownTexts.at(0), line.substr(0, 127));
}

// The GPS monitor reader reopens a pulled receiver once it is back, and a stop ends the reader
// while it waits in a hand-over. (The session's reader on a pulled and returned receiver is the
// whole-session test's; the monitor's listing, its Pause and Go are the GPS monitor window's.)
TEST(GpsMonitorReaderThreads, AReceiverPulledAndPluggedBackIsReadAgain) {
    SystemClock clock;
    const TempDir dir;
    GpsConfig config;
    config.intervalMs = 50;
    config.linkPath = (dir.Path() / "gps").string(); // the stable name udev gives an adapter
    GpsSimulator receiver(config);
    ASSERT_TRUE(receiver.Start());
    GpsFix fix;
    GpsMonitorReader reader(fix, clock, GpsMonitorTimings{20, 60000, 1000, 2000, 50});
    std::vector<std::string> listed;
    reader.SetLineSink(
        [&] { listed.emplace_back(fix.validSentenceText.begin(), fix.validSentenceText.end()); });
    SerialPort window;
    ASSERT_TRUE(window.Open(config.linkPath, SerialUse::Gps, {}));
    reader.Start(window);
    SyncHandover& h = reader.Handover();
    receiver.Hangup();
    ASSERT_TRUE(Pump(h, [&] { return !window.IsOpen(); }));
    listed.clear();
    ASSERT_TRUE(receiver.Return());
    ASSERT_TRUE(Pump(h, [&] { return window.IsOpen() && !listed.empty(); }));
    EXPECT_EQ(listed.back().substr(0, 3), "$GP");
    std::this_thread::sleep_for(150ms); // a line waits in the hand-over: nobody drains it
    const std::size_t shown = listed.size();
    EXPECT_TRUE(reader.Suspend()); // a reader in a hand-over counts as parked
    EXPECT_TRUE(reader.Stop());
    EXPECT_EQ(reader.Stragglers(), 0u);
    EXPECT_FALSE(window.IsOpen());
    h.Drain();
    EXPECT_EQ(listed.size(), shown);
}

} // namespace
} // namespace tm47

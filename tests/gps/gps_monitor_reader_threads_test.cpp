// The GPS monitor reader over a real pseudo-terminal; the test thread plays the GUI thread
// and drains the hand-over itself, so it can also leave the reader waiting in it.

#include "gps/gps_monitor_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/pty_peer.h"

namespace tm47 {
namespace {

using namespace std::chrono_literals;
using testing::PtyPeer;

struct MonitorRig {
    MonitorRig() : reader(fix, clock, GpsMonitorTimings{20, 60000, 1000, 2000}) {
        EXPECT_TRUE(port.Open(peer.SlavePath(), SerialUse::Gps, {}));
        reader.SetLineSink([this] {
            lines.emplace_back(fix.validSentenceText.begin(), fix.validSentenceText.end());
            EXPECT_EQ(fix.sentenceValid, 1);
        });
    }
    // Drains the hand-over until `count` lines came or `limit` passed.
    void DrainUntil(std::size_t count, std::chrono::milliseconds limit = 2000ms) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (lines.size() < count && std::chrono::steady_clock::now() < end) {
            reader.Handover().Drain();
            std::this_thread::sleep_for(2ms);
        }
    }

    PtyPeer peer;
    SystemClock clock;
    GpsFix fix;
    GpsMonitorReader reader;
    SerialPort port;
    std::vector<std::string> lines;
};

// Every line is listed unchecked; a suspended reader reads nothing until resumed; a stop
// ends a reader left waiting in a hand-over; a restart reads the fresh port. (Silence and
// the screen's Pause and Go are the GPS monitor window's tests.)
TEST(GpsMonitorReaderThreads, ListsSuspendsStopsAndRestarts) {
    MonitorRig rig;
    rig.reader.Start(rig.port);
    rig.peer.Write("$GPGGA,bad*00\r\nno dollar\r\n\n$GPRMC,1*00\r\n");
    rig.DrainUntil(3);
    EXPECT_EQ(rig.lines, (std::vector<std::string>{"$GPGGA,bad*00", "no dollar", "$GPRMC,1*00"}));

    EXPECT_TRUE(rig.reader.Suspend());
    rig.peer.Write("$GPGGA,1*00\r\n");
    std::this_thread::sleep_for(150ms);
    rig.reader.Handover().Drain();
    EXPECT_EQ(rig.lines.size(), 3u);
    rig.reader.Resume();
    rig.DrainUntil(4);
    EXPECT_EQ(rig.lines.back(), "$GPGGA,1*00");

    rig.peer.Write("$GPGGA,2*00\r\n");
    std::this_thread::sleep_for(150ms); // the line waits in the hand-over: nobody drains it
    EXPECT_TRUE(rig.reader.Suspend());  // a reader in a hand-over counts as parked
    EXPECT_TRUE(rig.reader.Stop());
    EXPECT_EQ(rig.reader.Stragglers(), 0u);
    EXPECT_FALSE(rig.port.IsOpen());
    rig.reader.Handover().Drain();
    EXPECT_EQ(rig.lines.size(), 4u);

    SerialPort again;
    ASSERT_TRUE(again.Open(rig.peer.SlavePath(), SerialUse::Gps, {}));
    rig.reader.Start(again);
    rig.peer.Write("$GPGSA,2*00\r\n");
    rig.DrainUntil(5);
    EXPECT_EQ(rig.lines.back(), "$GPGSA,2*00");
    EXPECT_TRUE(rig.reader.Stop());
}

} // namespace
} // namespace tm47

// The serial port on a real pseudo-terminal. (The hand-over between reader threads and the GUI
// thread runs under the thread checker in the link and GPS reader tests.)
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/serial_port.h"
#include "tests/support/pty_peer.h"

namespace tm47 {
namespace {

using namespace std::chrono_literals;
using testing::PtyPeer;

TEST(SerialPort, RawBytesPassUnchangedBothWaysAndReadsTimeOut) {
    PtyPeer peer;
    SerialPort port;
    ASSERT_TRUE(port.Open(peer.SlavePath(), SerialUse::Instrument, {}));
    // CR, LF, NUL, high bit, Ctrl-C, 0x7F: no translation, stripping or signals.
    std::vector<uint8_t> bytes = {'\r', '\n', 0, 0xFF, 0x03, 0x7F, 0x11, 0x13};
    peer.Write(bytes);
    std::vector<uint8_t> got;
    uint8_t b;
    while (got.size() < bytes.size() && port.ReadByteWithin(b, 500) == ReadResult::Byte) {
        got.push_back(b);
    }
    EXPECT_EQ(got, bytes);
    EXPECT_EQ(port.Write(bytes.data(), bytes.size()), bytes.size());
    EXPECT_EQ(peer.Read(500, bytes.size()), bytes);

    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(port.ReadByte(b), ReadResult::Timeout);
    auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(took, 15ms); // 10 ms per byte + 10 ms
}

TEST(SerialPort, OpenFailureSaysWhyAndAPseudoTerminalTakesEveryLineSetting) {
    SerialPort port;
    std::string error;
    EXPECT_FALSE(port.Open("/nonexistent/tty", SerialUse::Gps, {}, &error));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_NE(error.find("/nonexistent/tty"), std::string::npos);
    EXPECT_FALSE(port.Open("/dev/null", SerialUse::Output, {}, &error)); // not a terminal
    PtyPeer peer;
    for (int baud = 0; baud < 7; ++baud) {
        SerialLineSettings line{baud, baud % 3, baud % 2, baud % 2};
        EXPECT_TRUE(SerialPort().Open(peer.SlavePath(), SerialUse::Gps, line)) << baud;
    }
}

TEST(SerialPort, ClosingFromAnotherThreadEndsABlockedReaderWithinOneTimeOut) {
    PtyPeer peer;
    SerialPort gui;
    ASSERT_TRUE(gui.Open(peer.SlavePath(), SerialUse::Gps, {})); // 200 ms per byte
    std::atomic<bool> ended{false};
    std::atomic<int> reads{0};
    std::thread reader([port = gui, &ended, &reads] {
        uint8_t b;
        while (port.ReadByte(b) != ReadResult::Closed) {
            reads++;
        }
        ended = true;
    });
    std::this_thread::sleep_for(50ms);
    auto t0 = std::chrono::steady_clock::now();
    gui.Close();
    reader.join();
    EXPECT_TRUE(ended);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 200ms);
}

TEST(SerialPort, WriteBlockedByTheReceiverEndsWhenThePortCloses) {
    PtyPeer peer; // nobody reads the master: the pty fills up
    SerialPort gui;
    ASSERT_TRUE(gui.Open(peer.SlavePath(), SerialUse::Output, {}));
    std::thread writer([port = gui] {
        std::vector<uint8_t> big(1 << 20, 'x');
        port.Write(big.data(), big.size());
    });
    std::this_thread::sleep_for(100ms);
    gui.Close();
    writer.join(); // would hang forever without the wake-up
}

} // namespace
} // namespace tm47

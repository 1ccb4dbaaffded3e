// The serial port on a real pseudo-terminal. (The hand-over between reader threads and the GUI
// thread runs under the thread checker in the link and GPS reader tests.)
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <filesystem>
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

TEST(SerialPort, ClosingFromAnotherThreadEndsABlockedReaderWithinOneTimeOut) {
    PtyPeer peer;
    SerialPort gui;
    ASSERT_TRUE(gui.Open(peer.SlavePath(), SerialUse::Gps, {})); // 200 ms per byte
    std::thread reader([reader = SerialReader(gui)]() mutable {
        uint8_t b;
        while (reader.Next(b) != ReadResult::Closed) {
        }
    });
    std::this_thread::sleep_for(50ms);
    auto t0 = std::chrono::steady_clock::now();
    gui.Close();
    reader.join();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 200ms);
}

// A reader may sleep long in a read: Interrupt() from another thread ends the wait at once
// (a suspension or a stop does not wait for the read's limit), and then reads go on.
TEST(SerialPort, InterruptEndsALongWaitAtOnce) {
    PtyPeer peer;
    SerialPort gui;
    ASSERT_TRUE(gui.Open(peer.SlavePath(), SerialUse::Instrument, {}));
    SerialReader reader(gui);
    std::atomic<bool> waiting{false};
    ReadResult result = ReadResult::Byte;
    std::chrono::steady_clock::duration took{};
    std::thread thread([&] {
        uint8_t b = 0;
        waiting = true;
        const auto t0 = std::chrono::steady_clock::now();
        result = reader.NextWithin(b, 10000);
        took = std::chrono::steady_clock::now() - t0;
    });
    while (!waiting) {
        std::this_thread::sleep_for(1ms);
    }
    std::this_thread::sleep_for(20ms);
    reader.Interrupt();
    thread.join();
    EXPECT_EQ(result, ReadResult::Timeout);
    EXPECT_LT(took, 5000ms);
    peer.Write("A");
    uint8_t b = 0;
    EXPECT_EQ(reader.NextWithin(b, 1000), ReadResult::Byte);
    EXPECT_EQ(b, 'A');
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

// CPU time this process has used, in ms.
double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Whether any descriptor of this process still leads to `device`.
bool ProcessHolds(const std::string& device) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (std::filesystem::read_symlink(entry.path(), ec) == device) {
            return true;
        }
    }
    return false;
}

// What a reader sees: bytes, silence, and a device that went away (the other end of the
// pseudo-terminal closed, as a pulled USB adapter looks) are three different results, and
// the hang-up neither spins nor keeps the device open on any handle.
TEST(SerialPort, HangUpIsItsOwnResultClosesEveryHandleAndNeverSpins) {
    PtyPeer peer;
    SerialPort gui;
    ASSERT_TRUE(gui.Open(peer.SlavePath(), SerialUse::Gps, {}));
    SerialReader reader(gui);
    uint8_t b = 0;
    peer.Write("$");
    EXPECT_EQ(reader.NextWithin(b, 500), ReadResult::Byte);
    EXPECT_EQ(b, '$');
    EXPECT_EQ(reader.NextWithin(b, 30), ReadResult::Timeout);

    const std::string device = peer.SlavePath();
    peer.HangUp();
    EXPECT_EQ(reader.NextWithin(b, 500), ReadResult::HungUp);
    EXPECT_FALSE(gui.IsOpen()) << "every handle of the port is closed";
    EXPECT_TRUE(gui.HungUp());
    EXPECT_FALSE(ProcessHolds(device)) << "the device is let go at once";
    // A reader that keeps asking waits out its time-outs instead of spinning.
    const double cpu0 = ProcessCpuMs();
    const auto t0 = std::chrono::steady_clock::now();
    int reads = 0;
    while (std::chrono::steady_clock::now() - t0 < 300ms) {
        EXPECT_EQ(reader.NextWithin(b, 50), ReadResult::HungUp);
        if (++reads > 1000) {
            break;
        }
        std::this_thread::sleep_for(5ms); // what a caller that notices nothing would do
    }
    EXPECT_LT(ProcessCpuMs() - cpu0, 100.0);
    EXPECT_FALSE(gui.Reopen()) << "the device has not come back";
}

// The reader takes what the driver has in one call, hands it out byte by byte across reads
// that split a frame, and a purge on any handle throws away what it had buffered.
TEST(SerialPort, ReaderBuffersSplitReadsAndAPurgeEmptiesItsBuffer) {
    PtyPeer peer;
    SerialPort gui;
    ASSERT_TRUE(gui.Open(peer.SlavePath(), SerialUse::Instrument, {}));
    SerialReader reader(gui);
    const std::string frame = "T123456789012\x7f\x7f";
    peer.Write(frame.substr(0, 6));
    std::string got;
    uint8_t b = 0;
    ASSERT_EQ(reader.NextWithin(b, 500), ReadResult::Byte);
    got += static_cast<char>(b);
    EXPECT_EQ(reader.Buffered(), 5u) << "one read took all six bytes";
    peer.Write(frame.substr(6));
    while (got.size() < frame.size() && reader.NextWithin(b, 500) == ReadResult::Byte) {
        got += static_cast<char>(b);
    }
    EXPECT_EQ(got, frame);

    peer.Write("OLD-MODE");
    ASSERT_EQ(reader.NextWithin(b, 500), ReadResult::Byte);
    ASSERT_EQ(b, 'O');
    gui.PurgeRx();
    peer.Write("N");
    ASSERT_EQ(reader.NextWithin(b, 500), ReadResult::Byte);
    EXPECT_EQ(b, 'N') << "no byte read before the purge survives it";
}

// Not shared: a second open of the port fails as busy, also against root (the lock does not
// care who asks); a handle still held by an ending thread does not keep it busy once closed.
TEST(SerialPort, APortIsNotSharedAndCloseFreesItAtOnce) {
    PtyPeer peer;
    SerialPort first;
    ASSERT_TRUE(first.Open(peer.SlavePath(), SerialUse::Gps, {}));
    int err = 0;
    std::string error;
    EXPECT_FALSE(SerialPort().Open(peer.SlavePath(), SerialUse::Gps, {}, &error, &err));
    EXPECT_EQ(err, EBUSY) << error;

    const SerialPort lingering = first; // a reader thread's share, not yet let go
    first.Close();
    SerialPort again;
    EXPECT_TRUE(again.Open(peer.SlavePath(), SerialUse::Gps, {}, &error)) << error;
    EXPECT_FALSE(lingering.IsOpen());
}

} // namespace
} // namespace tm47

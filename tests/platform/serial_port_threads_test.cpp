// The serial port on a real pseudo-terminal. (The hand-over between reader threads and the GUI
// thread runs under the thread checker in the link and GPS reader tests.)
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/serial_port.h"
#include "tests/support/pty_peer.h"

namespace tm47 {
namespace {

using namespace std::chrono_literals;

// The GUI's handle of a port on a fresh pseudo-terminal.
struct Port : ::testing::Test {
    testing::PtyPeer peer;
    SerialPort gui;
    uint8_t b = 0;

    void Open(SerialUse use) { ASSERT_TRUE(gui.Open(peer.SlavePath(), use, {})); }
};

TEST_F(Port, RawBytesPassUnchangedAndAPurgeEmptiesTheReadersBuffer) {
    Open(SerialUse::Instrument);
    // CR, LF, NUL, high bit, Ctrl-C, 0x7F, XON, XOFF: no translation, stripping or signals.
    std::vector<uint8_t> bytes = {'\r', '\n', 0, 0xFF, 0x03, 0x7F, 0x11, 0x13};
    peer.Write(bytes);
    std::vector<uint8_t> got;
    while (got.size() < bytes.size() && gui.ReadByteWithin(b, 500) == ReadResult::Byte) {
        got.push_back(b);
    }
    EXPECT_EQ(got, bytes);
    EXPECT_EQ(gui.Write(bytes.data(), bytes.size()), bytes.size());
    EXPECT_EQ(peer.Read(500, bytes.size()), bytes);
    EXPECT_EQ(gui.ReadByte(b), ReadResult::Timeout);

    // The reader takes what the driver has in one call and hands it out byte by byte; a purge
    // on any handle throws away what it had buffered.
    SerialReader reader(gui);
    peer.Write("OLD-MODE");
    ASSERT_EQ(reader.NextWithin(b, 500), ReadResult::Byte);
    ASSERT_EQ(b, 'O');
    EXPECT_EQ(reader.Buffered(), 7u) << "one read took all eight bytes";
    gui.PurgeRx();
    peer.Write("N");
    ASSERT_EQ(reader.NextWithin(b, 500), ReadResult::Byte);
    EXPECT_EQ(b, 'N') << "no byte read before the purge survives it";
}

// A reader may sleep long in a read: Interrupt() from another thread ends the wait at once
// (a suspension does not wait for the read's limit) and reads go on; Close() ends it for good.
TEST_F(Port, InterruptAndCloseEndALongWaitAtOnce) {
    Open(SerialUse::Instrument);
    SerialReader reader(gui);
    std::atomic<int> result{-1}, after{0};
    std::atomic<bool> waiting{false};
    std::thread thread([&] {
        uint8_t c = 0;
        waiting = true;
        result = static_cast<int>(reader.NextWithin(c, 10000));
        after = reader.NextWithin(c, 1000) == ReadResult::Byte ? c : -1;
        while (reader.Next(c) != ReadResult::Closed) {
        }
    });
    while (!waiting) {
        std::this_thread::sleep_for(1ms);
    }
    std::this_thread::sleep_for(20ms); // the reader sleeps in its read
    auto t0 = std::chrono::steady_clock::now();
    reader.Interrupt();
    while (result < 0 && std::chrono::steady_clock::now() - t0 < 5s) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 1000ms);
    EXPECT_EQ(result.load(), static_cast<int>(ReadResult::Timeout));
    peer.Write("A");
    while (after == 0) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(after.load(), 'A');
    t0 = std::chrono::steady_clock::now();
    gui.Close();
    thread.join();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 200ms);
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
// the hang-up keeps the device open on no handle. (That a reader on a hung-up port does not
// spin is the whole-session GPS unplug test's.)
TEST_F(Port, HangUpIsItsOwnResultAndClosesEveryHandle) {
    Open(SerialUse::Gps);
    SerialReader reader(gui);
    peer.Write("$");
    EXPECT_EQ(reader.NextWithin(b, 500), ReadResult::Byte);
    EXPECT_EQ(reader.NextWithin(b, 30), ReadResult::Timeout);

    const std::string device = peer.SlavePath();
    peer.HangUp();
    EXPECT_EQ(reader.NextWithin(b, 500), ReadResult::HungUp);
    EXPECT_FALSE(gui.IsOpen()) << "every handle of the port is closed";
    EXPECT_TRUE(gui.HungUp());
    EXPECT_FALSE(ProcessHolds(device)) << "the device is let go at once";
    EXPECT_FALSE(gui.Reopen()) << "the device has not come back";
}

// Not shared: a second open of the port fails as busy, also against root (the lock does not
// care who asks); a handle still held by an ending thread does not keep it busy once closed.
// A write blocked by a receiver that reads nothing ends when the port closes.
TEST_F(Port, APortIsNotSharedAndCloseFreesItAndEndsABlockedWrite) {
    Open(SerialUse::Gps);
    testing::PtyPeer other;
    int err = 0;
    std::string error;
    EXPECT_FALSE(SerialPort().Open(peer.SlavePath(), SerialUse::Gps, {}, &error, &err));
    EXPECT_EQ(err, EBUSY) << error;

    const SerialPort lingering = gui; // a reader thread's share, not yet let go
    gui.Close();
    EXPECT_TRUE(SerialPort().Open(peer.SlavePath(), SerialUse::Gps, {}, &error)) << error;
    EXPECT_FALSE(lingering.IsOpen());

    SerialPort output;
    ASSERT_TRUE(output.Open(other.SlavePath(), SerialUse::Output, {}));
    std::thread writer([output] {
        std::vector<uint8_t> big(1 << 20, 'x'); // nobody reads the master: the pty fills up
        output.Write(big.data(), big.size());
    });
    std::this_thread::sleep_for(100ms);
    output.Close();
    writer.join(); // would hang forever without the wake-up
}

} // namespace
} // namespace tm47

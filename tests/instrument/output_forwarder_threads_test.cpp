// The output port queue: a receiver that holds XOFF never stalls the
// writers, excess bytes are dropped whole with one warning, and Stop always returns.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "instrument/output_forwarder.h"
#include "platform/serial_port.h"
#include "tests/support/pty_peer.h"

namespace tm47 {
namespace {

using Ms = std::chrono::milliseconds;

// A receiver that takes bytes until it is told to hold (XOFF), then blocks the writer until it
// is released (XON) or purged.
struct Receiver {
    std::mutex mutex;
    std::condition_variable cv;
    bool holding = true;
    bool purged = false;
    std::string bytes;

    std::size_t Write(const uint8_t* d, std::size_t n) {
        std::unique_lock lock(mutex);
        cv.wait(lock, [&] { return !holding || purged; });
        bytes.append(purged ? "" : std::string(reinterpret_cast<const char*>(d), n));
        return purged ? 0 : n;
    }
    void Set(bool hold, bool purge) {
        std::lock_guard lock(mutex);
        holding = hold;
        purged = purge;
        cv.notify_all();
    }
    std::size_t Size() {
        std::lock_guard lock(mutex);
        return bytes.size();
    }
};

OutputForwarder::WriteFn WriterOf(const std::shared_ptr<Receiver>& r) {
    return [r](const uint8_t* d, std::size_t n) { return r->Write(d, n); };
}

TEST(OutputForwarder, BlockedReceiverDropsWholePiecesAndWarnsOnceWithoutStalling) {
    auto rx = std::make_shared<Receiver>();
    OutputForwarder out(24 * 100);
    EXPECT_FALSE(out.Enqueue("not started"));
    std::atomic<int> told{0};
    out.SetBlockedHandler([&] { ++told; });
    out.Start(WriterOf(rx), [rx] { rx->Set(true, true); });

    const std::string record(23, 'R');
    const auto start = std::chrono::steady_clock::now();
    int accepted = 0;
    for (int i = 0; i < 5000; ++i) {
        accepted += out.Enqueue(record + "\n") ? 1 : 0;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, Ms(2000)); // never waited on the port
    // One record in the writer's hands, a full queue behind it.
    EXPECT_LE(accepted, 101);
    EXPECT_GE(accepted, 100);
    EXPECT_EQ(out.DroppedBytes(), static_cast<uint64_t>(5000 - accepted) * 24);
    EXPECT_EQ(told.load(), 1);
    EXPECT_EQ(out.TakeBlockedWarning(), std::optional<std::string>("Output port blocked"));
    EXPECT_EQ(out.TakeBlockedWarning(), std::nullopt);

    // XON: the queued records go out whole, and new ones are taken again.
    rx->Set(false, false);
    ASSERT_TRUE(out.WaitDrained(5000));
    EXPECT_TRUE(out.Enqueue(record + "\n"));
    ASSERT_TRUE(out.WaitDrained(5000));
    EXPECT_EQ(rx->Size(), static_cast<std::size_t>(accepted + 1) * 24);
    EXPECT_EQ(told.load(), 1);
    out.Stop();
}

TEST(OutputForwarder, StopReturnsEvenWhenTheDriverNeverLetsGo) {
    auto rx = std::make_shared<Receiver>();
    {
        OutputForwarder out;
        out.Start(WriterOf(rx), {}); // nothing can unblock this writer
        out.Enqueue("stuck");
        const auto start = std::chrono::steady_clock::now();
        out.Stop(50);
        EXPECT_LT(std::chrono::steady_clock::now() - start, Ms(1500));
    }
    // The abandoned writer ends once the driver lets go; it touched only its own state.
    rx->Set(false, false);
    for (int i = 0; i < 100 && rx->Size() == 0; ++i) {
        std::this_thread::sleep_for(Ms(10));
    }
}

// The real output port on a pseudo-terminal: the receiver sends XOFF and never XON.
TEST(OutputForwarder, PortHeldByXoffDropsAndWarnsOnceWhileRecordsKeepComing) {
    testing::PtyPeer peer;
    SerialPort port;
    std::string error;
    ASSERT_TRUE(
        port.Open(peer.SlavePath(), SerialUse::Output, SerialLineSettings{3, 0, 1, 0}, &error))
        << error;
    OutputForwarder out(64 * 1024);
    out.Start(port);

    // Flowing: the receiver gets the bytes in order.
    const std::string first = "L1" + std::string(21, ' ') + "\n";
    ASSERT_TRUE(out.Enqueue(first));
    const std::vector<uint8_t> got = peer.Read(2000, first.size());
    EXPECT_EQ(std::string(got.begin(), got.end()), first);

    peer.Write(std::string(1, '\x13')); // XOFF
    std::this_thread::sleep_for(Ms(50));
    const std::string record(23, 'R');
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20000; ++i) { // 480 000 bytes: more than the driver and the queue hold
        out.Enqueue(record + "\n");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, Ms(2000));
    EXPECT_TRUE(out.Blocked());
    EXPECT_GT(out.DroppedBytes(), 0u);
    EXPECT_EQ(out.DroppedBytes() % 24, 0u);
    EXPECT_EQ(out.TakeBlockedWarning(), std::optional<std::string>("Output port blocked"));
    EXPECT_EQ(out.TakeBlockedWarning(), std::nullopt);

    const auto stopAt = std::chrono::steady_clock::now();
    out.Stop(100);
    EXPECT_LT(std::chrono::steady_clock::now() - stopAt, Ms(1500));
    EXPECT_FALSE(out.Running());
    EXPECT_FALSE(out.Enqueue("late"));
    port.Close();
}

} // namespace
} // namespace tm47

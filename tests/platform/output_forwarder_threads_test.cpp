// The output port queue: a receiver that holds XOFF never stalls the writers, excess bytes are
// dropped whole with one warning, what was queued goes out whole after XON, and Stop always
// returns.
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/output_forwarder.h"
#include "platform/serial_port.h"
#include "tests/support/pty_peer.h"

namespace tm47 {
namespace {

using Ms = std::chrono::milliseconds;

// The real output port on a pseudo-terminal: the receiver sends XOFF, later XON.
TEST(OutputForwarder, PortHeldByXoffDropsWholeRecordsWarnsOnceAndSendsTheRestAfterXon) {
    testing::PtyPeer peer;
    SerialPort port;
    ASSERT_TRUE(port.Open(peer.SlavePath(), SerialUse::Output, SerialLineSettings{3, 0, 1, 0}));
    OutputForwarder out(64 * 1024);
    std::atomic<int> told{0};
    out.SetBlockedHandler([&] { ++told; });
    out.Start(port);

    const std::string record = std::string(23, 'R') + "\n";
    peer.Write(std::string(1, '\x13')); // XOFF
    std::this_thread::sleep_for(Ms(50));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20000; ++i) { // 480 000 bytes: more than the driver and the queue hold
        out.Enqueue(record);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, Ms(2000)); // never waited on the port
    EXPECT_TRUE(out.Blocked());
    const uint64_t dropped = out.DroppedBytes();
    EXPECT_GT(dropped, 0u);
    EXPECT_EQ(told.load(), 1);
    EXPECT_EQ(out.TakeBlockedWarning(), std::optional<std::string>("Output port blocked"));
    EXPECT_EQ(out.TakeBlockedWarning(), std::nullopt);

    // XON: everything accepted arrives, in whole records, and new records are taken again.
    peer.Write(std::string(1, '\x11'));
    const std::size_t accepted = 20000 * record.size() - dropped;
    std::string rest;
    for (int i = 0; i < 50 && rest.size() < accepted; ++i) {
        const auto got = peer.Read(100, accepted - rest.size());
        rest.append(got.begin(), got.end());
    }
    EXPECT_TRUE(out.WaitDrained(2000));
    EXPECT_EQ(accepted % record.size(), 0u);
    std::string whole;
    while (whole.size() < accepted) {
        whole += record;
    }
    EXPECT_TRUE(rest == whole) << "records arrive whole, in order";
    EXPECT_TRUE(out.Enqueue(record));

    const auto stopAt = std::chrono::steady_clock::now();
    out.Stop(100);
    EXPECT_LT(std::chrono::steady_clock::now() - stopAt, Ms(1500));
    EXPECT_FALSE(out.Enqueue("late"));
    port.Close();
}

TEST(OutputForwarder, StopReturnsEvenWhenTheDriverNeverLetsGo) {
    const auto letGo = std::make_shared<std::atomic<bool>>(false);
    {
        OutputForwarder out;
        out.Start( // nothing can unblock this writer
            [letGo](const uint8_t*, std::size_t n) {
                while (!*letGo) {
                    std::this_thread::sleep_for(Ms(5));
                }
                return n;
            },
            {});
        out.Enqueue("stuck");
        const auto start = std::chrono::steady_clock::now();
        out.Stop(50);
        EXPECT_LT(std::chrono::steady_clock::now() - start, Ms(1500));
    }
    // The abandoned writer ends once the driver lets go; it touched only its own state.
    *letGo = true;
    std::this_thread::sleep_for(Ms(50));
}

} // namespace
} // namespace tm47

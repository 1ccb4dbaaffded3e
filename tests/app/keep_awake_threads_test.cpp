// The keep-awake thread: it resets the idle timer at once, stops without waiting out its
// period, and stops resetting once Exit clears its run flag.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/keep_awake.h"

namespace tm47 {
namespace {

bool WaitFor(const std::function<bool()>& done) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done() && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

TEST(KeepAwake, ResetsAtOnceStopsWithoutWaitingItsPeriodAndAClearedFlagEndsTheResets) {
    std::atomic<int> resets{0};
    KeepAwake keepAwake([&resets] { ++resets; }); // the 59 s period
    EXPECT_EQ(keepAwake.RunFlag(), 0);
    keepAwake.Start();
    EXPECT_EQ(keepAwake.RunFlag(), 1);
    ASSERT_TRUE(WaitFor([&] { return keepAwake.Resets() == 1; }));
    const auto before = std::chrono::steady_clock::now();
    keepAwake.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
    EXPECT_FALSE(keepAwake.Running());
    EXPECT_EQ(keepAwake.RunFlag(), 0);
    EXPECT_EQ(resets.load(), 1);

    KeepAwake fast({}, 20);
    fast.Start();
    ASSERT_TRUE(WaitFor([&] { return fast.Resets() >= 3; }));
    fast.ClearRunFlag();
    const uint64_t cleared = fast.Resets();
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // five periods
    EXPECT_LE(fast.Resets(), cleared + 1); // one already under way may still finish
    fast.Stop();
}

} // namespace
} // namespace tm47

#include <gtest/gtest.h>

#include <tuple>

#include "platform/clock.h"

namespace tm47 {
namespace {

TEST(Tick, DifferencesAreWrapSafeAndTicksPrintSigned) {
    const std::tuple<uint32_t, uint32_t, uint32_t, bool> cases[] = {
        {1000, 0, 1000, false},          // "more than": exactly ms is not yet passed
        {400, 0xFFFFFE00u, 1000, false}, // 912 ms across the wrap
        {600, 0xFFFFFC00u, 1000, true},  // 1624 ms across the wrap
    };
    for (const auto& [now, start, ms, passed] : cases) {
        EXPECT_EQ(TickPassed(now, start, ms), passed) << now << " " << start;
    }
    EXPECT_EQ(SignedTick(0x80000000u), -2147483647 - 1);
    EXPECT_EQ(SignedTick(1728000001u), 1728000001);
}

} // namespace
} // namespace tm47

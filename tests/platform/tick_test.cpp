#include <gtest/gtest.h>

#include "platform/clock.h"

namespace tm47 {
namespace {

TEST(Tick, DifferencesAreWrapSafeAndTicksPrintSigned) {
    struct Case {
        uint32_t now, start, ms;
        bool passed;
    } cases[] = {
        {1000, 0, 1000, false},          // "more than": exactly ms is not yet passed
        {400, 0xFFFFFE00u, 1000, false}, // 912 ms across the wrap
        {600, 0xFFFFFC00u, 1000, true},  // 1624 ms across the wrap
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TickPassed(c.now, c.start, c.ms), c.passed) << c.now << " " << c.start;
    }
    EXPECT_EQ(SignedTick(0x80000000u), -2147483647 - 1);
    EXPECT_EQ(SignedTick(1728000001u), 1728000001);
}

} // namespace
} // namespace tm47

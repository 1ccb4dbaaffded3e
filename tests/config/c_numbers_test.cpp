#include "config/c_numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tm47 {
namespace {

TEST(CNumbers, LeadingNumberElseZero) {
    const struct {
        const char* text;
        int32_t integer;
        double floating;
    } cases[] = {
        {"16711680", 16711680, 16711680.0},
        {"  \t42abc", 42, 42.0},
        {"-7", -7, -7.0},
        {"+1e2", 1, 100.0},
        {" -.25x", 0, -0.25},
        {"2.9", 2, 2.9},
        {"1,5", 1, 1.0},
        {"0x1F", 0, 31.0},
        {"abc", 0, 0.0},
        {"", 0, 0.0},
        {"- 5", 0, 0.0},
        {"99999999999", 2147483647, 99999999999.0},
        {"-99999999999", -2147483647 - 1, -99999999999.0},
        {"1e999", 1, HUGE_VAL},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CLeadingInt(c.text), c.integer) << '"' << c.text << '"';
        EXPECT_EQ(CLeadingDouble(c.text), c.floating) << '"' << c.text << '"';
    }
    EXPECT_TRUE(std::isnan(CLeadingDouble("nan")));
}

TEST(CNumbers, FixedHasSixDecimalsAndNarrowingSaturates) {
    EXPECT_EQ(CFormatFixed(-12.5), "-12.500000"); // more in the settings file tests
    EXPECT_EQ(CFormatFixed(1e20), "100000000000000000000.000000");
    EXPECT_EQ(CFormatInt(-2147483647 - 1), "-2147483648");
    // Narrowing beyond the float range gives infinity.
    EXPECT_EQ(NarrowToFloat(1e300), std::numeric_limits<float>::infinity());
    EXPECT_EQ(NarrowToFloat(-1e300), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(NarrowToFloat(0.2), 0.2f);
}

} // namespace
} // namespace tm47

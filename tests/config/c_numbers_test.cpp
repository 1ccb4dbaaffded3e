#include "config/c_numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tm47 {
namespace {

TEST(CNumbers, IntegersReadAsLeadingNumberElseZero) {
    const struct {
        const char* text;
        int32_t expected;
    } cases[] = {
        {"1", 1},
        {"16711680", 16711680},
        {"  \t42abc", 42},
        {"-7", -7},
        {"+3", 3},
        {"0x1F", 0},
        {"abc", 0},
        {"", 0},
        {"- 5", 0},
        {"2.9", 2},
        {"99999999999", 2147483647},
        {"-99999999999", -2147483647 - 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CLeadingInt(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(CNumbers, FloatsReadAsLeadingNumberElseZero) {
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"0.200000", 0.2},   {"500.000000", 500.0}, {" -.25x", -0.25}, {"+1e2", 100.0},
        {"1,5", 1.0},        {"abc", 0.0},          {"", 0.0},         {"0x10", 16.0},
        {"1e999", HUGE_VAL}, {"-1e999", -HUGE_VAL},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CLeadingDouble(c.text), c.expected) << '"' << c.text << '"';
    }
    EXPECT_TRUE(std::isnan(CLeadingDouble("nan")));
}

TEST(CNumbers, FixedHasSixDecimalsAndNarrowingSaturates) {
    EXPECT_EQ(CFormatFixed(0.2f), "0.200000");
    EXPECT_EQ(CFormatFixed(500.0), "500.000000");
    EXPECT_EQ(CFormatFixed(-12.5), "-12.500000");
    EXPECT_EQ(CFormatFixed(1e20), "100000000000000000000.000000");
    EXPECT_EQ(CFormatInt(-2147483647 - 1), "-2147483648");
    // Narrowing beyond the float range gives infinity.
    EXPECT_EQ(NarrowToFloat(1e300), std::numeric_limits<float>::infinity());
    EXPECT_EQ(NarrowToFloat(-1e300), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(NarrowToFloat(0.2), 0.2f);
}

} // namespace
} // namespace tm47

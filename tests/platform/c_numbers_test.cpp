#include "platform/c_numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "tests/support/german_locale.h"

// One table per function, each run under the German locale where it is installed: a
// conversion that looked at the process locale would write or stop at a comma.

namespace tm47 {
namespace {

using std::string_view_literals::operator""sv;

struct CNumbers : ::testing::Test {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    void SetUp() override {
        if (!test::SetGermanLocale(LC_ALL) && test::UnderCi()) {
            FAIL() << test::kNoGermanLocale;
        }
    }
    void TearDown() override { std::setlocale(LC_ALL, saved.c_str()); }
};

// atoi narrows the saturated long to int (2^32 + 1 gives 1, LONG_MAX -1); the 32-bit strtol
// clamps to the int range. A NUL ends the text.
TEST_F(CNumbers, AtoiLikeNarrowsAndStrtolSaturatingInt32Clamps) {
    const struct {
        std::string_view text;
        int32_t atoi, strtol;
    } cases[] = {{" \t\n-3x", -3, -3},
                 {"- 5", 0, 0},
                 {"0x1F", 0, 0},
                 {"7\08"sv, 7, 7},
                 {"2147483648", INT32_MIN, INT32_MAX},
                 {"-2147483649", INT32_MAX, INT32_MIN},
                 {"4294967297", 1, INT32_MAX},
                 {"99999999999999999999", -1, INT32_MAX},
                 {"-99999999999999999999", 0, INT32_MIN}};
    for (const auto& c : cases) {
        EXPECT_EQ(AtoiLike(c.text), c.atoi) << '"' << c.text << '"';
        EXPECT_EQ(StrtolSaturatingInt32(c.text), c.strtol) << '"' << c.text << '"';
    }
}

// The two strtod readers differ only in hexadecimal numbers.
TEST_F(CNumbers, StrtodLikeReadsHexadecimalAndStrtodDecimalLikeDoesNot) {
    const double inf = HUGE_VAL;
    // 400 zeros after the point, no exponent: too small, not too large.
    const std::string tiny = "0." + std::string(400, '0') + "1";
    const struct {
        std::string_view text;
        double full;
        double decimal;
    } cases[] = {
        {"  -.25x", -0.25, -0.25}, {"1,5", 1.0, 1.0},   {"0x1F", 31.0, 0.0},
        {"-0x1.8p1", -3.0, -0.0},  {"1e999", inf, inf}, {"0x1p99999", inf, 0.0},
        {"0x1p+-98", 1.0, 0.0}, // a second exponent sign ends the number before the "p"
        {tiny, 0.0, 0.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StrtodLike(c.text), c.full) << '"' << c.text << '"';
        EXPECT_EQ(StrtodDecimalLike(c.text), c.decimal) << '"' << c.text << '"';
    }
    EXPECT_TRUE(std::isnan(StrtodLike("nan(1)")));
    // UTF-16 text: the first unit beyond ASCII ends the number.
    EXPECT_EQ(StrtodLike(u"0x10\u00b0"), 16.0);
    EXPECT_EQ(StrtodDecimalLike(u"2.5\u00b05"), 2.5);
}

TEST_F(CNumbers, StrtoulHexLikeNegatesModuloTwoToTheSixtyFourAndSaturates) {
    const struct {
        std::string_view text;
        unsigned long long value;
    } cases[] = {
        {"  0x41", 0x41},
        {"-41", 0xFFFFFFFFFFFFFFBFull},
        {"fF*", 0xFF},
        {"-ffffffffffffffffff", 0xFFFFFFFFFFFFFFFFull}, // overflow wins over the sign
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StrtoulHexLike(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST_F(CNumbers, PrintfIntAndPrintfZeroPaddedCountTheSignInTheWidth) {
    const struct {
        int64_t value;
        int width;
        const char* spaced;
        const char* zeroed;
    } cases[] = {
        {-7, 3, " -7", "-07"},
        {123, 2, "123", "123"},
        {42, -5, "42   ", "42"},
        {INT64_MIN, 21, " -9223372036854775808", "-09223372036854775808"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PrintfInt(c.value, c.width), c.spaced) << c.spaced;
        EXPECT_EQ(PrintfZeroPadded(c.value, c.width), c.zeroed) << c.zeroed;
    }
}

} // namespace
} // namespace tm47

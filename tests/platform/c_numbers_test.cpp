#include "platform/c_numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <string>
#include <tuple>

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

// The C-numbers fuzzer checks every reader against the C library on any text; here the cases
// it is least likely to reach. atoi narrows the saturated long to int (2^32 + 1 gives 1);
// the 32-bit strtol clamps to the int range; a second exponent sign ends a hexadecimal number
// before the "p" (a fault once); in UTF-16 text the first unit beyond ASCII ends the number.
TEST_F(CNumbers, IntegerNarrowingHexExponentsAndUtf16Text) {
    for (auto [text, atoi, strtol] : {std::tuple{"4294967297"sv, 1, INT32_MAX},
                                      {"-2147483649"sv, INT32_MAX, INT32_MIN},
                                      {"7\08"sv, 7, 7}}) {
        EXPECT_EQ(AtoiLike(text), atoi) << text;
        EXPECT_EQ(StrtolSaturatingInt32(text), strtol) << text;
    }
    EXPECT_EQ(StrtodLike("0x1p+-98"), 1.0);
    EXPECT_EQ(StrtodDecimalLike("0x1p+-98"), 0.0);
    EXPECT_EQ(StrtodLike(u"0x10\u00b0"), 16.0);
    EXPECT_EQ(StrtodDecimalLike(u"2.5\u00b05"), 2.5);
}

TEST_F(CNumbers, StrtoulHexLikeNegatesModuloTwoToTheSixtyFourAndSaturates) {
    // The last: overflow wins over the sign.
    const std::pair<std::string_view, unsigned long long> cases[] = {
        {"  0x41", 0x41},
        {"-41", 0xFFFFFFFFFFFFFFBFull},
        {"fF*", 0xFF},
        {"-ffffffffffffffffff", 0xFFFFFFFFFFFFFFFFull}};
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(StrtoulHexLike(text), value) << '"' << text << '"';
    }
}

TEST_F(CNumbers, PrintfIntAndPrintfZeroPaddedCountTheSignInTheWidth) {
    const std::tuple<int64_t, int, const char*, const char*> cases[] = {
        {-7, 3, " -7", "-07"},
        {123, 2, "123", "123"},
        {42, -5, "42   ", "42"},
        {INT64_MIN, 21, " -9223372036854775808", "-09223372036854775808"},
    };
    for (const auto& [value, width, spaced, zeroed] : cases) {
        EXPECT_EQ(PrintfInt(value, width), spaced) << spaced;
        EXPECT_EQ(PrintfZeroPadded(value, width), zeroed) << zeroed;
    }
}

} // namespace
} // namespace tm47

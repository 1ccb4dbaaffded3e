#include "sim/survey_field.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tm47 {
namespace {

TEST(FrameEncoding, FieldsGoMostSignificantByteFirst) {
    FrameFields f;
    f.letter = 'N';
    f.rangeCode = 0xD0;
    f.raw = {0x7F7F, -1, 0x1234, -32768};
    f.reference = 3000;
    f.battery = 80;
    const WireFrame expected = {'N',  0xD0, 0x7F, 0x7F, 0xFF, 0xFF, 0x12, 0x34,
                                0x80, 0x00, 0x0B, 0xB8, 80,   0x7F, 0x7F};
    EXPECT_EQ(EncodeFrame(f), expected);
    EXPECT_EQ(BatteryByte(12.0), 80);
    EXPECT_EQ(BatteryByte(100.0), 255);
    EXPECT_EQ(BatteryByte(-3.0), 0);
}

// Forward T/D, E/F on the alternative set, backward j/J; a held trigger gives the partner.
TEST(FrameEncoding, LettersOfDirectionModeAndTrigger) {
    const std::string letters = {ForwardLetter(false, false), ForwardLetter(true, false),
                                 ForwardLetter(false, true),  ForwardLetter(true, true),
                                 BackwardLetter(false),       BackwardLetter(true)};
    EXPECT_EQ(letters, "TDEFjJ");
    std::string triggered;
    for (char letter : letters) {
        triggered += TriggeredLetter(letter);
    }
    EXPECT_EQ(triggered, "MNPQkK");
}

// Decoded as the logger does it: raw x 4.8333 / divisor x 2 (letter T), the divisor from the
// range field; out-of-range values clamp.
TEST(FrameEncoding, EachChannelTakesTheFinestRangeThatFitsAndClamps) {
    const std::array<double, 4> values{100, 5000, 60000, -200000};
    std::array<int16_t, 4> raw{};
    uint8_t code = 0;
    EncodeChannels(values, LetterFactors('T', false, 1), raw, code);
    EXPECT_EQ(code, 0xD0);
    const double divisors[] = {100, 10, 1, 1};
    for (int i = 0; i < 4; ++i) {
        const double back = raw[i] * 4.8333 / divisors[i] * 2;
        EXPECT_NEAR(back, values[i], std::max(0.1, std::abs(values[i]) * 0.001)) << i;
    }
    EncodeChannels({1e9, -1e9, 0, 0}, {2, 2, 2, 2}, raw, code);
    EXPECT_EQ(raw[0], 32767);
    EXPECT_EQ(raw[1], -32768);
}

} // namespace
} // namespace tm47

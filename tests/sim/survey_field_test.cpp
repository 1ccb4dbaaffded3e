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
    for (const auto& [volts, byte] : {std::pair{12.0, 80}, {9.0, 60}, {100.0, 255}, {-3.0, 0}}) {
        EXPECT_EQ(BatteryByte(volts), byte) << volts;
    }
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

// Decoded as the logger does it: raw x 4.8333 / divisor x factor, divisor from the range field.
TEST(FrameEncoding, EachChannelTakesTheFinestRangeThatFitsAndClamps) {
    const struct {
        char letter;
        std::array<double, 4> values, factors; // the decoder's factors, written out
        uint8_t rangeCode;
    } cases[] = {
        {'T', {100, 5000, 60000, -200000}, {2, 2, 2, 2}, 0xD0},
        {'k', {-4000, 0, 0, 2000}, {0.9025, 1.363, 2.043, 12.152}, 0x7F}, // high power, antenna 1
    };
    for (const auto& c : cases) {
        std::array<int16_t, 4> raw{};
        uint8_t code = 0;
        EncodeChannels(c.values, LetterFactors(c.letter, c.letter == 'k', 1), raw, code);
        EXPECT_EQ(code, c.rangeCode) << c.letter;
        for (int i = 0; i < 4; ++i) {
            const int field = (code >> (6 - 2 * i)) & 3;
            const double back = raw[i] * 4.8333 /
                                (field == 3   ? 100
                                 : field == 1 ? 10
                                              : 1) *
                                c.factors[i];
            EXPECT_NEAR(back, c.values[i], std::max(0.1, std::abs(c.values[i]) * 0.001))
                << c.letter << i;
        }
    }
    std::array<int16_t, 4> raw{};
    uint8_t code = 0;
    EncodeChannels({1e9, -1e9, 0, 0}, {2, 2, 2, 2}, raw, code);
    EXPECT_EQ(raw[0], 32767);
    EXPECT_EQ(raw[1], -32768);
}

} // namespace
} // namespace tm47

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
}

// Decoding as the logger does it: raw x 4.8333 / divisor x factor, divisor from the field.
double Decode(int16_t raw, uint8_t rangeCode, int channel, double factor) {
    const int field = (rangeCode >> (6 - 2 * channel)) & 3;
    const double divisor = field == 3 ? 100 : field == 1 ? 10 : 1;
    return raw * 4.8333 / divisor * factor;
}

struct RangeCase {
    const char* name;
    char letter;
    bool highPower;
    int antenna;
    std::array<double, 4> values;
    std::array<double, 4> factors; // the decoder's, written out
    uint8_t rangeCode;
};

TEST(FrameEncoding, EachChannelTakesTheFinestRangeThatFits) {
    const RangeCase cases[] = {
        {"SmallValuesHundredths", 'T', false, 0, {10, 20, -30, 5}, {2, 2, 2, 2}, 0xFF},
        {"MixedRanges", 'T', false, 0, {100, 5000, 60000, -200000}, {2, 2, 2, 2}, 0xD0},
        {"DifferentialAntenna0", 'N', false, 0, {0, 0, 0, 700}, {2, 2, 2, 4 * 1.114 / 1.112}, 0xFF},
        {"HighPowerAntenna2",
         'T',
         true,
         2,
         {-4000, 900, 50, 3},
         {1.33, 1.33 * 1.53, 1.33 * 2.257, 1.33 * 1.885},
         0x7F},
        {"BackwardLetter", 'k', true, 1, {-4000, 0, 0, 2000}, {0.9025, 1.363, 2.043, 12.152}, 0x7F},
    };
    for (const auto& c : cases) {
        std::array<int16_t, 4> raw{};
        uint8_t code = 0;
        EncodeChannels(c.values, LetterFactors(c.letter, c.highPower, c.antenna), raw, code);
        EXPECT_EQ(code, c.rangeCode) << c.name;
        for (int i = 0; i < 4; ++i) {
            const double back = Decode(raw[i], code, i, c.factors[i]);
            EXPECT_NEAR(back, c.values[i], std::max(0.1, std::abs(c.values[i]) * 0.001))
                << c.name << " channel " << i + 1;
        }
    }
}

TEST(FrameEncoding, OutOfRangeValuesClampInsteadOfWrapping) {
    std::array<int16_t, 4> raw{};
    uint8_t code = 0;
    EncodeChannels({1e9, -1e9, 0, 0}, {2, 2, 2, 2}, raw, code);
    EXPECT_EQ(raw[0], 32767);
    EXPECT_EQ(raw[1], -32768);
}

TEST(FrameEncoding, BatteryByteIsVoltsTimesTheScale) {
    EXPECT_EQ(BatteryByte(12.0), 80);
    EXPECT_EQ(BatteryByte(9.0), 60);
    EXPECT_EQ(BatteryByte(0.0), 0);
    EXPECT_EQ(BatteryByte(100.0), 255);
    EXPECT_EQ(BatteryByte(-3.0), 0);
}

TEST(SurveyField, TargetsStayWhereTheyAreAndShowOnEveryChannel) {
    SurveyField a(47);
    SurveyField b(47);
    double peak = 0;
    double peakAt = 0;
    for (double x = 0; x < 120; x += 0.05) {
        const auto r = a.TargetResponse(x, false);
        EXPECT_EQ(r, b.TargetResponse(x, false));
        if (r[0] > peak) {
            peak = r[0];
            peakAt = x;
        }
    }
    ASSERT_GT(peak, 100) << "some target lies within the first 120 m";
    const auto top = a.TargetResponse(peakAt, false);
    EXPECT_GT(top[0], top[1]);
    EXPECT_GT(top[1], top[2]);
    EXPECT_GT(top[2], top[3]);
    EXPECT_GT(top[3], 0);
    // Walking back over it gives the same response; the noisy sample stays near it.
    const auto sample = a.Sample(peakAt, 1.0, false);
    EXPECT_NEAR(sample[0], top[0], 60);
}

} // namespace
} // namespace tm47

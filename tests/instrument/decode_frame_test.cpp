#include "instrument/frame_decoder.h"

#include <gtest/gtest.h>

#include <tuple>

#include "frame_wire_support.h"

namespace tm47 {
namespace {

using test::FrameFields;
using test::FrameOf;

// A ring that already holds `value` in every slot, as after normalising on a steady reference.
NormalisationState SteadyRing(float value) {
    NormalisationState n;
    n.referenceRing.fill(value);
    n.referenceSum = value * kNormalisationWindow;
    return n;
}

struct Decoded {
    Reading reading;
    FrameBuffer frame; // as the decoding leaves it
};

Decoded Decode(const FrameFields& f, NormalisationState& n, int variant = 0, int antenna = 0,
               int linkMode = kLinkPolled, ReadingState state = ReadingState::Normal) {
    Settings s;
    s.instrumentVariant = variant;
    s.antenna = antenna;
    Decoded d{{}, FrameOf(f)};
    DecodeFrame(d.frame, s, linkMode, state, n, d.reading);
    return d;
}

// Calibrated and letter-scaled, not normalised (as while nulling).
Reading Calibrated(const FrameFields& f, int variant = 0, int antenna = 0) {
    NormalisationState n;
    return Decode(f, n, variant, antenna, kLinkPolled, ReadingState::Nulling).reading;
}

void ExpectChannels(const Reading& r, std::array<double, 4> expected) {
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(r.channel[i], expected[i], std::abs(expected[i]) * 2e-6 + 1e-3)
            << "channel " << i + 1;
    }
}

// Raw 1000 on every channel, calibrated (x 4.8333), divided by the range code's divisors and
// scaled by the letter's group.
TEST(DecodeFrame, RangeCodeDivisorsAndLetterScaling) {
    const std::tuple<uint8_t, uint8_t, int, int, std::array<double, 4>> cases[] = {
        {'T', 0xFF, 0, 0, {96.666, 96.666, 96.666, 96.666}},
        {'T', 0xC0, 0, 0, {96.666, 9666.6, 9666.6, 9666.6}}, // the lowest code of divisor 100
        {'T', 0x1D, 0, 0, {9666.6, 966.66, 96.666, 966.66}},
        // Field value 2 is not sent; the cascade reads 0xAA as 10, 100, 100, 1.
        {'T', 0xAA, 0, 0, {966.66, 96.666, 96.666, 9666.6}},
        {'D', 0, 0, 1, {9666.6, 9666.6, 9666.6, 19333.2}},
        {'D', 0, 1, 0, {8313.276, 12276.582, 18076.542, 36343.13786}},
        {'M', 0, 1, 2, {6428.289, 9835.28217, 14508.64827, 12117.32477}},
        {'P', 0, 1, 2, {4362.05325, 6587.7879, 9796.10827, 14591.03670}},
        {'k', 0, 1, 1, {4362.05325, 6587.7879, 9874.4319, 58734.2616}},
    };
    for (const auto& [letter, rangeCode, variant, antenna, expected] : cases) {
        SCOPED_TRACE(testing::Message() << letter << " range " << int(rangeCode) << " variant "
                                        << variant << " antenna " << antenna);
        const Reading r =
            Calibrated({letter, rangeCode, {1000, 1000, 1000, 1000}}, variant, antenna);
        EXPECT_EQ(r.letter, letter);
        EXPECT_EQ(r.rangeCode, rangeCode);
        ExpectChannels(r, expected);
    }
    // The two bytes of a channel, high byte first, signed.
    ExpectChannels(Calibrated({'T', 0x00, {0x7FFF, -32768, 0, -1}}),
                   {316745.4822, -316755.1488, 0.0, -9.6666});
}

// The nominal reference shows as the gain once the ring holds the reference everywhere;
// streaming corrects the reference (and what enters the ring) before the level test. With no
// reference signal (a mean of zero or below) the gain is 1: the channels go on unnormalised
// rather than infinite or sign-flipped.
TEST(DecodeFrame, NominalReferenceByGroupLevelAndDelivery) {
    // Letter, variant, antenna, delivery, raw reference, reference, nominal, and whether the ring
    // already holds the reference.
    const std::tuple<uint8_t, int, int, int, int16_t, float, float, bool> cases[] = {
        {'T', 1, 0, kLinkPolled, 1350, 1350, 1840, true},
        {'T', 1, 0, kLinkPolled, 1349, 1349, 920, true},
        {'M', 1, 1, kLinkPolled, 1650, 1650, 2230, true},
        {'M', 1, 1, kLinkPolled, 1649, 1649, 1123, true},
        {'N', 1, 2, kLinkPolled, 2600, 2600, 3729, true},
        {'N', 1, 2, kLinkPolled, 2599, 2599, 1920, true},
        {'T', 1, 0, kLinkStreaming, 1555, 1349.826389f, 920, false},
        {'T', 0, 0, kLinkStreaming, 1555, 1485.195798f, 3000, false},
        {'T', 0, 0, kLinkPolled, 0, 0, 0, true},
        {'T', 0, 0, kLinkPolled, -500, -500, -500, true},
    };
    for (const auto& [letter, variant, antenna, linkMode, raw, reference, nominal, steady] :
         cases) {
        SCOPED_TRACE(testing::Message() << letter << " variant " << variant << " antenna "
                                        << antenna << " raw " << raw);
        NormalisationState n = steady ? SteadyRing(raw) : NormalisationState{};
        const Reading r = Decode({letter, 0, {}, raw}, n, variant, antenna, linkMode).reading;
        EXPECT_FLOAT_EQ(r.reference, reference);
        EXPECT_FLOAT_EQ(n.referenceRing[0], reference);
        const float mean = steady ? reference : reference / kNormalisationWindow;
        EXPECT_FLOAT_EQ(n.referenceMean, mean);
        EXPECT_NEAR(n.normalisationGain * mean, nominal, 0.01);
    }
}

// While a QC check evaluates, the null offsets come off before the gain (2 here) applies and
// the frame carries the mean; while it averages, the channels are only calibrated.
TEST(DecodeFrame, NullingAndNormalisingDependOnTheReadingState) {
    for (ReadingState state : {ReadingState::QcEvaluation, ReadingState::QcAveraging}) {
        const bool normalised = state == ReadingState::QcEvaluation;
        NormalisationState n = SteadyRing(1500);
        n.nullOffsets = {100, -50, 0, 9666.6f};
        const FrameFields fields{'T', 0, {1000, 1000, 1000, 1000}, 1500, 77};
        const Decoded d = Decode(fields, n, 0, 0, kLinkPolled, state);
        EXPECT_EQ(d.reading.battery, 77);
        ExpectChannels(d.reading, normalised
                                      ? std::array<double, 4>{19133.2, 19433.2, 19333.2, 0}
                                      : std::array<double, 4>{9666.6, 9666.6, 9666.6, 9666.6});
        EXPECT_EQ(d.frame == FrameOf(fields), !normalised);
    }
}

TEST(DecodeFrame, TheMeanReplacesTheReferenceInTheFrame) {
    // The ring's sum before the frame (whose reference is 0), and the bytes the mean becomes:
    // 1234.567; -12.5 as -12 and -50 hundredths.
    using Bytes = std::array<uint8_t, 4>;
    for (const auto& [sum, bytes] : {std::pair{120987.57f, Bytes{0x04, 0xD2, 56, 0}},
                                     std::pair{-1225.0f, Bytes{0xFF, 0xF4, 0xCE, 0}}}) {
        SCOPED_TRACE(sum);
        NormalisationState n;
        n.referenceSum = sum;
        const Decoded d = Decode({'T', 0, {}, 0, 200}, n);
        EXPECT_EQ((std::array<uint8_t, 4>{d.frame[10], d.frame[11], d.frame[12], d.frame[13]}),
                  bytes);
        EXPECT_EQ(d.reading.battery, 200);
    }
}

} // namespace
} // namespace tm47

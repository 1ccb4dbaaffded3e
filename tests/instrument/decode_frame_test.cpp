#include "instrument/frame_decoder.h"

#include <gtest/gtest.h>

#include "frame_wire_support.h"

namespace tm47 {
namespace {

using test::FrameFields;
using test::FrameOf;

Settings Instrument(int variant, int antenna) {
    Settings s;
    s.instrumentVariant = variant;
    s.antenna = antenna;
    return s;
}

// A ring that already holds `value` in every slot, as after normalising on a steady reference.
NormalisationState SteadyRing(float value) {
    NormalisationState n;
    n.referenceRing.fill(value);
    n.referenceSum = value * kNormalisationWindow;
    return n;
}

// Decodes while nulling: calibrated and letter-scaled, not normalised.
Reading Calibrated(const FrameFields& f, const Settings& s, int linkMode = kLinkPolled) {
    FrameBuffer frame = FrameOf(f);
    NormalisationState n;
    Reading r;
    DecodeFrame(frame, s, linkMode, kReadingNulling, n, r);
    return r;
}

void ExpectChannels(const Reading& r, std::array<double, 4> expected, const char* name) {
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(r.channel[i], expected[i], std::abs(expected[i]) * 2e-6 + 1e-3)
            << name << " channel " << i + 1;
}

TEST(DecodeFrame, RangeCodeGivesTheDivisors) {
    struct Case {
        uint8_t rangeCode;
        std::array<double, 4> expected; // raw 1000, letter T, Standard
    };
    const Case cases[] = {
        {0x00, {9666.6, 9666.6, 9666.6, 9666.6}},
        {0x55, {966.66, 966.66, 966.66, 966.66}},
        {0xFF, {96.666, 96.666, 96.666, 96.666}},
        {0xC0, {96.666, 9666.6, 9666.6, 9666.6}},
        {0x03, {9666.6, 9666.6, 9666.6, 96.666}},
        {0x1D, {9666.6, 966.66, 96.666, 966.66}},
        // Field value 2 is not sent; the cascade reads 0xAA as 10, 100, 100, 1.
        {0xAA, {966.66, 96.666, 96.666, 9666.6}},
    };
    for (const Case& c : cases) {
        const Reading r =
            Calibrated({'T', c.rangeCode, {1000, 1000, 1000, 1000}}, Instrument(0, 0));
        EXPECT_EQ(r.rangeCode, c.rangeCode);
        ExpectChannels(r, c.expected, "range code");
    }
}

TEST(DecodeFrame, FullScaleChannelOne) {
    const Reading r = Calibrated({'T', 0x00, {0x7FFF, -32768, 0, -1}}, Instrument(0, 0));
    ExpectChannels(r, {316745.4822, -316755.1488, 0.0, -9.6666}, "full scale");
}

TEST(DecodeFrame, LetterScalingByGroup) {
    struct Case {
        const char* name;
        uint8_t letter;
        int variant;
        int antenna;
        std::array<double, 4> expected; // raw 1000 on every channel, divisor 1
    };
    const Case cases[] = {
        {"T Standard", 'T', 0, 1, {9666.6, 9666.6, 9666.6, 9666.6}},
        {"M Standard", 'M', 0, 0, {9666.6, 9666.6, 9666.6, 9666.6}},
        {"D Standard", 'D', 0, 1, {9666.6, 9666.6, 9666.6, 19333.2}},
        {"N Standard antenna 0", 'N', 0, 0, {9666.6, 9666.6, 9666.6, 19367.97194}},
        {"D High Power antenna 0", 'D', 1, 0, {8313.276, 12276.582, 18076.542, 36343.13786}},
        {"N High Power antenna 3", 'N', 1, 3, {8313.276, 12276.582, 18076.542, 29338.131}},
        {"T High Power antenna 1", 'T', 1, 1, {8313.276, 12276.582, 18076.542, 29338.131}},
        {"M High Power antenna 2", 'M', 1, 2, {6428.289, 9835.28217, 14508.64827, 12117.32477}},
        {"E Standard", 'E', 0, 0, {4362.05325, 6587.7879, 9796.10827, 14591.03670}},
        {"P High Power", 'P', 1, 2, {4362.05325, 6587.7879, 9796.10827, 14591.03670}},
        {"F Standard", 'F', 0, 0, {4362.05325, 6587.7879, 9874.4319, 58734.2616}},
        {"k High Power", 'k', 1, 1, {4362.05325, 6587.7879, 9874.4319, 58734.2616}},
    };
    for (const Case& c : cases) {
        const Reading r = Calibrated({c.letter, 0x00, {1000, 1000, 1000, 1000}},
                                     Instrument(c.variant, c.antenna));
        EXPECT_EQ(r.letter, c.letter);
        ExpectChannels(r, c.expected, c.name);
    }
}

// The nominal reference shows as the gain once the ring holds 1000 everywhere.
TEST(DecodeFrame, NominalReferenceByGroupAndLevel) {
    struct Case {
        const char* name;
        uint8_t letter;
        int variant;
        int antenna;
        int16_t reference;
        float nominal;
    };
    const Case cases[] = {
        {"T Standard", 'T', 0, 0, 1000, 3000.0f},
        {"N Standard", 'N', 0, 2, 1000, 3000.0f},
        {"E any", 'E', 1, 0, 1000, 1800.0f},
        {"j any", 'j', 0, 3, 1000, 1800.0f},
        {"T HP antenna 0 high", 'T', 1, 0, 1350, 1840.0f},
        {"T HP antenna 0 low", 'T', 1, 0, 1349, 920.0f},
        {"D HP antenna 3 high", 'D', 1, 3, 1350, 1840.0f},
        {"M HP antenna 1 high", 'M', 1, 1, 1650, 2230.0f},
        {"M HP antenna 1 low", 'M', 1, 1, 1649, 1123.0f},
        {"N HP antenna 2 high", 'N', 1, 2, 2600, 3729.0f},
        {"N HP antenna 2 low", 'N', 1, 2, 2599, 1920.0f},
    };
    for (const Case& c : cases) {
        NormalisationState n = SteadyRing(c.reference);
        FrameBuffer frame = FrameOf({c.letter, 0, {}, c.reference});
        Reading r;
        DecodeFrame(frame, Instrument(c.variant, c.antenna), kLinkPolled, kReadingNormal, n, r);
        EXPECT_FLOAT_EQ(n.referenceMean, c.reference) << c.name;
        EXPECT_NEAR(n.normalisationGain * c.reference, c.nominal, 0.01) << c.name;
    }
}

TEST(DecodeFrame, StreamingCorrectsTheReferenceBeforeTheLevelTest) {
    struct Case {
        const char* name;
        int variant;
        int linkMode;
        int16_t raw;
        float reference;
        float nominal;
    };
    const Case cases[] = {
        {"High Power streaming", 1, kLinkStreaming, 1555, 1349.826389f, 920.0f},
        {"High Power polled", 1, kLinkPolled, 1555, 1555.0f, 1840.0f},
        {"Standard streaming", 0, kLinkStreaming, 1555, 1485.195798f, 3000.0f},
        {"Standard polled", 0, kLinkPolled, 1555, 1555.0f, 3000.0f},
    };
    for (const Case& c : cases) {
        NormalisationState n;
        FrameBuffer frame = FrameOf({'T', 0, {}, c.raw});
        Reading r;
        DecodeFrame(frame, Instrument(c.variant, 0), c.linkMode, kReadingNormal, n, r);
        EXPECT_FLOAT_EQ(r.reference, c.reference) << c.name;
        // The corrected value is what enters the ring.
        EXPECT_FLOAT_EQ(n.referenceRing[0], c.reference) << c.name;
        EXPECT_NEAR(n.normalisationGain * c.reference / 98, c.nominal, 0.01) << c.name;
    }
}

TEST(DecodeFrame, NullingAndNormalisingDependOnTheReadingState) {
    struct Case {
        int state;
        bool normalised;
    };
    const Case cases[] = {{kReadingNormal, true},
                          {kReadingQcEvaluation, true},
                          {kReadingNulling, false},
                          {kReadingQcAveraging, false}};
    for (const Case& c : cases) {
        NormalisationState n = SteadyRing(1500);
        n.nullOffsets = {100, -50, 0, 9666.6f};
        FrameBuffer frame = FrameOf({'T', 0, {1000, 1000, 1000, 1000}, 1500, 77});
        const FrameBuffer original = frame;
        Reading r;
        DecodeFrame(frame, Instrument(0, 0), kLinkPolled, c.state, n, r);
        EXPECT_FLOAT_EQ(n.normalisationGain, 2.0f);
        EXPECT_EQ(r.battery, 77);
        if (c.normalised) {
            ExpectChannels(r, {19133.2, 19433.2, 19333.2, 0.0}, "normal");
            EXPECT_NE(frame, original) << c.state;
        } else {
            ExpectChannels(r, {9666.6, 9666.6, 9666.6, 9666.6}, "nulling");
            EXPECT_EQ(frame, original) << c.state;
        }
    }
}

TEST(DecodeFrame, TheMeanReplacesTheReferenceInTheFrame) {
    struct Case {
        float sum; // ring sum before the frame; the frame's reference is 0
        std::array<uint8_t, 4> bytes;
    };
    const Case cases[] = {
        {120987.57f, {0x04, 0xD2, 56, 0}}, // mean 1234.567
        {-1225.0f, {0xFF, 0xF4, 0xCE, 0}}, // mean -12.5: -12 and -50 hundredths
        {0.0f, {0x00, 0x00, 0, 0}},        // mean 0
        {3211166.0f, {0x7F, 0xFF, 0, 0}},  // mean 32767
    };
    for (const Case& c : cases) {
        NormalisationState n;
        n.referenceSum = c.sum;
        FrameBuffer frame = FrameOf({'T', 0, {}, 0, 200});
        Reading r;
        DecodeFrame(frame, Instrument(0, 0), kLinkPolled, kReadingNormal, n, r);
        EXPECT_EQ(frame[10], c.bytes[0]) << c.sum;
        EXPECT_EQ(frame[11], c.bytes[1]) << c.sum;
        EXPECT_EQ(frame[12], c.bytes[2]) << c.sum;
        EXPECT_EQ(frame[13], c.bytes[3]) << c.sum;
        EXPECT_EQ(r.battery, 200);
    }
}

// No reference signal: the channels go on unnormalised rather than infinite or sign-flipped.
TEST(DecodeFrame, AMeanOfZeroOrBelowGivesGainOne) {
    for (int16_t reference : {int16_t{0}, int16_t{-500}}) {
        NormalisationState n = SteadyRing(reference);
        FrameBuffer frame = FrameOf({'T', 0, {1000, 0, 0, 0}, reference});
        Reading r;
        DecodeFrame(frame, Instrument(0, 0), kLinkPolled, kReadingNormal, n, r);
        EXPECT_EQ(n.normalisationGain, 1.0f) << reference;
        EXPECT_NEAR(r.channel[0], 9666.6, 0.01) << reference;
    }
}

TEST(DecodeFrame, AfterPrimingTheMeanMovesOneStepPerFrame) {
    NormalisationState n = SteadyRing(2000);
    const struct {
        int frames;
        float mean;
        int ringIndex;
    } checkpoints[] = {{1, 2001.0f, 1}, {49, 2049.0f, 49}, {97, 2097.0f, 97}, {98, 2098.0f, 0}};
    int decoded = 0;
    for (const auto& c : checkpoints) {
        for (; decoded < c.frames; ++decoded) {
            FrameBuffer frame = FrameOf({'T', 0, {}, 2098});
            Reading r;
            DecodeFrame(frame, Instrument(0, 0), kLinkPolled, kReadingNormal, n, r);
        }
        EXPECT_FLOAT_EQ(n.referenceMean, c.mean) << c.frames;
        EXPECT_EQ(n.ringIndex, c.ringIndex) << c.frames;
    }
}

TEST(PrimeNormalisation, ReportsTheFilledPercentageThenTurnsNormal) {
    NormalisationState n;
    n.ringIndex = 0;
    int state = kReadingNormalising;
    const struct {
        int frame; // 1-based
        int percent;
    } checkpoints[] = {{1, 1}, {2, 2}, {49, 50}, {97, 98}, {98, 100}};
    int primed = 0;
    int percent = -1;
    for (const auto& c : checkpoints) {
        for (; primed < c.frame; ++primed) {
            // Raw reference, no streaming correction: 1000, 1001, ...
            const FrameBuffer frame = FrameOf({'T', 0, {}, static_cast<int16_t>(1000 + primed)});
            percent = PrimeNormalisation(frame, n, state);
        }
        EXPECT_EQ(percent, c.percent) << c.frame;
        EXPECT_EQ(state, c.frame == 98 ? kReadingNormal : kReadingNormalising) << c.frame;
    }
    EXPECT_EQ(n.ringIndex, 0);
    EXPECT_FLOAT_EQ(n.referenceSum, 102753.0f); // 1000 + ... + 1097
    EXPECT_FLOAT_EQ(n.referenceRing[97], 1097.0f);
}

} // namespace
} // namespace tm47

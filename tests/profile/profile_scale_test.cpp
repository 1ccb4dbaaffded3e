#include "profile/profile_scale.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace tm47 {
namespace {

struct MapCase {
    const char* name;
    int32_t mode;
    float value;
    int32_t row;
};

TEST(ProfileScale, ValuesMapToRowsOfA0To500ScaleOn180Pixels) {
    const MapCase cases[] = {
        {"linear middle", kAmplitudeLinear, 250.0f, 90},
        {"linear maximum is the top row", kAmplitudeLinear, 500.0f, 0},
        {"linear minimum is the bottom row", kAmplitudeLinear, 0.0f, 180},
        {"linear above the maximum is not clipped", kAmplitudeLinear, 600.0f, -36},
        {"compressed 40000 is 200", kAmplitudeCompressed, 40000.0f, 108},
        {"compressed -400 is -20, below the plot", kAmplitudeCompressed, -400.0f, 187},
    };
    const float ppu = ProfilePixelsPerUnit(180, 0.0f, 500.0f);
    EXPECT_FLOAT_EQ(ppu, 0.36f);
    for (const auto& c : cases) {
        const float compressed = CompressValue(c.value, c.mode);
        EXPECT_EQ(ValueToRow(compressed, 500.0f, ppu), c.row) << c.name;
    }
}

TEST(ProfileScale, CompressionIsASignedSquareRootOnlyInCompressedMode) {
    EXPECT_EQ(CompressValues({400.0f, -400.0f, 0.25f, 0.0f}, kAmplitudeCompressed),
              (std::array<float, 4>{20.0f, -20.0f, 0.5f, 0.0f}));
    EXPECT_EQ(CompressValues({400.0f, -400.0f, 0.25f, 0.0f}, kAmplitudeLinear),
              (std::array<float, 4>{400.0f, -400.0f, 0.25f, 0.0f}));
    // Any mode other than 1 leaves values alone (a foreign settings file may hold 7).
    EXPECT_EQ(CompressValue(400.0f, 7), 400.0f);
}

TEST(ProfileScale, RowsTruncateTowardZeroAndSaturateInsteadOfOverflowing) {
    // (500 - 501.5) x 0.36 = -0.54 truncates to 0, not -1.
    EXPECT_EQ(ValueToRow(501.5f, 500.0f, 0.36f), 0);
    EXPECT_EQ(ValueToRow(-1e30f, 500.0f, 0.36f), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ValueToRow(1e30f, 500.0f, 0.36f), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(ValueToRow(std::nanf(""), 500.0f, 0.36f), kRowNotANumber);
    EXPECT_EQ(ValuesToRows({250.0f, 500.0f, 0.0f, 600.0f}, 500.0f, 0.36f),
              (std::array<int32_t, 4>{90, 0, 180, -36}));
}

struct GridCase {
    const char* name;
    float min;
    float max;
    std::vector<int32_t> rows;
    int penWidth;
};

TEST(ProfileScale, GridLinesOf180PixelPlots) {
    const GridCase cases[] = {
        {"zero not inside: four even lines", 0.0f, 500.0f, {143, 107, 71, 35}, 1},
        {"zero at the top edge of the scale", -500.0f, 0.0f, {143, 107, 71, 35}, 1},
        {"zero line with ratio 5", -100.0f, 500.0f, {150, 120, 90, 60, 30}, 2},
        {"zero line in the middle, ratio 1", -250.0f, 250.0f, {90, 67, 45, 22, 112, 135, 157}, 2},
        // Z = 60 lies in the upper third: ratio (120 / 60 + 0.5) = 2, step 400 / 2.
        {"zero line in the upper third, ratio 2", -400.0f, 200.0f, {60, 120}, 2},
        // Ratio 1 with the longer side above: five lines above zero and three below.
        {"ratio 1 fills all nine entries",
         -75.0f,
         105.0f,
         {105, 86, 67, 48, 30, 11, 123, 142, 161},
         2},
    };
    for (const auto& c : cases) {
        const float ppu = ProfilePixelsPerUnit(180, c.min, c.max);
        const GridLines g = BuildGrid(c.min, c.max, ppu, 180);
        const std::vector<int32_t> rows(g.rows.begin(), g.rows.begin() + g.count);
        EXPECT_EQ(rows, c.rows) << c.name;
        EXPECT_EQ(g.baseLinePenWidth, c.penWidth) << c.name;
    }
}

TEST(ProfileScale, ZeroLineOnTheTopOrBottomRowTakesTheStepOfAHighRatio) {
    // Maximum so small that the zero line truncates to row 0: the step is |minimum| / 5 and
    // the lines below zero are at 36, 72, 108, 144 and, just short of the bottom, 179.
    const float ppu = ProfilePixelsPerUnit(180, -500.0f, 0.001f);
    const GridLines g = BuildGrid(-500.0f, 0.001f, ppu, 180);
    EXPECT_EQ(g.ratio, 5);
    const std::vector<int32_t> rows(g.rows.begin(), g.rows.begin() + g.count);
    EXPECT_EQ(rows, (std::vector<int32_t>{0, 36, 72, 108, 144, 179}));
}

TEST(ProfileScale, GridNeverExceedsNineLinesWhateverTheNumbers) {
    const float limits[] = {-1e30f,       -1e-30f, -1.0f, 0.0f,
                            1e-30f,       1.0f,    1e30f, std::numeric_limits<float>::infinity(),
                            std::nanf("")};
    for (float lo : limits) {
        for (float hi : limits) {
            for (int32_t h : {0, 1, 180, -5}) {
                const GridLines g = BuildGrid(lo, hi, ProfilePixelsPerUnit(h, lo, hi), h);
                EXPECT_GE(g.count, 1);
                EXPECT_LE(g.count, 9);
            }
        }
    }
}

TEST(ProfileScale, PixelsPerUnitGuardsAMaximumNotAboveTheMinimum) {
    EXPECT_FLOAT_EQ(ProfilePixelsPerUnit(180, 0.0f, 500.0f), 0.36f);
    EXPECT_FLOAT_EQ(ProfilePixelsPerUnit(180, -100.0f, 500.0f), 0.3f);
    EXPECT_FLOAT_EQ(ProfilePixelsPerUnit(180, 50.0f, 50.0f), 1.8f);
    EXPECT_FLOAT_EQ(ProfilePixelsPerUnit(180, 100.0f, 50.0f), 1.8f);
    EXPECT_FLOAT_EQ(ProfilePixelsPerUnit(180, 1e30f, 1e30f), 1.8f);
}

struct EntryCase {
    const char* name;
    std::u16string min;
    std::u16string max;
    float wantMin;
    float wantMax;
};

TEST(ProfileScale, ScaleEntryRule) {
    const EntryCase cases[] = {
        {"plain", u"-250", u"250", -250.0f, 250.0f},
        {"maximum below minimum", u"100", u"50", 100.0f, 200.0f},
        {"maximum equal to minimum", u"7", u"7", 7.0f, 107.0f},
        {"minimum without digits", u"abc", u"500", 0.0f, 500.0f},
        {"both without digits", u"", u"x", 0.0f, 100.0f},
        {"leading number then text", u"  12.5mV", u"3e2 ", 12.5f, 300.0f},
        {"comma is not a decimal point", u"1,5", u"2,5", 1.0f, 2.0f},
        {"infinity is no usable number", u"-inf", u"1e999", 0.0f, 100.0f},
        {"nan is no usable number", u"nan", u"10", 0.0f, 10.0f},
        {"non-ASCII ends the number", u"4\u00B05", u"9", 4.0f, 9.0f},
    };
    for (const auto& c : cases) {
        const ScaleEntry e = ScaleFromEntry(c.min, c.max);
        EXPECT_EQ(e.scaleMin, c.wantMin) << c.name;
        EXPECT_EQ(e.scaleMax, c.wantMax) << c.name;
    }
}

TEST(ProfileScale, ConfirmedEntryUpdatesTheSettingsAndPixelsPerUnit) {
    Settings s;
    s.profilePlotHeight = 180;
    ApplyScaleEntry(s, u"100", u"50");
    EXPECT_EQ(s.profileScaleMin, 100.0f);
    EXPECT_EQ(s.profileScaleMax, 200.0f);
    EXPECT_FLOAT_EQ(s.profilePixelsPerUnit, 1.8f);
}

TEST(ProfileScale, EveryShownLimitFitsTheFieldAndReadsBackUnchanged) {
    const float limits[] = {0.0f, 500.0f, -250.0f, 1e20f, -std::numeric_limits<float>::max()};
    const char16_t* texts[] = {u"0", u"500", u"-250", u"100000002004087734272",
                               u"-340282346638528859811704183484516925440"};
    for (std::size_t i = 0; i < std::size(limits); ++i) {
        const std::u16string text = FormatScaleLimit(limits[i]);
        EXPECT_EQ(text, texts[i]);
        EXPECT_LE(text.size(), kScaleFieldMaxChars);
        EXPECT_EQ(ScaleFromEntry(text, u"1e38").scaleMin, limits[i]);
    }
}

} // namespace
} // namespace tm47

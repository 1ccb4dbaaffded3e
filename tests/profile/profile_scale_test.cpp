#include "profile/profile_scale.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace tm47 {
namespace {

TEST(ProfileScale, ValuesMapToRowsOfA0To500ScaleOn180Pixels) {
    const float ppu = ProfilePixelsPerUnit(180, 0.0f, 500.0f);
    EXPECT_FLOAT_EQ(ppu, 0.36f);
    EXPECT_EQ(ValuesToRows({250.0f, 500.0f, 0.0f, 600.0f}, 500.0f, ppu),
              (std::array<int32_t, 4>{90, 0, 180, -36})); // above the maximum: not clipped
    // Compressed: 40000 is 200, -400 is -20; any mode but 1 leaves values alone.
    EXPECT_EQ(CompressValues({40000.0f, -400.0f, 0.25f, 0.0f}, kAmplitudeCompressed),
              (std::array<float, 4>{200.0f, -20.0f, 0.5f, 0.0f}));
    EXPECT_EQ(CompressValue(400.0f, 7), 400.0f);
    // A maximum not above the minimum counts as a range of 100.
    EXPECT_FLOAT_EQ(ProfilePixelsPerUnit(180, 100.0f, 50.0f), 1.8f);
    EXPECT_FLOAT_EQ(ProfilePixelsPerUnit(180, 1e30f, 1e30f), 1.8f);
}

TEST(ProfileScale, RowsTruncateTowardZeroAndSaturateInsteadOfOverflowing) {
    // (500 - 501.5) x 0.36 = -0.54 truncates to 0, not -1.
    EXPECT_EQ(ValueToRow(501.5f, 500.0f, 0.36f), 0);
    EXPECT_EQ(ValueToRow(-1e30f, 500.0f, 0.36f), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ValueToRow(1e30f, 500.0f, 0.36f), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(ValueToRow(std::nanf(""), 500.0f, 0.36f), kRowNotANumber);
}

// Zero inside the range: a zero line of pen width 2, and a line every 500 / 5 units (the larger
// side over the ratio of the sides).
TEST(ProfileScale, GridOfA180PixelPlotAroundZero) {
    const GridLines g = BuildGrid(-100.0f, 500.0f, ProfilePixelsPerUnit(180, -100.0f, 500.0f), 180);
    EXPECT_EQ(std::vector<int32_t>(g.rows.begin(), g.rows.begin() + g.count),
              (std::vector<int32_t>{150, 120, 90, 60, 30}));
    EXPECT_EQ(g.baseLinePenWidth, 2);
}

TEST(ProfileScale, GridNeverExceedsNineLinesWhateverTheNumbers) {
    const float limits[] = {-1e30f, -1e-30f, 0.0f, 1.0f, 1e30f, INFINITY, NAN};
    for (float lo : limits) {
        for (float hi : limits) {
            for (int32_t h : {0, 1, 180, -5}) {
                const GridLines g = BuildGrid(lo, hi, ProfilePixelsPerUnit(h, lo, hi), h);
                EXPECT_TRUE(g.count >= 1 && g.count <= 9) << lo << " " << hi << " " << h;
            }
        }
    }
}

TEST(ProfileScale, ScaleEntryRule) {
    const std::tuple<std::u16string, std::u16string, float, float> rows[] = {
        {u"-250", u"250", -250.0f, 250.0f}, {u"7", u"7", 7.0f, 107.0f},
        {u"", u"x", 0.0f, 100.0f},          {u"  12.5mV", u"3e2 ", 12.5f, 300.0f},
        {u"1,5", u"2,5", 1.0f, 2.0f},       {u"-inf", u"1e999", 0.0f, 100.0f},
        {u"nan", u"10", 0.0f, 10.0f},       {u"4\u00B05", u"9", 4.0f, 9.0f},
    };
    for (const auto& [min, max, wantMin, wantMax] : rows) {
        const ScaleEntry e = ScaleFromEntry(min, max);
        EXPECT_EQ(std::make_pair(e.scaleMin, e.scaleMax), std::make_pair(wantMin, wantMax));
    }
    // A confirmed entry also sets the pixels per unit.
    Settings s;
    s.profilePlotHeight = 180;
    ApplyScaleEntry(s, u"100", u"50");
    EXPECT_EQ(std::pair(s.profileScaleMax, s.profilePixelsPerUnit), std::pair(200.0f, 1.8f));
}

// The widest limit is shown in full, without an exponent, and reads back unchanged.
TEST(ProfileScale, TheWidestShownLimitReadsBackUnchanged) {
    const float widest = -std::numeric_limits<float>::max();
    EXPECT_EQ(FormatScaleLimit(widest), u"-340282346638528859811704183484516925440");
    EXPECT_EQ(ScaleFromEntry(FormatScaleLimit(widest), u"1e38").scaleMin, widest);
}

} // namespace
} // namespace tm47

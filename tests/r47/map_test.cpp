// The map's scale bar lengths and colour scale.

#include <gtest/gtest.h>

#include "map_command.h"

namespace {

TEST(R47Map, ScaleBarIsARoundLengthThatFits) {
    const std::pair<double, double> cases[] = {
        {35.0, 20.0}, {100.0, 100.0}, {99.0, 50.0}, {7.5, 5.0}, {0.3, 0.2}, {1.0, 1.0}, {0.0, 0.0},
    };
    for (const auto& [limit, expected] : cases) {
        EXPECT_DOUBLE_EQ(r47::ScaleBarMetres(limit), expected) << limit;
    }
}

TEST(R47Map, ColourScaleRunsFromDarkPurpleToYellow) {
    EXPECT_EQ(r47::ScaleColour(0.0), "#440154");
    EXPECT_EQ(r47::ScaleColour(0.5), "#21908d");
    EXPECT_EQ(r47::ScaleColour(1.0), "#fde725");
    EXPECT_EQ(r47::ScaleColour(-3.0), "#440154"); // out of range values are clamped
    EXPECT_EQ(r47::ScaleColour(7.0), "#fde725");
}

} // namespace

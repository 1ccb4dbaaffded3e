// The window and bar moves of the file viewer, R rows on a plot of N columns.
#include "viewer/viewer_state.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>
#include <utility>

namespace tm47 {
namespace {

TEST(ViewerMoves, WindowMovesStopAtBothEndsOfTheLine) {
    constexpr std::optional<int64_t> stay;
    // The first row shown and the rows of a line on a 310-column plot; the first row after Page
    // Down and after End, and after Page Up.
    const std::tuple<int64_t, int64_t, std::optional<int64_t>, std::optional<int64_t>, int64_t>
        rows[] = {
            {1, 200, 1, stay, 1},       // shorter than the plot: forward shows row 1 again
            {1, 309, 1, 1, 1},          // one row short of the plot: End shows row 1
            {1, 80, stay, stay, 1},     // no page beyond
            {1, 400, 81, 91, 1},        // a whole page forward
            {81, 400, 91, 91, 1},       // forward stops at the last window
            {691, 1000, 691, 691, 611}, // back a page
            {50, 1000, 130, 691, 1},    // back stops at row 1
        };
    for (const auto& [first, count, forward, end, back] : rows) {
        EXPECT_EQ(
            std::tuple(PageForwardRow(first, count, 310), EndRow(count, 310), PageBackRow(first)),
            std::tuple(forward, end, back))
            << first << " of " << count;
    }
}

TEST(ViewerMoves, BarStartsAtFiftyOrMidwayAndStaysWithinColumnsAndRows) {
    const std::pair<int64_t, int32_t> opened[] = {{51, 50}, {50, 25}, {30, 15}, {3, 1}, {1, 1}};
    for (const auto& [rows, column] : opened) {
        EXPECT_EQ(OpenedCursorColumn(rows), column) << rows;
    }
    EXPECT_TRUE(BarCanMoveRight(2, 310, 3));
    EXPECT_FALSE(BarCanMoveRight(3, 310, 3));      // the last row
    EXPECT_FALSE(BarCanMoveRight(310, 310, 1000)); // the last column
}

} // namespace
} // namespace tm47

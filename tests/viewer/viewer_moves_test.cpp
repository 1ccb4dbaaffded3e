// The window and bar moves of the file viewer, R rows on a plot of N columns.
#include "viewer/viewer_state.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

namespace tm47 {
namespace {

TEST(ViewerMoves, WindowMovesStopAtBothEndsOfTheLine) {
    const std::optional<int64_t> stay;
    const struct {
        int64_t first, rows;
        int32_t columns;
        std::optional<int64_t> forward, end;
        int64_t back;
    } rows[] = {
        {1, 200, 310, 1, stay, 1},       // shorter than the plot: forward shows row 1 again
        {1, 309, 310, 1, 1, 1},          // one row short of the plot: End shows row 1
        {1, 80, 310, stay, stay, 1},     // no page beyond
        {1, 400, 310, 81, 91, 1},        // a whole page forward
        {81, 400, 310, 91, 91, 1},       // forward stops at the last window
        {691, 1000, 310, 691, 691, 611}, // back a page
        {50, 1000, 310, 130, 691, 1},    // back stops at row 1
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.first << " of " << r.rows);
        EXPECT_EQ(PageForwardRow(r.first, r.rows, r.columns), r.forward);
        EXPECT_EQ(EndRow(r.rows, r.columns), r.end);
        EXPECT_EQ(PageBackRow(r.first), r.back);
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

#pragma once
// The live profile (`CurveWnd`): the logged readings run from right to left, one curve per
// channel, on a backing image that is the profile: no list of past readings is kept.
//
//  - Repaint(): the window's paint as the handheld did it on an erased window: white, the grid
//    of the current scale and the two limit labels. The curves are gone afterwards; callers
//    that force a repaint run HistoryRedraw() next (Redraw() does both).
//  - ScrollImage(): one logged reading: the picture moves 2 columns left, the right edge
//    (columns W-1..W+1) is erased and the grid extended into it, then each shown channel draws
//    its segment from (W-2, previous row) to (W, new row), or a single point when its
//    has-previous-point flag is clear.
//  - HistoryRedraw(): the visible history read back from the open data file (see
//    profile_history.h). It draws the segments in the order the scroll steps drew them (older
//    readings first, channels 1 to 4 within a reading), so the redrawn picture matches the live
//    one. The differences that remain: a curve that was drawn live across an event that
//    leaves no break in the file (a nulling, a new line) is joined or cut differently; a
//    channel hidden for a while is drawn over its whole history; the oldest reading's segment
//    from outside the window (columns 0..3); an "S" record, which the redraw turns into a gap
//    of one reading (2 columns) that the live picture does not have; and single pixels of
//    the round end cap of pens 3 or 4 pixels wide that the live step drops with column
//    W + 1 (only columns 2..W move) and the redraw keeps.
//
// The limit labels start at plot width - 6 average character widths, but never left of
// column W + 2, where a wide font would put them into the scrolled columns.
//
// Curves use round caps and joins, aliased, like the handheld's geometric pens. Grid lines
// are filled rows: 1 pixel at the line's row, a 2-pixel zero line covers its row and the one
// above.
//
// GUI thread only.

#include <QImage>
#include <QWidget>

#include <array>
#include <cstdint>
#include <filesystem>

#include "config/settings.h"
#include "datafile/record_parser.h"
#include "profile/profile_history.h"
#include "profile/profile_scale.h"

namespace tm47 {

inline constexpr int kCurveWndId = 5;
inline constexpr int kScrollWidthLandscape = 270;
inline constexpr int kScrollWidthPortrait = 200;

// 0x00BBGGRR as stored in the settings.
QColor ChannelColour(int32_t bgr);

class CurveWnd final : public QWidget {
    Q_OBJECT
public:
    // `plotWidth` x `height`: the plot (312 or 232 wide); the window itself sits one pixel
    // up and left of it, one pixel larger, with a border. `hasPrevious` are the live profile's
    // four has-previous-point flags, owned by the logger (a session start clears them).
    CurveWnd(const Settings& settings, bool portrait, int plotWidth, int height,
             std::array<int32_t, 4>& hasPrevious, QWidget* parent);

    // The paint of an erased window: white, grid, and with `labels` the two limits.
    void Repaint(bool labels = true);
    // Grid lines of `grid` across the whole plot (the viewer draws them without labels).
    static void PaintGrid(QImage& image, const GridLines& grid, int plotWidth);
    // The scroll step on the picture only: the caller repaints the window when it chooses.
    void ScrollImage(const std::array<int32_t, 4>& rows);
    // The history from a data file: `path`, of which `endBytes` are written; `offsets` the
    // nulling offsets in use now. Returns the bytes read (for tests and the benchmark).
    int64_t HistoryRedraw(const std::filesystem::path& path, int64_t endBytes,
                          const std::array<float, 4>& offsets);
    // Draws walked history runs.
    void DrawHistory(const std::vector<HistoryRun>& runs);
    // Repaint and, when a data file is open (`path` not empty), the history.
    void Redraw(const std::filesystem::path& path, int64_t endBytes,
                const std::array<float, 4>& offsets);

    void ClearPreviousPoints() { hasPrevious_ = {}; }

    const QImage& Image() const { return image_; }
    const GridLines& Grid() const { return grid_; }
    int ScrollWidth() const { return scrollWidth_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Settings& settings_;
    int plotWidth_;
    int height_;
    int scrollWidth_;
    std::array<int32_t, 4>& hasPrevious_;
    std::array<int32_t, 4> previousRows_{};
    GridLines grid_;
    QImage image_;
};

} // namespace tm47

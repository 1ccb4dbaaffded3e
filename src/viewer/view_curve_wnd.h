#pragma once
// The viewer's profile (`ViewCurveWnd`): the grid, the four channel curves of the point
// window and the vertical bar. It covers the profile rectangle with a one-pixel border; its
// inside is a canvas whose pixel (x, y) is screen column x of the plot and row y of the scale
// mapping, so point slot s is drawn at x = s.
//
// The canvas keeps what was drawn; only the one-pixel column under the bar is saved, so that
// moving the bar repaints two columns and never the curves.
//
// GUI thread only.

#include <QImage>
#include <QWidget>

#include "config/settings.h"
#include "platform/screen_geometry.h"
#include "viewer/viewer_state.h"

namespace tm47 {

inline constexpr int kViewCurveWndId = 9;

// Fixed curve colours of the viewer (the display options do not apply here).
inline constexpr QRgb kViewCurveColour[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFF00FF};
inline constexpr int kViewCurvePenWidth = 2;
inline constexpr QRgb kViewBarColour = 0xFF808080;

class ViewCurveWnd final : public QWidget {
    Q_OBJECT
public:
    ViewCurveWnd(ViewerState& viewer, const Settings& settings, const ScreenGeometry& screen,
                 QWidget* parent);

    // The whole profile: the grid, and with a line shown the curves of slots 1..plotColumns
    // and the bar at `cursorColumn`.
    void PaintViewCurve();
    // The same as drawn for another view state (0 gives the grid alone).
    void PaintViewCurveAs(ViewState viewState);
    // The curves of slots `first`..`last`; gap slots split them.
    void DrawViewCurves(int first, int last);
    // Restores the column under the bar at `oldColumn` (when it differs), saves the column
    // at `newColumn` and draws the bar there.
    void MoveViewBar(int oldColumn, int newColumn);

    // What the profile shows now, in plot pixels.
    const QImage& Canvas() const { return canvas_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ViewerState& viewer_;
    const Settings& settings_;
    const ScreenGeometry& screen_;
    QImage canvas_;
    QImage savedColumn_; // 1 x (H - 2) pixels under the bar, from row 1
    int savedAt_ = -1;   // the canvas column the saved pixels came from
};

} // namespace tm47

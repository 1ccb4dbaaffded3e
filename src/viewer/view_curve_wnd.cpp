#include "viewer/view_curve_wnd.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>

#include <array>

#include "profile/profile_scale.h"

namespace tm47 {

namespace {
const QColor kGridGrey(192, 192, 192);
} // namespace

ViewCurveWnd::ViewCurveWnd(ViewerState& viewer, const Settings& settings,
                           const ScreenGeometry& screen, QWidget* parent)
    : QWidget(parent), viewer_(viewer), settings_(settings), screen_(screen) {
    setObjectName(QStringLiteral("ViewCurveWnd"));
    setProperty("controlId", kViewCurveWndId);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    // The plot rectangle with a one-pixel border around it.
    setGeometry(screen.profileLeft - 1, screen.profileTop - 1, screen.profileWidth + 1,
                screen.profileHeight + 1);
    canvas_ = QImage(std::max(screen.profileWidth - 1, 1), std::max(screen.profileHeight - 1, 1),
                     QImage::Format_RGB32);
    canvas_.fill(Qt::white);
}

void ViewCurveWnd::PaintViewCurve() {
    PaintViewCurveAs(viewer_.viewState);
}

void ViewCurveWnd::PaintViewCurveAs(ViewState viewState) {
    canvas_.fill(Qt::white);
    {
        // The grid of the live profile, without labels.
        QPainter p(&canvas_);
        const GridLines grid = BuildGrid(settings_);
        for (int i = 0; i < grid.count; ++i) {
            p.setPen(
                QPen(kGridGrey, i == 0 ? grid.baseLinePenWidth : 1, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(0, grid.rows[i], canvas_.width(), grid.rows[i]);
        }
    }
    // The canvas is fresh: no bar is on it, so nothing is restored.
    savedAt_ = -1;
    if (viewState == ViewState::Line) {
        DrawViewCurves(1, viewer_.plotColumns);
        MoveViewBar(viewer_.cursorColumn, viewer_.cursorColumn);
        viewer_.previousCursorColumn = viewer_.cursorColumn;
    }
    update();
}

void ViewCurveWnd::DrawViewCurves(int first, int last) {
    std::array<QPolygon, 4> lists;
    bool open = false;
    QPainter p(&canvas_);
    p.setRenderHint(QPainter::Antialiasing, false);
    auto drawSegment = [&] {
        for (std::size_t c = 0; c < 4; ++c) {
            p.setPen(QPen(QColor::fromRgb(kViewCurveColour[c]), kViewCurvePenWidth, Qt::SolidLine,
                          Qt::FlatCap, Qt::MiterJoin));
            p.drawPolyline(lists[c]);
            lists[c].clear();
        }
        open = false;
    };
    int x = 1;
    first = std::max(first, 0);
    last = std::min(last, kPointWindowSlots - 1);
    for (int slot = first; slot <= last; ++slot, ++x) {
        const auto s = static_cast<std::size_t>(slot);
        if (viewer_.points.pointValid[s] == 1) {
            std::array<float, 4> values{};
            for (std::size_t c = 0; c < 4; ++c) {
                values[c] = viewer_.points.pointChannel[c][s];
            }
            const std::array<int32_t, 4> rows =
                ValuesToRows(CompressValues(values, settings_.amplitudeMode),
                             settings_.profileScaleMax, settings_.profilePixelsPerUnit);
            for (std::size_t c = 0; c < 4; ++c) {
                // Rows far outside the plot are pulled in to a range the painter handles;
                // the canvas clips them either way.
                const int row = std::clamp(rows[c], -100000, 100000);
                lists[c].append(QPoint(x, row));
            }
            open = true;
        } else if (open) {
            drawSegment();
        }
    }
    if (open) {
        drawSegment();
    }
    update();
}

void ViewCurveWnd::MoveViewBar(int oldColumn, int newColumn) {
    const int barHeight = screen_.profileHeight - 2;
    if (barHeight <= 0) {
        return;
    }
    // The saved pixels go back where they came from, which is where the bar stands; a bar
    // drawn again in the same column is restored first too, so its own pixels are never
    // saved as what lay under it.
    (void)oldColumn;
    if (savedAt_ >= 0 && !savedColumn_.isNull()) {
        QPainter p(&canvas_);
        p.drawImage(QPoint(savedAt_, 1), savedColumn_);
    }
    savedColumn_ = canvas_.copy(newColumn, 1, 1, barHeight);
    savedAt_ = newColumn;
    {
        QPainter p(&canvas_);
        p.setPen(QPen(QColor::fromRgb(kViewBarColour), 1));
        // From row 1 up to, not including, row H - 1.
        p.drawLine(newColumn, 1, newColumn, screen_.profileHeight - 2);
    }
    update();
}

void ViewCurveWnd::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black); // the border
    p.drawImage(QRect(1, 1, width() - 2, height() - 2), canvas_);
}

} // namespace tm47

#include "profile/curve_wnd.h"

#include <QPainter>

#include "platform/c_numbers.h"

namespace tm47 {

namespace {

const QColor kGridGrey(192, 192, 192);

QPen CurvePen(const Settings& s, int c) {
    QPen pen(ChannelColour(s.channelColour[c]));
    pen.setWidth(std::max(1, s.channelThickness[c]));
    pen.setStyle(Qt::SolidLine);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// A grid line from column x0 to x1 inclusive: its row, and for a 2-pixel line the row above.
void FillGridLine(QImage& image, int row, int width, int x0, int x1) {
    QPainter p(&image);
    p.fillRect(QRect(x0, row - (width - 1), x1 - x0 + 1, width), kGridGrey);
}

QString LimitLabel(float value) {
    return QString::fromStdString(PrintfFixed(static_cast<double>(value), 5, 0));
}

} // namespace

QColor ChannelColour(int32_t bgr) {
    const auto v = static_cast<uint32_t>(bgr);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                  static_cast<int>((v >> 16) & 0xFF));
}

CurveWnd::CurveWnd(const Settings& settings, bool portrait, int plotWidth, int height,
                   std::array<int32_t, 4>& hasPrevious, QWidget* parent)
    : QWidget(parent), settings_(settings), plotWidth_(plotWidth), height_(height),
      scrollWidth_(portrait ? kScrollWidthPortrait : kScrollWidthLandscape),
      hasPrevious_(hasPrevious),
      image_(std::max(plotWidth, 1), std::max(height, 1), QImage::Format_RGB32) {
    setObjectName(QStringLiteral("CurveWnd"));
    setProperty("controlId", kCurveWndId);
    setAttribute(Qt::WA_OpaquePaintEvent);
    image_.fill(Qt::white);
}

void CurveWnd::PaintGrid(QImage& image, const GridLines& grid, int plotWidth) {
    for (int i = 0; i < grid.count; ++i) {
        const int width = i == 0 ? grid.baseLinePenWidth : 1;
        FillGridLine(image, grid.rows[static_cast<std::size_t>(i)], width, 0, plotWidth);
    }
}

void CurveWnd::Repaint(bool labels) {
    grid_ = BuildGrid(settings_.profileScaleMin, settings_.profileScaleMax,
                      settings_.profilePixelsPerUnit, height_);
    image_.fill(Qt::white);
    PaintGrid(image_, grid_, plotWidth_);
    if (labels) {
        QPainter p(&image_);
        p.setFont(font());
        p.setPen(Qt::black);
        const QFontMetrics m(font());
        // Never left of the scrolled columns, so the scroll step does not carry them along.
        const int x = std::max(plotWidth_ - 6 * m.averageCharWidth(), scrollWidth_ + 2);
        p.drawText(x, height_ - m.height() + m.ascent(), LimitLabel(settings_.profileScaleMin));
        p.drawText(x, m.ascent(), LimitLabel(settings_.profileScaleMax));
    }
    update();
}

void CurveWnd::ScrollImage(const std::array<int32_t, 4>& rows) {
    const int w = scrollWidth_;
    const int h = image_.height();
    // Columns 2..W move to 0..W-2.
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
        std::memmove(line, line + 2, static_cast<std::size_t>(w - 1) * sizeof(QRgb));
    }
    QPainter p(&image_);
    // The right edge is erased.
    p.fillRect(QRect(w - 1, 0, 3, h), Qt::white);
    // The grid of the last repaint reaches into it.
    const int baseWidth =
        settings_.profileScaleMin < 0.0f && settings_.profileScaleMax > 0.0f ? 2 : 1;
    for (int i = 0; i < grid_.count; ++i) {
        const int width = i == 0 ? baseWidth : 1;
        p.fillRect(QRect(w - 1, grid_.rows[static_cast<std::size_t>(i)] - (width - 1), 3, width),
                   kGridGrey);
    }
    // Each shown channel's segment.
    for (int c = 0; c < 4; ++c) {
        if (settings_.channelShown[c] != 1) {
            continue;
        }
        p.setPen(CurvePen(settings_, c));
        if (hasPrevious_[c] == 1) {
            p.drawLine(QPoint(w - 2, previousRows_[c]), QPoint(w, rows[c]));
        } else {
            p.drawPoint(QPoint(w, rows[c]));
            hasPrevious_[c] = 1;
        }
        previousRows_[c] = rows[c];
    }
}

void CurveWnd::DrawHistory(const std::vector<HistoryRun>& runs) {
    QPainter p(&image_);
    for (const HistoryRun& run : runs) {
        for (std::size_t i = 0; i < run.size(); ++i) {
            for (int c = 0; c < 4; ++c) {
                if (settings_.channelShown[c] != 1) {
                    continue;
                }
                p.setPen(CurvePen(settings_, c));
                if (i == 0) {
                    p.drawPoint(QPoint(run[i].x, run[i].rows[c]));
                } else {
                    p.drawLine(QPoint(run[i - 1].x, run[i - 1].rows[c]),
                               QPoint(run[i].x, run[i].rows[c]));
                }
            }
        }
    }
    p.end();
    update();
}

int64_t CurveWnd::HistoryRedraw(const std::filesystem::path& path, int64_t endBytes,
                                const std::array<float, 4>& offsets) {
    FileRecordSource source(path, endBytes);
    if (!source.IsOpen()) {
        return 0;
    }
    HistoryRequest request{settings_, offsets, OffsetOrder::BeforeNormalising, scrollWidth_};
    DrawHistory(WalkHistory(source, request));
    return source.BytesRead();
}

void CurveWnd::Redraw(const std::filesystem::path& path, int64_t endBytes,
                      const std::array<float, 4>& offsets) {
    Repaint(true);
    if (!path.empty()) {
        HistoryRedraw(path, endBytes, offsets);
    }
}

void CurveWnd::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(1, 1, image_);
    p.setPen(Qt::black);
    p.drawRect(0, 0, width() - 1, height() - 1);
}

} // namespace tm47

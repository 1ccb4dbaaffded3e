#pragma once
// The GPS row of the Monitor/Log screen as a widget the screen embeds: the labels "Pos", "#",
// "PDOP:" and "Sat:" and the five cells the GPS status rules draw into (spinner, logged GGA
// count, fix quality, PDOP, satellites), or "GPS  Input  disabled" centred when GPS input is
// off. It implements GpsStatusView: a drawn cell keeps its text until the next one, and the
// "GPS!" warning paints the spinner, fix-quality and satellites cells red until each is drawn
// again.
//
// Embedding (in the Monitor/Log window's creation): a child covering the GPS row,
//   auto* gps = new GpsStatusWnd(portrait, this);
//   gps->setGeometry(0, gpsRowTop, width(), lineHeight);
// and `gps->Reset(settings.gpsEnabled == 1)` where the window repaints its fields. The main
// window finds it (findChild) and attaches it to the logger's GPS status relay.
//
// GUI thread only.

#include <QFont>
#include <QString>
#include <QWidget>

#include <array>

#include "gps/gps_fix.h"
#include "gps/gps_status.h"

namespace tm47 {

class GpsStatusWnd final : public QWidget, public GpsStatusView {
    Q_OBJECT
public:
    GpsStatusWnd(bool portrait, QWidget* parent = nullptr);

    // The texts the Monitor/Log repaint starts from: spinner blank, the logged GGA count of
    // the attached GpsFix (0 without one), "NO FIX", "N/A", satellites blank; no warning.
    void Reset(bool gpsEnabled);
    // The GpsFix whose logged GGA count Reset shows.
    void AttachFix(const GpsFix* fix) { fix_ = fix; }

    // GpsStatusView.
    void DrawCell(GpsCell cell, std::string_view text, GpsFont font) override;
    void ShowGpsWarning() override;

    bool GpsEnabled() const { return gpsEnabled_; }
    QString CellText(GpsCell cell) const { return cells_[Index(cell)].text; }
    bool CellRed(GpsCell cell) const { return cells_[Index(cell)].red; }
    // The "GPS!" warning is on the screen (its cells have not been drawn since).
    bool WarningShown() const { return cells_[Index(GpsCell::FixQuality)].red; }
    // A cell's rectangle in this widget's coordinates.
    QRect CellRect(GpsCell cell) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Cell {
        QString text;
        bool bold = false;
        bool red = false;
    };
    static std::size_t Index(GpsCell cell) { return static_cast<std::size_t>(cell); }
    void Layout() const;

    bool portrait_;
    bool gpsEnabled_ = false;
    const GpsFix* fix_ = nullptr;
    QFont normalFont_;
    QFont boldFont_;
    std::array<Cell, 5> cells_{};
    // Cell and label places, computed from the widget size when needed.
    mutable std::array<QRect, 5> rects_{};
    // Label positions: "Pos", "#", "PDOP:", "Sat:".
    mutable std::array<QPoint, 4> labels_{};
};

} // namespace tm47

#pragma once
// A fake GPS status line: what each cell shows. Without a lock on purpose: the GPS threads
// must reach the screen only through the hand-over, on the thread that drains it.

#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "gps/gps_status.h"

namespace tm47::testing {

class FakeGpsView final : public GpsStatusView {
public:
    void DrawCell(GpsCell cell, std::string_view text, GpsFont font) override {
        cells[cell] = {std::string(text), font};
    }
    void ShowGpsWarning() override {
        ++warnings;
        for (GpsCell c : {GpsCell::Spinner, GpsCell::FixQuality, GpsCell::Satellites}) {
            cells[c] = {c == GpsCell::FixQuality ? "GPS!" : "", GpsFont::Bold};
        }
    }
    // What `cell` shows, and in which font; "<untouched>" when nothing was drawn there.
    std::pair<std::string, GpsFont> Cell(GpsCell cell) const {
        const auto it = cells.find(cell);
        return it == cells.end() ? std::pair{std::string("<untouched>"), GpsFont::Normal}
                                 : it->second;
    }
    std::string Text(GpsCell cell) const { return Cell(cell).first; }
    GpsFont Font(GpsCell cell) const { return Cell(cell).second; }

    std::map<GpsCell, std::pair<std::string, GpsFont>> cells;
    int warnings = 0;
};

} // namespace tm47::testing

#pragma once
// A fake GPS status line: remembers what each cell shows and every drawing call in order.

#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "gps/gps_status.h"

namespace tm47::testing {

class FakeGpsView final : public GpsStatusView {
public:
    void DrawCell(GpsCell cell, std::string_view text, GpsFont font) override {
        std::lock_guard lock(mutex_);
        cells_[cell] = {std::string(text), font};
        calls_.push_back(cell);
    }
    void ShowGpsWarning() override {
        std::lock_guard lock(mutex_);
        ++warnings_;
        for (GpsCell c : {GpsCell::Spinner, GpsCell::FixQuality, GpsCell::Satellites}) {
            cells_[c] = {c == GpsCell::FixQuality ? "GPS!" : "", GpsFont::Bold};
        }
    }

    // What `cell` shows; "<untouched>" when nothing was drawn there.
    std::string Text(GpsCell cell) const { return Cell(cell).first; }
    GpsFont Font(GpsCell cell) const { return Cell(cell).second; }
    std::vector<GpsCell> Calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    int Warnings() const {
        std::lock_guard lock(mutex_);
        return warnings_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        cells_.clear();
        calls_.clear();
        warnings_ = 0;
    }

private:
    std::pair<std::string, GpsFont> Cell(GpsCell cell) const {
        std::lock_guard lock(mutex_);
        auto it = cells_.find(cell);
        return it == cells_.end() ? std::pair{std::string("<untouched>"), GpsFont::Normal}
                                  : it->second;
    }

    mutable std::mutex mutex_;
    std::map<GpsCell, std::pair<std::string, GpsFont>> cells_;
    std::vector<GpsCell> calls_;
    int warnings_ = 0;
};

} // namespace tm47::testing

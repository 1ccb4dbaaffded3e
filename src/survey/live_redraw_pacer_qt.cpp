#include "survey/live_redraw_pacer_qt.h"

#include <algorithm>

namespace tm47 {

LiveRedrawPacer::LiveRedrawPacer() {
    timeout_.setSingleShot(true);
    timeout_.setInterval(kIntervalMs);
    QObject::connect(&timeout_, &QTimer::timeout, [this] { Draw(); });
}

void LiveRedrawPacer::Update(QWidget* widget, const QRect& area) {
    if (!inReading_) {
        widget->update(area);
        return;
    }
    auto it = std::find_if(pending_.begin(), pending_.end(),
                           [widget](const auto& p) { return p.first == widget; });
    if (it == pending_.end()) {
        pending_.emplace_back(widget, area);
    } else {
        it->second += area;
    }
}

void LiveRedrawPacer::EndReading() {
    inReading_ = false;
    if (pending_.empty()) {
        return;
    }
    if (!sinceDraw_.isValid() || sinceDraw_.hasExpired(kIntervalMs)) {
        Draw();
    } else {
        // Restarted by every reading: it fires only when readings stop, so it never adds a
        // wake-up while they flow.
        timeout_.start();
    }
}

void LiveRedrawPacer::Draw() {
    timeout_.stop();
    for (auto& [widget, area] : pending_) {
        if (widget) {
            widget->update(area);
        }
    }
    pending_.clear();
    sinceDraw_.start();
}

} // namespace tm47

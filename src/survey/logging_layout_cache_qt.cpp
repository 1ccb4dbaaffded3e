#include "survey/logging_layout_cache_qt.h"

#include <tuple>

namespace tm47 {

namespace {

bool SameScreen(const ScreenGeometry& a, const ScreenGeometry& b) {
    auto fields = [](const ScreenGeometry& g) {
        return std::tie(g.portrait, g.width, g.height, g.usableHeight, g.lineHeight, g.profileLeft,
                        g.profileTop, g.profileWidth, g.profileHeight);
    };
    return fields(a) == fields(b);
}

} // namespace

const LoggingLayout& LoggingLayoutCache::Get(const ScreenGeometry& screen, const QFont& normal,
                                             const QFont& bold) {
    if (!valid_ || !SameScreen(screen, screen_) || normal != normal_ || bold != bold_) {
        layout_ = ComputeLoggingLayout(screen, MeasureLayoutTexts(normal, bold));
        screen_ = screen;
        normal_ = normal;
        bold_ = bold;
        valid_ = true;
    }
    return layout_;
}

} // namespace tm47

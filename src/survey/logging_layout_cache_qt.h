#pragma once
// The Monitor/Log screen's field rectangles, kept between paints. They follow only from the
// screen and the two fonts, but measuring the sizing texts shapes some twenty strings, which
// cost more than the rest of a paint; at the instrument's rate that was most of the screen's
// CPU time. So they are measured again only when the screen or a font differs from last time.
//
// GUI thread only (fonts are measured there).

#include <QFont>

#include "platform/screen_geometry.h"
#include "survey/logging_layout_qt.h"

namespace tm47 {

class LoggingLayoutCache {
public:
    // The layout for this screen and these fonts, measured now if they changed.
    const LoggingLayout& Get(const ScreenGeometry& screen, const QFont& normal, const QFont& bold);

private:
    bool valid_ = false;
    ScreenGeometry screen_;
    QFont normal_;
    QFont bold_;
    LoggingLayout layout_;
};

} // namespace tm47

#pragma once
// The screens' text font: the nearest sans serif of the handheld's face and proportions
// (metric-compatible faces first, DejaVu Sans last), sized so that its text height (ascent +
// descent) is at most kScreenFontHeight pixels.

#include <QFont>

#include "resources/screen_font.h"

namespace tm47 {

QFont ScreenFont(QFont::Weight weight);

} // namespace tm47

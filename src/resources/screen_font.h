#pragma once
// The screens' text height. The handheld drew every screen in "MS Sans Serif" with a cell
// height of 14 pixels, and the layouts are built on that line height. screen_font_qt.h picks
// the face.

namespace tm47 {

inline constexpr int kScreenFontHeight = 14;

} // namespace tm47

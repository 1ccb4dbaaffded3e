#pragma once
// The handheld's logical screen: 240 x 320 in the portrait layout, 320 x 240 in landscape.
// Every screen window covers it at (0, 0). The live profile's rectangle follows from the line
// height of the 14-pixel font and is fixed before the settings are loaded, because the
// profile scale's pixels per unit depend on its height.
//
// Header only: the Monitor/Log screen, the live profile and the viewer share it.

namespace tm47 {

inline constexpr int kButtonRowReserve = 22; // the bottom button row and its margin

struct ScreenGeometry {
    bool portrait = true;
    int width = 240;
    int height = 320;
    int usableHeight = 298; // height - 22
    int lineHeight = 0;     // text height of the normal font
    int profileLeft = 4;
    int profileTop = 0;
    int profileWidth = 232;
    int profileHeight = 0;
};

constexpr ScreenGeometry ComputeScreenGeometry(bool portrait, int lineHeight) {
    ScreenGeometry g;
    g.portrait = portrait;
    g.width = portrait ? 240 : 320;
    g.height = portrait ? 320 : 240;
    g.usableHeight = g.height - kButtonRowReserve;
    g.lineHeight = lineHeight;
    const int rows = portrait ? 3 : 2;
    g.profileLeft = 4;
    g.profileTop = lineHeight * rows + 2;
    g.profileWidth = portrait ? 232 : 312;
    g.profileHeight = g.usableHeight - lineHeight * rows - g.profileTop - 2;
    return g;
}

} // namespace tm47

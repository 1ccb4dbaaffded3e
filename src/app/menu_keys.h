#pragma once
// The main menu's command decoding: one handler for button taps and keys. A tap arrives as the
// button's id (420..427), a key as its key code; the key table is consulted only while no
// screen window is open (`screenActive` 0), so the Monitor/Log screen keeps its letters.

#include <cstdint>

namespace tm47 {

inline constexpr int kMenuButtonCount = 8;
inline constexpr int kMenuFirstButtonId = 420;
inline constexpr int kMenuInitialHighlight = 1; // "&Survey Setup"

// Commands 0..7, in button order.
enum MenuCommand : int {
    kMenuMonitorLog = 0,
    kMenuSurveySetup = 1,
    kMenuLoggerSetup = 2,
    kMenuGpsPort = 3,
    kMenuOutputPort = 4,
    kMenuDisplayOptions = 5,
    kMenuViewFiles = 6,
    kMenuExit = 7,
};

// Key codes of the handheld's keyboard messages that the menu knows.
inline constexpr uint32_t kKeyTab = 9;
inline constexpr uint32_t kKeyEnter = 13;
inline constexpr uint32_t kKeyLeft = 37;
inline constexpr uint32_t kKeyUp = 38;
inline constexpr uint32_t kKeyRight = 39;
inline constexpr uint32_t kKeyDown = 40;

// Decodes one message parameter (button id or key code). Moves `highlighted` (0..7) for the
// Tab/arrow keys. Returns the command to run, or -1 when there is none.
int DecodeMenuInput(uint32_t wParam, bool screenActive, int& highlighted);

} // namespace tm47

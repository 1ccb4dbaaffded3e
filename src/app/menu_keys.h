#pragma once
// The main menu's command decoding. A tap arrives as the button's id (420..427), a key as its
// key code; the key table is consulted only while no screen window is open (`screenActive`
// 0), so the Monitor/Log screen keeps its letters.

#include <cstdint>

#include "platform/keys.h"

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

// The command of a tapped button (id 420..427), or -1.
int DecodeMenuButton(int id);
// The command of a key code, or -1; moves `highlighted` (0..7) for the Tab/arrow keys.
int DecodeMenuKey(uint32_t key, bool screenActive, int& highlighted);

} // namespace tm47

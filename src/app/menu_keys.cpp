#include "app/menu_keys.h"

namespace tm47 {

namespace {

int Wrap(int index) {
    return (index + kMenuButtonCount) % kMenuButtonCount;
}

} // namespace

int DecodeMenuInput(uint32_t wParam, bool screenActive, int& highlighted) {
    // A tap gives the button index; for a key this value is out of range unless the key
    // table below replaces it.
    int command = static_cast<int>(wParam & 0xFFFFu) - kMenuFirstButtonId;
    if (!screenActive) {
        switch (wParam) {
        case 'L':
        case 'l':
            command = kMenuMonitorLog;
            break;
        case 'S':
        case 's':
            command = kMenuSurveySetup;
            break;
        case 'O':
        case 'o':
            command = kMenuLoggerSetup;
            break;
        case 'G':
        case 'g':
            command = kMenuGpsPort;
            break;
        case 'P':
        case 'p':
            command = kMenuOutputPort;
            break;
        case 'D':
        case 'd':
            command = kMenuDisplayOptions;
            break;
        case 'V':
        case 'v':
            command = kMenuViewFiles;
            break;
        case 'X':
        case 'x':
        case 'E':
        case 'e':
            command = kMenuExit;
            break;
        case kKeyTab:
        case kKeyRight:
        case kKeyDown:
            highlighted = Wrap(highlighted + 1);
            return -1;
        case kKeyLeft:
        case kKeyUp:
            highlighted = Wrap(highlighted - 1);
            return -1;
        case kKeyEnter:
            command = Wrap(highlighted);
            break;
        default:
            break;
        }
    }
    return command >= 0 && command < kMenuButtonCount ? command : -1;
}

} // namespace tm47

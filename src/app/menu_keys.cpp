#include "app/menu_keys.h"

namespace tm47 {

namespace {

int Wrap(int index) {
    return (index + kMenuButtonCount) % kMenuButtonCount;
}

} // namespace

int DecodeMenuButton(int id) {
    const int command = id - kMenuFirstButtonId;
    return command >= 0 && command < kMenuButtonCount ? command : -1;
}

int DecodeMenuKey(uint32_t key, bool screenActive, int& highlighted) {
    int command = -1;
    if (!screenActive) {
        switch (key) {
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

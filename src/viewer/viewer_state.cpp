#include "viewer/viewer_state.h"

#include "platform/c_numbers.h"
#include <algorithm>
#include <cmath>

namespace tm47 {

namespace {

// "%d" of a limit truncated toward zero; limits beyond the 32-bit range saturate.
int32_t TruncatedLimit(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483647.0f) {
        return INT32_MAX;
    }
    if (value <= -2147483648.0f) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}

} // namespace

int64_t PageBackRow(int64_t firstRow) {
    return std::max<int64_t>(firstRow - kViewPageStep, 1);
}

std::optional<int64_t> PageForwardRow(int64_t firstRow, int64_t rowCount, int32_t columns) {
    if (firstRow + kViewPageStep > rowCount) {
        return std::nullopt;
    }
    int64_t row = firstRow + kViewPageStep;
    // The last column would lie past the end of the line: the window ends on the last row.
    if (row + columns - 1 > rowCount) {
        row = std::max<int64_t>(rowCount - columns + 1, 1);
    }
    return row;
}

std::optional<int64_t> EndRow(int64_t rowCount, int32_t columns) {
    if (rowCount - columns + 1 < 0) {
        return std::nullopt;
    }
    return std::max<int64_t>(rowCount - columns + 1, 1);
}

int32_t OpenedCursorColumn(int64_t rowCount) {
    if (rowCount > kViewCursorStart) {
        return kViewCursorStart;
    }
    return std::max<int32_t>(static_cast<int32_t>(rowCount / 2), 1);
}

bool BarCanMoveRight(int32_t cursorColumn, int32_t columns, int64_t rowCount) {
    return cursorColumn < columns && cursorColumn < rowCount;
}

int32_t NextFocusIndex(int32_t focusIndex) {
    const int32_t next = focusIndex + 1;
    return next >= kViewFocusRingSize || next < 0 ? 0 : next;
}

int32_t ViewCommandForKey(uint32_t keyCode) {
    switch (keyCode) {
    case kKeyHome:
        return kViewCmdStart;
    case kKeyPageUp:
        return kViewCmdPageBack;
    case kKeyLeft:
    case kKeyUp:
        return kViewCmdBarLeft;
    case kKeyRight:
    case kKeyDown:
        return kViewCmdBarRight;
    case kKeyPageDown:
        return kViewCmdPageForward;
    case kKeyEnd:
        return kViewCmdEnd;
    default:
        return -1;
    }
}

ViewCharAction ViewActionForChar(char16_t c, int32_t focusIndex) {
    ViewCharAction a;
    switch (c) {
    case u'F':
    case u'f':
        a.command = kViewCmdFile;
        break;
    case u'S':
    case u's':
        a.command = kViewCmdScale;
        break;
    case u'X':
    case u'x':
    case u'E':
    case u'e':
        a.command = kViewCmdExit;
        break;
    case u'?':
        a.command = kViewCmdHelp;
        break;
    case u'L':
    case u'l':
        a.command = kViewCmdLine;
        break;
    case u'\r':
        a.command = focusIndex;
        break;
    case u'\t':
        a.tab = true;
        break;
    default:
        break;
    }
    return a;
}

std::string ViewFilesHelpText() {
    static constexpr const char* kLines[] = {
        "Select Line in box (L)ine.", "  ",
        "To move along line:",        " to Start- tap <<-- /Home",
        " to End  - tap -->> /End ",  " 80 left  - tap <--- /PgUp",
        " 80 right- tap ---> /PgDn",  "  ",
        "To move vertical bar:",      " 1 left   - tap |<-- /Left ",
        " 1 right - tap -->| /Right"};
    std::string text;
    for (const char* line : kLines) {
        if (!text.empty()) {
            text += "\r\n";
        }
        text += line;
    }
    return text;
}

std::string CursorValueText(float value) {
    return PrintfFixed(static_cast<double>(value), -8, 1);
}

std::string FileLabelText(ViewState viewState, const std::string& viewFileName) {
    if (viewState != ViewState::Line) {
        return "File:";
    }
    return "File:" + viewFileName.substr(0, 8);
}

std::string ScaleLabelText(int32_t amplitudeMode) {
    return amplitudeMode == 1 ? "C Scale:" : "L Scale:";
}

std::string ScaleNumbersText(float scaleMin, float scaleMax) {
    std::string text = " ";
    text += PrintfInt(TruncatedLimit(scaleMin), 0);
    text += " / ";
    text += PrintfInt(TruncatedLimit(scaleMax), 0);
    return text;
}

} // namespace tm47

#pragma once
// The file viewer's navigation state and its rules: which rows the window shows, where the
// bar stands, the keyboard focus ring and the key table. The "View Files" screen
// (view_files_wnd.h) carries these out; the rules here hold no widget, so tests drive them
// directly.
//
// GUI thread only; one instance, owned by the running logger.

#include <cstdint>
#include <optional>
#include <string>

#include "datafile/record_parser.h"
#include "platform/file_handle.h"
#include "platform/keys.h"
#include "viewer/line_index.h"

namespace tm47 {

// What the profile shows; the file viewer window alone changes it.
enum class ViewState : int8_t {
    Nothing = 0,   // after start-up and after Exit
    Line = 1,      // a line is shown
    Cancelled = 2, // a file is open, the last open dialog cancelled
};

inline constexpr int64_t kViewPageStep = 80;
// The bar's column when a line is shown, unless the line is shorter.
inline constexpr int32_t kViewCursorStart = 50;

// Commands 0-10 of the viewer: the buttons 480-489 and the line combo box.
enum ViewCommand : int32_t {
    kViewCmdStart = 0,
    kViewCmdPageBack = 1,
    kViewCmdBarLeft = 2,
    kViewCmdBarRight = 3,
    kViewCmdPageForward = 4,
    kViewCmdEnd = 5,
    kViewCmdFile = 6,
    kViewCmdScale = 7,
    kViewCmdExit = 8,
    kViewCmdHelp = 9,
    kViewCmdLine = 10,
};
inline constexpr int32_t kViewFocusRingSize = 11; // 0-9 the buttons, 10 the combo box
inline constexpr int32_t kViewInitialFocus = kViewCmdFile;

struct ViewerState {
    FileHandle viewFile;
    std::string viewFileName; // 8-bit, without folder and extension
    ViewState viewState = ViewState::Nothing;
    int32_t currentLine = 0; // combo box entry of the line shown
    int32_t plotColumns = 0;
    int64_t firstRow = 1;
    int32_t cursorColumn = kViewCursorStart;
    int32_t previousCursorColumn = kViewCursorStart;
    int32_t focusIndex = kViewInitialFocus;

    LineTable lines;
    int64_t indexRowCount = 0;
    bool indexBuilt = false; // the index file holds the line shown (else no points are read)
    PointWindow points;
};

// The window moves; R = `rowCount` (indexRowCount), N = `columns` (plotColumns). No value
// means the window does not move.
int64_t PageBackRow(int64_t firstRow);
std::optional<int64_t> PageForwardRow(int64_t firstRow, int64_t rowCount, int32_t columns);
std::optional<int64_t> EndRow(int64_t rowCount, int32_t columns);

// The bar's column for a line just opened from a file: 50, or half the rows (at least 1) of a
// line of 50 rows or fewer.
int32_t OpenedCursorColumn(int64_t rowCount);

// Whether the bar can move one column right: it stays within the columns and the rows.
bool BarCanMoveRight(int32_t cursorColumn, int32_t columns, int64_t rowCount);

// The next focus ring position after Tab: 0..10, then 0 again.
int32_t NextFocusIndex(int32_t focusIndex);

// What a key does (Page Up/Down, End, Home and the arrows; platform/keys.h).
// The command of a key-down code, or -1.
int32_t ViewCommandForKey(uint32_t keyCode);

struct ViewCharAction {
    int32_t command = -1; // 0..10, or -1
    bool tab = false;     // move the focus ring
};
// The action of a typed character; Enter runs the command at `focusIndex`.
ViewCharAction ViewActionForChar(char16_t c, int32_t focusIndex);

// The eleven lines of the help box, joined by CR LF.
std::string ViewFilesHelpText();
inline constexpr const char* kViewFilesHelpCaption = "View Files Help";

// Status texts: the bar's values ("%-8.1f", C locale), the file name cut to 8 characters, the
// scale row's numbers (limits truncated to integers).
std::string CursorValueText(float value);
std::string FileLabelText(ViewState viewState, const std::string& viewFileName);
std::string ScaleLabelText(int32_t amplitudeMode);
std::string ScaleNumbersText(float scaleMin, float scaleMax);

} // namespace tm47

#pragma once
// The command handler of the Monitor/Log screen: one logging session from the Monitor state
// (no data file) through Stand By (file open) and Logging (recording) and back. Taps, keys and
// popup-menu choices become commands; the controller switches the bottom button row to the
// state, writes the marker and comment records, and changes the instrument's trigger mode when
// logging starts and stops.
//
// How it is driven (SurveySession owns one LogSessionController and builds its SessionContext
// with an InstrumentSessionLink over the link and timer 1; the screen implements SessionView):
//   - Session opened by the main window (after the link started):  controller.OpenSession().
//   - QTimer of timer 1 timeout:                                     controller.TimerTick().
//   - A button tap (control id 460 + index) or a popup-menu item:    controller.Command(id).
//     Pause buttons use ids 460..463 like the rows; the controller knows which row is shown.
//   - A key down: controller.Key(code) with the key codes of platform/keys.h; keys without a
//     code of their own arrive as kKeyWithoutCode and count only as "any key".
//   - The controller sets every button label once through SetButtonLabel (OpenSession), and
//     all shows, hides, highlights, status fields and message boxes through SessionView.
//   - TrackPopupMenu returns the chosen id; the controller handles it itself (no posting).
//   - MonitorButtonEnabled must report the real enabled state of the five Monitor buttons:
//     keys of disabled buttons do nothing, and Nulling and the calibrations need theirs.
//   - SessionContext wiring (SurveySession): hooks.saveSettings = the settings save;
//     requestCalibration = QcCheck::Request; calibrationLinkLost = QcCheck::LinkLost;
//     resetCalibration = QcCheck::ResetForSession; resetGpsCount = GGA count of GpsFix to 0.
//     shutdown.stopGps = the GPS stop (GpsInput::Stop, 6 s and 5 s limits, then the GPS port
//     closed); stopInstrument may stay empty (the link's Stop); closeOutputPort = the output
//     queue and port closed; closeDataFiles may stay empty (DataFile::Close, data and test
//     file).
//   - The frame handler (reading processing) is not the controller's: it runs in
//     SurveySession::OnFrame, reading session.state and session.beepDivider.
//   - Dialog calls (RunNewLine, RunComment, ...) and MessageBox run nested event loops; timer 1
//     keeps ticking inside them and may end the session, which the controller checks after
//     each of them through SessionContext::sessionSerial.
//
// Decided for a wheel-mode switch that fails (the instrument does not take 'W' at Go, or none
// of five 'X' at Pause) when the operator answers No to "Exit Logging?": the session goes on
// in the Logging state, not watched, with no reader running (no readings can arrive). The next
// Pause tries the switch back to normal mode (five attempts again) and, when it succeeds,
// Stand By follows as usual, from where the next Go tries the wheel switch again. Exit is
// reached through those failures or from Stand By.
//
// GUI thread only.

#include <cstdint>
#include <string>

#include "survey/connection_watch.h"
#include "survey/log_session.h"
#include "survey/session_view.h"

namespace tm47 {

inline constexpr int kFirstButtonId = 460;
inline constexpr int kMonitorRowButtons = 5;
inline constexpr int kStandByRowButtons = 6;
inline constexpr int kPauseRowButtons = 4; // one shown at a time

// Popup menu 1100.
inline constexpr int kPopupScale = 1101;
inline constexpr int kPopupDisplayOptions = 1102;
inline constexpr int kPopupNulling = 1103;
inline constexpr int kPopupInternalCalibration = 1104;
inline constexpr int kPopupExternalCalibration = 1105;
inline constexpr int kPopupHideMenu = 1106;
inline constexpr int kPopupItems = 6;
// In id order; the underlined letters are how keyboard operators choose, after M.
inline constexpr const char* kPopupLabels[kPopupItems] = {
    "&Scale",    "&Display Options", "N&ulling", "&Internal Calibration", "&External Calibration",
    "&Hide Menu"};

inline constexpr const char* kMonitorRowLabels[kMonitorRowButtons] = {
    "&Cr.File", "N&ull", "&Int.Cal", "&Ext.Cal", "E&xit"};
inline constexpr const char* kStandByRowLabels[kStandByRowButtons] = {"&Go",   "&Line", "&NStn",
                                                                      "&Cmnt", "&Menu", "E&xit"};
// One per `pauseKey`: 0 any key, 1 Space, 2 Enter, 3 the P key.
inline constexpr const char* kPauseLabels[kPauseRowButtons] = {
    "TAP ME or press any key to Pause", "TAP ME or press SPACE bar to Pause",
    "TAP ME or press ENTER key to Pause", "TAP ME or press P key to Pause"};

inline constexpr const char* kNullingCaption = "NULLING";
inline constexpr const char* kNullingQuestion = "DO YOU WANT TO PERFORM NULLING";
inline constexpr const char* kTestFileEnabled = "R4D file enabled";
inline constexpr const char* kTestFileDisabled = "R4D file disabled";

enum class SessionCommand {
    None,
    CreateDataFile,
    Go,
    Pause,
    NewLine,
    NewStation,
    Comment,
    Menu,
    Exit,
    Scale,
    DisplayOptions,
    Nulling,
    InternalCalibration,
    ExternalCalibration,
    HideMenu,
};

// What one key does in a state: a button index, a menu command, or a highlight move.
struct KeyMapping {
    int index = -1;        // button index, -1 none
    int menuCommand = 0;   // 1101..1106, 0 none
    int highlightMove = 0; // +1 next, -1 previous, 0 none
};

// Key codes: letters in either case (the underlined letters of the row's labels, and in
// Stand By those of the popup's Scale and Nulling), Tab, Enter and the arrows for the
// highlight. In Logging only the pause key (`pauseKey` 0 any key, 1 Space, 2 Enter, 3 P) maps,
// to index 0.
KeyMapping MapSessionKey(SessionState state, int32_t pauseKey, int32_t highlightIndex,
                         uint32_t key);
// The dispatch table with the Monitor conversions (index 1 Nulling, 2 Internal, 3 External).
SessionCommand CommandForIndex(SessionState state, int index);
// 1101..1106, else None.
SessionCommand CommandForMenuId(int id);
// Recorded readings per beep in Auto mode: the integer part of
// 1000 / readingIntervalMs / 2 + 0.5, in 1..20.
int32_t AutoBeepDivider(int32_t readingIntervalMs);

class LogSessionController {
public:
    LogSessionController(SessionContext& ctx, ConnectionWatch& watch) : ctx_(ctx), watch_(watch) {}

    // The main window opens the screen: labels set, Monitor row shown and highlighted at 0,
    // the Stand By row and the pause buttons hidden, watch on, keys live.
    void OpenSession();

    // A button tap (460 + index) or a popup-menu item (1101..1106).
    void Command(int id);
    // A key down with its key code (platform/keys.h).
    void Key(uint32_t key);
    // Timer 1.
    void TimerTick() { watch_.Tick(); }

    // The single command, as the dispatch runs it.
    void Execute(SessionCommand command);

private:
    // Runs the button of `index` (-1 none) and then the popup item `menu` (0 none).
    void Dispatch(int index, int menu);
    void MoveHighlight(int step);
    ButtonRow VisibleRow() const;
    bool SessionEnded(uint64_t serial) const { return ctx_.sessionSerial != serial; }

    void CreateDataFile();
    void Go();
    bool GoWheel();
    void Pause();
    bool PauseWheel();
    void NewLine();
    void NewStation();
    void Comment();
    void Menu();
    void Scale();
    void DisplayOptions();
    void Nulling();
    void Calibration(int32_t kind);
    void ShowStandByRow();
    void ShowLoggingRow();
    void WriteMarker(std::u16string_view text);

    SessionContext& ctx_;
    ConnectionWatch& watch_;
};

} // namespace tm47

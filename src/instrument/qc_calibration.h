#pragma once
// The QC-coil check. With the instrument nulled on the spot, the operator presses the
// instrument's QC Coil button; each channel must then answer close to the negative of a
// reference that depends on the kind of check (internal or external coil) and the antenna.
//
// The logger averages 50 readings as a temporary null (reading state QC averaging), shows the
// calibration window at step 0 (instructions), waits at step 1 for the response with a
// 60-second limit (timer 2), shows the result at step 2 and, on the way out, puts back the
// null offsets that were in force before the check.
//
// One evaluated check (pass or fail) gives exactly one calibration record, written when the
// evaluation ends; drawing the result screen again writes nothing. A time-out or a Cancel
// writes nothing.
//
// Qt-free: the window implements CalibrationView; the Monitor/Log screen supplies the hooks.
// Threads: GUI thread only (evaluation runs inside the reading hand-over).

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "instrument/reading.h"
#include "instrument/reading_processor.h"
#include "platform/clock.h"

namespace tm47 {

inline constexpr int32_t kQcKindInternal = 0;
inline constexpr int32_t kQcKindExternal = 1;
inline constexpr int32_t kQcTimeOutSeconds = 60;
inline constexpr int kQcTimer2PeriodMs = 1000;
inline constexpr int kQcFramesToSettle = 6; // frames after detection; the sixth fails
inline constexpr int kCalibrateOkId = 350;

// Result of evaluating one frame.
inline constexpr int kQcGoOn = 0;
inline constexpr int kQcPass = 1;
inline constexpr int kQcFail = 2;

// result ready
inline constexpr int32_t kQcNoResult = 0;
inline constexpr int32_t kQcEvaluated = 1;
inline constexpr int32_t kQcTimedOut = 2;

struct CalibrationState {
    int32_t kind = kQcKindInternal; // 0 internal, 1 external
    char letter = 'N';              // command letter: 'I', 'E'; 'N' before any command
    int32_t step = 0;               // 0 instructions, 1 waiting, 2 result shown
    int32_t resultReady = kQcNoResult;
    int32_t secondsOrPass = 0; // waiting: seconds elapsed; after an evaluation: 1 pass, 0 fail
    int32_t responseDetected = 0;
    int32_t framesSinceDetection = 0;
    std::array<float, 4> resultValues{};
    // Channels 1..4, then the channel 4 reference of the differential letters.
    std::array<float, 5> references{};
    std::array<float, 5> tolerances{};
    int32_t focusedButton = 0; // 0 "&OK", 1 "&Cancel"
    bool okEnabled = true;
    bool shown = false;        // the window is on screen
    bool offsetsSaved = false; // the offsets before the check have been saved
    uint32_t timer2StartTick = 0;
    // What the header-form offset records show: the kind of the last recorded check of this
    // session ('N' none) and its four values.
    char lastQcLetter = 'N';
    std::array<float, 4> lastQcValues{};
};

// The reference table, row = 2 x kind + antenna.
inline constexpr int kQcReferenceRows = 4;
inline constexpr float kQcReferenceTable[kQcReferenceRows][5] = {
    {4608.0f, 3574.0f, 2096.0f, 784.0f, 708.0f},
    {694.0f, 533.0f, 319.0f, 120.0f, 81.0f},
    {3935.0f, 3660.0f, 2486.0f, 1235.0f, 386.0f},
    {1052.0f, 929.0f, 644.0f, 320.0f, 64.2f},
};

// Loads the references and tolerances (0.1 x each) of row 2 x kind + antenna. A row that does
// not exist leaves the previous values in place. Returns false in that case.
bool LoadQcReferences(CalibrationState& cal, int32_t antenna);

// Evaluates one frame's four channel values (returns kQcGoOn, kQcPass or kQcFail).
// `differential` is true unless the frame letter is T, E, M or P; channel 4 is then compared
// against the differential reference.
int EvaluateQcFrame(CalibrationState& cal, const std::array<float, 4>& channel, bool differential);

// Channel 4 of these letters uses the differential reference.
bool IsQcDifferentialLetter(uint8_t letter);

// What the window shows for the current state.
struct CalibrationScreen {
    std::string title;
    std::vector<std::string> lines;
    int boldLine = -1; // index into lines, -1 none
    bool okEnabled = true;
    int32_t focusedButton = 0;
};
CalibrationScreen ComposeCalibrationScreen(const CalibrationState& cal);

// The calibration window.
class CalibrationView {
public:
    virtual ~CalibrationView() = default;
    virtual void ShowCalibration() = 0; // show and take the keyboard
    virtual void HideCalibration() = 0;
    virtual void Redraw() = 0; // draws ComposeCalibrationScreen of the current state
    virtual void StartTimer2(int periodMs) = 0;
    virtual void StopTimer2() = 0;
};

// What the check needs from the rest of the logger.
struct CalibrationHooks {
    // The four QC calibration records: WriteOffsetRecords with calibration true, `values`
    // twice and kind letter `letter`: to the data file when one is open, and to the output port.
    std::function<void(char letter, const std::array<float, 4>& values)> writeRecord;
    // The five Monitor buttons: disabled while a check runs, enabled when it closes.
    std::function<void(bool enabled)> enableMonitorButtons;
    // After close: redraw the live profile and give the keyboard back to the Monitor/Log screen.
    std::function<void()> closed;
};

class QcCheck {
public:
    QcCheck(ReadingProcessor& readings, const Clock& clock, CalibrationHooks hooks);

    void AttachView(CalibrationView* view) { view_ = view; }

    // "&Int.Cal" / "&Ext.Cal": the request (kind, letter, counters zeroed, nulling count 0,
    // reading state QC-coil averaging) and the Monitor buttons disabled.
    void Request(int32_t kind);

    // Hooks of the reading processing.
    void AveragingStarted(int32_t antenna); // first frame of QC averaging: references loaded
    void AveragingDone();                   // now QC evaluation: the window at step 0
    void Evaluate(const Reading& reading);  // every frame of QC evaluation

    // Window commands. Button index 0 "&OK", 1 "&Cancel"; keys 9, 13, 'C', 'c', 'O', 'o'.
    void Command(int buttonIndex);
    void Key(uint32_t code);
    void Timer2Tick();

    // The link was given up during the check: the window goes, the offsets before the check
    // come back. The caller resets the reading state.
    void LinkLost();
    // Session reset: the command letter and the header letter become 'N'.
    void ResetForSession();

    CalibrationState state;

private:
    void Ok();
    void Cancel();
    void Close();
    void Finish(int result, const std::array<float, 4>& values);
    void Redraw();

    ReadingProcessor& readings_; // its null offsets, the ones saved before the check, its state
    const Clock& clock_;
    CalibrationHooks hooks_;
    CalibrationView* view_ = nullptr;
};

} // namespace tm47

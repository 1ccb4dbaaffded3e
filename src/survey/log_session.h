#pragma once
// One opening of the Monitor/Log screen is a logging session. The session record says which
// state it is in and which buttons and keys are live. GUI thread only.

#include <cstdint>

namespace tm47 {

enum class SessionState {
    Monitor, // no data file open
    StandBy, // data file open, not recording
    Logging, // recording
};

// What the connection watch does at timer 1: it watches (On) or it does not, during a wheel
// logging run, with Manual chosen in the survey setup, or while a recovery runs. The values are
// fixed only so that a printed mode reads the same everywhere.
enum class WatchMode : int8_t {
    Recovering = -2,
    On = 0,
    Wheel = 1,
    ManualSetup = 2,
};

// Caption of the box that tells the operator the test file was switched on or off.
inline constexpr const char* kTestFileCaption = "Test File";

struct LogSession {
    SessionState state = SessionState::Monitor;
    // True while the Monitor/Log screen is open; the main menu ignores its keys meanwhile.
    bool screenActive = false;
    int32_t highlightIndex = 0;    // highlighted button of the visible row
    int32_t buttonCount = 5;       // 5 in Monitor, 6 in Stand By
    int32_t beepDivider = 1;       // recorded readings per beep, 1..20
    int32_t testFileAnnounced = 0; // `writeTestFile` as last announced to the operator

    // The watch mode, changed only through these transitions; On when a session opens.
    WatchMode Watch() const { return watchMode_; }
    void StartWatching() { watchMode_ = WatchMode::On; }
    void StartWheelRun() { watchMode_ = WatchMode::Wheel; }
    void StartRecovery() { watchMode_ = WatchMode::Recovering; }
    // The survey setup's trigger mode decides: Auto (0) is watched, Wheel (1) and Manual (2)
    // are not, and neither is any other value.
    void FollowSurveyMode(int32_t surveyMode) {
        watchMode_ = surveyMode == 0   ? WatchMode::On
                     : surveyMode == 1 ? WatchMode::Wheel
                                       : WatchMode::ManualSetup;
    }

private:
    WatchMode watchMode_ = WatchMode::On;
};

} // namespace tm47

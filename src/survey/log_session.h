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

// Caption of the box that tells the operator the test file was switched on or off.
inline constexpr const char* kTestFileCaption = "Test File";

struct LogSession {
    SessionState state = SessionState::Monitor;
    // True while the Monitor/Log screen is open; the main menu ignores its keys meanwhile.
    bool screenActive = false;
    int32_t highlightIndex = 0; // highlighted button of the visible row
    int32_t buttonCount = 5;    // 5 in Monitor, 6 in Stand By
    // Connection watch: 0 watch, 1 wheel logging, 2 Manual chosen in the survey setup,
    // -2 recovery running. 0 when a session opens.
    int32_t watchMode = 0;
    int32_t beepDivider = 1;       // recorded readings per beep, 1..20
    int32_t testFileAnnounced = 0; // `writeTestFile` as last announced to the operator
};

} // namespace tm47

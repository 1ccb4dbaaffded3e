#pragma once
// The Monitor/Log screen's status fields that follow the session rather than the readings:
// file name, state word, trigger mode, line and station, the handheld battery and the GPS row's
// labels. Set before each paint and when a session opens.
//
// GUI thread only.

#include <QString>

#include <array>

#include "config/settings.h"
#include "datafile/data_file.h"
#include "survey/log_session.h"
#include "survey/logging_layout_qt.h"
#include "survey/survey_position.h"

namespace tm47 {

struct SessionTextInputs {
    const DataFile* data; // none before a session is attached
    SessionState state;
    const Settings& settings;
    const SurveyPosition& position;
    int batteryPercent; // the handheld's, as last read
};

// Writes those fields into `texts`; the GPS fix and PDOP get "NO FIX" and "N/A" when empty
// and GPS input is on, and are cleared when it is off.
void UpdateSessionTexts(std::array<QString, kLogFieldCount>& texts, const SessionTextInputs& in);

} // namespace tm47

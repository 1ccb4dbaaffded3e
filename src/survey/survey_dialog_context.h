#pragma once
// What the Monitor/Log screen's own dialogs (New Line, New Station, Comment and the data file
// creation) work on. The session controller builds one per command from the logger's state;
// every member refers to state that outlives the dialog. GUI thread only.

#include <array>
#include <cstdint>
#include <functional>

#include "config/settings.h"
#include "datafile/record_writers.h"
#include "platform/device_root.h"
#include "platform/message_sink.h"
#include "survey/survey_position.h"

namespace tm47 {

struct SurveyDialogContext {
    Settings& settings;
    SurveyPosition& position;
    RecordContext& records; // the writers' targets: data file, test file, output port
    const DeviceRoot& root; // for the settings save and the data folder
    MessageSink& messages;
    // The live profile's four "previous point drawn" flags; New Station clears them so that
    // each channel's next point starts without a joining segment. May be null.
    std::array<int32_t, 4>* previousPoint = nullptr;
    // Around a dialog where the operator types text: true just before it opens (raise the
    // soft input panel), false after it closed. May be empty.
    std::function<void(bool before)> inputPanel;
};

} // namespace tm47

#pragma once
// One logging session's working parts, without the screen: the data file and the record
// context that writes to it, the QC-coil check, the live reading session behind the reading
// processing, the connection watch and the session controller. The screen draws what these
// tell it through SessionView, ReadingView and LinkTimer, and hands them its commands, keys
// and timer ticks; a test drives the session with fakes of those views and no widget.
//
// GUI thread only; frames arrive through the link's synchronous hand-over.

#include <array>
#include <cstdint>
#include <functional>

#include "config/settings.h"
#include "datafile/data_file.h"
#include "datafile/record_writers.h"
#include "instrument/frame.h"
#include "instrument/link.h"
#include "instrument/qc_calibration.h"
#include "instrument/reading_processor.h"
#include "platform/clock.h"
#include "platform/device_root.h"
#include "survey/connection_watch.h"
#include "survey/live_reading_session.h"
#include "survey/log_session.h"
#include "survey/log_session_controller.h"
#include "survey/session_view.h"
#include "survey/survey_position.h"

namespace tm47 {

// The records the session works on, all owned by the running logger.
struct SurveySessionContext {
    const Clock& clock;
    Settings& settings;
    LogSession& session;
    SurveyPosition& position;
    std::array<int32_t, 4>& previousPoint; // the live profile's has-previous-point flags
    ReadingProcessor& readings;            // the reading state too
    InstrumentLink& link;
    const OutputMode& outputMode;
    bool portrait;
    // Where the settings are saved; none: nothing is saved.
    const DeviceRoot* root = nullptr;
    // The GPS and output-port steps of the shutdown and the GPS status row's count; empty
    // ones are skipped.
    std::function<void()> stopGps;
    std::function<void()> closeOutputPort;
    std::function<void()> resetGpsCount;
};

// The screen as the session sees it: its view interfaces and the few things the live
// profile, the station field and the calibration ask of it.
struct SurveyScreen {
    SessionView& view;
    ReadingView& readingView;
    LinkTimer& timer;
    LiveSessionHooks live;
    // The calibration window closed: profile redrawn, the keyboard back to the screen.
    std::function<void()> calibrationClosed;
};

class SurveySession {
public:
    SurveySession(SurveySessionContext context, SurveyScreen screen);
    SurveySession(const SurveySession&) = delete;
    SurveySession& operator=(const SurveySession&) = delete;

    // One frame from a reader, inside the hand-over: the reading processing with the screen
    // as its view and the live session behind it.
    void OnFrame(FrameBuffer& frame);

    // The header's offsets of a new data file: the null offsets and the last QC calibration.
    HeaderOffsets CurrentHeaderOffsets() const;

    DataFile& Data() { return dataFile_; }
    const DataFile& Data() const { return dataFile_; }
    RecordContext& Records() { return records_; }
    QcCheck& Qc() { return qc_; }
    ConnectionWatch& Watch() { return watch_; }
    LogSessionController& Controller() { return controller_; }
    const SurveySessionContext& Shared() const { return ctx_; }

private:
    SurveySessionContext ctx_;
    ReadingView& readingView_;
    DataFile dataFile_;
    RecordContext records_;
    QcCheck qc_;
    LiveReadingSession live_;
    InstrumentSessionLink link_;
    SessionContext session_;
    ConnectionWatch watch_;
    LogSessionController controller_;
};

} // namespace tm47

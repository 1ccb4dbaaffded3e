#include "app/session_wiring_qt.h"

#include "datafile/data_file.h"
#include "gps/gps_handover_qt.h"
#include "gps/gps_records.h"
#include "gps/gps_status_wnd.h"
#include "survey/logging_wnd.h"

namespace tm47 {

namespace {

// The handlers may run on a reader or writer thread, so they only post to the GUI thread.
void PostWarning(QObject& gui, MessageSink& messages, std::string text) {
    QMetaObject::invokeMethod(
        &gui,
        [&messages, text = std::move(text)] {
            messages.Show(kWriteWarningCaption, text, MessageIcon::Exclamation, MessageButtons::Ok);
        },
        Qt::QueuedConnection);
}

} // namespace

ScreenSession::ScreenSession(Logger& logger, LoggingWnd& logging)
    : logger_(logger), logging_(logging) {
    logger.survey = std::make_unique<SurveySession>(
        SurveySessionContext{logger.clock, logger.settings, logger.session, logger.position,
                             logger.previousPoint, logger.readings, logger.link, logger.outputMode,
                             logger.screen.portrait, &logger.root, [&logger] { logger.StopGps(); },
                             [&logger] { logger.CloseOutputPort(); },
                             [&logger] { logger.gps.fix.loggedGgaCount = 0; }},
        logging.ScreenForSession());
    logging.Attach(*logger.survey);
}

ScreenSession::~ScreenSession() {
    logging_.Detach();
    logger_.survey.reset();
}

SessionWiring::SessionWiring(Logger& logger, MessageSink& messages, LoggingWnd& logging,
                             QObject& gui)
    : logger_(logger) {
    SurveySession& survey = *logger.survey;
    logger.timer1.SetTarget(&logging);
    logger.link.SetFrameHandler([&logging](FrameBuffer& frame) { logging.OnLinkFrame(frame); });
    DrainOnGuiThread(logger.link.Handover(), &gui);
    // GPS records go to the session's data file through its record context, which lives as
    // long as the program; the GPS input writes them only while Logging, so no record reaches
    // a closed file, and its threads stop before the data file closes.
    logger.gpsRecordSink = GpsRecordSink(survey.Records());
    // What is logged goes to the output port through the forwarder's queue.
    survey.Records().output = &logger.outputForwarder;
    survey.Data().SetWriteFailureHandler(
        [&gui, &messages](const std::string& text) { PostWarning(gui, messages, text); });
    logger.outputForwarder.SetBlockedHandler(
        [&gui, &messages] { PostWarning(gui, messages, kOutputBlockedText); });
    // GPS lines of a session reach the Monitor/Log screen's GPS row.
    DrainOnGuiThread(logger.gps.input.Handover(), &gui);
    if (GpsStatusWnd* gpsRow = logging.GpsRow()) {
        gpsRow->AttachFix(&logger.gps.fix);
        logger.gps.status.SetTarget(gpsRow);
    }
}

SessionWiring::~SessionWiring() {
    logger_.gps.status.SetTarget(nullptr);
    logger_.gps.input.Handover().SetWake({});
    logger_.outputForwarder.SetBlockedHandler({});
    logger_.survey->Data().SetWriteFailureHandler({});
    logger_.link.Handover().SetWake({});
    logger_.link.SetFrameHandler({});
    logger_.timer1.SetTarget(nullptr);
}

} // namespace tm47

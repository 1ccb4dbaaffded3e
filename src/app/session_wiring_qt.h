#pragma once
// The hand-overs between the running logger and its screens: the link's frames and timer 1
// to the logging session and its screen, the GPS lines to the screen's GPS row, the GPS
// records and the output queue to the session's record context, and the two warnings the
// operator hears about once (a failed data file write, a blocked output port). Made once the
// screens and the session exist; its destructor undoes them in the reverse order, after the
// ports have closed, so no thread hands anything over to a screen that is going.
//
// GUI thread only.

#include <QObject>

#include "app/logger.h"
#include "platform/message_sink.h"

namespace tm47 {

class LoggingWnd;

// The logging session of the Monitor/Log screen, in Logger::survey from the screen's making to
// its end. Made after the screen it talks to and gone before it: its destructor first detaches
// the screen (the calibration window goes while the QC check it shows still exists), then ends
// the session, whose data file closes.
//
// GUI thread only.
class ScreenSession {
public:
    ScreenSession(Logger& logger, LoggingWnd& logging);
    ~ScreenSession();
    ScreenSession(const ScreenSession&) = delete;
    ScreenSession& operator=(const ScreenSession&) = delete;

private:
    Logger& logger_;
    LoggingWnd& logging_;
};

class SessionWiring {
public:
    // `gui` receives the queued calls from the reader threads.
    SessionWiring(Logger& logger, MessageSink& messages, LoggingWnd& logging, QObject& gui);
    ~SessionWiring();
    SessionWiring(const SessionWiring&) = delete;
    SessionWiring& operator=(const SessionWiring&) = delete;

private:
    Logger& logger_;
};

} // namespace tm47

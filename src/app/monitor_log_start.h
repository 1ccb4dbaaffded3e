#pragma once
// The Monitor/Log command of the main menu: everything between the operator's choice and a
// running instrument link with the Monitor/Log screen in front. Each failure is reported as
// the operator knows it and leaves the menu usable, with no port left open.

#include "app/logger.h"
#include "platform/message_sink.h"

namespace tm47 {

inline constexpr const char* kMarkerFileName = "Storage\\TALINI\\WYNIKBAD.TXT";

// What the start needs from the screens.
class MonitorLogView {
public:
    virtual ~MonitorLogView() = default;
    // Shows the Monitor/Log screen in the Monitor state: the Stand By row hidden, the Monitor
    // row shown with its first four buttons disabled and "E&xit" enabled.
    virtual void ShowMonitorScreen() = 0;
    virtual void RedrawMenu() = 0;
    // Ends the program with `status` (the 20-day stop).
    virtual void EndProgram(int status) = 0;
};

enum class MonitorLogResult {
    Started,
    ProgramStop,          // 20 days of uptime
    PortConflict,         // "Same Port Assigned"
    InstrumentPortFailed, // "Cannot open TM47-KVB port"
    InstrumentSilent,     // "Instrument OFF or Disconnected"
};

MonitorLogResult StartMonitorLog(Logger& logger, MessageSink& messages, MonitorLogView& view);

// The 20-day message, then the end of the program with status 0.
void ShowProgramStop(MessageSink& messages, MonitorLogView& view);

// The one serial open of the GPS and output uses, with the operator's message on failure
// (caption "Serial Port").
bool OpenGpsPort(Logger& logger, MessageSink& messages);
bool OpenOutputPort(Logger& logger, MessageSink& messages);

} // namespace tm47

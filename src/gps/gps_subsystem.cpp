#include "gps/gps_subsystem.h"

namespace tm47 {

GpsSubsystem::GpsSubsystem(const Clock& clock, GpsInput::InputsQuery inputs, GpsTimings timings,
                           GpsMonitorTimings monitorTimings)
    : input(fix, clock, status, std::move(inputs), timings), monitor(fix, clock, monitorTimings) {}

GpsSubsystem::~GpsSubsystem() {
    StopAll();
}

void GpsSubsystem::StartSessionInput(const SerialPort& port) {
    input.Start(port);
}

bool GpsSubsystem::StopSessionInput() {
    const bool wasRunning = input.Running();
    const bool ended = input.Stop();
    if (wasRunning) {
        fix.loggedGgaCount = 0;
    }
    return ended;
}

void GpsSubsystem::StopAll() {
    StopSessionInput();
    StopMonitor();
}

} // namespace tm47

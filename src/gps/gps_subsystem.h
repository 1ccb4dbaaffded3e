#pragma once
// The GPS input of the running logger in one place: the GpsFix record, the session input
// (reader and watchdog) with its status relay, and the monitor reader. The logger owns one;
// its destructor waits for every GPS thread.
//
// The status relay stands for the Monitor/Log screen's GPS row, which is created after the
// logger: the window attaches itself as the target. With no target the lines are handled
// (and logged) but nothing is drawn.
//
// GUI thread only, except what GpsInput and GpsMonitorReader say about their threads.

#include <functional>

#include "gps/gps_fix.h"
#include "gps/gps_input.h"
#include "gps/gps_monitor_reader.h"
#include "gps/gps_status.h"

namespace tm47 {

class GpsStatusRelay final : public GpsStatusView {
public:
    void SetTarget(GpsStatusView* target) { target_ = target; }
    GpsStatusView* Target() const { return target_; }
    void DrawCell(GpsCell cell, std::string_view text, GpsFont font) override {
        if (target_) {
            target_->DrawCell(cell, text, font);
        }
    }
    void ShowGpsWarning() override {
        if (target_) {
            target_->ShowGpsWarning();
        }
    }

private:
    GpsStatusView* target_ = nullptr;
};

struct GpsSubsystem {
    GpsSubsystem(const Clock& clock, GpsInput::InputsQuery inputs, GpsTimings timings = {},
                 GpsMonitorTimings monitorTimings = {});
    ~GpsSubsystem();
    GpsSubsystem(const GpsSubsystem&) = delete;
    GpsSubsystem& operator=(const GpsSubsystem&) = delete;

    // The session's GPS input on the open `port`, with the current record sink.
    void StartSessionInput(const SerialPort& port);
    // The first step of every shutdown: watchdog (6 s), port, reader (5 s). The logged GGA
    // count goes back to 0 with the screen. True when both threads ended in time.
    bool StopSessionInput();

    // The monitor reader on the open `port`; Stop closes its share of the port.
    void StartMonitor(const SerialPort& port) { monitor.Start(port); }
    bool StopMonitor() { return monitor.Stop(); }

    // Every GPS thread stopped (program end, or the shell closing all ports).
    void StopAll();

    GpsFix fix;
    GpsStatusRelay status;
    GpsInput input;
    GpsMonitorReader monitor;
};

} // namespace tm47

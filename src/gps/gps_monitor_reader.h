#pragma once
// The GPS monitor reader: the simpler reader behind the GPS monitor screen. It frames the
// receiver's bytes into lines like the session reader (a "$" restarts, a line feed ends, 201
// bytes without one start over) but checks nothing: every line is shown. When no line has
// come for more than 7 s it shows "NO DATA" instead, and again every 7 s while the silence
// lasts. It writes nothing to the data file. A receiver whose adapter is pulled is reopened
// at the same path about once a second; the port is shared with the window, so its Send
// writes to the new device.
//
// Each line goes to the GUI thread through a synchronous hand-over: there the GpsFix texts
// are filled (sentence text, valid sentence text, valid flag 1) and the line sink (the
// monitor window) takes it, while the reader waits.
//
// Suspending: the monitor pauses the listing and, before it purges and writes the port,
// makes sure no byte is being read. Suspend() returns once the reader is parked between two
// reads or waits in a hand-over (it reads nothing more before it has seen the resume).
//
// Threads: Start, Suspend, Resume, Stop and the destructor run on the GUI thread. A reader
// that overstays a stop is kept until it has ended and is waited for by the destructor, so
// no thread outlives this object; an abandoned reader no longer touches GpsFix or the sink.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gps/gps_fix.h"
#include "platform/clock.h"
#include "platform/handover.h"
#include "platform/serial_port.h"

namespace tm47 {

struct GpsMonitorTimings {
    uint32_t byteWaitMs = 200; // one read gives up after this long
    uint32_t noDataMs = 7000;  // silence longer than this shows "NO DATA"
    uint32_t suspendMs = 1000; // Suspend() waits at most this long for the reader to park
    uint32_t stopMs = 5000;    // Stop() waits at most this long for the reader to end
    uint32_t reopenMs = 1000;  // between tries to reopen a receiver that went away
};

inline constexpr const char* kGpsNoDataText = "NO DATA";

class GpsMonitorReader {
public:
    // Runs on the GUI thread with the GpsFix texts filled for one line.
    using LineSink = std::function<void()>;

    GpsMonitorReader(GpsFix& fix, const Clock& clock, GpsMonitorTimings timings = {});
    ~GpsMonitorReader();
    GpsMonitorReader(const GpsMonitorReader&) = delete;
    GpsMonitorReader& operator=(const GpsMonitorReader&) = delete;

    void SetLineSink(LineSink sink) { sink_ = std::move(sink); }
    SyncHandover& Handover() { return handover_; }

    // Starts the reader on `port` (already open; the reader keeps its own share). A running
    // reader is stopped first. The reader starts running (not suspended).
    void Start(const SerialPort& port);
    // Closes the reader's share of the port, releases a suspended reader and a waiting
    // hand-over, and waits for the end at most `stopMs`. True when it ended in time. Safe when
    // nothing runs.
    bool Stop();
    bool Running() const { return session_ != nullptr; }

    // Parks the reader between two reads; returns true once it is parked (or in a hand-over,
    // or not running). Safe when nothing runs.
    bool Suspend();
    void Resume();

    std::size_t Stragglers() const;

private:
    struct Session;
    // `port` is the reader's own handle: the GUI thread closes its own (Session::port) any time.
    void Run(Session& s, SerialPort port);
    bool Deliver(Session& s, const std::string& text);
    bool Gate(Session& s);
    bool WaitBeforeReopen(Session& s);

    GpsFix& fix_;
    const Clock& clock_;
    const GpsMonitorTimings timings_;
    LineSink sink_;
    SyncHandover handover_;
    std::unique_ptr<Session> session_;
    std::vector<std::unique_ptr<Session>> stragglers_;
};

} // namespace tm47

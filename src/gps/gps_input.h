#pragma once
// GPS input of a Monitor/Log session: the GPS reader thread and the GPS watchdog thread.
//
// The reader waits a bounded time for received bytes, then reads one byte at a time until
// the line goes quiet, and frames the bytes into lines (NmeaFramer). It takes the tick when
// a sentence's "$" arrives. Each completed line is handed to the GUI thread synchronously:
// there it becomes the GpsFix sentence texts and the status handler draws it; once the GUI
// has done so the reader writes the line, while the session is Logging, to the data file as
// GPS records ("@"/"#" when its checksum verified, "?"/'"' otherwise).
//
// A receiver whose adapter is pulled hangs the port up: the reader then tries to reopen the
// same path about once a second until it is back (and reads on) or the session ends.
//
// The watchdog wakes every 5.9 s and, when no verified sentence has arrived for more than
// 6 s, has the GUI thread paint the red "GPS!" warning.
//
// Threads: Start, Stop and the destructor run on the GUI thread. The reader and the watchdog
// reach the screen only through the SyncHandover (wire its wake-up to the GUI event loop),
// so GpsFix texts and the view are touched on the GUI thread alone. The record sink runs on
// the reader thread (the data file serialises it with the GUI's writers).
//
// Stopping: the watchdog is told to stop and given 6 s, then the port is closed and the
// reader given 5 s. A thread that overstays its limit is left to finish by itself; it
// touches nothing that the GUI uses any more, and the destructor waits for it, so no thread
// outlives this object.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "gps/gps_fix.h"
#include "gps/gps_status.h"
#include "gps/nmea_framer.h"
#include "platform/clock.h"
#include "platform/handover.h"
#include "platform/serial_port.h"

namespace tm47 {

struct GpsTimings {
    uint32_t byteWaitMs = 200;        // the wait for received bytes, then again after silence
    uint32_t silenceMs = 6000;        // no verified sentence for longer: the "GPS!" warning
    uint32_t watchdogPeriodMs = 5900; // the watchdog's sleep
    uint32_t watchdogStopMs = 6000;   // the stop's limit for the watchdog
    uint32_t readerStopMs = 5000;     // the stop's limit for the reader
    uint32_t reopenMs = 1000;         // between tries to reopen a receiver that went away
};

class GpsInput {
public:
    // The GPS record writer: text from "$" up to, not including, the byte before the line
    // feed; the tick of its "$"; the tags. Runs on the reader thread.
    using RecordSink = std::function<void(std::string_view text, uint32_t tick, char firstTag,
                                          char continuationTag)>;
    // Session facts for one line, asked on the GUI thread inside the hand-over.
    using InputsQuery = std::function<GpsStatusInputs()>;

    GpsInput(GpsFix& fix, const Clock& clock, GpsStatusView& view, InputsQuery inputs,
             GpsTimings timings = {});
    ~GpsInput();
    GpsInput(const GpsInput&) = delete;
    GpsInput& operator=(const GpsInput&) = delete;

    // Takes effect at the next Start.
    void SetRecordSink(RecordSink sink) { sink_ = std::move(sink); }
    SyncHandover& Handover() { return handover_; }

    // Starts the reader and the watchdog on `port` (already open; the reader keeps its own
    // share of the handle). Sets the last valid tick to now. A running input is stopped first.
    void Start(const SerialPort& port);
    // Stops the watchdog (6 s limit), closes the port, stops the reader (5 s limit). Returns
    // true when both threads ended within their limits. Safe when nothing runs.
    bool Stop();
    bool Running() const { return session_ != nullptr; }

    // Framer counters of the running (or last) reader, for status and tests.
    NmeaFramer::Counters FramerStats() const;
    // Threads that overstayed a stop and have not been collected yet.
    std::size_t Stragglers() const;

private:
    struct Session;
    void RunReader(Session& s);
    void RunWatchdog(Session& s);
    // Waits `reopenMs` or until a stop; false on a stop.
    bool WaitBeforeReopen(Session& s);
    void OnLine(Session& s, const NmeaLine& line, uint32_t startTick);
    void CollectStragglers();

    GpsFix& fix_;
    const Clock& clock_;
    GpsStatusView& view_;
    InputsQuery inputs_;
    const GpsTimings timings_;
    RecordSink sink_;
    SyncHandover handover_;
    std::unique_ptr<Session> session_;
    std::vector<std::unique_ptr<Session>> stragglers_;
    mutable std::mutex statsMutex_;
    NmeaFramer::Counters lastStats_;
};

} // namespace tm47

#include "gps/gps_monitor_reader.h"

#include <algorithm>
#include <chrono>

#include "gps/nmea_framer.h"

namespace tm47 {

namespace {

enum class Activity { Reading, Parked, InHandover, Ended };

} // namespace

// One start of the monitor reader. It outlives its thread: a session whose reader overstays a
// stop is kept (abandoned) until the thread has ended.
struct GpsMonitorReader::Session {
    SerialPort port;  // the reader's own share of the GPS port handle
    std::mutex mutex; // guards the four fields below; `changed` signals them
    std::condition_variable changed;
    bool stop = false;
    bool suspendRequested = false;
    bool abandoned = false;
    Activity activity = Activity::Reading;
    std::thread thread;

    bool Ended() {
        std::lock_guard lock(mutex);
        return activity == Activity::Ended;
    }
    ~Session() {
        if (thread.joinable()) {
            thread.join();
        }
    }
};

GpsMonitorReader::GpsMonitorReader(GpsFix& fix, const Clock& clock, GpsMonitorTimings timings)
    : fix_(fix), clock_(clock), timings_(timings) {}

GpsMonitorReader::~GpsMonitorReader() {
    Stop();
    stragglers_.clear(); // joins whatever overstayed a stop
}

void GpsMonitorReader::Start(const SerialPort& port) {
    Stop();
    std::erase_if(stragglers_, [](const std::unique_ptr<Session>& s) { return s->Ended(); });
    handover_.Resume();
    session_ = std::make_unique<Session>();
    Session& s = *session_;
    s.port = port;
    s.thread = std::thread([this, &s, port] { Run(s, port); });
}

bool GpsMonitorReader::Stop() {
    if (!session_) {
        return true;
    }
    Session& s = *session_;
    {
        std::lock_guard lock(s.mutex);
        s.stop = true;
        s.suspendRequested = false; // a paused reader must see the closed port and end
    }
    s.changed.notify_all();
    s.port.Close();
    handover_.Cancel();
    bool ended = false;
    {
        std::unique_lock lock(s.mutex);
        ended = s.changed.wait_for(lock, std::chrono::milliseconds(timings_.stopMs),
                                   [&] { return s.activity == Activity::Ended; });
        if (!ended) {
            s.abandoned = true;
        }
    }
    if (ended) {
        session_.reset();
    } else {
        stragglers_.push_back(std::move(session_));
    }
    return ended;
}

bool GpsMonitorReader::Suspend() {
    if (!session_) {
        return true;
    }
    Session& s = *session_;
    std::unique_lock lock(s.mutex);
    s.suspendRequested = true;
    return s.changed.wait_for(lock, std::chrono::milliseconds(timings_.suspendMs),
                              [&] { return s.activity != Activity::Reading; });
}

void GpsMonitorReader::Resume() {
    if (!session_) {
        return;
    }
    Session& s = *session_;
    {
        std::lock_guard lock(s.mutex);
        s.suspendRequested = false;
    }
    s.changed.notify_all();
}

std::size_t GpsMonitorReader::Stragglers() const {
    return static_cast<std::size_t>(
        std::count_if(stragglers_.begin(), stragglers_.end(),
                      [](const std::unique_ptr<Session>& s) { return !s->Ended(); }));
}

// Between two reads: parks while a suspend is asked for. False once the reader must end.
bool GpsMonitorReader::Gate(Session& s) {
    std::unique_lock lock(s.mutex);
    if (s.suspendRequested && !s.stop) {
        s.activity = Activity::Parked;
        s.changed.notify_all();
        s.changed.wait(lock, [&] { return !s.suspendRequested || s.stop; });
    }
    s.activity = Activity::Reading;
    return !s.stop;
}

bool GpsMonitorReader::Deliver(Session& s, const std::string& text) {
    {
        std::lock_guard lock(s.mutex);
        if (s.stop) {
            return false;
        }
        s.activity = Activity::InHandover;
    }
    s.changed.notify_all();
    // Runs on the GUI thread while this thread waits.
    const std::function<void()> item = [&] {
        fix_.sentenceText.assign(text, 0, std::min(text.size(), kSentenceTextMax));
        fix_.validSentenceText.assign(fix_.sentenceText.begin(), fix_.sentenceText.end());
        for (char16_t& c : fix_.validSentenceText) {
            c = static_cast<char16_t>(static_cast<uint8_t>(c));
        }
        fix_.sentenceValid = 1;
        if (sink_) {
            sink_();
        }
    };
    handover_.Send(item);
    return Gate(s);
}

// Not reading while it waits: a suspension needs no handshake with it.
bool GpsMonitorReader::WaitBeforeReopen(Session& s) {
    std::unique_lock lock(s.mutex);
    s.activity = Activity::Parked;
    s.changed.notify_all();
    const bool stop = s.changed.wait_for(lock, std::chrono::milliseconds(timings_.reopenMs),
                                         [&] { return s.stop; });
    s.activity = Activity::Reading;
    return !stop;
}

void GpsMonitorReader::Run(Session& s, SerialPort port) {
    NmeaFramer framer;
    NmeaLine line;
    SerialReader reader(std::move(port));
    uint32_t lastLineTick = clock_.Tick();
    while (Gate(s)) {
        if (!reader.Port().IsOpen()) {
            if (!reader.Port().HungUp() || !WaitBeforeReopen(s)) {
                break;
            }
            reader.Port().Reopen();
        } else {
            uint8_t byte = 0;
            ReadResult result = reader.NextWithin(byte, timings_.byteWaitMs);
            if (result == ReadResult::Closed) {
                break;
            }
            bool running = true;
            while (running && result == ReadResult::Byte) {
                if (framer.Push(byte, line)) {
                    running = Deliver(s, line.text);
                    lastLineTick = clock_.Tick();
                } else {
                    running = Gate(s);
                }
                if (running) {
                    result = reader.NextWithin(byte, timings_.byteWaitMs);
                }
            }
            if (!running || result == ReadResult::Closed) {
                break;
            }
        }
        const uint32_t now = clock_.Tick();
        if (TickPassed(now, lastLineTick, timings_.noDataMs)) {
            if (!Deliver(s, kGpsNoDataText)) {
                break;
            }
            lastLineTick = clock_.Tick();
        }
    }
    {
        std::lock_guard lock(s.mutex);
        s.activity = Activity::Ended;
    }
    s.changed.notify_all();
}

} // namespace tm47

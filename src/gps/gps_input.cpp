#include "gps/gps_input.h"

#include <algorithm>
#include <chrono>

namespace tm47 {

// One start of GPS input: the two threads and what they own. It outlives the threads: a
// session whose threads overstay a stop is kept (abandoned) until they have ended.
struct GpsInput::Session {
    SerialPort port;       // the GUI thread's share of the GPS port handle, closed at a stop
    SerialPort readerPort; // the reader's own share: never touched by another thread
    RecordSink sink;       // copied at the start; the reader is its only user
    std::atomic<bool> stop{false};
    // Set when a stop gave up waiting: the threads then leave the shared flags alone, which
    // may belong to a later session by the time they end.
    std::atomic<bool> abandoned{false};
    std::atomic<bool> readerEnded{false};
    std::atomic<bool> watchdogEnded{false};
    std::mutex wakeMutex; // with `wake`: ends the watchdog's sleep at a stop
    std::condition_variable wake;
    std::thread reader;
    std::thread watchdog;

    bool Ended() const { return readerEnded.load() && watchdogEnded.load(); }

    ~Session() {
        if (reader.joinable()) {
            reader.join();
        }
        if (watchdog.joinable()) {
            watchdog.join();
        }
    }
};

namespace {

// Polls `done` in 1 ms steps for at most `limitMs` of real time.
template <typename Done> bool WaitUntil(Done done, uint32_t limitMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return done();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::u16string Widen(const std::string& text) {
    std::u16string wide;
    wide.reserve(text.size());
    for (char c : text) {
        wide.push_back(static_cast<char16_t>(static_cast<uint8_t>(c)));
    }
    return wide;
}

} // namespace

GpsInput::GpsInput(GpsFix& fix, const Clock& clock, GpsStatusView& view, InputsQuery inputs,
                   GpsTimings timings)
    : fix_(fix), clock_(clock), view_(view), inputs_(std::move(inputs)), timings_(timings) {}

GpsInput::~GpsInput() {
    Stop();
    // Program end: whatever overstayed a stop is waited for here.
    stragglers_.clear();
}

void GpsInput::Start(const SerialPort& port) {
    Stop();
    CollectStragglers();
    handover_.Resume();
    {
        std::lock_guard lock(statsMutex_);
        lastStats_ = {};
    }
    session_ = std::make_unique<Session>();
    Session& s = *session_;
    s.port = port;
    s.readerPort = port;
    s.sink = sink_;
    fix_.lastValidTick.store(clock_.Tick());
    fix_.watchdogRunFlag.store(GpsWatchdogState::Run);
    s.reader = std::thread([this, &s] { RunReader(s); });
    s.watchdog = std::thread([this, &s] { RunWatchdog(s); });
}

bool GpsInput::Stop() {
    if (!session_) {
        return true;
    }
    Session& s = *session_;
    // Both threads may be waiting for this very thread in a hand-over: release them first.
    // Lines that arrive from now on are neither shown nor written.
    handover_.Cancel();

    // The watchdog: told to stop, then waited for until it has ended, at most 6 s.
    {
        std::lock_guard lock(s.wakeMutex);
        fix_.watchdogRunFlag.store(GpsWatchdogState::Stopped);
    }
    s.wake.notify_all();
    WaitUntil([&] { return fix_.watchdogRunFlag.load() != GpsWatchdogState::Stopped; },
              timings_.watchdogStopMs);
    fix_.watchdogRunFlag.store(GpsWatchdogState::Stopped);

    // Closing the port ends the reader's wait for bytes at once (and its wait to reopen a
    // receiver that went away).
    {
        std::lock_guard lock(s.wakeMutex);
        s.stop.store(true);
    }
    s.wake.notify_all();
    s.port.Close();

    // The reader, at most 5 s.
    WaitUntil([&] { return s.readerEnded.load(); }, timings_.readerStopMs);

    const bool ended = s.Ended();
    if (ended) {
        session_.reset(); // joins both threads, which have left their loops
    } else {
        s.abandoned.store(true);
        stragglers_.push_back(std::move(session_));
    }
    return ended;
}

void GpsInput::CollectStragglers() {
    std::erase_if(stragglers_, [](const std::unique_ptr<Session>& s) { return s->Ended(); });
}

std::size_t GpsInput::Stragglers() const {
    return static_cast<std::size_t>(
        std::count_if(stragglers_.begin(), stragglers_.end(),
                      [](const std::unique_ptr<Session>& s) { return !s->Ended(); }));
}

NmeaFramer::Counters GpsInput::FramerStats() const {
    std::lock_guard lock(statsMutex_);
    return lastStats_;
}

void GpsInput::RunReader(Session& s) {
    fix_.readerState.store(GpsReaderState::Running);
    NmeaFramer framer;
    NmeaLine line;
    // The tick of the last "$" seen; a line that does not begin with "$" carries it too.
    uint32_t startTick = clock_.Tick();
    const auto publish = [&] {
        std::lock_guard lock(statsMutex_);
        lastStats_ = framer.Stats();
    };
    SerialReader reader(s.readerPort);
    while (!s.stop.load()) {
        if (!reader.Port().IsOpen()) {
            // The receiver's adapter went away: the port is closed already, so the kernel can
            // give the replugged adapter its old name. Try that path about once a second; the
            // watchdog shows "GPS!" meanwhile, as on silence.
            if (!reader.Port().HungUp() || !WaitBeforeReopen(s)) {
                break;
            }
            reader.Port().Reopen();
            continue;
        }
        uint8_t byte = 0;
        ReadResult result = reader.NextWithin(byte, timings_.byteWaitMs);
        if (result == ReadResult::Closed) {
            break;
        }
        // Bytes arrived: take them one at a time until the line goes quiet.
        while (result == ReadResult::Byte) {
            if (byte == '$') {
                startTick = clock_.Tick();
            }
            if (framer.Push(byte, line)) {
                OnLine(s, line, startTick);
                publish();
            }
            if (s.stop.load()) {
                break;
            }
            result = reader.Next(byte);
        }
    }
    publish();
    if (!s.abandoned.load()) {
        fix_.readerState.store(GpsReaderState::Ended);
    }
    s.readerEnded.store(true);
}

bool GpsInput::WaitBeforeReopen(Session& s) {
    std::unique_lock lock(s.wakeMutex);
    return !s.wake.wait_for(lock, std::chrono::milliseconds(timings_.reopenMs),
                            [&] { return s.stop.load(); });
}

void GpsInput::OnLine(Session& s, const NmeaLine& line, uint32_t startTick) {
    if (s.stop.load()) {
        return;
    }
    if (line.valid) {
        fix_.lastValidTick.store(clock_.Tick());
    }
    bool logging = false;
    // Runs on the GUI thread while this thread waits.
    const std::function<void()> item = [&] {
        fix_.sentenceText.assign(line.text, 0, std::min(line.text.size(), kSentenceTextMax));
        if (line.valid) {
            fix_.validSentenceText = Widen(fix_.sentenceText);
        }
        fix_.sentenceValid = line.valid ? 1 : 0;
        const GpsStatusInputs inputs = inputs_ ? inputs_() : GpsStatusInputs{};
        logging = inputs.logging;
        HandleGpsSentence(fix_, inputs, view_);
    };
    if (!handover_.Send(item)) {
        return; // stopping
    }
    if (logging && s.sink && !s.stop.load()) {
        // The data file gets the whole line, also beyond what the screens show.
        s.sink(line.text, startTick, line.valid ? '@' : '?', line.valid ? '#' : '"');
    }
}

void GpsInput::RunWatchdog(Session& s) {
    const std::function<void()> warn = [this] { view_.ShowGpsWarning(); };
    const auto stopRequested = [&] {
        return s.stop.load() || fix_.watchdogRunFlag.load() != GpsWatchdogState::Run;
    };
    while (!stopRequested()) {
        if (TickPassed(clock_.Tick(), fix_.lastValidTick.load(), timings_.silenceMs)) {
            handover_.Send(warn);
        }
        std::unique_lock lock(s.wakeMutex);
        s.wake.wait_for(lock, std::chrono::milliseconds(timings_.watchdogPeriodMs), stopRequested);
    }
    if (!s.abandoned.load()) {
        fix_.watchdogRunFlag.store(GpsWatchdogState::Ended);
    }
    s.watchdogEnded.store(true);
}

} // namespace tm47

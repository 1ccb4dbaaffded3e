#include "sim/instrument_simulator.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace tm47 {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Bytes the instrument keeps ready while nobody reads the line; beyond this, frames are
// dropped rather than queued (the real instrument's UART simply overruns).
constexpr std::size_t kInstrumentOutputLimit = 2048;

// Fraction of the QC coil response reached n frames after the press.
double QcSettle(uint64_t n) {
    static constexpr double kRamp[] = {0.45, 0.85, 0.97};
    return n < 3 ? kRamp[n] : 1.0;
}

} // namespace

struct InstrumentSimulator::Worker {
    explicit Worker(const InstrumentConfig& c) : field(c.seed), garbageRng(c.seed * 7 + 1) {}

    SurveyField field;
    std::mt19937 garbageRng;
    std::string out;   // bytes waiting for room in the pseudo-terminal
    bool sawH = false; // the gain letter of a mode command has arrived
    double position = 0;
    SteadyClock::duration period{}; // between streamed frames
    SteadyClock::time_point started = SteadyClock::now();
    SteadyClock::time_point nextFrame = SteadyClock::now();
    bool streamingActive = false;
    bool plugged = true;          // the cable as this round of the loop sees it
    std::optional<QcResponse> qc; // while the QC button is held
    SteadyClock::time_point qcPressed{};
    uint64_t qcFrames = 0;
};

InstrumentSimulator::InstrumentSimulator(InstrumentConfig config)
    : config_(std::move(config)), batteryVolts_(config_.batteryVolts) {}

InstrumentSimulator::~InstrumentSimulator() {
    Stop();
}

bool InstrumentSimulator::Start(std::string* error) {
    if (worker_.Running()) {
        return true;
    }
    mode_.store(static_cast<int>(InstrumentMode::AwaitingCommand)); // a fresh power-up
    return worker_.Start(
        config_.linkPath, [this] { Run(); }, error);
}

void InstrumentSimulator::Stop() {
    worker_.Stop();
}

void InstrumentSimulator::WheelTrigger(bool backwards) {
    wheelTriggers_.fetch_add(1);
    {
        std::lock_guard lock(eventsMutex_);
        pendingTriggers_.push_back(backwards);
    }
    Wake();
}

void InstrumentSimulator::SetTrigger(bool pressed) {
    triggerHeld_.store(pressed);
}

void InstrumentSimulator::PressQcButton(QcResponse response) {
    {
        std::lock_guard lock(eventsMutex_);
        pendingQc_ = response;
    }
    Wake();
}

void InstrumentSimulator::SetBatteryVolts(double volts) {
    batteryVolts_.store(volts);
}

void InstrumentSimulator::SetWalking(bool walking) {
    walking_.store(walking);
}

void InstrumentSimulator::Unplug() {
    plugged_.store(false);
    Wake();
}

void InstrumentSimulator::Replug() {
    plugged_.store(true);
    Wake();
}

void InstrumentSimulator::InjectGarbage(std::size_t count) {
    {
        std::lock_guard lock(eventsMutex_);
        pendingGarbage_ += count;
    }
    Wake();
}

InstrumentCounters InstrumentSimulator::Counters() const {
    InstrumentCounters c;
    c.framesSent = framesSent_.load();
    c.framesDropped = framesDropped_.load();
    c.polls = polls_.load();
    c.commands = commands_.load();
    c.wheelTriggers = wheelTriggers_.load();
    c.bytesReceived = bytesReceived_.load();
    c.bytesIgnored = bytesIgnored_.load();
    c.garbageBytesSent = garbageBytesSent_.load();
    return c;
}

std::vector<SentFrame> InstrumentSimulator::FrameLog() const {
    std::lock_guard lock(logMutex_);
    return {frameLog_.begin(), frameLog_.end()};
}

std::vector<SentFrame> InstrumentSimulator::FramesAfter(uint64_t sequence) const {
    std::lock_guard lock(logMutex_);
    std::vector<SentFrame> out;
    for (const SentFrame& f : frameLog_) {
        if (f.sequence > sequence) {
            out.push_back(f);
        }
    }
    return out;
}

// The worker: each round waits for the line, a wake-up or the next streamed frame, then
// reads, takes the operator's actions, streams what is due and writes what it can.
void InstrumentSimulator::Run() {
    Worker w(config_);
    w.period = std::chrono::duration_cast<SteadyClock::duration>(
        std::chrono::duration<double, std::milli>(config_.framePeriodMs));
    const int master = worker_.MasterFd();
    while (!worker_.StopRequested()) {
        pollfd fds[2] = {{master, static_cast<short>(POLLIN | (w.out.empty() ? 0 : POLLOUT)), 0},
                         {worker_.WakeFd(), POLLIN, 0}};
        const int ready = poll(fds, 2, PollTimeoutMs(w));
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (fds[1].revents & POLLIN) {
            worker_.DrainWake();
        }
        FollowCable(w);
        if (fds[0].revents & POLLIN) {
            ReadLine(w, master);
        }
        TakeEvents(w);
        StreamDueFrames(w);
        WriteLine(w, master);
        if (fds[0].revents & (POLLHUP | POLLERR) && !(fds[0].revents & POLLIN)) {
            // Should not happen while the anchor holds the slave open; do not spin if it does.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

// Until the next streamed frame is due, at most 100 ms so a stop is seen.
int InstrumentSimulator::PollTimeoutMs(const Worker& w) const {
    if (!w.streamingActive || Mode() != InstrumentMode::Normal || !w.plugged) {
        return 100;
    }
    const auto wait =
        std::chrono::duration_cast<std::chrono::milliseconds>(w.nextFrame - SteadyClock::now())
            .count();
    return static_cast<int>(std::clamp<long long>(wait + 1, 0, 100));
}

// One look at the cable per round, before any byte is handled, so a reply to bytes that came
// after a replug is never thrown away with the unplugged state.
void InstrumentSimulator::FollowCable(Worker& w) {
    if (const bool plugged = plugged_.load(); plugged != w.plugged) {
        // Pulling the cable loses what was on its way; putting it back starts afresh.
        w.out.clear();
        w.sawH = false;
        w.nextFrame = SteadyClock::now() + w.period;
        w.plugged = plugged;
    }
}

void InstrumentSimulator::ReadLine(Worker& w, int master) {
    uint8_t buf[256];
    const ssize_t n = read(master, buf, sizeof buf);
    for (ssize_t i = 0; i < n; ++i) {
        HandleByte(w, buf[i]);
    }
}

void InstrumentSimulator::HandleByte(Worker& w, uint8_t b) {
    bytesReceived_.fetch_add(1);
    if (!w.plugged) {
        bytesIgnored_.fetch_add(1);
        w.sawH = false;
        return;
    }
    if (w.sawH) {
        w.sawH = false;
        if (b == 'X' || b == 'W') {
            ModeCommand(w, b);
            return;
        }
        bytesIgnored_.fetch_add(1); // the 'H' before did not start a command
    }
    if (b == 'H') {
        w.sawH = true;
    } else if (b == 'A') {
        polls_.fetch_add(1);
        if (Mode() == InstrumentMode::Normal && config_.delivery == Delivery::Polled) {
            EmitFrame(w, false, walking_.load() ? config_.metersPerFrame : 0.0);
        }
    } else {
        bytesIgnored_.fetch_add(1);
    }
}

void InstrumentSimulator::ModeCommand(Worker& w, uint8_t letter) {
    commands_.fetch_add(1);
    w.out += config_.delivery == Delivery::Polled ? "OK" : "OV";
    if (letter == 'W') {
        mode_.store(static_cast<int>(InstrumentMode::Wheel));
        w.streamingActive = false;
        return;
    }
    mode_.store(static_cast<int>(InstrumentMode::Normal));
    if (config_.delivery == Delivery::Streaming && !w.streamingActive) {
        w.streamingActive = true;
        w.nextFrame = SteadyClock::now() + w.period;
    }
}

// The operator's actions queued since the last round: wheel triggers, the QC button, noise.
void InstrumentSimulator::TakeEvents(Worker& w) {
    std::deque<bool> triggers;
    std::optional<QcResponse> qc;
    std::size_t garbage = 0;
    {
        std::lock_guard lock(eventsMutex_);
        triggers.swap(pendingTriggers_);
        qc = pendingQc_;
        pendingQc_.reset();
        garbage = pendingGarbage_;
        pendingGarbage_ = 0;
    }
    if (qc) {
        w.qc = qc;
        w.qcPressed = SteadyClock::now();
        w.qcFrames = 0;
    }
    if (!w.plugged || !plugged_.load()) {
        return; // triggers and line noise while unplugged go nowhere
    }
    if (Mode() == InstrumentMode::Wheel) {
        for (bool backwards : triggers) {
            EmitFrame(w, backwards,
                      backwards ? -config_.metersPerTrigger : config_.metersPerTrigger);
        }
    }
    if (garbage > 0) {
        std::uniform_int_distribution<int> byte(0, 255);
        for (std::size_t i = 0; i < garbage && w.out.size() < kInstrumentOutputLimit; ++i) {
            w.out.push_back(static_cast<char>(byte(w.garbageRng)));
            garbageBytesSent_.fetch_add(1);
        }
    }
}

void InstrumentSimulator::StreamDueFrames(Worker& w) {
    if (!w.streamingActive || Mode() != InstrumentMode::Normal) {
        return;
    }
    const auto t = SteadyClock::now();
    if (t - w.nextFrame > 5 * w.period) {
        w.nextFrame = t; // fell far behind (unplugged, stalled): do not burst
    }
    while (w.nextFrame <= t) {
        if (w.plugged) {
            EmitFrame(w, false, walking_.load() ? config_.metersPerFrame : 0.0);
        }
        w.nextFrame += w.period;
    }
}

void InstrumentSimulator::WriteLine(Worker& w, int master) {
    if (!w.plugged || !plugged_.load()) {
        w.out.clear(); // an unplugged cable carries nothing, whatever was made this round
    }
    if (!w.out.empty()) {
        const ssize_t n = write(master, w.out.data(), w.out.size());
        if (n > 0) {
            w.out.erase(0, static_cast<std::size_t>(n));
        }
    }
}

// Builds one frame from the current state and queues it. `step` moves the station.
void InstrumentSimulator::EmitFrame(Worker& w, bool backwards, double step) {
    const auto now = SteadyClock::now();
    if (w.qc && now - w.qcPressed > std::chrono::milliseconds(config_.qcHoldMs)) {
        w.qc.reset();
    }
    if (!w.qc && (step != 0)) {
        w.position += step; // the operator stands still while holding the QC button
        walkedMeters_.store(w.position);
    }
    char letter = backwards ? BackwardLetter(config_.differential)
                            : ForwardLetter(config_.differential, config_.alternateLetters);
    if (triggerHeld_.load()) {
        letter = TriggeredLetter(letter);
    }
    const double seconds = std::chrono::duration<double>(now - w.started).count();
    std::array<double, 4> values = w.field.Sample(w.position, seconds, config_.differential);
    AddQcResponse(w, values);
    FrameFields f;
    f.letter = letter;
    const std::array<double, 4> factors = LetterFactors(letter, config_.highPower, config_.antenna);
    EncodeChannels(values, factors, f.raw, f.rangeCode);
    double reference = NominalReference(letter, config_.highPower, config_.antenna) *
                       (1 + w.field.ReferenceJitter());
    if (config_.delivery == Delivery::Streaming) {
        reference *= StreamingReferenceFactor(config_.highPower);
    }
    f.reference = static_cast<int16_t>(std::clamp(std::round(reference), -32768.0, 32767.0));
    f.battery = BatteryByte(batteryVolts_.load());
    if (w.out.size() + kWireFrameSize > kInstrumentOutputLimit) {
        framesDropped_.fetch_add(1);
        return;
    }
    SentFrame sent;
    sent.bytes = EncodeFrame(f);
    w.out.append(reinterpret_cast<const char*>(sent.bytes.data()), sent.bytes.size());
    LogFrame(sent);
    framesSent_.fetch_add(1);
}

// While the QC button is held the coil's response is taken off the channels.
void InstrumentSimulator::AddQcResponse(Worker& w, std::array<double, 4>& values) const {
    if (!w.qc || *w.qc == QcResponse::None) {
        return;
    }
    const std::array<double, 5> row = QcReferenceRow(config_.qcRow);
    const double settle = QcSettle(w.qcFrames);
    for (int i = 0; i < 4; ++i) {
        double ref = (i == 3 && config_.differential) ? row[4] : row[i];
        double share = settle;
        if (*w.qc == QcResponse::Fail && i > 0) {
            // Channel 1 settles, so the logger sees a response; the others swing 20 % either
            // side and never come within the 10 % tolerance.
            share *= (w.qcFrames + i) % 2 ? 1.2 : 0.8;
        }
        values[i] -= share * ref;
    }
    ++w.qcFrames;
}

void InstrumentSimulator::LogFrame(SentFrame& sent) {
    std::lock_guard lock(logMutex_);
    sent.sequence = ++lastSequence_;
    frameLog_.push_back(sent);
    while (frameLog_.size() > config_.frameLogCapacity) {
        frameLog_.pop_front();
    }
}

} // namespace tm47

#pragma once
// The simulated TM47KVB / TM47HXB instrument behind a pseudo-terminal.
//
// What the logger relies on, and this instrument does:
// - the two-byte mode commands 'H' 'X' (normal reading) and 'H' 'W' (wheel) are answered with
//   "OK" when it delivers on request (polled) or "OV" when it streams;
// - polled: one frame per poll byte 'A'; streaming: a frame every 55.078 ms, from the first
//   mode command on; wheel mode: one frame per wheel trigger, nothing else;
// - the 15-byte frame of letter, range code, four channels, reference, battery, 0x7F, 0x7F.
// Beyond that it plays the operator's side: the trigger button (triggered letters while held),
// the QC coil button, the battery running down, the cable pulled and put back, line noise.
//
// Threads: one worker thread owns the pseudo-terminal, the survey field and the walk along
// the line. Every public call may come from any thread; calls that change what the
// instrument does are queued for the worker (under `eventsMutex_`) and take effect at its
// next wake-up, which they trigger. Start and Stop belong to one controlling thread.

#include "sim/pty_worker.h"
#include "sim/survey_field.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tm47 {

enum class Delivery { Polled, Streaming };
enum class InstrumentMode { AwaitingCommand, Normal, Wheel };
// How the instrument answers the QC coil button: a response that settles on the QC coil's
// values, one whose channels never settle, or none at all.
enum class QcResponse { Pass, Fail, None };

struct InstrumentConfig {
    Delivery delivery = Delivery::Polled;
    bool highPower = false;        // TM47HXB
    bool differential = false;     // D/N (J/K backwards) rather than T/M (j/k)
    bool alternateLetters = false; // E/F rather than T/D
    int antenna = 0;               // 0 "1 x 0.5 m", 1 "1 x 1 m", 2 "0.5 x 0.5 m", 3 "Hand Held"
    int qcRow = 0;                 // row of the QC coil table the response follows (0..3)
    double batteryVolts = 12.0;
    double framePeriodMs = 55.07821;
    double metersPerFrame = 0.02;  // walking speed in normal mode
    double metersPerTrigger = 0.1; // survey wheel step
    int qcHoldMs = 5000;           // how long one press of the QC button lasts
    uint32_t seed = 47;
    std::size_t frameLogCapacity = 100000;
    std::string linkPath; // when set, a symbolic link to the device is made here
};

// One frame as it went to the line, numbered from 1 in the order sent. A frame is logged when
// it is handed to the line; one still in flight when the cable is pulled is in the log but
// never arrives, and a logger that purges its input may have thrown some away unread.
struct SentFrame {
    uint64_t sequence = 0;
    WireFrame bytes{};
};

struct InstrumentCounters {
    uint64_t framesSent = 0;
    uint64_t framesDropped = 0; // nobody read the line and the output queue was full
    uint64_t polls = 0;         // poll bytes 'A' received (answered or not)
    uint64_t commands = 0;      // mode commands H X / H W received
    uint64_t wheelTriggers = 0;
    uint64_t bytesReceived = 0;
    uint64_t bytesIgnored = 0; // while unplugged, or not part of any command
    uint64_t garbageBytesSent = 0;
};

class InstrumentSimulator {
public:
    explicit InstrumentSimulator(InstrumentConfig config = {});
    ~InstrumentSimulator();
    InstrumentSimulator(const InstrumentSimulator&) = delete;
    InstrumentSimulator& operator=(const InstrumentSimulator&) = delete;

    // Opens the pseudo-terminal (and the link) and starts the worker.
    bool Start(std::string* error = nullptr);
    // Ends the worker (within one wake-up) and closes the pseudo-terminal; a peer that still
    // holds the slave open sees the line hang up.
    void Stop();
    bool Running() const { return worker_.Running(); }

    // The path a logger opens (the link when one was asked for), and the slave device.
    const std::string& DevicePath() const { return worker_.DevicePath(); }
    const std::string& SlavePath() const { return worker_.SlavePath(); }
    const InstrumentConfig& Config() const { return config_; }

    // Operator actions.
    void WheelTrigger(bool backwards = false);
    void SetTrigger(bool pressed);
    void PressQcButton(QcResponse response);
    void SetBatteryVolts(double volts);
    void SetWalking(bool walking);
    void Unplug();
    void Replug();
    // The USB serial adapter pulled out (the terminal and its link go away) and plugged back
    // (a new terminal at the same link, at once or after delayMs).
    void Hangup() { worker_.Hangup(); }
    bool Return(int delayMs = 0, std::string* error = nullptr) {
        return worker_.Return(delayMs, error);
    }
    bool HungUp() const { return worker_.HungUp(); }
    void InjectGarbage(std::size_t count);

    // Meters walked along the survey line so far (the GPS simulator can follow it).
    double WalkedMeters() const { return walkedMeters_.load(); }
    bool TriggerHeld() const { return triggerHeld_.load(); }
    bool Plugged() const { return plugged_.load(); }
    InstrumentMode Mode() const { return static_cast<InstrumentMode>(mode_.load()); }
    InstrumentCounters Counters() const;
    // The frames sent, oldest first (at most frameLogCapacity of the latest).
    std::vector<SentFrame> FrameLog() const;
    std::vector<SentFrame> FramesAfter(uint64_t sequence) const;

private:
    struct Worker; // the worker thread's own state
    // The worker thread's loop and its steps; all run on the worker only.
    void Run();
    int PollTimeoutMs(const Worker& w) const;
    void FollowCable(Worker& w);
    void ReadLine(Worker& w, int master);
    void HandleByte(Worker& w, uint8_t b);
    void ModeCommand(Worker& w, uint8_t letter);
    void TakeEvents(Worker& w);
    void StreamDueFrames(Worker& w);
    void WriteLine(Worker& w, int master);
    void EmitFrame(Worker& w, bool backwards, double step);
    void AddQcResponse(Worker& w, std::array<double, 4>& values) const;
    void LogFrame(SentFrame& sent);
    void Wake() const { worker_.Wake(); }

    const InstrumentConfig config_;
    PtyWorker worker_;

    std::atomic<bool> triggerHeld_{false};
    std::atomic<bool> plugged_{true};
    std::atomic<bool> walking_{true};
    std::atomic<double> batteryVolts_;
    std::atomic<double> walkedMeters_{0.0};
    std::atomic<int> mode_{static_cast<int>(InstrumentMode::AwaitingCommand)};

    // Requests for the worker, written by any thread.
    mutable std::mutex eventsMutex_;
    std::deque<bool> pendingTriggers_; // true = backwards
    std::optional<QcResponse> pendingQc_;
    std::size_t pendingGarbage_ = 0;

    // Counters: written by the worker (and the API calls that count), read by anyone.
    std::atomic<uint64_t> framesSent_{0};
    std::atomic<uint64_t> framesDropped_{0};
    std::atomic<uint64_t> polls_{0};
    std::atomic<uint64_t> commands_{0};
    std::atomic<uint64_t> wheelTriggers_{0};
    std::atomic<uint64_t> bytesReceived_{0};
    std::atomic<uint64_t> bytesIgnored_{0};
    std::atomic<uint64_t> garbageBytesSent_{0};

    mutable std::mutex logMutex_;
    std::deque<SentFrame> frameLog_; // written by the worker
    uint64_t lastSequence_ = 0;      // under logMutex_
};

} // namespace tm47

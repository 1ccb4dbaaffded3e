#pragma once
// The simulated GPS receiver behind a pseudo-terminal: GGA, GSA and RMC once per epoch
// (1 s unless a test asks for faster), a position walking along survey lines, and two
// faults: every sentence with a wrong checksum, or no sentences at all. Bytes the logger
// sends (GPS monitor commands) are kept so a test can see them.
//
// Threads: one worker thread owns the pseudo-terminal and the walk; the public calls may
// come from any thread. Start and Stop belong to one controlling thread.

#include "sim/nmea_sentences.h"
#include "sim/pty_worker.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace tm47 {

enum class GpsFault { None, BadChecksum, Silent };

struct GpsConfig {
    int intervalMs = 1000;
    SurveyLineWalk walk;
    // When set, the receiver follows the instrument's walk instead of the wall clock: the
    // position is this many meters from the walk's start along `headingDeg` (0 north, 90
    // east), so a target in the simulated ground has a known place.
    std::function<double()> metersAlongLine;
    double headingDeg = 180.0;
    int satellites = 8;
    GpsFault fault = GpsFault::None;
    std::string linkPath; // when set, a symbolic link to the device is made here
};

struct GpsCounters {
    uint64_t epochs = 0;
    uint64_t sentencesSent = 0;
    uint64_t badSentencesSent = 0;
    uint64_t bytesReceived = 0;
};

class GpsSimulator {
public:
    explicit GpsSimulator(GpsConfig config = {});
    ~GpsSimulator();
    GpsSimulator(const GpsSimulator&) = delete;
    GpsSimulator& operator=(const GpsSimulator&) = delete;

    bool Start(std::string* error = nullptr);
    void Stop();
    bool Running() const { return worker_.Running(); }

    const std::string& DevicePath() const { return worker_.DevicePath(); }
    const std::string& SlavePath() const { return worker_.SlavePath(); }

    void SetFault(GpsFault fault);
    // The receiver's USB serial adapter pulled out and plugged back (see PtyWorker).
    void Hangup() { worker_.Hangup(); }
    bool Return(int delayMs = 0, std::string* error = nullptr) {
        return worker_.Return(delayMs, error);
    }
    bool HungUp() const { return worker_.HungUp(); }
    GpsCounters Counters() const;
    // The last bytes the logger sent to the receiver (at most 4096).
    std::string Received() const;

private:
    void Run();
    void Wake() const { worker_.Wake(); }

    const GpsConfig config_;
    PtyWorker worker_;

    std::atomic<int> fault_;
    std::atomic<uint64_t> epochs_{0};
    std::atomic<uint64_t> sentencesSent_{0};
    std::atomic<uint64_t> badSentencesSent_{0};
    std::atomic<uint64_t> bytesReceived_{0};

    mutable std::mutex receivedMutex_;
    std::string received_; // written by the worker
};

} // namespace tm47

#pragma once
// Keeps the device from dimming or suspending while the logger runs: a thread that resets
// the idle timer every 59 s while its run flag is above 0. Exit sets the flag to 0; Stop()
// then wakes the thread so it ends at once instead of at its next 59 s check, and joins it,
// so no thread outlives the program.
//
// Threads: Start/Stop and the flag's writes on the GUI thread; the loop on its own thread.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace tm47 {

class KeepAwake {
public:
    static constexpr int kPeriodMs = 59000;

    // `resetIdle` is what keeps the device awake; empty does nothing (a desktop without an
    // idle timer the program may touch).
    explicit KeepAwake(std::function<void()> resetIdle = {}, int periodMs = kPeriodMs);
    ~KeepAwake();
    KeepAwake(const KeepAwake&) = delete;
    KeepAwake& operator=(const KeepAwake&) = delete;

    // Sets the run flag to 1 and starts the thread (once).
    void Start();
    // The Exit command: run flag := 0. The thread ends at its next check.
    void ClearRunFlag();
    // Clears the flag, wakes the thread and waits for it to end.
    void Stop();

    int32_t RunFlag() const { return runFlag_.load(); }
    bool Running() const { return thread_.joinable(); }
    // Number of idle-timer resets so far.
    uint64_t Resets() const { return resets_.load(); }

private:
    void Run();

    std::function<void()> resetIdle_;
    int periodMs_;
    std::atomic<int32_t> runFlag_{0};
    std::atomic<uint64_t> resets_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
};

} // namespace tm47

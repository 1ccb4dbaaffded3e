#pragma once
// The worker thread of a simulated device: its pseudo-terminal, a wake-up pipe that interrupts
// the worker's poll() when the test or console acts, and the thread's start and stop. The two
// simulators each own one and give it the loop to run.

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "sim/pseudo_terminal.h"

namespace tm47 {

class PtyWorker {
public:
    PtyWorker() = default;
    ~PtyWorker();
    PtyWorker(const PtyWorker&) = delete;
    PtyWorker& operator=(const PtyWorker&) = delete;

    // Opens the pseudo-terminal (with a symbolic link at `linkPath` when it is not empty) and
    // the wake-up pipe, then runs `loop` on a new thread. True at once when already running.
    bool Start(const std::string& linkPath, std::function<void()> loop, std::string* error);
    // Asks the loop to end, joins it, closes the terminal and the pipe.
    void Stop();
    bool Running() const { return running_.load(); }

    // For the loop: poll MasterFd() and WakeFd() together; end when StopRequested().
    bool StopRequested() const { return stop_.load(); }
    int MasterFd() const { return pty_.MasterFd(); }
    int WakeFd() const { return wakeRead_; }
    // Empties the wake-up pipe after poll() reported it readable.
    void DrainWake() const;
    // Any thread: makes the loop's poll() return.
    void Wake() const;

    const std::string& DevicePath() const { return devicePath_; }
    const std::string& SlavePath() const { return slavePath_; }

private:
    PseudoTerminal pty_; // opened by Start, used only by the loop, closed by Stop
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::string devicePath_;
    std::string slavePath_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> stop_{false};
};

} // namespace tm47

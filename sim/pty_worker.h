#pragma once
// The worker thread of a simulated device: its pseudo-terminal, a wake-up pipe that interrupts
// the worker's poll() when the test or console acts, and the thread's start and stop. The two
// simulators each own one and give it the loop to run.
//
// Hangup() and Return() stand for a USB serial adapter pulled out and plugged back: the
// pseudo-terminal goes away with its link (a reader of the slave sees the hang-up), and a new
// one appears at the same link later, with the loop run afresh on it.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
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
    // True while the loop runs (false while hung up).
    bool Running() const { return running_.load(); }

    // Ends the loop and closes both ends of the terminal, removing the link. A pending
    // Return is cancelled. Nothing happens when not started or already hung up.
    void Hangup();
    // After Hangup: a new terminal at the same link and the loop on it, at once (delayMs 0)
    // or after delayMs milliseconds on a timer thread. False when it could not be opened.
    bool Return(int delayMs = 0, std::string* error = nullptr);
    bool HungUp() const { return started_.load() && !running_.load(); }

    // For the loop: poll MasterFd() and WakeFd() together; end when StopRequested().
    bool StopRequested() const { return stop_.load(); }
    int MasterFd() const { return pty_.MasterFd(); }
    int WakeFd() const { return wakeRead_; }
    // Empties the wake-up pipe after poll() reported it readable.
    void DrainWake() const;
    // Any thread: makes the loop's poll() return.
    void Wake() const;

    const std::string& DevicePath() const { return devicePath_; }
    // Changes at a Return; read it only while the device is not being returned.
    const std::string& SlavePath() const { return slavePath_; }

private:
    bool OpenTerminal(std::string* error); // under transition_
    void StopLoop();                       // under transition_
    bool ReturnNow(std::string* error);
    void CancelReturn();

    PseudoTerminal pty_; // opened by Start, used only by the loop, closed by Stop
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::string devicePath_;
    std::string slavePath_;
    std::string linkPath_;
    std::function<void()> loop_;
    std::thread thread_;
    std::atomic<bool> started_{false};
    std::atomic<bool> running_{false};
    std::atomic<bool> stop_{false};
    std::mutex transition_;  // Start, Stop, Hangup and Return one at a time
    std::mutex returnMutex_; // with returnCv_: the delayed Return's wait, cut short by a cancel
    std::condition_variable returnCv_;
    bool returnCancelled_ = false;
    std::thread returner_;
};

} // namespace tm47

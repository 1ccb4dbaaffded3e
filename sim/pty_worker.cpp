#include "sim/pty_worker.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <unistd.h>

namespace tm47 {

PtyWorker::~PtyWorker() {
    Stop();
}

bool PtyWorker::OpenTerminal(std::string* error) {
    if (!pty_.Open(error)) {
        return false;
    }
    if (!linkPath_.empty() && !pty_.MakeLink(linkPath_, error)) {
        pty_.Close();
        return false;
    }
    devicePath_ = pty_.DevicePath();
    slavePath_ = pty_.SlavePath();
    return true;
}

bool PtyWorker::Start(const std::string& linkPath, std::function<void()> loop, std::string* error) {
    std::lock_guard lock(transition_);
    if (started_.load()) {
        return true;
    }
    linkPath_ = linkPath;
    if (!OpenTerminal(error)) {
        return false;
    }
    int fds[2];
    if (pipe(fds) != 0) {
        if (error) {
            *error = std::string("sim: pipe failed: ") + std::strerror(errno);
        }
        pty_.Close();
        return false;
    }
    if (!MakeNonBlocking(fds[0]) || !MakeNonBlocking(fds[1])) {
        if (error) {
            *error = std::string("sim: fcntl failed: ") + std::strerror(errno);
        }
        close(fds[0]);
        close(fds[1]);
        pty_.Close();
        return false;
    }
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
    loop_ = std::move(loop);
    stop_.store(false);
    started_.store(true);
    running_.store(true);
    thread_ = std::thread(loop_);
    return true;
}

void PtyWorker::StopLoop() {
    if (!running_.load()) {
        return;
    }
    stop_.store(true);
    Wake();
    if (thread_.joinable()) {
        thread_.join();
    }
    pty_.Close();
    running_.store(false);
}

void PtyWorker::CancelReturn() {
    {
        std::lock_guard lock(returnMutex_);
        returnCancelled_ = true;
    }
    returnCv_.notify_all();
    if (returner_.joinable()) {
        returner_.join();
    }
    std::lock_guard lock(returnMutex_);
    returnCancelled_ = false;
}

void PtyWorker::Stop() {
    CancelReturn();
    std::lock_guard lock(transition_);
    if (!started_.load()) {
        return;
    }
    StopLoop();
    close(wakeRead_);
    close(wakeWrite_);
    wakeRead_ = wakeWrite_ = -1;
    started_.store(false);
}

void PtyWorker::Hangup() {
    CancelReturn();
    std::lock_guard lock(transition_);
    StopLoop();
}

bool PtyWorker::ReturnNow(std::string* error) {
    std::lock_guard lock(transition_);
    if (!started_.load() || running_.load()) {
        return started_.load();
    }
    if (!OpenTerminal(error)) {
        return false;
    }
    DrainWake();
    stop_.store(false);
    running_.store(true);
    thread_ = std::thread(loop_);
    return true;
}

bool PtyWorker::Return(int delayMs, std::string* error) {
    CancelReturn();
    if (delayMs <= 0) {
        return ReturnNow(error);
    }
    returner_ = std::thread([this, delayMs] {
        std::unique_lock lock(returnMutex_);
        if (returnCv_.wait_for(lock, std::chrono::milliseconds(delayMs),
                               [&] { return returnCancelled_; })) {
            return;
        }
        lock.unlock();
        ReturnNow(nullptr);
    });
    return true;
}

void PtyWorker::DrainWake() const {
    char drain[64];
    while (read(wakeRead_, drain, sizeof drain) > 0) {
    }
}

void PtyWorker::Wake() const {
    const char b = 1;
    if (wakeWrite_ >= 0) {
        // A full pipe already holds a wake-up, so a failed write loses nothing.
        [[maybe_unused]] const ssize_t n = write(wakeWrite_, &b, 1);
    }
}

} // namespace tm47

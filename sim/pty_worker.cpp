#include "sim/pty_worker.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace tm47 {

PtyWorker::~PtyWorker() {
    Stop();
}

bool PtyWorker::Start(const std::string& linkPath, std::function<void()> loop, std::string* error) {
    if (running_.load()) {
        return true;
    }
    if (!pty_.Open(error)) {
        return false;
    }
    if (!linkPath.empty() && !pty_.MakeLink(linkPath, error)) {
        pty_.Close();
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
    devicePath_ = pty_.DevicePath();
    slavePath_ = pty_.SlavePath();
    stop_.store(false);
    running_.store(true);
    thread_ = std::thread(std::move(loop));
    return true;
}

void PtyWorker::Stop() {
    if (!running_.load()) {
        return;
    }
    stop_.store(true);
    Wake();
    if (thread_.joinable()) {
        thread_.join();
    }
    pty_.Close();
    close(wakeRead_);
    close(wakeWrite_);
    wakeRead_ = wakeWrite_ = -1;
    running_.store(false);
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

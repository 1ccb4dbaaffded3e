#include "app/keep_awake.h"

#include <chrono>

namespace tm47 {

KeepAwake::KeepAwake(std::function<void()> resetIdle, int periodMs)
    : resetIdle_(std::move(resetIdle)), periodMs_(periodMs) {}

KeepAwake::~KeepAwake() {
    Stop();
}

void KeepAwake::Start() {
    if (thread_.joinable()) {
        return;
    }
    runFlag_.store(1);
    thread_ = std::thread([this] { Run(); });
}

void KeepAwake::ClearRunFlag() {
    {
        std::lock_guard lock(mutex_);
        runFlag_.store(0);
    }
    wake_.notify_all();
}

void KeepAwake::Stop() {
    ClearRunFlag();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void KeepAwake::Run() {
    std::unique_lock lock(mutex_);
    while (runFlag_.load() > 0) {
        lock.unlock();
        if (resetIdle_) {
            resetIdle_();
        }
        resets_.fetch_add(1);
        lock.lock();
        wake_.wait_for(lock, std::chrono::milliseconds(periodMs_),
                       [this] { return runFlag_.load() <= 0; });
    }
}

} // namespace tm47

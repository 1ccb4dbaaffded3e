#include "platform/handover.h"

#include <algorithm>

namespace tm47 {

SyncHandover::SyncHandover(std::function<void()> wake) : wake_(std::move(wake)) {}

void SyncHandover::SetWake(std::function<void()> wake) {
    std::lock_guard lock(mutex_);
    wake_ = std::move(wake);
}

bool SyncHandover::Send(const std::function<void()>& item) {
    Slot slot{&item};
    std::function<void()> wake;
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) {
            return false;
        }
        pending_.push_back(&slot);
        wake = wake_;
    }
    if (wake) {
        wake();
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return slot.done || slot.cancelled; });
    return slot.done;
}

void SyncHandover::Drain() {
    for (;;) {
        Slot* slot = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (pending_.empty()) {
                return;
            }
            slot = pending_.front();
            pending_.pop_front();
        }
        // The worker waits for `done`, so its item and slot stay alive while this runs.
        (*slot->item)();
        {
            std::lock_guard lock(mutex_);
            slot->done = true;
            ++delivered_;
        }
        changed_.notify_all();
    }
}

void SyncHandover::Cancel() {
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        for (Slot* slot : pending_) {
            slot->cancelled = true;
        }
        pending_.clear();
    }
    changed_.notify_all();
}

void SyncHandover::Resume() {
    std::lock_guard lock(mutex_);
    cancelled_ = false;
}

uint64_t SyncHandover::Delivered() const {
    std::lock_guard lock(mutex_);
    return delivered_;
}

} // namespace tm47

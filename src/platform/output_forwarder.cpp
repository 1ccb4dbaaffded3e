#include "platform/output_forwarder.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace tm47 {

// Everything the writer thread touches lives here, so a writer left stuck in the driver by
// Stop never touches a destroyed OutputForwarder.
struct OutputForwarder::Shared {
    mutable std::mutex mutex;
    std::condition_variable wake;         // writer: bytes queued or stop
    mutable std::condition_variable idle; // Stop / WaitDrained: queue empty, writer idle
    std::deque<std::string> queue;        // pieces in order
    std::size_t queued = 0;               // bytes in queue
    bool writing = false;                 // the writer holds a piece outside the lock
    bool stop = false;
    bool running = false;
    bool exited = true;
    bool warned = false;
    bool blocked = false;
    std::optional<std::string> pendingWarning;
    std::function<void()> onBlocked;
    uint64_t dropped = 0;
    WriteFn write;
    AbortFn abort;
};

namespace {

// Small pieces, so a stop is noticed between them.
constexpr std::size_t kWriteChunk = 256;
constexpr int kExitWaitMs = 300;

} // namespace

OutputForwarder::OutputForwarder(std::size_t capacity)
    : shared_(std::make_shared<Shared>()), capacity_(capacity) {}

OutputForwarder::~OutputForwarder() {
    Stop(0);
}

void OutputForwarder::Start(WriteFn write, AbortFn abort) {
    Stop(0);
    std::function<void()> onBlocked;
    {
        std::lock_guard lock(shared_->mutex);
        onBlocked = shared_->onBlocked;
    }
    shared_ = std::make_shared<Shared>();
    shared_->onBlocked = std::move(onBlocked);
    shared_->write = std::move(write);
    shared_->abort = std::move(abort);
    shared_->running = true;
    shared_->exited = false;
    writer_ = std::thread([s = shared_] {
        std::unique_lock lock(s->mutex);
        while (true) {
            s->wake.wait(lock, [&] { return s->stop || !s->queue.empty(); });
            if (s->stop) {
                break;
            }
            std::string piece = std::move(s->queue.front());
            s->queue.pop_front();
            s->queued -= piece.size();
            s->writing = true;
            std::size_t done = 0;
            while (done < piece.size()) {
                const std::size_t n = std::min(kWriteChunk, piece.size() - done);
                lock.unlock();
                const std::size_t w =
                    s->write(reinterpret_cast<const uint8_t*>(piece.data()) + done, n);
                lock.lock();
                if (s->stop || w == 0) {
                    // Stopped, or the port refuses bytes (closed, failed): give the piece up.
                    break;
                }
                done += std::min(w, n);
            }
            s->writing = false;
            if (s->queue.empty()) {
                s->idle.notify_all();
            }
        }
        s->exited = true;
        s->writing = false;
        s->idle.notify_all();
    });
}

bool OutputForwarder::Running() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->running;
}

bool OutputForwarder::Enqueue(std::string_view bytes) {
    if (bytes.empty()) {
        return true;
    }
    std::function<void()> handler;
    {
        std::lock_guard lock(shared_->mutex);
        Shared& s = *shared_;
        if (!s.running || s.stop) {
            return false;
        }
        if (s.queued + bytes.size() <= capacity_) {
            s.queue.emplace_back(bytes);
            s.queued += bytes.size();
            s.wake.notify_one();
            return true;
        }
        s.dropped += bytes.size();
        s.blocked = true;
        if (!s.warned) {
            s.warned = true;
            s.pendingWarning = kOutputBlockedText;
            handler = s.onBlocked;
        }
    }
    if (handler) {
        handler();
    }
    return false;
}

void OutputForwarder::Stop(int drainMs) {
    std::shared_ptr<Shared> s = shared_;
    AbortFn abort;
    {
        std::unique_lock lock(s->mutex);
        if (!s->running) {
            return;
        }
        s->idle.wait_for(lock, std::chrono::milliseconds(drainMs),
                         [&] { return s->queue.empty() && !s->writing; });
        s->stop = true;
        s->running = false;
        s->queue.clear();
        s->queued = 0;
        s->wake.notify_all();
        abort = s->abort;
    }
    // The writer may be stuck in the driver behind XOFF: unblock it.
    if (abort) {
        abort();
    }
    bool exited;
    {
        std::unique_lock lock(s->mutex);
        exited = s->idle.wait_for(lock, std::chrono::milliseconds(kExitWaitMs),
                                  [&] { return s->exited; });
    }
    if (writer_.joinable()) {
        if (exited) {
            writer_.join();
        } else {
            // Still stuck in the driver: it holds its own reference to `s` and ends when the
            // driver lets go.
            writer_.detach();
        }
    }
}

std::optional<std::string> OutputForwarder::TakeBlockedWarning() {
    std::lock_guard lock(shared_->mutex);
    std::optional<std::string> out;
    out.swap(shared_->pendingWarning);
    return out;
}

bool OutputForwarder::Blocked() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->blocked;
}

void OutputForwarder::SetBlockedHandler(std::function<void()> handler) {
    std::lock_guard lock(shared_->mutex);
    shared_->onBlocked = std::move(handler);
}

uint64_t OutputForwarder::DroppedBytes() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->dropped;
}

bool OutputForwarder::WaitDrained(int ms) const {
    std::unique_lock lock(shared_->mutex);
    return shared_->idle.wait_for(lock, std::chrono::milliseconds(ms),
                                  [&] { return shared_->queue.empty() && !shared_->writing; });
}

} // namespace tm47

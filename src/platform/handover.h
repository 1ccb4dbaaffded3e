#pragma once
// The synchronous hand-over from a worker thread to the GUI thread: the worker blocks in
// Send() until the GUI thread has run the item, so data the item reads (the frame buffer,
// a GPS line) is never overwritten while the GUI is using it.
//
// Unlike a blocking queued Qt call it is cancellable and visible to ThreadSanitizer: Cancel()
// releases every waiting worker at once (Send returns false), so the GUI thread can stop a
// link and join its reader while the reader sits in a hand-over. Qt is used only to wake the
// GUI thread (the `wake` callback); the waiting is std::mutex + std::condition_variable.
//
// Threads: Send() from workers; Drain(), Cancel(), Resume() from the GUI thread.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace tm47 {

class SyncHandover {
public:
    // `wake` is called (from the worker) after an item was queued; it must arrange for
    // Drain() to run on the GUI thread soon (a queued Qt call does).
    explicit SyncHandover(std::function<void()> wake = {});

    void SetWake(std::function<void()> wake);

    // Worker thread: runs `item` on the GUI thread and waits until it has run. Returns false
    // without running it when the hand-over is cancelled before or while waiting.
    bool Send(const std::function<void()>& item);

    // GUI thread: runs the items that are waiting (one per worker).
    void Drain();

    // GUI thread: releases every waiting worker and refuses new items until Resume(). An
    // item already running finishes normally; never join a worker from inside its own item.
    void Cancel();
    void Resume();

    // Number of items handed over and run (for tests and status).
    uint64_t Delivered() const;

private:
    struct Slot {
        const std::function<void()>* item;
        bool done = false;
        bool cancelled = false;
    };
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> wake_;
    bool cancelled_ = false;
    std::deque<Slot*> pending_; // slots live on the waiting workers' stacks
    uint64_t delivered_ = 0;
};

} // namespace tm47

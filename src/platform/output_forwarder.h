#pragma once
// Forwarding to the output port (the MODEM port), Raw Data or Converted.
//
// The output port runs XON/XOFF with no write time-out, so a receiver that holds XOFF would
// block whoever writes to it. The logger must never stall on it: the record writers (GUI
// thread) and the GPS writer only hand bytes to a bounded queue here; one writer thread
// drains it to the port in the same order. When the queue is full (the receiver has held
// XOFF that long), further bytes are dropped whole (a record is never split) and the operator
// is told once per session ("Output port blocked"). The data file is never affected.
//
// Threads: Enqueue may be called from any thread and never blocks on the port. Start and Stop
// belong to the GUI thread. Stop never hangs: it gives the writer a short time to send what is
// queued, then discards the rest, unblocks the port and, should the writer still be stuck in
// the driver, leaves it behind holding only its own shared state.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace tm47 {

class SerialPort;

inline constexpr std::size_t kOutputQueueCapacity = 1u << 20; // 1 MiB
inline constexpr const char* kOutputBlockedText = "Output port blocked";

class OutputForwarder {
public:
    // Writes up to `size` bytes, returns how many went out (may block while the receiver
    // holds XOFF).
    using WriteFn = std::function<std::size_t(const uint8_t* data, std::size_t size)>;
    // Unblocks a writer stuck in WriteFn (discard the driver's output, close the port).
    using AbortFn = std::function<void()>;

    explicit OutputForwarder(std::size_t capacity = kOutputQueueCapacity);
    ~OutputForwarder();
    OutputForwarder(const OutputForwarder&) = delete;
    OutputForwarder& operator=(const OutputForwarder&) = delete;

    // Starts the writer thread on a port (writes with SerialPort::Write; Stop purges the
    // port's output). Defined in output_forwarder_port.cpp.
    void Start(const SerialPort& port);
    void Start(WriteFn write, AbortFn abort);
    bool Running() const;

    // Queues `bytes` as one piece. False when the piece was dropped (not running, or the
    // queue is full).
    bool Enqueue(std::string_view bytes);

    // Waits up to `drainMs` for the queue to empty, then discards what is left, aborts a
    // blocked write and ends the writer thread (waiting at most a further short moment).
    void Stop(int drainMs = 500);

    // The blocked warning ("Output port blocked") once per session, then nothing.
    std::optional<std::string> TakeBlockedWarning();
    bool Blocked() const;
    // Called once per session when bytes are first dropped, on the enqueuing thread (GUI or
    // GPS reader, possibly while the data file's lock is held): it must only pass the news on
    // (post to the GUI), never write records or wait.
    void SetBlockedHandler(std::function<void()> handler);

    uint64_t DroppedBytes() const;
    // For tests and shutdown: waits up to `ms` until everything queued has been written.
    bool WaitDrained(int ms) const;

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::size_t capacity_;
    std::thread writer_;
};

} // namespace tm47

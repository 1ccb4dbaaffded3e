#pragma once
// The serial link to the instrument: the two-byte mode commands and their acknowledgement,
// the poll byte, and the reader threads that assemble frames and hand each one to the GUI
// thread. The instrument answers "O" then "K" (it will be polled) or "O" then "V" (it will
// stream a frame every 55 ms by itself).
//
// Threads: every method runs on the GUI thread. One reader thread at a time reads the port;
// it hands frames over synchronously through the SyncHandover, so the frame buffer is
// written by the reader only while the GUI is not using it. Flags shared with readers are
// atomics in LinkState.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "instrument/frame.h"
#include "instrument/reading_processor.h"
#include "platform/clock.h"
#include "platform/handover.h"
#include "platform/serial_port.h"

namespace tm47 {

struct LinkState {
    static constexpr char gainLetter = 'H';
    std::atomic<int32_t> linkMode{-1};      // 1 polled, 0 streaming, -1 before the first handshake
    std::atomic<int32_t> replyFlag{0};      // polled: a frame end was seen since the last poll
    std::atomic<bool> pacingEvent{false};   // polled: set after a poll byte, reset at a frame end
    std::atomic<int32_t> frameDivisor{1};   // streaming: hand on every n-th valid frame
    std::atomic<int32_t> frameCounter{0};   // streaming: valid frames since the last handed on
    std::atomic<uint32_t> lastFrameTick{0}; // last valid streaming frame, poll byte or start
    std::atomic<int32_t> breakCounter{0};   // consecutive breaks, counted by the connection watch
    std::atomic<uint64_t> framesHandedOn{0};
    // Written by the reader before a hand-over, read and rewritten by the GUI inside it.
    FrameBuffer frameBuffer{};
};

// Timer 1 of the Monitor/Log window, which drives polling and the connection watch.
class LinkTimer {
public:
    virtual ~LinkTimer() = default;
    virtual void StartTimer1(int periodMs) = 0;
    virtual void KillTimer1() = 0;
};

enum class ReaderKind { Polled, Streaming, Wheel };

class InstrumentLink {
public:
    // Runs on the GUI thread inside the hand-over, with the frame in LinkState::frameBuffer.
    using FrameHandler = std::function<void(FrameBuffer&)>;

    static constexpr int kStandByPollMs = 70;
    static constexpr int kStreamingWatchMs = 500;
    static constexpr int kRestartRetryMs = 100;

    InstrumentLink(const Clock& clock, LinkTimer& timer, ReadingProcessor& readings);
    ~InstrumentLink();
    InstrumentLink(const InstrumentLink&) = delete;
    InstrumentLink& operator=(const InstrumentLink&) = delete;

    void SetFrameHandler(FrameHandler handler) { handler_ = std::move(handler); }

    // Opens the instrument port at `path` (9600 8N1, raw). False with `error` set on failure.
    bool OpenPort(const std::string& path, std::string* error = nullptr, int* sysError = nullptr);
    bool IsPortOpen() const { return port_.IsOpen(); }
    const std::string& PortPath() const { return path_; }

    // Sends `first`, waits 40 ms, sends `second`, and waits up to three rounds of 1000 ms for
    // the acknowledgement. Returns 1 and sets the link mode when acknowledged, else 0.
    int SendInstrumentCommand(char first, char second);

    // Creates the readers for the current link mode and starts timer 1. At a session start
    // the streaming branch also starts the reading over at normalising.
    void StartLink(bool sessionStart);
    // Polled mode: purge, send the poll byte, set the pacing event, reply flag := 0.
    void PollTick();
    // After a break in streaming mode: close, reopen without messages, handshake (each round
    // reopening the port while it is away), restart.
    // Returns 1 when the link runs again; 0 when timer 1 was set to retry in 100 ms.
    int RestartLink();
    // Polled recovery: suspend the reader, handshake 'X' (reopening the port while it is away),
    // wait 1500 ms, resume (or new readers on a reopened port), purge both buffers.
    int RecoverPolledLink();
    // Wheel-mode logging run: enter returns false when the instrument did not take 'W'.
    bool EnterWheelMode();
    // Leaving tries 'X' up to five times; false when all five failed.
    bool LeaveWheelMode();
    // Closes the port and ends the readers (each within one read time-out).
    void Stop();

    LinkState& State() { return state_; }
    // The readers' hand-over to the GUI thread: wire its wake-up to the GUI event loop.
    SyncHandover& Handover() { return handover_; }
    // Whether a reader of this kind exists and is not suspended (tests and status).
    bool ReaderRunning(ReaderKind kind) const;
    const SerialPort& Port() const { return port_; }

private:
    class Reader;
    void StopReaders();
    void CreateReaders();
    bool ReopenPort();
    int Handshake(char first, char second, bool reopenClosedPort);
    void SendCommandBytes(char first, char second);

    const Clock& clock_;
    SyncHandover handover_;
    LinkTimer& timer_;
    ReadingProcessor& readings_; // asked to start normalising when the link starts
    FrameHandler handler_;
    LinkState state_;
    SerialPort port_;
    std::string path_;
    uint64_t portGeneration_ = 0; // counts opens of the port: readers hold one descriptor
    std::unique_ptr<Reader> primary_;
    std::unique_ptr<Reader> secondary_;
};

} // namespace tm47

#include "instrument/link.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <vector>

#include "instrument/frame_assembler.h"

namespace tm47 {

// One reader thread. It takes every byte the driver has per read and feeds the frame
// assembly from its own buffer. While nothing comes it sleeps in the read: a closed port, a
// stop and a suspension each wake it at once, so it does not need to wake every per-byte
// time-out (20 ms) to look, which on an idle line would cost more than the readings do.
// A device that went away ends the reader: the serial layer has closed the port for every
// handle, and the connection watch's recovery reopens it and starts new readers.
//
// The streaming reader does not wake for every frame: it hands every frame it kept from one
// read to the GUI thread in a single hand-over, then rests until kStreamingRestMs after the
// read and lets the next frames gather in the driver meanwhile. At 18 frames/s that halves
// the reader's wake-ups, and a batch wakes the GUI thread once. The rest stays well inside the
// connection watch's 300 ms, and a stop or a suspension still ends it at once. The polled and wheel
// readers answer one frame at a time, as before.
//
// Suspension replaces the handheld's SuspendThread. The reader holds its lease while it reads
// and assembles, and lets go of it only while parked or while waiting in a hand-over. So
// Suspend(), once it holds the lease, knows the reader is not reading, and a frame the reader
// has queued but the GUI has not yet handled is taken back: after a suspension no frame of
// the old mode reaches the GUI (a streaming frame still in the hand-over when Go switches the
// instrument to wheel mode would otherwise be recorded as a wheel reading). Suspending never
// waits for the GUI thread itself.
class InstrumentLink::Reader {
public:
    Reader(InstrumentLink& link, ReaderKind kind, SerialPort port, bool suspended)
        : link_(link), kind_(kind), reader_(std::move(port)), suspended_(suspended) {
        thread_ = std::thread([this] { Run(); });
    }

    ~Reader() { Join(); }

    void Suspend() {
        suspended_.store(true);
        reader_.Interrupt();
        std::lock_guard lease(lease_); // the reader is parked, waiting in a hand-over, or gone
        link_.handover_.Cancel();      // takes back a frame queued before the suspension
        link_.handover_.Resume();
    }

    void Resume() {
        {
            std::lock_guard lock(park_);
            suspended_.store(false);
        }
        parked_.notify_all();
    }

    void Join() {
        {
            std::lock_guard lock(park_);
            stop_.store(true);
            suspended_.store(false);
        }
        reader_.Interrupt();
        parked_.notify_all();
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    // The longest sleep in one read; every event that matters interrupts it sooner.
    static constexpr uint32_t kIdleWaitMs = 1000;
    // The streaming reader's rest between reads: about two frames.
    static constexpr uint32_t kStreamingRestMs = 110;

    ReaderKind Kind() const { return kind_; }
    bool Running() const { return !suspended_.load() && !stop_.load(); }

private:
    void Run() {
        // Named so per-thread CPU figures (top -H, /proc) tell the readers apart.
        pthread_setname_np(pthread_self(), kind_ == ReaderKind::Polled      ? "tm47-polled"
                                           : kind_ == ReaderKind::Streaming ? "tm47-streaming"
                                                                            : "tm47-wheel");
        FrameAssembler assembler;
        FrameBuffer frame{};
        std::unique_lock lease(lease_);
        for (;;) {
            if (suspended_.load() && !stop_.load()) {
                lease.unlock();
                {
                    std::unique_lock lock(park_);
                    parked_.wait(lock, [&] { return !suspended_.load() || stop_.load(); });
                }
                lease.lock();
                reader_.Clear(); // what was read before the suspension belongs to the old mode
                continue;
            }
            if (stop_.load() || !reader_.Port().IsOpen()) {
                return;
            }
            uint8_t byte = 0;
            const ReadResult result = reader_.NextWithin(byte, kIdleWaitMs);
            if (result == ReadResult::Closed || result == ReadResult::HungUp) {
                return;
            }
            if (result == ReadResult::Timeout) {
                continue;
            }
            switch (assembler.Push(byte, frame)) {
            case FrameAssembler::Event::Frame:
                OnFrame(frame, lease);
                break;
            case FrameAssembler::Event::RejectedEnd:
                OnRejectedEnd();
                break;
            case FrameAssembler::Event::None:
                break;
            }
            if (kind_ == ReaderKind::Streaming && reader_.Buffered() == 0) {
                // The rest counts from the read: a hand-over that waited on a busy GUI thread
                // has used it up, so a slow screen never stretches the gap the connection
                // watch sees.
                const auto readAt = std::chrono::steady_clock::now();
                HandOn(lease);
                const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::steady_clock::now() - readAt)
                                       .count();
                if (spent < kStreamingRestMs) {
                    reader_.Rest(static_cast<uint32_t>(kStreamingRestMs - spent));
                }
            }
        }
    }

    // Hands the kept frames to the GUI thread in one hand-over, letting go of the lease while
    // it waits there. Frames kept before a suspension are not wanted.
    void HandOn(std::unique_lock<std::mutex>& lease) {
        if (batch_.empty()) {
            return;
        }
        if (!suspended_.load()) {
            lease.unlock();
            link_.handover_.Send(deliverBatch_);
            lease.lock();
        }
        batch_.clear();
    }

    void OnFrame(const FrameBuffer& frame, std::unique_lock<std::mutex>& lease) {
        LinkState& st = link_.state_;
        switch (kind_) {
        case ReaderKind::Polled:
            batch_.push_back(frame);
            HandOn(lease);
            st.pacingEvent.store(false);
            st.replyFlag.store(1);
            st.breakCounter.store(0);
            break;
        case ReaderKind::Streaming: {
            int32_t counter = st.frameCounter.fetch_add(1) + 1;
            if (counter >= st.frameDivisor.load()) {
                st.frameCounter.store(0);
                batch_.push_back(frame);
            }
            st.breakCounter.store(0);
            st.lastFrameTick.store(link_.clock_.Tick());
            break;
        }
        case ReaderKind::Wheel:
            batch_.push_back(frame);
            HandOn(lease);
            break;
        }
    }

    void OnRejectedEnd() {
        LinkState& st = link_.state_;
        if (kind_ == ReaderKind::Polled) {
            st.replyFlag.store(1);
            st.pacingEvent.store(false);
        } else if (kind_ == ReaderKind::Wheel) {
            st.replyFlag.store(1);
        }
    }

    InstrumentLink& link_;
    const ReaderKind kind_;
    SerialReader reader_; // this thread's own handle and buffer: the GUI may close its handle
    // The frames to hand on: one for the polled and wheel readers, those of one read for the
    // streaming reader. The GUI reads them only inside the hand-over.
    std::vector<FrameBuffer> batch_;
    const std::function<void()> deliverBatch_ = [this] {
        LinkState& st = link_.state_;
        for (const FrameBuffer& f : batch_) {
            // A frame of the batch may lead to a suspension (a mode switch): the rest of the
            // batch belongs to the old mode.
            if (suspended_.load() || stop_.load()) {
                return;
            }
            st.frameBuffer = f;
            if (link_.handler_) {
                link_.handler_(st.frameBuffer);
            }
            st.framesHandedOn.fetch_add(1);
        }
    };
    std::atomic<bool> suspended_;
    std::atomic<bool> stop_{false};
    std::mutex lease_; // held by the reader except while parked or in a hand-over
    std::mutex park_;
    std::condition_variable parked_;
    std::thread thread_;
};

InstrumentLink::InstrumentLink(const Clock& clock, LinkTimer& timer, ReadingProcessor& readings)
    : clock_(clock), timer_(timer), readings_(readings) {}

InstrumentLink::~InstrumentLink() {
    Stop();
}

bool InstrumentLink::OpenPort(const std::string& path, std::string* error, int* sysError) {
    path_ = path;
    ++portGeneration_;
    return port_.Open(path, SerialUse::Instrument, SerialLineSettings{}, error, sysError);
}

bool InstrumentLink::ReopenPort() {
    if (port_.IsOpen()) {
        return true;
    }
    if (!port_.Open(path_, SerialUse::Instrument, SerialLineSettings{})) {
        return false;
    }
    ++portGeneration_;
    return true;
}

void InstrumentLink::SendCommandBytes(char first, char second) {
    port_.WriteByte(static_cast<uint8_t>(first));
    WaitMs(clock_, 40);
    port_.WriteByte(static_cast<uint8_t>(second));
}

int InstrumentLink::SendInstrumentCommand(char first, char second) {
    return Handshake(first, second, false);
}

// A recovery (reopenClosedPort) keeps each round's full time even while the device is away,
// and tries to reopen it at the start of every round: the handheld's port survived a short
// cable drop-out, while here the device node vanishes and comes back. So an adapter that is
// back within the rounds resumes, and one that stays away is given up after the usual count
// of breaks in the usual time.
int InstrumentLink::Handshake(char first, char second, bool reopenClosedPort) {
    if (!reopenClosedPort && !port_.IsOpen()) {
        return 0;
    }
    port_.PurgeTx();
    port_.PurgeRx();
    constexpr int kRounds = 3;
    constexpr uint32_t kRoundMs = 1000;
    for (int round = 0; round < kRounds; ++round) {
        if (reopenClosedPort && !port_.IsOpen() && ReopenPort()) {
            port_.PurgeTx();
            port_.PurgeRx();
        }
        SendCommandBytes(first, second);
        bool oSeen = false;
        const uint32_t start = clock_.Tick();
        while (!TickPassed(clock_.Tick(), start, kRoundMs)) {
            uint8_t byte = 0;
            ReadResult r = port_.ReadByte(byte);
            if (r == ReadResult::Closed || r == ReadResult::HungUp) {
                if (!reopenClosedPort) {
                    return 0;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
            if (r != ReadResult::Byte) {
                continue;
            }
            if (byte == 'O') {
                oSeen = true;
            } else if (byte == 'K' || byte == 'V') {
                if (oSeen) {
                    state_.linkMode.store(byte == 'K' ? 1 : 0);
                    return 1;
                }
                oSeen = false;
            }
        }
    }
    return 0;
}

void InstrumentLink::CreateReaders() {
    const bool polled = state_.linkMode.load() == 1;
    primary_ = std::make_unique<Reader>(*this, polled ? ReaderKind::Polled : ReaderKind::Streaming,
                                        port_, false);
    secondary_ = std::make_unique<Reader>(*this, ReaderKind::Wheel, port_, true);
}

void InstrumentLink::StartLink(bool sessionStart) {
    StopReaders();
    const bool polled = state_.linkMode.load() == 1;
    if (polled) {
        state_.pacingEvent.store(false);
    }
    CreateReaders();
    timer_.StartTimer1(polled ? kStandByPollMs : kStreamingWatchMs);
    state_.lastFrameTick.store(clock_.Tick());
    if (polled) {
        state_.replyFlag.store(1);
        readings_.StartNormalising();
    } else if (sessionStart) {
        readings_.StartNormalising();
    }
}

void InstrumentLink::PollTick() {
    port_.PurgeTx();
    port_.PurgeRx();
    port_.WriteByte(kPollByte);
    state_.pacingEvent.store(true);
    state_.replyFlag.store(0);
    state_.lastFrameTick.store(clock_.Tick());
}

int InstrumentLink::RestartLink() {
    port_.Close();
    StopReaders();
    WaitMs(clock_, 50);
    WaitMs(clock_, 100);
    ReopenPort();
    if (!Handshake(LinkState::gainLetter, 'X', true)) {
        timer_.StartTimer1(kRestartRetryMs);
        return 0;
    }
    StartLink(false);
    return 1;
}

int InstrumentLink::RecoverPolledLink() {
    const uint64_t generation = portGeneration_;
    if (primary_) {
        primary_->Suspend();
    }
    int ok = Handshake(LinkState::gainLetter, 'X', true);
    WaitMs(clock_, 1500);
    if (portGeneration_ != generation) {
        // The port was reopened: the old readers ended with the old descriptor.
        StopReaders();
        CreateReaders();
    } else if (primary_) {
        primary_->Resume();
    }
    // Whatever came during the wait (the answer, a late reply) must not be read as the next
    // poll's frame.
    port_.PurgeTx();
    port_.PurgeRx();
    return ok;
}

bool InstrumentLink::EnterWheelMode() {
    state_.replyFlag.store(0);
    timer_.KillTimer1();
    if (state_.linkMode.load() == 1) {
        state_.pacingEvent.store(false);
    } else {
        state_.frameDivisor.store(1);
    }
    if (primary_) {
        primary_->Suspend();
    }
    port_.PurgeTx();
    port_.PurgeRx();
    if (!SendInstrumentCommand(LinkState::gainLetter, 'W')) {
        return false;
    }
    WaitMs(clock_, 1000);
    port_.PurgeTx();
    port_.PurgeRx();
    if (secondary_) {
        secondary_->Resume();
    }
    return true;
}

bool InstrumentLink::LeaveWheelMode() {
    state_.frameCounter.store(0);
    state_.frameDivisor.store(1);
    if (secondary_) {
        secondary_->Suspend();
    }
    for (int attempt = 0; attempt < 5; ++attempt) {
        port_.PurgeTx();
        port_.PurgeRx();
        if (SendInstrumentCommand(LinkState::gainLetter, 'X')) {
            if (primary_) {
                primary_->Resume();
            }
            timer_.StartTimer1(kStandByPollMs);
            state_.replyFlag.store(1);
            state_.lastFrameTick.store(clock_.Tick());
            return true;
        }
    }
    return false;
}

void InstrumentLink::Stop() {
    port_.Close();
    if (state_.linkMode.load() == 1) {
        state_.pacingEvent.store(true);
    }
    StopReaders();
}

void InstrumentLink::StopReaders() {
    // A reader may be waiting in a hand-over for this very thread: release it first.
    handover_.Cancel();
    primary_.reset();
    secondary_.reset();
    handover_.Resume();
}

bool InstrumentLink::ReaderRunning(ReaderKind kind) const {
    for (const auto* r : {primary_.get(), secondary_.get()}) {
        if (r && r->Kind() == kind && r->Running()) {
            return true;
        }
    }
    return false;
}

} // namespace tm47

#pragma once
// What happens to each frame the reader hands on: while the instrument normalises, nulls or
// is being checked with the QC coil, the frame serves that procedure only; in the normal
// state it is shown, and while logging it may be recorded, advance the station, scroll the
// profile and be forwarded.
//
// The state machine is Qt-free. The Monitor/Log window implements ReadingView (the status
// fields) and the session implements ReadingSession (recording and everything that follows
// from it), so tests drive the machine with plain fakes.
//
// Threads: GUI thread only, inside the reader's hand-over; the frame buffer is stable for
// the whole call.

#include <array>
#include <cstdint>
#include <string>

#include "config/settings.h"
#include "instrument/frame.h"
#include "instrument/reading.h"
#include "platform/clock.h"

namespace tm47 {

inline constexpr int kNullingReadings = 50;
inline constexpr uint32_t kPowerCheckMs = 180000;

struct NullingState {
    int32_t count = 0;
    std::array<float, 4> sums{};
    std::array<float, 4> previousOffsets{}; // the offsets before the last nulling
    std::array<float, 4> qcSavedOffsets{};  // the offsets before a QC-coil check
};

class ReadingView {
public:
    virtual ~ReadingView() = default;
    virtual void ShowMessageLine(const std::string& text) = 0;
    virtual void EnableMonitorButtons() = 0; // "&Cr.File", "N&ull", "&Int.Cal", "&Ext.Cal"
    virtual void ShowMode(const std::string& text) = 0;
    virtual void ShowMarker(const std::string& text) = 0;
    virtual void ShowInstrumentBattery(const std::string& text) = 0;
    virtual void ShowChannels(const std::array<std::string, 4>& texts) = 0;
    virtual void ShowHandheldBattery(const std::string& text) = 0;
};

class ReadingSession {
public:
    virtual ~ReadingSession() = default;
    virtual bool Logging() const = 0;
    virtual bool StandBy() const = 0;
    // The survey model's record decision for this letter.
    virtual bool DecideRecord(uint8_t letter) = 0;
    // Writes the reading record from the decoded frame buffer (bytes 10-12 hold the reference
    // mean); the test-file copy takes bytes 10-12 from `received`, the frame as the instrument
    // sent it. Returns the tick it stored.
    virtual uint32_t WriteReading(const FrameBuffer& frame, const FrameBuffer& received) = 0;
    virtual void AdvanceStation(uint8_t letter) = 0;
    // Compression, mapping and the scroll step of the live profile; then, in Converted
    // output mode, the converted reading line with the tick of the record.
    virtual void RecordedReadingShown(const Reading& reading, uint32_t tick) = 0;
    virtual void WriteNullingRecord(const std::array<float, 4>& offsets,
                                    const std::array<float, 4>& previous) = 0;
    virtual void Beep() = 0;
    // QC-coil check: references loaded at the first averaging frame, the window shown when
    // averaging completes, and every later frame evaluated.
    virtual void QcAveragingStarted() = 0;
    virtual void QcAveragingDone() = 0;
    virtual void QcEvaluate(const Reading& reading) = 0;
    // The handheld's own battery in percent (100 on mains power).
    virtual int HandheldBatteryPercent() = 0;
};

struct ReadingContext {
    const Settings& settings;
    const Clock& clock;
    int32_t linkMode;
    bool portrait;
    int32_t beepDivider;
};

class ReadingProcessor {
public:
    // Handles one frame and clears its first byte.
    void HandleFrame(FrameBuffer& frame, const ReadingContext& ctx, ReadingView& view,
                     ReadingSession& session);

    ReadingState State() const { return state_; }
    // The transitions others ask for: the link (re)starts and the watch recovers it
    // (normalising), "N&ull" (nulling), a QC-coil check starts (averaging) and closes (normal).
    void StartNormalising() { state_ = ReadingState::Normalising; }
    void StartNulling() { state_ = ReadingState::Nulling; }
    void StartQcAveraging() { state_ = ReadingState::QcAveraging; }
    void EndQcCheck() { state_ = ReadingState::Normal; }
    // The ones the frames bring about: the reference window filled or the nulling done
    // (normal), the QC-coil average taken (evaluation). Public so that a test can stand the
    // processor in any state without feeding it a whole window of frames.
    void NormalisationDone() { state_ = ReadingState::Normal; }
    void NullingDone() { state_ = ReadingState::Normal; }
    void QcAveragingDone() { state_ = ReadingState::QcEvaluation; }

    // A Monitor/Log session starts: beep counter, ring index and power check start over.
    void ResetForSession(uint32_t now);

    NormalisationState normalisation;
    NullingState nulling;
    Reading reading;
    int32_t beepCounter = 0;
    uint32_t powerCheckTick = 0;

private:
    void Accumulate(const ReadingContext& ctx, ReadingView& view, ReadingSession& session);
    void Normal(FrameBuffer& frame, const ReadingContext& ctx, ReadingView& view,
                ReadingSession& session);
    // "B:" and the four channel values of the last decoded reading.
    void ShowBatteryAndChannels(const ReadingContext& ctx, ReadingView& view);

    ReadingState state_ = ReadingState::Normalising;
};

// '4' for the four-channel letters T, E, M, P, j, k; 'D' for the differential ones.
bool IsFourChannelLetter(uint8_t letter);
// Triggered letters M, N, P, Q, K, k.
bool IsTriggeredLetter(uint8_t letter);

} // namespace tm47

#pragma once
// The connection watch and the end of a logging session.
//
// Timer 1 of the Monitor/Log screen drives the instrument link: on a polled link each tick
// asks for one reading once the last one came; on both kinds of link it notices that readings
// have stopped (300 ms without a good frame when streaming, 500 ms without a reply to a poll
// when polled), restarts the link, marks the break in the data file with "$CONN BREAK", and
// at the 4th consecutive break (streaming) or the 3rd (polled) gives the link up: "$CONN END  "
// (with its two blanks), everything closed, the operator told, the screen hidden. The reader
// threads set the break counter to 0 at every good frame, so breaks with good frames between
// them never end a session.
//
// The watch acts only while the session's watch mode is On: a wheel logging run or Manual
// chosen in the survey setup is never watched, and a recovery in progress is not watched again.
//
// Shutdown order is fixed: the GPS threads and port first (they may be writing GPS records into
// the data file), then the instrument port and reader threads, then the output port, then the
// data files. SessionShutdown holds the four steps as callbacks and they always run in that
// order.
//
// Threads: GUI thread only. The reader threads share only LinkState's atomics with it.

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

#include "config/settings.h"
#include "datafile/record_writers.h"
#include "instrument/link.h"
#include "instrument/reading_processor.h"
#include "platform/clock.h"
#include "survey/log_session.h"
#include "survey/session_view.h"
#include "survey/survey_position.h"

namespace tm47 {

inline constexpr uint32_t kStreamingTimeoutMs = 300;
inline constexpr uint32_t kPolledTimeoutMs = 500;
inline constexpr int32_t kStreamingBreaksToGiveUp = 4;
inline constexpr int32_t kPolledBreaksToGiveUp = 3;

inline constexpr const char* kNoConnectionCaption = "NO CONNECTION";
inline constexpr const char* kStreamingGiveUpText = "Tap OK or press <ENTER> to Exit Log Mode";
inline constexpr const char* kPolledGiveUpText = "NO CONNECTION Press <ENTER> to STOP";
inline constexpr const char* kPleaseWait = "Please Wait...";
inline constexpr const char* kConnectionTerminated = "Connection Terminated";
inline constexpr const char* kClosingResources = "Closing Resources - please wait";
inline constexpr const char* kClearedMessageLine = "                  "; // 18 blanks
inline constexpr const char* kConfirmExitCaption = "Confirm Exit";
inline constexpr const char* kConfirmExitText = "Exit Logging?";

// What the session does with the instrument link. InstrumentSessionLink (below) is the real
// one; tests fake it.
class SessionLink {
public:
    virtual ~SessionLink() = default;
    virtual LinkState& State() = 0;
    virtual void StartTimer1(int periodMs) = 0;
    virtual void KillTimer1() = 0;
    virtual void PollTick() = 0;
    virtual int RestartLink() = 0;       // 1 running again; 0: timer 1 set to retry in 100 ms
    virtual int RecoverPolledLink() = 0; // suspend, 'X', 1500 ms, resume
    virtual bool EnterWheelMode() = 0;   // false: the instrument did not take 'W'
    virtual bool LeaveWheelMode() = 0;   // false: five 'X' went unanswered
    virtual void Stop() = 0;             // port closed, readers ended
    // The blocking waits of the session (the original busy-waited on the tick counter).
    virtual void WaitMs(uint32_t ms) = 0;
};

class InstrumentSessionLink final : public SessionLink {
public:
    InstrumentSessionLink(InstrumentLink& link, LinkTimer& timer, const Clock& clock)
        : link_(link), timer_(timer), clock_(clock) {}
    LinkState& State() override { return link_.State(); }
    void StartTimer1(int periodMs) override { timer_.StartTimer1(periodMs); }
    void KillTimer1() override { timer_.KillTimer1(); }
    void PollTick() override { link_.PollTick(); }
    int RestartLink() override { return link_.RestartLink(); }
    int RecoverPolledLink() override { return link_.RecoverPolledLink(); }
    bool EnterWheelMode() override { return link_.EnterWheelMode(); }
    bool LeaveWheelMode() override { return link_.LeaveWheelMode(); }
    void Stop() override { link_.Stop(); }
    void WaitMs(uint32_t ms) override { tm47::WaitMs(clock_, ms); }

private:
    InstrumentLink& link_;
    LinkTimer& timer_;
    const Clock& clock_;
};

// The four shutdown steps, always run in this order. Empty steps are skipped, except that an
// empty stopInstrument stops the SessionLink and an empty closeDataFiles closes the DataFile.
struct SessionShutdown {
    // GPS watchdog (told to stop, at most 6 s), GPS port, GPS reader (at most 5 s). Run only
    // when GPS input is enabled.
    std::function<void()> stopGps;
    std::function<void()> stopInstrument;
    std::function<void()> closeOutputPort; // run only when output forwarding is enabled
    std::function<void()> closeDataFiles;  // run only when a data file is open (not Monitor)
};

// The parts of other subsystems the session touches without owning them. Empty ones are
// skipped.
struct SessionHooks {
    std::function<void()> saveSettings;
    // The calibration request: type internal (0) or external (1), counters zeroed, reading
    // state QC-coil averaging.
    std::function<void(int32_t kind)> requestCalibration;
    // The link was given up during a calibration: its window hidden, its timer 2 stopped,
    // the reference values saved when it started restored.
    std::function<void()> calibrationLinkLost;
    // Calibration counter 0 and command letter 'N'.
    std::function<void()> resetCalibration;
    // The GGA count of the GPS status.
    std::function<void()> resetGpsCount;
};

// Everything the session controller and the watch work on; owned by the running logger.
struct SessionContext {
    const Clock& clock;
    Settings& settings;
    LogSession& session;
    SurveyPosition& position;
    RecordContext& records;     // writers' targets; records.dataFile is the session's data file
    ReadingProcessor& readings; // the reading state too
    std::array<int32_t, 4>& previousPoint; // the live profile's previous-point flags
    SessionLink& link;
    SessionView& view;
    SessionHooks hooks;
    SessionShutdown shutdown;
    // Counts ended sessions. Code that ran a nested event loop (a dialog, a message box)
    // compares it before and after: a session ended meanwhile must not be written to.
    uint64_t sessionSerial = 0;
};

class ConnectionWatch {
public:
    explicit ConnectionWatch(SessionContext& ctx) : ctx_(ctx) {}

    // Timer 1 (its identifier is not examined).
    void Tick();

    // Exit: asks "Exit Logging?" when a data file is open. True when the session ended.
    bool EndSession();

    // The link is given up; `text` is the message under "NO CONNECTION".
    void GiveUp(const char* text);

private:
    void TickStreaming(LinkState& st);
    void TickPolled(LinkState& st);
    void RecoverStreaming(LinkState& st);
    void RecoverPolled(LinkState& st);
    void CloseLinkResources();
    void ResetSession();
    void StopGps();
    void StopInstrument();
    void CloseOutputPort();
    void CloseDataFiles();
    void WriteMarker(std::u16string_view text);
    void ShowMonitorRow();
    void ClearPreviousPoints();

    SessionContext& ctx_;
};

} // namespace tm47

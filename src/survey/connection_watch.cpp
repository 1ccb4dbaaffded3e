#include "survey/connection_watch.h"

#include <string>

#include "instrument/frame_decoder.h"
#include "instrument/reading.h"

namespace tm47 {

namespace {

bool CalibrationUnderWay(ReadingState readingState) {
    return readingState == ReadingState::QcAveraging || readingState == ReadingState::QcEvaluation;
}

struct DialogTitle {
    const char* title;
    DialogClose how;
};

// The session's dialogs that may be open when the link is given up (timer 1 ticks inside
// their event loops).
constexpr DialogTitle kSessionDialogs[] = {
    {"Create Data File", DialogClose::Close}, {"Confirm Exit", DialogClose::Destroy},
    {"Enter Scale", DialogClose::Close},      {"Display Options", DialogClose::Hide},
    {"New Line", DialogClose::Close},         {"New Station", DialogClose::Close},
    {"Enter Comment", DialogClose::Close},
};

} // namespace

void ConnectionWatch::WriteMarker(std::u16string_view text) {
    if (ctx_.session.state != SessionState::Monitor) {
        WriteNote(ctx_.records, text, 'X');
    }
}

void ConnectionWatch::ClearPreviousPoints() {
    ctx_.previousPoint.fill(0);
}

void ConnectionWatch::Tick() {
    if (ctx_.session.Watch() != WatchMode::On) {
        return;
    }
    LinkState& st = ctx_.link.State();
    if (st.linkMode.load() == kLinkPolled) {
        TickPolled(st);
    } else {
        TickStreaming(st);
    }
}

void ConnectionWatch::TickStreaming(LinkState& st) {
    if (!TickPassed(ctx_.clock.Tick(), st.lastFrameTick.load(), kStreamingTimeoutMs)) {
        return;
    }
    ctx_.session.StartRecovery();
    const int32_t breaks = st.breakCounter.fetch_add(1) + 1;
    if (breaks >= kStreamingBreaksToGiveUp) {
        GiveUp(kStreamingGiveUpText);
        return;
    }
    RecoverStreaming(st);
}

void ConnectionWatch::RecoverStreaming(LinkState& st) {
    ctx_.link.KillTimer1();
    WriteMarker(kMarkerConnBreak);
    ctx_.view.ShowMessageLine(kPleaseWait);
    // Close, reopen without messages, 'X'; on an answer the readers and timer 1 start again
    // for whatever the handshake said, otherwise timer 1 retries in 100 ms.
    ctx_.link.RestartLink();
    ClearPreviousPoints();
    ctx_.session.StartWatching();
    st.lastFrameTick.store(ctx_.clock.Tick());
    ctx_.view.ShowMessageLine("");
    ctx_.view.TakeFocus();
}

void ConnectionWatch::TickPolled(LinkState& st) {
    if (st.replyFlag.load() != 0) {
        ctx_.link.PollTick();
        return;
    }
    if (!TickPassed(ctx_.clock.Tick(), st.lastFrameTick.load(), kPolledTimeoutMs)) {
        return;
    }
    ctx_.session.StartRecovery();
    st.pacingEvent.store(false);
    const int32_t breaks = st.breakCounter.fetch_add(1) + 1;
    if (breaks >= kPolledBreaksToGiveUp) {
        GiveUp(kPolledGiveUpText);
        return;
    }
    RecoverPolled(st);
}

void ConnectionWatch::RecoverPolled(LinkState& st) {
    ctx_.link.KillTimer1();
    WriteMarker(kMarkerConnBreak);
    ctx_.view.ShowMessageLine(kPleaseWait);
    ctx_.link.RecoverPolledLink(); // the answer is not looked at: the next poll tells
    ClearPreviousPoints();
    ctx_.session.StartWatching();
    st.replyFlag.store(1);
    ctx_.link.StartTimer1(ctx_.session.state == SessionState::Logging
                              ? ctx_.settings.readingIntervalMs
                              : InstrumentLink::kStandByPollMs);
    ctx_.view.ShowMessageLine("");
    ctx_.view.TakeFocus();
}

void ConnectionWatch::GiveUp(const char* text) {
    const uint64_t serial = ctx_.sessionSerial;
    ctx_.link.KillTimer1();
    WriteMarker(kMarkerConnEnd);
    CloseLinkResources();
    ctx_.view.ShowMessageLine(kClearedMessageLine);
    ctx_.view.MessageBox(kNoConnectionCaption, text, MessageIcon::Exclamation, MessageButtons::Ok);
    if (ctx_.sessionSerial != serial) {
        return; // ended inside the message box's event loop
    }
    if (CalibrationUnderWay(ctx_.readings.State()) && ctx_.hooks.calibrationLinkLost) {
        ctx_.hooks.calibrationLinkLost();
    }
    for (const DialogTitle& d : kSessionDialogs) {
        ctx_.view.CloseDialog(d.title, d.how);
    }
    ResetSession();
}

void ConnectionWatch::StopGps() {
    if (ctx_.settings.gpsEnabled == 1 && ctx_.shutdown.stopGps) {
        ctx_.shutdown.stopGps();
    }
}

void ConnectionWatch::StopInstrument() {
    if (ctx_.shutdown.stopInstrument) {
        ctx_.shutdown.stopInstrument();
    } else {
        ctx_.link.Stop();
    }
}

void ConnectionWatch::CloseOutputPort() {
    if (ctx_.settings.outputEnabled == 1 && ctx_.shutdown.closeOutputPort) {
        ctx_.shutdown.closeOutputPort();
    }
}

void ConnectionWatch::CloseDataFiles() {
    if (ctx_.session.state == SessionState::Monitor) {
        return;
    }
    if (ctx_.shutdown.closeDataFiles) {
        ctx_.shutdown.closeDataFiles();
    } else {
        ctx_.records.dataFile.Close();
    }
}

void ConnectionWatch::CloseLinkResources() {
    ctx_.view.ShowProfileNotice({kConnectionTerminated, kClosingResources});
    StopGps();
    StopInstrument();
    CloseOutputPort();
    CloseDataFiles();
}

void ConnectionWatch::ShowMonitorRow() {
    ctx_.view.ShowRow(ButtonRow::Pause, ctx_.settings.pauseKey, false);
    ctx_.view.ShowRow(ButtonRow::StandBy, 0, false);
    ctx_.view.ShowRow(ButtonRow::Monitor, 0, true);
    ctx_.session.buttonCount = 5;
    ctx_.session.highlightIndex = 0;
    ctx_.view.SetHighlight(ButtonRow::Monitor, 0);
}

void ConnectionWatch::ResetSession() {
    LogSession& s = ctx_.session;
    LinkState& st = ctx_.link.State();
    if (s.state != SessionState::Monitor) {
        s.screenActive = false;
        s.state = SessionState::Monitor;
        st.frameCounter.store(0);
        st.frameDivisor.store(1);
        if (ctx_.hooks.resetGpsCount) {
            ctx_.hooks.resetGpsCount();
        }
        ShowMonitorRow();
        ctx_.view.Repaint();
    }
    ctx_.readings.normalisation.ringIndex = 0;
    ctx_.readings.StartNormalising();
    if (ctx_.hooks.resetCalibration) {
        ctx_.hooks.resetCalibration();
    }
    s.screenActive = false;
    ++ctx_.sessionSerial;
    ctx_.view.HideScreen();
}

bool ConnectionWatch::EndSession() {
    LogSession& s = ctx_.session;
    const SessionState was = s.state;
    if (was != SessionState::Monitor) {
        const uint64_t serial = ctx_.sessionSerial;
        const MessageAnswer answer = ctx_.view.MessageBox(
            kConfirmExitCaption, kConfirmExitText, MessageIcon::Question, MessageButtons::YesNo);
        if (ctx_.sessionSerial != serial) {
            return true; // the link was given up while the question was open
        }
        if (answer != MessageAnswer::Yes) {
            ctx_.view.Repaint();
            ctx_.view.RedrawProfile();
            ctx_.view.TakeFocus();
            return false;
        }
    }
    s.screenActive = false;
    ctx_.view.ShowProfileNotice({kClosingResources});
    StopGps();
    ctx_.link.KillTimer1();
    StopInstrument();
    CloseOutputPort();
    CloseDataFiles();
    s.state = SessionState::Monitor;
    ctx_.readings.StartNormalising();
    if (ctx_.hooks.resetCalibration) {
        ctx_.hooks.resetCalibration();
    }
    ctx_.readings.normalisation.ringIndex = 0;
    // The next session starts handing on every frame.
    LinkState& st = ctx_.link.State();
    st.frameCounter.store(0);
    st.frameDivisor.store(1);
    if (was != SessionState::Monitor) {
        if (ctx_.hooks.resetGpsCount) {
            ctx_.hooks.resetGpsCount();
        }
        ShowMonitorRow();
    }
    ++ctx_.sessionSerial;
    ctx_.view.HideScreen();
    return true;
}

} // namespace tm47

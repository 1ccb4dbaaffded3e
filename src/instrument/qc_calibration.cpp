#include "instrument/qc_calibration.h"

#include <algorithm>
#include <cmath>

#include "platform/c_numbers.h"

#include "platform/keys.h"

namespace tm47 {

namespace {

// |channel + reference|: the response is expected to be the negative of the reference.
double Deviation(float channel, float reference) {
    return std::fabs(static_cast<double>(channel) + static_cast<double>(reference));
}

} // namespace

bool LoadQcReferences(CalibrationState& cal, int32_t antenna) {
    const int32_t row = 2 * cal.kind + antenna;
    if (row < 0 || row >= kQcReferenceRows) {
        return false;
    }
    for (int i = 0; i < 5; ++i) {
        const float ref = kQcReferenceTable[row][i];
        cal.references[i] = ref;
        cal.tolerances[i] = static_cast<float>(0.1 * static_cast<double>(ref));
    }
    return true;
}

bool IsQcDifferentialLetter(uint8_t l) {
    return !(l == 'T' || l == 'E' || l == 'M' || l == 'P');
}

int EvaluateQcFrame(CalibrationState& cal, const std::array<float, 4>& channel, bool differential) {
    if (cal.responseDetected == 0) {
        if (Deviation(channel[0], cal.references[0]) < cal.tolerances[0]) {
            cal.responseDetected = 1;
            cal.framesSinceDetection = 0;
        }
        return kQcGoOn;
    }
    cal.framesSinceDetection += 1;
    if (cal.framesSinceDetection >= kQcFramesToSettle) {
        return kQcFail;
    }
    for (int i = 0; i < 4; ++i) {
        const int k = i == 3 && differential ? 4 : i;
        if (Deviation(channel[i], cal.references[k]) > cal.tolerances[k]) {
            return kQcGoOn;
        }
    }
    return kQcPass;
}

CalibrationScreen ComposeCalibrationScreen(const CalibrationState& cal) {
    CalibrationScreen s;
    s.title = cal.kind == kQcKindExternal ? "External QC Coil Calibration"
                                          : "Internal QC Coil Calibration";
    s.okEnabled = cal.okEnabled;
    s.focusedButton = cal.focusedButton;
    switch (cal.step) {
    case 0:
        s.lines = {"Please tap OK button and", "then press QC Coil button",
                   "and hold for 5 seconds"};
        break;
    case 1:
        s.lines = {"Waiting for Calibration values", "(you may cancel at any time)",
                   PrintfLike("%2d of 60", cal.secondsOrPass)};
        break;
    case 2:
        if (cal.resultReady == kQcEvaluated) {
            s.lines.push_back("Calibration values");
            for (int i = 0; i < 4; ++i) {
                s.lines.push_back(PrintfLike("Channel %d: %8.1f", i + 1,
                                             static_cast<double>(cal.resultValues[i])));
            }
            s.boldLine = static_cast<int>(s.lines.size());
            s.lines.push_back(cal.secondsOrPass == 1 ? "CALIBRATION OK" : "CALIBRATION FAILED");
            s.lines.push_back("tap any button or press <enter>");
        } else if (cal.resultReady == kQcTimedOut) {
            s.lines = {"CALIBRATION TIME OUT", "tap any button or press <enter>"};
        }
        break;
    default:
        break;
    }
    return s;
}

QcCheck::QcCheck(ReadingProcessor& readings, const Clock& clock, CalibrationHooks hooks)
    : readings_(readings), clock_(clock), hooks_(std::move(hooks)) {}

void QcCheck::Request(int32_t kind) {
    state.kind = kind == kQcKindExternal ? kQcKindExternal : kQcKindInternal;
    state.letter = state.kind == kQcKindExternal ? 'E' : 'I';
    state.step = 0;
    state.resultReady = kQcNoResult;
    state.secondsOrPass = 0;
    state.responseDetected = 0;
    state.framesSinceDetection = 0;
    state.offsetsSaved = false;
    readings_.nulling.count = 0;
    readings_.StartQcAveraging();
    if (hooks_.enableMonitorButtons) {
        hooks_.enableMonitorButtons(false);
    }
}

// Every check starts from scratch here, whatever the previous one left behind.
void QcCheck::AveragingStarted(int32_t antenna) {
    LoadQcReferences(state, antenna);
    state.step = 0;
    state.resultReady = kQcNoResult;
    state.secondsOrPass = 0;
    state.responseDetected = 0;
    state.framesSinceDetection = 0;
    state.offsetsSaved = true; // the reading processing has just copied them
}

void QcCheck::AveragingDone() {
    state.secondsOrPass = 0;
    state.step = 0;
    state.focusedButton = 0;
    state.okEnabled = true;
    state.shown = true;
    if (view_) {
        view_->ShowCalibration();
    }
    Redraw();
}

void QcCheck::Evaluate(const Reading& reading) {
    if (state.step != 1 || state.resultReady != kQcNoResult) {
        return;
    }
    const int result =
        EvaluateQcFrame(state, reading.channel, IsQcDifferentialLetter(reading.letter));
    if (result != kQcGoOn) {
        Finish(result, reading.channel);
    }
}

void QcCheck::Finish(int result, const std::array<float, 4>& values) {
    state.step = 2;
    state.resultReady = kQcEvaluated;
    state.secondsOrPass = result == kQcPass ? 1 : 0;
    state.resultValues = values;
    state.okEnabled = true;
    if (view_) {
        view_->StopTimer2();
    }
    state.lastQcLetter = state.letter;
    state.lastQcValues = values;
    if (hooks_.writeRecord) {
        hooks_.writeRecord(state.letter, values);
    }
    Redraw();
}

void QcCheck::Timer2Tick() {
    if (state.step == 1 && state.resultReady == kQcNoResult) {
        // Seconds from the tick, rounded, so a late or early timer neither skips nor repeats.
        const uint32_t elapsed = TickDiff(clock_.Tick(), state.timer2StartTick);
        const uint32_t seconds = (elapsed + 500u) / 1000u;
        state.secondsOrPass = static_cast<int32_t>(std::min<uint32_t>(seconds, kQcTimeOutSeconds));
        if (state.secondsOrPass >= kQcTimeOutSeconds) {
            state.resultReady = kQcTimedOut;
            state.step = 2;
            state.okEnabled = true;
        }
        Redraw();
    }
    if (state.resultReady != kQcNoResult && view_) {
        view_->StopTimer2();
    }
}

void QcCheck::Command(int buttonIndex) {
    if (!state.shown) {
        return;
    }
    if (buttonIndex == 0) {
        Ok();
    } else if (buttonIndex == 1) {
        Cancel();
    }
}

void QcCheck::Key(uint32_t code) {
    if (!state.shown) {
        return;
    }
    switch (code) {
    case kKeyTab:
        state.focusedButton = state.focusedButton == 0 ? 1 : 0;
        Redraw();
        break;
    case kKeyEnter:
        Command(state.focusedButton);
        break;
    case 'C':
    case 'c':
        Cancel();
        break;
    case 'O':
    case 'o':
        Ok();
        break;
    default:
        break;
    }
}

// OK counts only where the button is enabled: at the instructions and on the result screen.
// While waiting (button disabled) neither 'O' nor Enter on a Tab-focused OK moves the step.
void QcCheck::Ok() {
    if (!(state.step == 0 || state.resultReady != kQcNoResult)) {
        return;
    }
    state.step += 1;
    state.okEnabled = false;
    state.focusedButton = 1;
    if (state.step >= 3) {
        Close();
        return;
    }
    if (state.step == 1) {
        state.secondsOrPass = 0;
        state.timer2StartTick = clock_.Tick();
        if (view_) {
            view_->StartTimer2(kQcTimer2PeriodMs);
        }
    }
    Redraw();
}

void QcCheck::Cancel() {
    if (view_) {
        view_->StopTimer2();
    }
    Close();
}

void QcCheck::Close() {
    if (view_) {
        view_->StopTimer2();
        view_->HideCalibration();
    }
    state.shown = false;
    if (state.offsetsSaved) {
        readings_.normalisation.nullOffsets = readings_.nulling.qcSavedOffsets;
    }
    state.offsetsSaved = false;
    if (hooks_.enableMonitorButtons) {
        hooks_.enableMonitorButtons(true);
    }
    state.step = 0;
    readings_.EndQcCheck();
    if (hooks_.closed) {
        hooks_.closed();
    }
}

void QcCheck::LinkLost() {
    const ReadingState rs = readings_.State();
    if (rs != ReadingState::QcAveraging && rs != ReadingState::QcEvaluation && !state.shown) {
        return;
    }
    if (state.shown && view_) {
        view_->HideCalibration();
        view_->StopTimer2();
    }
    state.shown = false;
    if (state.offsetsSaved) {
        readings_.normalisation.nullOffsets = readings_.nulling.qcSavedOffsets;
    }
    state.offsetsSaved = false;
    state.step = 0;
}

void QcCheck::ResetForSession() {
    state.letter = 'N';
    state.lastQcLetter = 'N';
    state.step = 0;
    state.resultReady = kQcNoResult;
    state.responseDetected = 0;
    state.framesSinceDetection = 0;
}

void QcCheck::Redraw() {
    if (view_) {
        view_->Redraw();
    }
}

} // namespace tm47

#include "survey/log_session_controller.h"

#include <algorithm>

#include "datafile/record_writers.h"
#include "instrument/frame_decoder.h"
#include "instrument/qc_calibration.h"
#include "instrument/reading.h"
#include "platform/keys.h"

namespace tm47 {

namespace {

constexpr int kCommentMaxChars = 41; // what the comment field hands over
constexpr uint32_t kPauseSettleMs = 50;

std::u16string Widen(const char* text) {
    std::u16string out;
    for (const char* p = text; *p; ++p) {
        out.push_back(static_cast<unsigned char>(*p));
    }
    return out;
}

uint32_t Upper(uint32_t key) {
    return key >= 'a' && key <= 'z' ? key - ('a' - 'A') : key;
}

// The letter after '&' in a label, upper case; 0 when none.
uint32_t Mnemonic(const char* label) {
    for (const char* p = label; *p != 0 && p[1] != 0; ++p) {
        if (*p == '&') {
            return Upper(static_cast<unsigned char>(p[1]));
        }
    }
    return 0;
}

template <std::size_t N> int IndexOfMnemonic(const char* const (&labels)[N], uint32_t letter) {
    for (std::size_t i = 0; i < N; ++i) {
        if (Mnemonic(labels[i]) == letter) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool IsPauseKey(int32_t pauseKey, uint32_t key) {
    switch (pauseKey) {
    case 0:
        return key != 0;
    case 1:
        return key == kKeySpace;
    case 2:
        return key == kKeyEnter;
    case 3:
        return key == 80 || key == 112; // P, p
    default:
        return false;
    }
}

} // namespace

KeyMapping MapSessionKey(SessionState state, int32_t pauseKey, int32_t highlightIndex,
                         uint32_t key) {
    KeyMapping m;
    if (state == SessionState::Logging) {
        if (IsPauseKey(pauseKey, key)) {
            m.index = 0;
        }
        return m;
    }
    switch (key) {
    case kKeyEnter:
        m.index = highlightIndex;
        return m;
    case kKeyTab:
    case kKeyRight:
    case kKeyDown:
        m.highlightMove = 1;
        return m;
    case kKeyLeft:
    case kKeyUp:
        m.highlightMove = -1;
        return m;
    default:
        break;
    }
    // Letters are the underlined ones of the row's labels; Stand By also takes those of
    // "Scale" and "Nulling" from the popup menu.
    const uint32_t k = Upper(key);
    if (state == SessionState::Monitor) {
        m.index = IndexOfMnemonic(kMonitorRowLabels, k);
        return m;
    }
    m.index = IndexOfMnemonic(kStandByRowLabels, k);
    if (m.index < 0) {
        for (int id : {kPopupScale, kPopupNulling}) {
            if (Mnemonic(kPopupLabels[id - kPopupScale]) == k) {
                m.menuCommand = id;
            }
        }
    }
    return m;
}

SessionCommand CommandForIndex(SessionState state, int index) {
    switch (state) {
    case SessionState::Monitor:
        switch (index) {
        case 0:
            return SessionCommand::CreateDataFile;
        case 1:
            return SessionCommand::Nulling;
        case 2:
            return SessionCommand::InternalCalibration;
        case 3:
            return SessionCommand::ExternalCalibration;
        case 4:
            return SessionCommand::Exit;
        default:
            return SessionCommand::None;
        }
    case SessionState::StandBy:
        switch (index) {
        case 0:
            return SessionCommand::Go;
        case 1:
            return SessionCommand::NewLine;
        case 2:
            return SessionCommand::NewStation;
        case 3:
            return SessionCommand::Comment;
        case 4:
            return SessionCommand::Menu;
        case 5:
            return SessionCommand::Exit;
        default:
            return SessionCommand::None;
        }
    case SessionState::Logging:
        return index == 0 ? SessionCommand::Pause : SessionCommand::None;
    }
    return SessionCommand::None;
}

SessionCommand CommandForMenuId(int id) {
    switch (id) {
    case kPopupScale:
        return SessionCommand::Scale;
    case kPopupDisplayOptions:
        return SessionCommand::DisplayOptions;
    case kPopupNulling:
        return SessionCommand::Nulling;
    case kPopupInternalCalibration:
        return SessionCommand::InternalCalibration;
    case kPopupExternalCalibration:
        return SessionCommand::ExternalCalibration;
    case kPopupHideMenu:
        return SessionCommand::HideMenu;
    default:
        return SessionCommand::None;
    }
}

int32_t AutoBeepDivider(int32_t readingIntervalMs) {
    if (readingIntervalMs <= 0) {
        return 20;
    }
    // Floating point on purpose: 200 ms gives 2.5 + 0.5 = 3, where integer steps give 2.
    const double d = 1000.0 / readingIntervalMs / 2.0 + 0.5;
    if (d >= 20.0) {
        return 20;
    }
    return std::max<int32_t>(1, static_cast<int32_t>(d));
}

void LogSessionController::OpenSession() {
    SessionView& v = ctx_.view;
    for (int i = 0; i < kMonitorRowButtons; ++i) {
        v.SetButtonLabel(ButtonRow::Monitor, i, kMonitorRowLabels[i]);
    }
    for (int i = 0; i < kStandByRowButtons; ++i) {
        v.SetButtonLabel(ButtonRow::StandBy, i, kStandByRowLabels[i]);
    }
    for (int i = 0; i < 4; ++i) {
        v.SetButtonLabel(ButtonRow::Pause, i, kPauseLabels[i]);
        v.ShowRow(ButtonRow::Pause, i, false);
    }
    LogSession& s = ctx_.session;
    s.state = SessionState::Monitor;
    s.StartWatching();
    s.screenActive = true;
    v.ShowRow(ButtonRow::StandBy, 0, false);
    v.ShowRow(ButtonRow::Monitor, 0, true);
    s.buttonCount = kMonitorRowButtons;
    s.highlightIndex = 0;
    v.SetHighlight(ButtonRow::Monitor, 0);
    v.ShowStatus(StatusField::State, u"Monitor");
    v.TakeFocus();
}

ButtonRow LogSessionController::VisibleRow() const {
    switch (ctx_.session.state) {
    case SessionState::Monitor:
        return ButtonRow::Monitor;
    case SessionState::StandBy:
        return ButtonRow::StandBy;
    case SessionState::Logging:
        return ButtonRow::Pause;
    }
    return ButtonRow::Monitor;
}

void LogSessionController::MoveHighlight(int step) {
    LogSession& s = ctx_.session;
    const int count = std::max(1, s.buttonCount);
    s.highlightIndex = ((s.highlightIndex + step) % count + count) % count;
    ctx_.view.SetHighlight(VisibleRow(), s.highlightIndex);
}

void LogSessionController::Command(int id) {
    ctx_.view.TakeFocus(); // keys keep arriving at the screen after a tap
    if (CommandForMenuId(id) != SessionCommand::None) {
        Dispatch(-1, id);
        return;
    }
    int index = id - kFirstButtonId;
    // The four pause buttons carry ids 460..463; whichever is shown pauses.
    if (ctx_.session.state == SessionState::Logging && index >= 0 && index < kPauseRowButtons) {
        index = 0;
    }
    Dispatch(index, 0);
}

void LogSessionController::Key(uint32_t key) {
    ctx_.view.TakeFocus();
    LogSession& s = ctx_.session;
    if (!s.screenActive) {
        Dispatch(-1, 0);
        return;
    }
    const KeyMapping m = MapSessionKey(s.state, ctx_.settings.pauseKey, s.highlightIndex, key);
    if (m.highlightMove != 0) {
        MoveHighlight(m.highlightMove);
        return;
    }
    Dispatch(m.index, m.menuCommand);
}

void LogSessionController::Dispatch(int index, int menu) {
    const LogSession& s = ctx_.session;
    // A key stands for its Monitor button and acts only while that button is enabled (the
    // first four are disabled while the instrument normalises, all five during a calibration).
    if (s.state == SessionState::Monitor && index >= 0 && index < kMonitorRowButtons &&
        !ctx_.view.MonitorButtonEnabled(index)) {
        index = -1;
    }
    Execute(CommandForIndex(s.state, index));
    if (menu != 0) {
        Execute(CommandForMenuId(menu));
    }
}

void LogSessionController::Execute(SessionCommand command) {
    switch (command) {
    case SessionCommand::None:
        break;
    case SessionCommand::CreateDataFile:
        CreateDataFile();
        break;
    case SessionCommand::Go:
        Go();
        break;
    case SessionCommand::Pause:
        Pause();
        break;
    case SessionCommand::NewLine:
        NewLine();
        break;
    case SessionCommand::NewStation:
        NewStation();
        break;
    case SessionCommand::Comment:
        Comment();
        break;
    case SessionCommand::Menu:
        Menu();
        break;
    case SessionCommand::Exit:
        watch_.EndSession();
        break;
    case SessionCommand::Scale:
        Scale();
        break;
    case SessionCommand::DisplayOptions:
        DisplayOptions();
        break;
    case SessionCommand::Nulling:
        Nulling();
        break;
    case SessionCommand::InternalCalibration:
        Calibration(kQcKindInternal);
        break;
    case SessionCommand::ExternalCalibration:
        Calibration(kQcKindExternal);
        break;
    case SessionCommand::HideMenu:
        ctx_.view.Repaint();
        break;
    }
}

void LogSessionController::WriteMarker(std::u16string_view text) {
    WriteNote(ctx_.records, text, 'X');
}

void LogSessionController::ShowStandByRow() {
    LogSession& s = ctx_.session;
    ctx_.view.ShowRow(ButtonRow::Pause, ctx_.settings.pauseKey, false);
    ctx_.view.ShowRow(ButtonRow::StandBy, 0, true);
    s.buttonCount = kStandByRowButtons;
    s.highlightIndex = 0;
    ctx_.view.SetHighlight(ButtonRow::StandBy, 0);
}

void LogSessionController::ShowLoggingRow() {
    ctx_.view.SetHighlight(ButtonRow::StandBy, -1);
    ctx_.view.ShowRow(ButtonRow::StandBy, 0, false);
    ctx_.view.ShowRow(ButtonRow::Pause, ctx_.settings.pauseKey, true);
    ctx_.view.SetHighlight(ButtonRow::Pause, ctx_.settings.pauseKey);
}

void LogSessionController::CreateDataFile() {
    const uint64_t serial = ctx_.sessionSerial;
    ctx_.view.RunCreateDataFile();
    if (SessionEnded(serial)) {
        return;
    }
    LogSession& s = ctx_.session;
    const DataFile& file = ctx_.records.dataFile;
    if (file.IsOpen()) {
        SessionView& v = ctx_.view;
        v.ShowStatus(StatusField::File, u"File:" + file.name.substr(0, 8));
        v.ShowStatus(StatusField::State, u"Stand By");
        v.ShowStatus(StatusField::Line, ctx_.settings.surveyLine);
        v.ShowStatus(StatusField::Station, Widen(StationFieldText(ctx_.position.station).c_str()));
        v.ShowRow(ButtonRow::Monitor, 0, false);
        ShowStandByRow();
        s.state = SessionState::StandBy;
    }
    if (ctx_.settings.writeTestFile != s.testFileAnnounced) {
        s.testFileAnnounced = ctx_.settings.writeTestFile;
        ctx_.view.MessageBox(kTestFileCaption,
                             s.testFileAnnounced ? kTestFileEnabled : kTestFileDisabled,
                             MessageIcon::Information, MessageButtons::Ok);
    }
}

void LogSessionController::Go() {
    LogSession& s = ctx_.session;
    const Settings& settings = ctx_.settings;
    LinkState& st = ctx_.link.State();
    ctx_.view.ShowStatus(StatusField::State, u"Logging");
    ShowLoggingRow();
    if (settings.surveyMode != kModeManual) {
        s.FollowSurveyMode(settings.surveyMode);
    }
    switch (settings.surveyMode) {
    case kModeAuto:
        s.beepDivider = AutoBeepDivider(settings.readingIntervalMs);
        if (st.linkMode.load() == kLinkPolled) {
            ctx_.link.StartTimer1(std::max<int32_t>(1, settings.readingIntervalMs));
        } else {
            st.frameDivisor.store(std::max<int32_t>(1, settings.cyclesPerReading));
        }
        break;
    case kModeWheel:
        s.beepDivider = 5;
        if (!GoWheel()) {
            return;
        }
        break;
    default:
        s.beepDivider = 1;
        st.frameDivisor.store(1);
        break;
    }
    s.state = SessionState::Logging;
    ctx_.position.manualTriggerLatch = TriggerLatch::Idle;
    ctx_.view.ShowMessageLine("");
    WriteMarker(kMarkerStarted);
}

// False when the switch failed and the operator confirmed the exit: the session is over.
bool LogSessionController::GoWheel() {
    ctx_.session.StartWheelRun();
    ctx_.view.ShowMessageLine(kPleaseWait); // the switch takes a second even when it works
    if (ctx_.link.EnterWheelMode()) {
        return true;
    }
    ctx_.view.ShowMessageLine("");
    // Declined: logging goes on with no reader running until the next Pause switches back.
    return !watch_.EndSession();
}

void LogSessionController::Pause() {
    LogSession& s = ctx_.session;
    const Settings& settings = ctx_.settings;
    LinkState& st = ctx_.link.State();
    WriteMarker(kMarkerPaused);
    ctx_.records.dataFile.SyncAndReopen(); // everything so far on the medium
    ctx_.view.ShowStatus(StatusField::State, u"Stand By");
    ShowStandByRow();
    switch (settings.surveyMode) {
    case kModeAuto:
        if (st.linkMode.load() == kLinkPolled) {
            ctx_.link.StartTimer1(InstrumentLink::kStandByPollMs);
        } else {
            st.frameCounter.store(0);
            st.frameDivisor.store(1);
        }
        break;
    case kModeWheel:
        st.frameCounter.store(0);
        st.frameDivisor.store(1);
        s.StartWatching();
        if (!PauseWheel()) {
            return;
        }
        break;
    default:
        st.frameCounter.store(0);
        st.frameDivisor.store(1);
        break;
    }
    s.state = SessionState::StandBy;
    ctx_.link.WaitMs(kPauseSettleMs);
}

// True when the instrument is back in normal mode. False when it is not: either the session
// ended, or the operator declined the exit and the session stays in Logging.
bool LogSessionController::PauseWheel() {
    if (ctx_.link.LeaveWheelMode()) {
        return true;
    }
    if (watch_.EndSession()) {
        return false;
    }
    // Still logging as far as the screen goes; the next Pause tries the switch again.
    ctx_.session.StartWheelRun();
    ctx_.view.ShowStatus(StatusField::State, u"Logging");
    ShowLoggingRow();
    return false;
}

void LogSessionController::NewLine() {
    const uint64_t serial = ctx_.sessionSerial;
    const int confirmed = ctx_.view.RunNewLine();
    if (SessionEnded(serial)) {
        return;
    }
    if (confirmed == 1) {
        ctx_.view.ShowStatus(StatusField::Line, ctx_.settings.surveyLine);
        ctx_.view.ShowStatus(StatusField::Station,
                             Widen(StationFieldText(ctx_.position.station).c_str()));
        ctx_.position.advanceArmed = false;
        if (ctx_.hooks.saveSettings) {
            ctx_.hooks.saveSettings();
        }
        WriteLineHeader(ctx_.records, ctx_.readings.normalisation.nullOffsets,
                        ctx_.readings.nulling.previousOffsets);
        WriteTimeStamp(ctx_.records);
    }
    ctx_.view.RedrawProfile();
}

void LogSessionController::NewStation() {
    const uint64_t serial = ctx_.sessionSerial;
    ctx_.view.RunNewStation();
    if (!SessionEnded(serial)) {
        ctx_.view.RedrawProfile();
    }
}

void LogSessionController::Comment() {
    const uint64_t serial = ctx_.sessionSerial;
    std::optional<std::u16string> text = ctx_.view.RunComment();
    if (SessionEnded(serial)) {
        return;
    }
    if (text) {
        WriteNote(ctx_.records, std::u16string_view(*text).substr(0, kCommentMaxChars), 'C');
    }
    ctx_.view.RedrawProfile();
}

void LogSessionController::Menu() {
    const uint64_t serial = ctx_.sessionSerial;
    const int id = ctx_.view.TrackPopupMenu();
    if (SessionEnded(serial)) {
        return;
    }
    Execute(CommandForMenuId(id));
}

void LogSessionController::Scale() {
    const uint64_t serial = ctx_.sessionSerial;
    ctx_.view.RunScale();
    if (SessionEnded(serial)) {
        return;
    }
    if (ctx_.hooks.saveSettings) {
        ctx_.hooks.saveSettings();
    }
    ctx_.view.RedrawProfile();
}

void LogSessionController::DisplayOptions() {
    const uint64_t serial = ctx_.sessionSerial;
    ctx_.view.RunDisplayOptions();
    if (SessionEnded(serial)) {
        return;
    }
    if (ctx_.hooks.saveSettings) {
        ctx_.hooks.saveSettings();
    }
    ctx_.view.RedrawProfile();
}

void LogSessionController::Nulling() {
    if (ctx_.readings.State() != ReadingState::Normal || !ctx_.view.MonitorButtonEnabled(1)) {
        return;
    }
    if (ctx_.session.state == SessionState::StandBy) {
        const uint64_t serial = ctx_.sessionSerial;
        const MessageAnswer answer = ctx_.view.MessageBox(
            kNullingCaption, kNullingQuestion, MessageIcon::Exclamation, MessageButtons::YesNo);
        if (SessionEnded(serial) || answer == MessageAnswer::No) {
            return;
        }
        if (ctx_.readings.State() != ReadingState::Normal) {
            return; // the link restarted while the question was open
        }
    }
    ctx_.readings.StartNulling();
    ctx_.readings.nulling.count = 0;
    ctx_.previousPoint.fill(0);
    ctx_.view.RedrawProfile();
}

// Like Nulling, a calibration starts only from normalised readings: the reading state moves
// from normal to QC averaging and nothing else, so a request during normalisation or nulling is
// ignored.
void LogSessionController::Calibration(int32_t kind) {
    const int button = kind == kQcKindExternal ? 3 : 2;
    if (ctx_.readings.State() != ReadingState::Normal || !ctx_.view.MonitorButtonEnabled(button)) {
        return;
    }
    if (ctx_.hooks.requestCalibration) {
        ctx_.hooks.requestCalibration(kind);
    }
    ctx_.view.EnableMonitorButtons(false);
}

} // namespace tm47

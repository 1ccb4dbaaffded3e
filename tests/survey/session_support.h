#pragma once
// A logging session with everything around it faked except the data file: a real DataFile in
// a temporary folder takes the markers, so the tests read back what the operator's file holds.

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "datafile/data_file.h"
#include "datafile/record_writers.h"
#include "instrument/reading.h"
#include "platform/clock.h"
#include "survey/connection_watch.h"
#include "survey/log_session_controller.h"
#include "tests/datafile/temp_dir_support.h"

namespace tm47 {

class FakeSessionView final : public SessionView {
public:
    struct Box {
        std::string caption, text;
    };

    void SetButtonLabel(ButtonRow row, int index, const std::string& label) override {
        labels[{row, index}] = label;
    }
    void ShowRow(ButtonRow row, int pauseKey, bool visible) override {
        visibleRows[{row, row == ButtonRow::Pause ? pauseKey : 0}] = visible;
    }
    void SetHighlight(ButtonRow, int index) override { highlight = index; }
    void EnableMonitorButtons(bool enabled) override { monitorEnabled = enabled; }
    bool MonitorButtonEnabled(int) const override { return monitorEnabled; }
    void ShowStatus(StatusField, const std::u16string&) override {}
    void ShowMessageLine(const std::string& text) override { messageLines.push_back(text); }
    void ShowProfileNotice(const std::vector<std::string>& lines) override { notice = lines; }
    MessageAnswer MessageBox(const std::string& caption, const std::string& text, MessageIcon,
                             MessageButtons buttons) override {
        boxes.push_back({caption, text});
        if (duringBox) {
            auto f = std::move(duringBox);
            duringBox = nullptr;
            f();
        }
        if (buttons == MessageButtons::Ok) {
            return MessageAnswer::Ok;
        }
        const MessageAnswer a = answers.empty() ? MessageAnswer::Yes : answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return a;
    }
    void RunCreateDataFile() override {
        ++dialogsRun;
        if (createFile) {
            createFile();
        }
    }
    int RunNewLine() override { return RunDialog("New Line") ? 1 : 0; }
    void RunNewStation() override { RunDialog("New Station"); }
    std::optional<std::u16string> RunComment() override {
        return RunDialog("Enter Comment") ? std::optional(comment) : std::nullopt;
    }
    void RunScale() override { RunDialog("Enter Scale"); }
    void RunDisplayOptions() override { RunDialog("Display Options"); }
    int TrackPopupMenu() override { return menuChoice; }
    void CloseDialog(const std::string& title, DialogClose) override {
        closeRequests.insert(title);
        if (title == openDialog) {
            dialogClosed = true;
        }
    }
    void TakeFocus() override {}
    void Repaint() override { ++repaints; }
    void RedrawProfile() override {}
    void HideScreen() override { hidden = true; }

    bool RowVisible(ButtonRow row, int pauseKey = 0) const {
        auto it = visibleRows.find({row, pauseKey});
        return it != visibleRows.end() && it->second;
    }

    // Runs one dialog: `duringDialog` plays what happens while it is open (timer ticks); the
    // dialog then ends with OK unless it was closed meanwhile or `dialogOk` is false.
    bool RunDialog(const std::string& title) {
        ++dialogsRun;
        openDialog = title;
        dialogClosed = false;
        if (duringDialog) {
            duringDialog();
        }
        openDialog.clear();
        return dialogOk && !dialogClosed;
    }

    std::map<std::pair<ButtonRow, int>, std::string> labels;
    std::map<std::pair<ButtonRow, int>, bool> visibleRows;
    int highlight = -1;
    bool monitorEnabled = true;
    std::vector<std::string> messageLines, notice;
    std::vector<Box> boxes;
    std::deque<MessageAnswer> answers;
    std::function<void()> duringBox, createFile, duringDialog;
    bool dialogOk = true;
    std::u16string comment;
    int menuChoice = 0;
    std::string openDialog;
    bool dialogClosed = false, hidden = false;
    std::set<std::string> closeRequests;
    int dialogsRun = 0, repaints = 0;
};

// The instrument link as the session sees it; the instrument answers as the test says.
class FakeSessionLink final : public SessionLink {
public:
    explicit FakeSessionLink(ManualClock& clock) : clock_(clock) {}

    LinkState& State() override { return state; }
    void StartTimer1(int periodMs) override { timerPeriod = periodMs; }
    void KillTimer1() override { timerPeriod = 0; }
    void PollTick() override {
        ++polls;
        state.replyFlag = 0;
        state.lastFrameTick = clock_.Tick();
    }
    int RestartLink() override {
        ++restarts;
        clock_.Advance(150);
        if (!instrumentAnswers) {
            clock_.Advance(3000);
            StartTimer1(InstrumentLink::kRestartRetryMs);
            return 0;
        }
        StartTimer1(state.linkMode == 1 ? InstrumentLink::kStandByPollMs
                                        : InstrumentLink::kStreamingWatchMs);
        state.lastFrameTick = clock_.Tick();
        if (state.linkMode == 1) {
            state.replyFlag = 1;
        }
        return 1;
    }
    int RecoverPolledLink() override {
        ++polledRecoveries;
        clock_.Advance(instrumentAnswers ? 1500 : 4500);
        return instrumentAnswers ? 1 : 0;
    }
    bool EnterWheelMode() override {
        ++wheelSwitches;
        state.replyFlag = 0;
        KillTimer1();
        if (!instrumentTakesW) {
            return false;
        }
        clock_.Advance(1000);
        return true;
    }
    bool LeaveWheelMode() override {
        state.frameCounter = 0;
        state.frameDivisor = 1;
        for (int i = 0; i < 5; ++i) {
            ++xAttempts;
            if (instrumentTakesX) {
                StartTimer1(InstrumentLink::kStandByPollMs);
                state.replyFlag = 1;
                state.lastFrameTick = clock_.Tick();
                return true;
            }
        }
        return false;
    }
    void Stop() override { ++stops; }
    void WaitMs(uint32_t ms) override { clock_.Advance(ms + 1); }

    // A good frame from the instrument, as a reader thread records it.
    void GoodFrame() {
        state.breakCounter = 0;
        state.lastFrameTick = clock_.Tick();
        state.replyFlag = 1;
    }

    LinkState state;
    int timerPeriod = 0;
    bool instrumentAnswers = true, instrumentTakesW = true, instrumentTakesX = true;
    int polls = 0, restarts = 0, polledRecoveries = 0, wheelSwitches = 0, xAttempts = 0, stops = 0;

private:
    ManualClock& clock_;
};

// The note records ('X' markers, 'C' comments) of a data file, as letter + 11 characters.
inline std::vector<std::string> NoteRecords(const std::filesystem::path& path) {
    const std::string bytes = ReadAll(path);
    std::vector<std::string> out;
    for (std::size_t at = 0; at + kRecordLength <= bytes.size(); at += kRecordLength) {
        if (bytes[at] == 'X' || bytes[at] == 'C') {
            out.push_back(bytes.substr(at, 12));
        }
    }
    return out;
}

struct SessionFixture : ::testing::Test {
    ManualClock clock{1000};
    Settings settings;
    LogSession session;
    SurveyPosition position;
    TempDir dir;
    DataFile file;
    RecordContext records{settings, file, clock};
    ReadingProcessor readings;
    int32_t readingState = kReadingNormal;
    std::array<int32_t, 4> previousPoint{1, 1, 1, 1};
    FakeSessionLink link{clock};
    FakeSessionView view;
    std::vector<std::string> shutdownSteps;
    SessionContext ctx{clock,        settings,      session, position, records, readings,
                       readingState, previousPoint, link,    view,     {},      {}};
    ConnectionWatch watch{ctx};
    LogSessionController controller{ctx, watch};

    std::filesystem::path DataPath() const { return dir.Path() / "05141200.R47"; }

    void SetUp() override {
        ctx.shutdown.stopGps = [this] { shutdownSteps.push_back("gps"); };
        ctx.shutdown.stopInstrument = [this] {
            shutdownSteps.push_back("instrument");
            link.Stop();
        };
        ctx.shutdown.closeOutputPort = [this] { shutdownSteps.push_back("output"); };
        ctx.shutdown.closeDataFiles = [this] {
            shutdownSteps.push_back("files");
            file.Close();
        };
        view.createFile = [this] { file.Create(DataPath(), settings.writeTestFile == 1); };
    }

    // The session as the Monitor/Log start leaves it: readings normalised, watch armed.
    void Open(int32_t linkMode) {
        link.state.linkMode = linkMode;
        link.StartTimer1(linkMode == 1 ? 70 : 500);
        link.state.lastFrameTick = clock.Tick();
        link.state.replyFlag = 1;
        controller.OpenSession();
    }

    void OpenStandBy(int32_t linkMode) {
        Open(linkMode);
        controller.Key('C');
        ASSERT_EQ(session.state, SessionState::StandBy);
    }

    std::vector<std::string> Notes() const { return NoteRecords(DataPath()); }
};

} // namespace tm47

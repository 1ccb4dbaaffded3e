#pragma once
// The Monitor/Log screen as the session sees it: it records what it is told and answers the
// boxes and dialogs as the test says.

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "survey/session_view.h"

namespace tm47 {

class FakeSessionView final : public SessionView {
public:
    void SetButtonLabel(ButtonRow row, int index, const std::string& label) override {
        labels[{row, index}] = label;
    }
    void ShowRow(ButtonRow, int, bool) override {}
    void SetHighlight(ButtonRow, int index) override { highlight = index; }
    void EnableMonitorButtons(bool enabled) override { monitorEnabled = enabled; }
    bool MonitorButtonEnabled(int) const override { return monitorEnabled; }
    void ShowStatus(StatusField, const std::u16string&) override {}
    void ShowMessageLine(const std::string& text) override { messageLines.push_back(text); }
    void ShowProfileNotice(const std::vector<std::string>& lines) override { notice = lines; }
    // Records the box's caption and text; `duringBox` plays what happens while it is open.
    MessageAnswer MessageBox(const std::string& caption, const std::string& text, MessageIcon,
                             MessageButtons buttons) override {
        boxes.push_back(caption + ": " + text);
        if (auto f = std::exchange(duringBox, nullptr)) {
            f();
        }
        if (buttons == MessageButtons::Ok || answers.empty()) {
            return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
        }
        const MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    void RunCreateDataFile() override {
        ++dialogsRun;
        if (createFile) {
            createFile();
        }
    }
    // The other dialogs end with OK at once.
    int RunNewLine() override { return ++dialogsRun, 1; }
    void RunNewStation() override { ++dialogsRun; }
    std::optional<std::u16string> RunComment() override { return ++dialogsRun, u"comment"; }
    void RunScale() override { ++dialogsRun; }
    void RunDisplayOptions() override { ++dialogsRun; }
    int TrackPopupMenu() override { return 0; }
    void CloseDialog(const std::string& title, DialogClose) override {
        closeRequests.insert(title);
    }
    void TakeFocus() override {}
    void Repaint() override {}
    void RedrawProfile() override {}
    void HideScreen() override { hidden = true; }

    std::map<std::pair<ButtonRow, int>, std::string> labels;
    int highlight = -1, dialogsRun = 0;
    bool monitorEnabled = true, hidden = false;
    std::vector<std::string> messageLines, notice, boxes; // boxes: "caption: text"
    std::deque<MessageAnswer> answers;
    std::function<void()> duringBox, createFile;
    std::set<std::string> closeRequests;
};

} // namespace tm47

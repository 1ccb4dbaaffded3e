#pragma once
// The modal half of the Monitor/Log screen's SessionView: the operator's message boxes, the
// session's dialogs (data file creation, New Line, New Station, Comment, scale, display
// options), popup menu 1100, and closing the dialogs that a lost link ends. The screen inherits
// it, so the session sees one view; none of it draws the screen.
//
// GUI thread only.

#include <QDialog>
#include <QMenu>
#include <QWidget>

#include <array>
#include <functional>
#include <string>

#include "config/settings.h"
#include "instrument/reading_processor.h"
#include "platform/device_root.h"
#include "platform/message_sink.h"
#include "platform/screen_geometry.h"
#include "survey/log_session.h"
#include "survey/session_view.h"
#include "survey/survey_dialog_context.h"
#include "survey/survey_position.h"

namespace tm47 {

class SurveySession;
struct SaveFileRequest;

// What the Monitor/Log screen shows and its dialogs change; all owned by the running logger.
struct LoggingContext {
    Settings& settings;
    LogSession& session;
    const ScreenGeometry& screen;
    ReadingProcessor& readings;
    SurveyPosition& position;
    std::array<int32_t, 4>& previousPoint; // the live profile's has-previous-point flags
    // The operator's message boxes and the settings' folder (none: boxes answer at once, OK
    // or No, and nothing is saved).
    MessageSink* messages = nullptr;
    const DeviceRoot* root = nullptr;
};

class SessionDialogs : public SessionView {
public:
    // How the session's modal dialogs run; by default QDialog::exec(). Tests answer them.
    void SetDialogRunner(std::function<int(QDialog&)> runner) { runDialog_ = std::move(runner); }
    // The save dialog of "Create Data File" (default: Qt's own).
    using SaveChooser = std::function<std::string(const SaveFileRequest&, QWidget* parent)>;
    void SetSaveFileChooser(SaveChooser chooser) { chooseSaveFile_ = std::move(chooser); }
    // How popup menu 1100 runs: the chosen item's id, 0 when dismissed.
    void SetMenuRunner(std::function<int(QMenu&)> runner) { runMenu_ = std::move(runner); }

    MessageAnswer MessageBox(const std::string& caption, const std::string& text, MessageIcon icon,
                             MessageButtons buttons) override;
    void RunCreateDataFile() override;
    int RunNewLine() override;
    void RunNewStation() override;
    std::optional<std::u16string> RunComment() override;
    void RunScale() override;
    void RunDisplayOptions() override;
    int TrackPopupMenu() override;
    void CloseDialog(const std::string& title, DialogClose how) override;

protected:
    // `owner` is the screen: the dialogs' parent and the popup menu's anchor.
    SessionDialogs(LoggingContext context, QWidget& owner);

    LoggingContext ctx_;
    SurveySession* survey_ = nullptr; // the attached session; none before Attach

private:
    SurveyDialogContext DialogContext();

    QWidget& owner_;
    std::function<int(QDialog&)> runDialog_ = [](QDialog& dialog) { return dialog.exec(); };
    SaveChooser chooseSaveFile_;
    std::function<int(QMenu&)> runMenu_;
};

} // namespace tm47

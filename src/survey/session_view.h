#pragma once
// What the logging session's rules need from the Monitor/Log screen: the button rows and their
// highlight, the status fields and the message line, message boxes, the session's dialogs and
// the popup menu, and the screen itself. The widget implements it; tests fake it.
//
// Everything here is called on the GUI thread. Calls that open a dialog, a message box or the
// popup menu run a nested event loop, so timer 1 may tick inside them: the connection watch
// may give the link up meanwhile and close the session's dialogs by title (CloseDialog).

#include <optional>
#include <string>
#include <vector>

#include "platform/message_sink.h"

namespace tm47 {

// The bottom rows: the Monitor row (5 buttons), the Stand By row (6 buttons) and the pause
// buttons (4, one per `pauseKey`, only the current one ever shown). Control id = 460 + index.
enum class ButtonRow { Monitor, StandBy, Pause };

enum class StatusField {
    State,   // "Monitor", "Stand By", "Logging"
    File,    // "File:%s", the data file's name (at most 8 characters)
    Line,    // the line name
    Station, // the station, "%-11.2f"
};

// MessageIcon, MessageButtons and MessageAnswer are the message boxes' own (app/message_sink.h).

// How a dialog of the session is taken down when the link is given up.
enum class DialogClose { Close, Destroy, Hide };

class SessionView {
public:
    virtual ~SessionView() = default;

    // Button rows. For ButtonRow::Pause `index` is the `pauseKey` whose button is meant.
    virtual void SetButtonLabel(ButtonRow row, int index, const std::string& label) = 0;
    virtual void ShowRow(ButtonRow row, int pauseKey, bool visible) = 0;
    // Default-push-button style on `index` of `row`, plain style on every other button of
    // every row; index -1 removes the highlight.
    virtual void SetHighlight(ButtonRow row, int index) = 0;
    // The five Monitor buttons (the reading processing enables the first four once the
    // readings are normalised; a calibration disables all five).
    virtual void EnableMonitorButtons(bool enabled) = 0;
    virtual bool MonitorButtonEnabled(int index) const = 0;

    // Status display.
    virtual void ShowStatus(StatusField field, const std::u16string& text) = 0;
    virtual void ShowMessageLine(const std::string& text) = 0;
    // Centred in the live profile window; with two lines the first stands 14 pixels above
    // the middle and the second just below it.
    virtual void ShowProfileNotice(const std::vector<std::string>& lines) = 0;

    virtual MessageAnswer MessageBox(const std::string& caption, const std::string& text,
                                     MessageIcon icon, MessageButtons buttons) = 0;

    // The session's dialogs. Each returns once the dialog is closed.
    virtual void RunCreateDataFile() = 0; // "Create Data File"; opens DataFile on success
    virtual int RunNewLine() = 0;         // `GetNewLine`, "New Line": 1 on OK, else 0
    virtual void RunNewStation() = 0;     // `GetNewStation`, "New Station" (writes its records)
    // `GetComment`: "Enter Comment", "Maximum 11 characters", one edit field initially empty.
    // The text on OK, nothing on Cancel.
    virtual std::optional<std::u16string> RunComment() = 0;
    virtual void RunScale() = 0;          // `GetNewProfileScale`, "Enter Scale"
    virtual void RunDisplayOptions() = 0; // `GetOptions`, "Display Options"
    // Popup menu 1100 tracked right-aligned at (220, 10): returns the chosen item
    // (1101..1106) or 0 when the menu was dismissed.
    virtual int TrackPopupMenu() = 0;
    // Takes down the session dialog with this window title, if it is open.
    virtual void CloseDialog(const std::string& title, DialogClose how) = 0;

    // The screen.
    virtual void TakeFocus() = 0;     // keys keep arriving at the screen after a tap
    virtual void Repaint() = 0;       // the whole screen
    virtual void RedrawProfile() = 0; // the live profile window
    virtual void HideScreen() = 0;    // the main window is in front again
};

} // namespace tm47

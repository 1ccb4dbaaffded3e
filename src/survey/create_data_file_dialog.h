#pragma once
// Creating the data file of a session (the Monitor state's "&Cr.File").
//
// The operator is offered an automatic name (month, day, hour and the first free letter A to
// Z) in a save dialog titled "Create Data File" that opens in the data folder, shows only
// "TM47KVB Files (*.R47)" and adds the extension R47 to a name typed without one. Typing
// "$$$" into the name turns the test file (.R4D) on, "!!!" turns it off; the settings are
// saved after every accepted dialog, switch or not. A name that already exists is refused
// with a warning and the dialog comes back with a fresh automatic name. The data file and
// the test file are created new, never opened over an existing file, and get the file
// header, line header and time-stamp records.
//
// A data file that cannot be created (no folder, medium missing or read-only) is told to the
// operator, caption "Create Data File", text "Cannot create data file" and the system's reason
// on a second line; no records are written and the session stays in Monitor.
//
// The save dialog is Qt's own (not the desktop's), so it behaves the same everywhere and can
// be driven under test; a test may also hand in its own chooser. GUI thread only.

#include <QString>

#include <array>
#include <functional>
#include <string>

#include "datafile/record_writers.h"
#include "survey/log_session.h"
#include "survey/survey_dialog_context.h"

class QWidget;

namespace tm47 {

// What the save dialog is asked to show.
struct SaveFileRequest {
    QString title;         // "Create Data File"
    QString presetName;    // the proposal: "120514A", or a full path when all 26 are taken
    QString folder;        // the data folder (host path)
    QString filter;        // "TM47KVB Files (*.R47)"
    QString defaultSuffix; // "R47"
};

// Returns the chosen full path (UTF-8), or an empty string when the operator cancelled.
using SaveFileChooser = std::function<std::string(const SaveFileRequest&, QWidget* parent)>;

// The real dialog: QFileDialog with DontUseNativeDialog, in save mode, without the overwrite
// question (an existing name is refused by the caller with its own warning).
std::string ChooseSaveFileWithQt(const SaveFileRequest& request, QWidget* parent);

// The whole creation. Returns true when the data file was created; `session.state` is then
// Stand By. Cancel returns false and leaves the state as it was (a switch accepted earlier in
// the same call stays applied and saved). The caller shows the new state and then calls
// AnnounceTestFile.
bool RunCreateDataFile(SurveyDialogContext& ctx, LogSession& session, const HeaderOffsets& header,
                       const std::array<float, 4>& previousOffsets, QWidget* parent,
                       const SaveFileChooser& chooser = ChooseSaveFileWithQt);

inline constexpr const char* kTestFileEnabledText = "R4D file enabled";
inline constexpr const char* kTestFileDisabledText = "R4D file disabled";

// After every data file creation, created or not: when `writeTestFile` differs from what was
// last announced, the operator is told "R4D file enabled" / "R4D file disabled" (caption
// "Test File", information icon, OK) and the new value is remembered. True when shown.
bool AnnounceTestFile(LogSession& session, const Settings& settings, MessageSink& messages);

} // namespace tm47

#pragma once
// The Monitor/Log screen (`LoggingWnd`): a full-screen child of the main window, created
// hidden and shown for each logging session. From top to bottom: two (landscape) or three
// (portrait) rows of status fields, the live profile (`CurveWnd`), one or two rows of channel
// values and messages, the GPS row and the bottom button row. It owns timer 1 of the
// instrument link, takes the frames the reader threads hand over and runs them through the
// reading processing, and carries the calibration window (`CalibrateWnd`) of the QC check.
//
// Every status field has a rectangle, computed by ComputeLoggingLayout from the screen and
// the widths of a few texts in the two fonts. The rectangles are computed again at each
// paint and shared with the painters: a new value sets the field's text and repaints only
// its rectangle. Labels are drawn in the normal font, values in bold, on light grey.
//
// GUI thread only; frames arrive through the link's synchronous hand-over.

#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

#include "config/settings.h"
#include "datafile/data_file.h"
#include "datafile/record_writers.h"
#include "instrument/link.h"
#include "instrument/qc_calibration.h"
#include "instrument/reading.h"
#include "instrument/reading_processor.h"
#include "platform/clock.h"
#include "platform/device_root.h"
#include "platform/message_sink.h"
#include "platform/screen_geometry.h"
#include "survey/handheld_battery.h"
#include "survey/live_reading_session.h"
#include "survey/log_session.h"
#include "survey/session_view.h"
#include "survey/survey_dialog_context.h"
#include "survey/survey_position.h"

namespace tm47 {

class CalibrateWnd;
class GpsStatusWnd;
class ConnectionWatch;
class InstrumentSessionLink;
class LogSessionController;
struct SaveFileRequest;
struct SessionContext;
class CurveWnd;
class OutputForwarder;

// What the screen works on; all owned by the running logger.
struct LoggingContext {
    const Clock& clock;
    Settings& settings;
    LogSession& session;
    const ScreenGeometry& screen;
    int32_t& readingState;
    ReadingProcessor& readings;
    InstrumentLink& link;
    // Stops the GPS input, the instrument link and the output port, in that order.
    std::function<void()> closeSessionPorts;
    // The survey position and the live profile's has-previous-point flags; the window keeps
    // its own when the logger gives none.
    SurveyPosition* position = nullptr;
    std::array<int32_t, 4>* previousPoint = nullptr;
    // Output mode of the session (10 raw, 11 converted); none when null.
    const int32_t* outputMode = nullptr;
    // The operator's message boxes and the settings' folder (none: boxes answer at once, OK
    // or No, and nothing is saved).
    MessageSink* messages = nullptr;
    const DeviceRoot* root = nullptr;
    // The session's shutdown steps besides the instrument link, which always run in the
    // order GPS, instrument, output port, data files. Empty ones are skipped.
    std::function<void()> stopGps;
    std::function<void()> closeOutputPort;
    // The GGA count of the GPS status row back to 0.
    std::function<void()> resetGpsCount;
};

inline constexpr int kLoggingFirstButtonId = 460;
inline constexpr int kMonitorButtonCount = 5;
inline constexpr int kStandByButtonCount = 6;
inline constexpr int kPauseButtonCount = 4;

// The status fields of the screen.
enum class LogField {
    FileName,          // "File:%s", name cut to 8
    StateWord,         // "Monitor", "Stand By", "Logging"
    DeviceBattery,     // "%3d%c"
    TriggerMode,       // "Auto", "Wheel", "Manual"
    InstrumentMode,    // "Mode:%c"
    LineLabel,         // "Ln:"
    Line,              // surveyLine
    StationLabel,      // "Stn:"
    Marker,            // "M" or blank
    Station,           // "%-11.2f"
    InstrumentBattery, // "B:" then "B:%5.2fV"
    Message,           // message line
    Message2,          // second message line (portrait)
    Ch1,
    Ch2,
    Ch3,
    Ch4,
    GpsDisabled,   // "GPS  Input  disabled"
    GpsPosLabel,   // "Pos"
    GpsActivity,   // one character
    GpsCountLabel, // "#"
    GpsCount,      // "%-5d"
    GpsFix,        // "NO FIX", "CODE", ...
    GpsPdopLabel,  // "PDOP:"
    GpsPdop,       // "%4.1f" or "N/A"
    GpsSatLabel,   // "Sat:"
    GpsSat,        // "%2d"
    Count
};
inline constexpr int kLogFieldCount = static_cast<int>(LogField::Count);

// Widths of the texts that size the fields: labels measured in the normal font, values
// (state word, battery, marker, channels, GPS values) in the bold one they are drawn in.
struct LayoutTextWidths {
    int stateWord = 0;     // widest of "Stand By", "Logging", "Monitor"
    int batteryValue = 0;  // "B:99.99V"
    int lineLabel = 0;     // "Ln:"
    int stationLabel = 0;  // "Stn:"
    int marker = 0;        // "M"
    int channel = 0;       // "Ch3:-99999.9"
    int gpsPosLabel = 0;   // "Pos"
    int gpsActivity = 0;   // one character ("W")
    int gpsCountLabel = 0; // "#"
    int gpsCount = 0;      // "99999"
    int gpsFix = 0;        // widest of "CODE", "DGPS", "RTK", "AGPS", "NO FIX"
    int gpsPdopLabel = 0;  // "PDOP:"
    int gpsPdop = 0;       // "99.9"
    int gpsSatLabel = 0;   // "Sat:"
    int gpsSat = 0;        // "99"
};

struct LoggingLayout {
    std::array<int, 6> rowY{}; // R1..R6 (R3 and R6 only in portrait; 0 otherwise)
    QRect profile;             // the plot: left 4, width 312 or 232
    QRect buttonRow;           // y = height - 22, 20 high
    std::array<QRect, kLogFieldCount> fields;
    const QRect& Field(LogField f) const { return fields[static_cast<std::size_t>(f)]; }
};

LoggingLayout ComputeLoggingLayout(const ScreenGeometry& screen, const LayoutTextWidths& widths);

class LoggingWnd final : public QWidget, public LinkTimer, public ReadingView, public SessionView {
    Q_OBJECT
public:
    LoggingWnd(LoggingContext context, QWidget* parent);
    ~LoggingWnd() override;

    // Timer 1 of the link (connection watch and polling).
    void StartTimer1(int periodMs) override;
    void KillTimer1() override;
    bool Timer1Active() const { return timer1_.isActive(); }
    int Timer1PeriodMs() const { return timer1_.interval(); }

    // Opens a session: the screen in the Monitor state, Monitor row with its first four
    // buttons disabled and "E&xit" enabled, the Stand By row hidden; takes the keyboard.
    void ShowMonitorState();

    // One frame from a reader, on the GUI thread inside the hand-over: the reading
    // processing with this window as its view and the live session behind it.
    void OnFrame(FrameBuffer& frame);

    // Handles a button tap (id 460.., popup items 1101..1106) or a key code: the session
    // controller's entry points.
    void HandleCommand(uint32_t wParam, bool isKey);

    // Exit: asks "Exit Logging?" when a data file is open; true when the session ended.
    bool EndSession();

    // How the session's modal dialogs run; by default QDialog::exec(). Tests answer them.
    void SetDialogRunner(std::function<int(QDialog&)> runner) { runDialog_ = std::move(runner); }
    // The save dialog of "Create Data File" (default: Qt's own).
    using SaveChooser = std::function<std::string(const SaveFileRequest&, QWidget* parent)>;
    void SetSaveFileChooser(SaveChooser chooser) { chooseSaveFile_ = std::move(chooser); }
    // How popup menu 1100 runs: the chosen item's id, 0 when dismissed.
    void SetMenuRunner(std::function<int(QMenu&)> runner) { runMenu_ = std::move(runner); }

    LogSessionController& Controller() { return *controller_; }
    ConnectionWatch& Watch() { return *watch_; }
    SessionContext& Session() { return *sessionCtx_; }
    // The notice centred in the live profile ("Connection Terminated", ...), empty when none.
    QString ProfileNotice() const { return notice_->isVisible() ? notice_->text() : QString(); }

    // ReadingView: the status fields the reading processing paints.
    void ShowMessageLine(const std::string& text) override;
    void EnableMonitorButtons() override;

    // SessionView.
    void SetButtonLabel(ButtonRow row, int index, const std::string& label) override;
    void ShowRow(ButtonRow row, int pauseKey, bool visible) override;
    void SetHighlight(ButtonRow row, int index) override;
    void EnableMonitorButtons(bool enabled) override;
    bool MonitorButtonEnabled(int index) const override;
    void ShowStatus(StatusField field, const std::u16string& text) override;
    void ShowProfileNotice(const std::vector<std::string>& lines) override;
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
    void TakeFocus() override;
    void Repaint() override;
    void HideScreen() override;
    void ShowMode(const std::string& text) override;
    void ShowMarker(const std::string& text) override;
    void ShowInstrumentBattery(const std::string& text) override;
    void ShowChannels(const std::array<std::string, 4>& texts) override;
    void ShowHandheldBattery(const std::string& text) override;

    // Sets a field's text and repaints its rectangle (for the session's painters).
    void SetFieldText(LogField field, const QString& text);
    const QString& FieldText(LogField field) const {
        return texts_[static_cast<std::size_t>(field)];
    }
    // The rectangles of the last paint (or of creation).
    const LoggingLayout& Layout() const { return layout_; }
    LayoutTextWidths MeasureTexts() const;

    const QString& MessageLine() const { return FieldText(LogField::Message); }
    QPushButton* MonitorButton(int index) const { return monitorButtons_.at(index); }
    QPushButton* StandByButton(int index) const { return standByButtons_.at(index); }
    QPushButton* PauseButton(int index) const { return pauseButtons_.at(index); }
    CurveWnd* Curve() const { return curve_; }
    CalibrateWnd* Calibrate() const { return calibrate_; }
    GpsStatusWnd* GpsRow() const { return gpsRow_; }
    QcCheck& Qc() { return qc_; }
    DataFile& Data() { return dataFile_; }
    RecordContext& Records() { return records_; }
    SurveyPosition& Position() { return *position_; }
    LiveReadingSession& LiveSession() { return *live_; }
    void SetOutputForwarder(OutputForwarder* output) { records_.output = output; }
    // The handheld's battery for the status field (default: the host's power supply).
    void SetBatteryReader(std::function<int()> reader) { battery_.SetReader(std::move(reader)); }
    // The beep (default: QApplication::beep()); tests count it.
    void SetBeeper(std::function<void()> beeper) { beeper_ = std::move(beeper); }

    // Repaint of the live profile followed by its history from the open data file.
    void RedrawProfile() override;

    const QFont& NormalFont() const { return normalFont_; }
    const QFont& BoldFont() const { return boldFont_; }

signals:
    // The screen was hidden at the end of a session; the menu is in front again.
    void sessionEnded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void CreateButtons();
    void CreateSession();
    SurveyDialogContext DialogContext();
    void SaveSettingsNow();
    void CloseDataFiles();
    void UpdateStaticTexts();
    void SetMessageShown(bool shown);

    LoggingContext ctx_;
    QFont normalFont_;
    QFont boldFont_;
    QTimer timer1_;
    std::array<QPushButton*, kMonitorButtonCount> monitorButtons_{};
    std::array<QPushButton*, kStandByButtonCount> standByButtons_{};
    std::array<QPushButton*, kPauseButtonCount> pauseButtons_{};
    std::array<QString, kLogFieldCount> texts_;
    LoggingLayout layout_;
    bool messageShown_ = false; // the message line, not the channel values, holds R4 (and R5)

    SurveyPosition ownPosition_;
    std::array<int32_t, 4> ownPreviousPoint_{};
    SurveyPosition* position_;
    std::array<int32_t, 4>* previousPoint_;
    DataFile dataFile_;
    RecordContext records_;
    QcCheck qc_;
    std::unique_ptr<LiveReadingSession> live_;
    CurveWnd* curve_ = nullptr;
    CalibrateWnd* calibrate_ = nullptr;
    HandheldBattery battery_; // read at start-up and at the 180 s check; repaints show it
    std::function<void()> beeper_;

    std::unique_ptr<InstrumentSessionLink> sessionLink_;
    std::unique_ptr<SessionContext> sessionCtx_;
    std::unique_ptr<ConnectionWatch> watch_;
    std::unique_ptr<LogSessionController> controller_;
    QLabel* notice_ = nullptr;
    GpsStatusWnd* gpsRow_ = nullptr;
    std::function<int(QDialog&)> runDialog_ = [](QDialog& dialog) { return dialog.exec(); };
    SaveChooser chooseSaveFile_;
    std::function<int(QMenu&)> runMenu_;
};

} // namespace tm47

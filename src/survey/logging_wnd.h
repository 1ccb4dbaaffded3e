#pragma once
// The Monitor/Log screen (`LoggingWnd`): a full-screen child of the main window, created
// hidden and shown for each logging session. From top to bottom: two (landscape) or three
// (portrait) rows of status fields, the live profile (`CurveWnd`), one or two rows of channel
// values and messages, the GPS row and the bottom button row. It draws the session
// (`SurveySession`) it is attached to, hands it the buttons, keys and timer 1, and carries the
// calibration window (`CalibrateWnd`) of its QC check.
//
// A new value sets the field's text and repaints only its rectangle. Labels are drawn in the
// normal font, values in bold, on light grey.
//
// GUI thread only.

#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>

#include "instrument/link.h"
#include "survey/handheld_battery.h"
#include "survey/live_redraw_pacer_qt.h"
#include "survey/log_session.h"
#include "survey/logging_layout_cache_qt.h"
#include "survey/logging_layout_qt.h"
#include "survey/session_dialogs_qt.h"
#include "survey/survey_session.h"

namespace tm47 {

class CalibrateWnd;
class GpsStatusWnd;
class CurveWnd;

class LoggingWnd final : public QWidget,
                         public LinkTimer,
                         public ReadingView,
                         public SessionDialogs {
    Q_OBJECT
public:
    LoggingWnd(LoggingContext context, QWidget* parent);
    ~LoggingWnd() override;

    // The screen's side of the session it draws: the calibration window of its QC check,
    // the timer, the buttons and the keys. Once, before the screen is first shown.
    void Attach(SurveySession& survey);
    // Undoes Attach before the session goes: the calibration window and the timer's link to
    // the session end with it.
    void Detach();
    // What the session needs of this screen besides its view interfaces.
    SurveyScreen ScreenForSession();
    // One frame from the link, inside the hand-over, for the attached session: what it
    // changes on the screen is drawn at the live screen's pace (live_redraw_pacer_qt.h).
    void OnLinkFrame(FrameBuffer& frame);

    // Timer 1 of the link (connection watch and polling).
    void StartTimer1(int periodMs) override;
    void KillTimer1() override;

    // Opens a session: the screen in the Monitor state, Monitor row with its first four
    // buttons disabled and "E&xit" enabled, the Stand By row hidden; takes the keyboard.
    void ShowMonitorState();

    // Exit: asks "Exit Logging?" when a data file is open; true when the session ended.
    bool EndSession();

    // The notice centred in the live profile ("Connection Terminated", ...), empty when none.

    // ReadingView: the status fields the reading processing paints.
    void ShowMessageLine(const std::string& text) override;
    void EnableMonitorButtons() override;

    // SessionView, besides the dialogs.
    void SetButtonLabel(ButtonRow row, int index, const std::string& label) override;
    void ShowRow(ButtonRow row, int pauseKey, bool visible) override;
    void SetHighlight(ButtonRow row, int index) override;
    void EnableMonitorButtons(bool enabled) override;
    bool MonitorButtonEnabled(int index) const override;
    void ShowStatus(StatusField field, const std::u16string& text) override;
    void ShowProfileNotice(const std::vector<std::string>& lines) override;
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

    const QString& MessageLine() const { return FieldText(LogField::Message); }
    QPushButton* MonitorButton(int index) const { return monitorButtons_.at(index); }
    QPushButton* StandByButton(int index) const { return standByButtons_.at(index); }
    QPushButton* PauseButton(int index) const { return pauseButtons_.at(index); }
    CurveWnd* Curve() const { return curve_; }
    CalibrateWnd* Calibrate() const { return calibrate_; }
    GpsStatusWnd* GpsRow() const { return gpsRow_; }
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
    void UpdateStaticTexts();
    void SetMessageShown(bool shown);

    QFont normalFont_;
    QFont boldFont_;
    QTimer timer1_;
    std::array<QPushButton*, kMonitorRowButtons> monitorButtons_{};
    std::array<QPushButton*, kStandByRowButtons> standByButtons_{};
    std::array<QPushButton*, kPauseRowButtons> pauseButtons_{};
    std::array<QString, kLogFieldCount> texts_;
    LiveRedrawPacer pacer_;
    LoggingLayout layout_;
    LoggingLayoutCache layoutCache_;
    bool messageShown_ = false; // the message line, not the channel values, holds R4 (and R5)

    CurveWnd* curve_ = nullptr;
    CalibrateWnd* calibrate_ = nullptr;
    HandheldBattery battery_; // read at start-up and at the 180 s check; repaints show it
    std::function<void()> beeper_;

    QLabel* notice_ = nullptr;
    GpsStatusWnd* gpsRow_ = nullptr;
};

} // namespace tm47

#pragma once
// The Monitor/Log screen (`LoggingWnd`): a full-screen child of the main window, created
// hidden and shown for each logging session. It owns timer 1 of the instrument link, takes
// the frames the reader threads hand over, and carries the bottom button rows.
//
// This first version runs the Monitor state: the normalisation progress of a fresh link, the
// Monitor row's highlight and keys, and Exit. Data files, logging, nulling and calibration
// hang off the same handlers.
//
// GUI thread only; frames arrive through the link's synchronous hand-over.

#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>

#include "app/screen_geometry.h"
#include "config/settings.h"
#include "instrument/link.h"
#include "instrument/reading.h"
#include "instrument/reading_processor.h"
#include "platform/clock.h"
#include "survey/log_session.h"

namespace tm47 {

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
};

inline constexpr int kLoggingFirstButtonId = 460;
inline constexpr int kMonitorButtonCount = 5;
inline constexpr int kStandByButtonCount = 6;

class LoggingWnd final : public QWidget, public LinkTimer {
    Q_OBJECT
public:
    LoggingWnd(LoggingContext context, QWidget* parent);
    ~LoggingWnd() override;

    // Timer 1 of the link (connection watch and polling).
    void StartTimer1(int periodMs) override;
    void KillTimer1() override;
    bool Timer1Active() const { return timer1_.isActive(); }
    int Timer1PeriodMs() const { return timer1_.interval(); }

    // Shows the screen in the Monitor state: Monitor row with its first four buttons
    // disabled and "E&xit" enabled, the Stand By row hidden; takes the keyboard.
    void ShowMonitorState();

    // One frame from a reader, on the GUI thread inside the hand-over.
    void OnFrame(FrameBuffer& frame);

    // Handles a button tap (id 460..) or a key code, as the session's command handler.
    void HandleCommand(uint32_t wParam, bool isKey);

    // Ends the session (Exit): stops the link and ports and hides the screen.
    void EndSession();

    const QString& MessageLine() const { return messageLine_; }
    QPushButton* MonitorButton(int index) const { return monitorButtons_.at(index); }
    QPushButton* StandByButton(int index) const { return standByButtons_.at(index); }

signals:
    // The screen was hidden at the end of a session; the menu is in front again.
    void sessionEnded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void CreateButtons();
    void SetHighlight(int index);
    void ShowMessageLine(const QString& text);
    void ProcessNormalisingFrame(FrameBuffer& frame);
    void ConnectionWatchTick();
    QRect MessageLineRect() const;

    LoggingContext ctx_;
    QTimer timer1_;
    std::array<QPushButton*, kMonitorButtonCount> monitorButtons_{};
    std::array<QPushButton*, kStandByButtonCount> standByButtons_{};
    std::array<QPushButton*, 4> pauseButtons_{};
    QString messageLine_;
};

} // namespace tm47

#pragma once
// The GPS monitor screen (`MonitorGPSWnd`): every line that arrives on the GPS port in a list
// (newest last, scrolled into view; "NO DATA" after 7 s of silence), "&Go"/"&Pause" to stop
// and resume the listing, "&Send" to send a typed line to the receiver, "E&xit". It lives for
// the whole program and is only shown and hidden; the list, the flags and the default button
// survive between visits.
//
// Keys: g, p, s, x run Go, Pause, Send, Exit; Enter runs the default button; Tab moves the
// default button over the visible buttons ("&Go" or "&Pause", "&Send", "E&xit").
//
// Sending suspends the monitor reader (unless paused), purges the port, writes the line with
// CR LF in one write and resumes the reader: no byte is read while the port is purged and
// written.
//
// GUI thread only; lines arrive through the monitor reader's synchronous hand-over.

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>

#include "config/settings.h"
#include "gps/gps_fix.h"
#include "gps/gps_monitor_reader.h"
#include "platform/clock.h"
#include "platform/screen_geometry.h"
#include "platform/serial_port.h"

class QDialog;

namespace tm47 {

// What the monitor works on; all owned by the running logger.
struct MonitorGpsContext {
    const Clock& clock;
    const Settings& settings;
    const ScreenGeometry& screen;
    GpsFix& fix;
    GpsMonitorReader& reader;
    SerialPort& gpsPort; // the shell's GPS port handle; Exit closes it
};

// Go, Pause, Send and Exit take the ids from kIdMonitorGo on, in that order.
inline constexpr int kIdMonitorGo = 440;
inline constexpr int kIdMonitorList = 222;
inline constexpr int kIdMonitorEdit = 452;
inline constexpr const char* kGpsMessagePreset = "$PASHS,NME,SAT,A,ON";
// The list keeps the newest lines only.
inline constexpr int kMonitorListMax = 2000;

enum MonitorAction { kActionGo = 0, kActionPause = 1, kActionSend = 2, kActionExit = 3 };

class MonitorGPSWnd final : public QWidget {
    Q_OBJECT
public:
    MonitorGPSWnd(MonitorGpsContext context, QWidget* parent);
    ~MonitorGPSWnd() override;

    // How the GPS Message dialog runs; by default QDialog::exec(). Tests answer it.
    void SetDialogRunner(std::function<int(QDialog&)> runner) { runDialog_ = std::move(runner); }

    // Shows the screen and takes the keyboard (the reader was started by the caller).
    void Open();

    // One line from the reader, on the GUI thread inside the hand-over (the handheld's paint).
    void TakeLine();
    // action 0..3 (button id - 440); anything else does nothing.
    void HandleAction(int action);
    // A typed character: g/p/s/x, Enter (13) or Tab (9).
    void HandleChar(int ch);

    QListWidget* List() const { return list_; }
    QLineEdit* Edit() const { return edit_; }
    QPushButton* Button(int index) const { return buttons_.at(index); }
    bool RunningFlag() const { return running_; }
    bool PausedFlag() const { return paused_; }
    int DefaultIndex() const { return defaultIndex_; }

signals:
    // The screen was hidden by Exit; the menu is in front again.
    void exited();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Go();
    void Pause();
    void Send();
    void Exit();
    void Tab();
    void SetDefault(int index);
    void ShowRunning(bool running);
    void TakeFocus();

    MonitorGpsContext ctx_;
    QListWidget* list_ = nullptr;
    QLineEdit* edit_ = nullptr;
    std::array<QPushButton*, 4> buttons_{};
    bool running_ = true;
    bool paused_ = false;
    int defaultIndex_ = kActionPause;
    QString message_;
    std::function<int(QDialog&)> runDialog_;
};

} // namespace tm47

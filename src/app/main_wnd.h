#pragma once
// The main window "TM47KVB": the menu screen with its eight buttons, the parent of the three
// full-screen windows (Monitor/Log, GPS monitor, file viewer), and the dispatcher of the menu
// commands by tap or key.
//
// Keys: the menu buttons never take the keyboard focus; the window itself takes every key and
// decodes it with the menu's key table, except while a screen window is open.

#include <QBrush>
#include <QDialog>
#include <QFont>
#include <QPushButton>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

#include "app/logger.h"
#include "app/menu_keys.h"
#include "app/monitor_log_start.h"
#include "gps/monitor_gps_wnd.h"
#include "platform/dialog_frame_qt.h"
#include "platform/message_sink.h"

namespace tm47 {

class LoggingWnd;
class ScreenSession;
class SessionWiring;

class MainWnd final : public QWidget, public MonitorLogView {
    Q_OBJECT
public:
    // Creates the window and everything in it and loads the settings (the handheld's
    // creation handler). `logger.options.portrait` chooses the layout.
    MainWnd(Logger& logger, MessageSink& messages, QWidget* parent = nullptr);
    ~MainWnd() override;

    // One tap (button id 420..427) or one key code, as the menu's command handlers.
    void HandleMenuButton(int id);
    void HandleMenuKey(uint32_t key);

    // Called with each command index before it runs (tests, and the later dialogs' hooks).
    void SetCommandObserver(std::function<void(int)> observer) {
        commandObserver_ = std::move(observer);
    }
    // How the menu's modal dialogs run; by default QDialog::exec(). Tests answer them.
    void SetDialogRunner(std::function<int(QDialog&)> runner) { runDialog_ = std::move(runner); }
    // How the program ends; by default the event loop is left with the status.
    void SetQuit(std::function<void(int)> quit) { quit_ = std::move(quit); }

    // A second start asked for the running copy: front, with its own windows.
    void BringToFront();

    LoggingWnd* Logging() const { return logging_; }
    MonitorGPSWnd* MonitorGps() const { return monitorGps_; }
    QWidget* ViewFiles() const { return viewFiles_; }
    QPushButton* MenuButton(int index) const { return buttons_.at(index); }
    const QFont& NormalFont() const { return normalFont_; }
    const QFont& BoldFont() const { return boldFont_; }
    // The GPS warning indicator's colour.

    // MonitorLogView.
    void ShowMonitorScreen() override;
    void RedrawMenu() override;
    void EndProgram(int status) override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateScreens();
    void CreateButtons();
    void SetHighlight(int index);
    void RunMenuCommand(int command); // -1: none
    void RunCommand(int command);
    void RunGpsPortSetup();
    void ProgramStop();
    void OnSessionEnded();
    bool ScreenWindowOpen() const;
    // The end of the program's windows: every thread stopped, the task bar back.
    void Shutdown();

    Logger& logger_;
    MessageSink& messages_;
    QFont normalFont_;
    QFont boldFont_;
    LoggingWnd* logging_ = nullptr;
    MonitorGPSWnd* monitorGps_ = nullptr;
    QWidget* viewFiles_ = nullptr;
    std::array<QPushButton*, kMenuButtonCount> buttons_{};
    std::function<void(int)> commandObserver_;
    std::function<int(QDialog&)> runDialog_ = [](QDialog& dialog) { return RunModal(dialog); };
    std::function<void(int)> quit_;
    bool programStopPosted_ = false;
    std::unique_ptr<ScreenSession> session_; // made after the screen, gone before it
    std::unique_ptr<SessionWiring> wiring_;  // gone once shut down
};

} // namespace tm47

#include "app/main_wnd.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

#include "app/program_stop.h"
#include "app/session_wiring_qt.h"
#include "config/settings_file.h"
#include "gps/gps_port_setup_dialog.h"
#include "gps/monitor_gps_wnd.h"
#include "instrument/logger_setup_dialog.h"
#include "instrument/output_port_setup_dialog.h"
#include "platform/key_codes_qt.h"
#include "profile/display_options_dialog.h"
#include "resources/bitmaps_qt.h"
#include "resources/screen_font_qt.h"
#include "survey/logging_wnd.h"
#include "survey/survey_setup_dialog.h"
#include "viewer/view_files_wnd.h"

namespace tm47 {

namespace {

constexpr const char* kMenuLabels[kMenuButtonCount] = {
    "Monitor/&Log",     "&Survey Setup",    "L&ogger Setup", "Set &GPS Port",
    "Set Output &Port", "&Display Options", "&View Files",   "E&xit"};

const QColor kLightGrey(0xC0, 0xC0, 0xC0);
const QColor kDarkGrey(0x40, 0x40, 0x40);

QRect MenuButtonRect(bool portrait, int index) {
    return portrait ? QRect(100, 82 + 26 * index, 120, 24) : QRect(180, 18 + 26 * index, 120, 24);
}

} // namespace

MainWnd::MainWnd(Logger& logger, MessageSink& messages, QWidget* parent)
    : QWidget(parent), logger_(logger), messages_(messages),
      quit_([](int status) { QCoreApplication::exit(status); }) {
    setObjectName(QStringLiteral("TM47"));
    setWindowTitle(QStringLiteral("TM47KVB"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);

    // Layout and screen size; the input panel button is not wanted on the menu.
    ShellState& shell = logger_.shell;
    shell.portrait = logger_.options.portrait;
    ShowInputPanelButton(shell, false);

    // The tick counter must leave room for a whole session.
    logger_.twentyDayFlag = PastTickLimit(logger_.clock.Tick());

    // Fonts, line height and the live profile's rectangle.
    normalFont_ = ScreenFont(QFont::Normal);
    boldFont_ = ScreenFont(QFont::Bold);
    setFont(normalFont_);
    logger_.screen = ComputeScreenGeometry(shell.portrait, QFontMetrics(normalFont_).height());
    logger_.settings.profilePlotHeight = logger_.screen.profileHeight;
    setFixedSize(logger_.screen.width, logger_.screen.height);
    move(0, 0);

    // The three screen windows, hidden, the logging session and the hand-overs to them.
    CreateScreens();
    wiring_ = std::make_unique<SessionWiring>(logger_, messages_, *logging_, *this);

    // The menu buttons, the highlighted one drawn as default button.
    CreateButtons();
    SetHighlight(kMenuInitialHighlight);

    // The red brush, the keep-awake thread, then the settings.
    logger_.keepAwake.Start();
    logger_.LoadStartSettings();
}

void MainWnd::CreateScreens() {
    logging_ = new LoggingWnd(LoggingContext{logger_.settings, logger_.session, logger_.screen,
                                             logger_.readings, logger_.position,
                                             logger_.previousPoint, &messages_, &logger_.root},
                              this);
    session_ = std::make_unique<ScreenSession>(logger_, *logging_);
    logging_->SetDialogRunner([this](QDialog& dialog) { return runDialog_(dialog); });
    connect(logging_, &LoggingWnd::sessionEnded, this, &MainWnd::OnSessionEnded);
    monitorGps_ = new MonitorGPSWnd({logger_.clock, logger_.settings, logger_.screen,
                                     logger_.gps.fix, logger_.gps.monitor, logger_.gpsPort},
                                    this);
    monitorGps_->SetDialogRunner([this](QDialog& dialog) { return runDialog_(dialog); });
    connect(monitorGps_, &MonitorGPSWnd::exited, this, &MainWnd::OnSessionEnded);
    auto* viewer = new ViewFilesWnd({logger_.settings, logger_.root, logger_.screen, logger_.viewer,
                                     logger_.offsetOrder, messages_},
                                    this);
    viewer->SetDialogRunner([this](QDialog& dialog) { return runDialog_(dialog); });
    viewFiles_ = viewer;
}

// Every port closes first; then the members go in reverse order (the session after its screen
// is detached from it) and the screens last, as Qt children.
MainWnd::~MainWnd() {
    Shutdown();
}

void MainWnd::CreateButtons() {
    for (int i = 0; i < kMenuButtonCount; ++i) {
        auto* button = new QPushButton(QString::fromLatin1(kMenuLabels[i]), this);
        button->setObjectName(QStringLiteral("button%1").arg(kMenuFirstButtonId + i));
        button->setProperty("controlId", kMenuFirstButtonId + i);
        button->setFocusPolicy(Qt::NoFocus);
        button->setGeometry(MenuButtonRect(logger_.shell.portrait, i));
        connect(button, &QPushButton::clicked, this, [this, i] {
            if (!ScreenWindowOpen()) {
                HandleMenuButton(kMenuFirstButtonId + i);
            }
        });
        buttons_[i] = button;
    }
}

void MainWnd::SetHighlight(int index) {
    logger_.highlightedButton = index;
    for (int i = 0; i < kMenuButtonCount; ++i) {
        buttons_[i]->setDefault(i == index);
    }
    update(); // the decoration marks the highlighted button too
}

bool MainWnd::ScreenWindowOpen() const {
    return logging_->isVisible() || monitorGps_->isVisible() || viewFiles_->isVisible();
}

void MainWnd::HandleMenuButton(int id) {
    RunMenuCommand(DecodeMenuButton(id));
}

void MainWnd::HandleMenuKey(uint32_t key) {
    int highlighted = logger_.highlightedButton;
    const int command = DecodeMenuKey(key, logger_.session.screenActive, highlighted);
    if (highlighted != logger_.highlightedButton) {
        SetHighlight(highlighted);
    }
    RunMenuCommand(command);
}

void MainWnd::RunMenuCommand(int command) {
    if (command < 0) {
        return;
    }
    if (commandObserver_) {
        commandObserver_(command);
    }
    RunCommand(command);
}

void MainWnd::RunCommand(int command) {
    ShellState& shell = logger_.shell;
    switch (command) {
    case kMenuMonitorLog:
        StartMonitorLog(logger_, messages_, *this);
        break;
    case kMenuSurveySetup:
        ShowInputPanelButton(shell, true);
        {
            GetSurveySetup47 dialog(logger_.settings, logger_.position, logger_.session,
                                    logger_.root, this);
            runDialog_(dialog);
        }
        ShowInputPanelButton(shell, false);
        SetInputPanelPreference(shell, false);
        update();
        break;
    case kMenuLoggerSetup: {
        GetLoggerSetup dialog(logger_.settings, logger_.root, shell.portrait, this);
        runDialog_(dialog);
    }
        update();
        setFocus();
        break;
    case kMenuGpsPort:
        RunGpsPortSetup();
        update();
        break;
    case kMenuOutputPort: {
        GetOutputPortSetup dialog(logger_.settings, this);
        runDialog_(dialog);
    }
        // Saved whichever way the dialog ended.
        SaveSettings(logger_.settings, logger_.root);
        update();
        break;
    case kMenuDisplayOptions: {
        // From the main menu only the menu is repainted afterwards.
        GetOptions dialog(logger_.settings, logger_.root, this);
        runDialog_(dialog);
    }
        update();
        break;
    case kMenuViewFiles:
        viewFiles_->show();
        viewFiles_->raise();
        viewFiles_->setFocus();
        break;
    case kMenuExit:
        logger_.keepAwake.ClearRunFlag();
        WaitMs(logger_.clock, 100);
        close();
        break;
    default:
        break;
    }
}

// "Set &GPS Port": the settings are saved whatever the result; "Monitor GPS Output" opens the
// GPS monitor, listening only when GPS input is enabled and its port opened.
void MainWnd::RunGpsPortSetup() {
    int result = kGpsPortSetupDone;
    {
        GetGPSPortSetup dialog(logger_.settings, this);
        result = runDialog_(dialog);
    }
    SaveSettings(logger_.settings, logger_.root);
    if (result == kGpsPortSetupMonitor) {
        if (logger_.settings.gpsEnabled == 1 && OpenGpsPort(logger_, messages_)) {
            logger_.gps.StartMonitor(logger_.gpsPort);
        }
        monitorGps_->Open();
    }
}

void MainWnd::ShowMonitorScreen() {
    logging_->ShowMonitorState();
}

void MainWnd::RedrawMenu() {
    update();
}

void MainWnd::EndProgram(int status) {
    Shutdown();
    hide();
    quit_(status);
}

void MainWnd::ProgramStop() {
    ShowProgramStop(messages_, *this);
}

void MainWnd::OnSessionEnded() {
    update();
    activateWindow();
    setFocus();
}

void MainWnd::BringToFront() {
    show();
    raise();
    activateWindow();
    // Dialogs and message boxes of this copy come along.
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top != this && top->isVisible()) {
            top->raise();
            top->activateWindow();
        }
    }
}

bool MainWnd::event(QEvent* event) {
    // Tab and the arrows belong to the menu's highlight, not to Qt's focus chain.
    if (event->type() == QEvent::KeyPress) {
        const uint32_t code = KeyCodeFor(*static_cast<QKeyEvent*>(event));
        if (code != 0) {
            HandleMenuKey(code);
        }
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void MainWnd::closeEvent(QCloseEvent* event) {
    Shutdown();
    event->accept();
    quit_(0);
}

void MainWnd::Shutdown() {
    if (!wiring_) {
        return;
    }
    logger_.keepAwake.Stop();
    logger_.session.screenActive = false;
    logger_.CloseSessionPorts();
    wiring_.reset(); // no hand-overs once every thread has stopped
    ShowTaskBar(logger_.shell, true);
}

void MainWnd::paintEvent(QPaintEvent*) {
    const bool portrait = logger_.shell.portrait;
    QPainter p(this);
    p.fillRect(rect(), kLightGrey);

    // The grey area right of the side bar, the black line, the decoration.
    p.fillRect(portrait ? QRect(49, 0, 191, 320) : QRect(37, 0, 283, 240), kLightGrey);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::FlatCap));
    const int lineX = portrait ? 48 : 36;
    p.drawLine(lineX, 0, lineX, height());
    {
        const int guideX = portrait ? 84 : 170;
        const int buttonX = portrait ? 100 : 180;
        const QRect first = MenuButtonRect(portrait, 0);
        const QRect last = MenuButtonRect(portrait, kMenuButtonCount - 1);
        p.setPen(QPen(kDarkGrey, 1));
        p.drawLine(guideX, first.center().y(), guideX, last.center().y());
        p.setRenderHint(QPainter::Antialiasing, true);
        for (int i = 0; i < kMenuButtonCount; ++i) {
            const int y = MenuButtonRect(portrait, i).center().y();
            p.setPen(QPen(kDarkGrey, 1));
            p.drawLine(guideX + 4, y, buttonX - 3, y);
            p.setBrush(i == logger_.highlightedButton ? QColor(0x40, 0x40, 0x40) : kLightGrey);
            p.drawEllipse(QPointF(guideX + 0.5, y + 0.5), 3.0, 3.0);
        }
        p.setBrush(Qt::NoBrush);
        p.setRenderHint(QPainter::Antialiasing, false);
    }

    // The version line, "(M)" when the test file is written.
    p.setPen(Qt::black);
    p.setFont(normalFont_);
    const QString version =
        QStringLiteral("Version ") + QStringLiteral("2.31") +
        (logger_.settings.writeTestFile ? QStringLiteral(" (M)") : QStringLiteral("    "));
    const QPoint versionAt = portrait ? QPoint(105, 56) : QPoint(72, 120);
    p.drawText(QRect(versionAt, QSize(width() - versionAt.x(), 20)), Qt::AlignLeft | Qt::AlignTop,
               version);

    // The side bar, title and foot bitmaps.
    p.drawPixmap(0, 0,
                 LoadBitmap(portrait ? kBitmapSideBarPortrait : kBitmapSideBarLandscape,
                            devicePixelRatioF()));
    p.drawPixmap(
        portrait ? QPoint(65, 10) : QPoint(48, 26),
        LoadBitmap(portrait ? kBitmapTitlePortrait : kBitmapTitleLandscape, devicePixelRatioF()));
    p.drawPixmap(
        portrait ? QPoint(65, 300) : QPoint(48, 185),
        LoadBitmap(portrait ? kBitmapFootPortrait : kBitmapFootLandscape, devicePixelRatioF()));
    p.end();

    // The menu takes the keys; the task bar goes.
    if (!ScreenWindowOpen() && !hasFocus()) {
        setFocus();
    }
    ShowTaskBar(logger_.shell, false);

    // The 20-day stop, once the menu is on the screen.
    if (logger_.twentyDayFlag && !programStopPosted_) {
        programStopPosted_ = true;
        QTimer::singleShot(0, this, [this] { ProgramStop(); });
    }
}

} // namespace tm47

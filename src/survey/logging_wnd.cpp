#include "survey/logging_wnd.h"

#include <QKeyEvent>
#include <QPainter>

#include "app/key_codes.h"
#include "instrument/frame_decoder.h"

namespace tm47 {

namespace {

constexpr const char* kMonitorLabels[kMonitorButtonCount] = {"&Cr.File", "N&ull", "&Int.Cal",
                                                             "&Ext.Cal", "E&xit"};
constexpr const char* kStandByLabels[kStandByButtonCount] = {"&Go",   "&Line", "&NStn",
                                                             "&Cmnt", "&Menu", "E&xit"};
constexpr const char* kPauseLabels[4] = {
    "TAP ME or press any key to Pause", "TAP ME or press SPACE bar to Pause",
    "TAP ME or press ENTER key to Pause", "TAP ME or press P key to Pause"};

constexpr int kMonitorExit = 4;
const QColor kLightGrey(0xC0, 0xC0, 0xC0);

QPushButton* MakeButton(QWidget* parent, const char* label, int id, QRect rect, bool visible) {
    auto* button = new QPushButton(QString::fromLatin1(label), parent);
    button->setObjectName(QStringLiteral("button%1").arg(id));
    button->setProperty("controlId", id);
    button->setFocusPolicy(Qt::NoFocus); // keys stay with the screen window
    button->setGeometry(rect);
    button->setVisible(visible);
    return button;
}

} // namespace

LoggingWnd::LoggingWnd(LoggingContext context, QWidget* parent)
    : QWidget(parent), ctx_(std::move(context)) {
    setObjectName(QStringLiteral("LoggingWnd"));
    setWindowTitle(QStringLiteral("Logging"));
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kLightGrey);
    setPalette(pal);
    setGeometry(0, 0, ctx_.screen.width, ctx_.screen.height);
    timer1_.setTimerType(Qt::PreciseTimer);
    connect(&timer1_, &QTimer::timeout, this, [this] { ConnectionWatchTick(); });
    CreateButtons();
    ctx_.session.buttonCount = kMonitorButtonCount;
    SetHighlight(0);
    ctx_.link.State().lastFrameTick.store(ctx_.clock.Tick());
    hide();
}

LoggingWnd::~LoggingWnd() {
    timer1_.stop();
}

void LoggingWnd::CreateButtons() {
    const bool portrait = ctx_.screen.portrait;
    const int y = ctx_.screen.height - 22;
    const int monitorWidth = portrait ? 46 : 60;
    const int monitorStep = portrait ? 47 : 63;
    const int standByWidth = portrait ? 38 : 50;
    const int standByStep = portrait ? 39 : 52;
    const int pauseWidth = portrait ? 230 : 312;
    for (int i = 0; i < kMonitorButtonCount; ++i) {
        monitorButtons_[i] = MakeButton(this, kMonitorLabels[i], kLoggingFirstButtonId + i,
                                        QRect(4 + i * monitorStep, y, monitorWidth, 20), true);
    }
    for (int i = 0; i < kStandByButtonCount; ++i) {
        standByButtons_[i] = MakeButton(this, kStandByLabels[i], kLoggingFirstButtonId + i,
                                        QRect(4 + i * standByStep, y, standByWidth, 20), false);
    }
    for (int i = 0; i < 4; ++i) {
        pauseButtons_[i] = MakeButton(this, kPauseLabels[i], kLoggingFirstButtonId + i,
                                      QRect(4, y, pauseWidth, 20), false);
    }
    for (auto* button : monitorButtons_) {
        const int id = button->property("controlId").toInt();
        connect(button, &QPushButton::clicked, this,
                [this, id] { HandleCommand(static_cast<uint32_t>(id), false); });
    }
    // The Stand By and pause rows are shown only by the logging states.
}

void LoggingWnd::StartTimer1(int periodMs) {
    timer1_.start(periodMs);
}

void LoggingWnd::KillTimer1() {
    timer1_.stop();
}

void LoggingWnd::ShowMonitorState() {
    ctx_.session.state = SessionState::Monitor;
    for (auto* button : standByButtons_) {
        button->hide();
    }
    for (auto* button : pauseButtons_) {
        button->hide();
    }
    for (int i = 0; i < kMonitorButtonCount; ++i) {
        monitorButtons_[i]->show();
        monitorButtons_[i]->setEnabled(i == kMonitorExit);
    }
    ctx_.session.buttonCount = kMonitorButtonCount;
    messageLine_.clear();
    show();
    raise();
    setFocus();
    update();
}

void LoggingWnd::SetHighlight(int index) {
    ctx_.session.highlightIndex = index;
    for (int i = 0; i < kMonitorButtonCount; ++i) {
        monitorButtons_[i]->setDefault(i == index);
    }
}

void LoggingWnd::OnFrame(FrameBuffer& frame) {
    if (ctx_.readingState == kReadingNormalising) {
        ProcessNormalisingFrame(frame);
    }
    frame[0] = 0;
}

// Reading state 0: the frame's reference value primes the normalisation; the four buttons
// that need normalised readings come alive above 90 %.
void LoggingWnd::ProcessNormalisingFrame(FrameBuffer& frame) {
    int state = ctx_.readingState;
    const int percent = PrimeNormalisation(frame, ctx_.readings.normalisation, state);
    ctx_.readingState = state;
    ShowMessageLine(QString::asprintf("Normalization: %3d %c", percent, '%'));
    if (percent > 90) {
        for (int i = 0; i < 4; ++i) {
            monitorButtons_[i]->setEnabled(true);
        }
    }
}

// Timer 1. On a polled link each tick asks for the next reading once the last one came.
void LoggingWnd::ConnectionWatchTick() {
    if (ctx_.session.watchMode != 0) {
        return;
    }
    LinkState& link = ctx_.link.State();
    if (link.linkMode.load() == kLinkPolled && link.replyFlag.load() != 0) {
        ctx_.link.PollTick();
    }
}

void LoggingWnd::HandleCommand(uint32_t wParam, bool isKey) {
    setFocus(); // keys keep arriving here after a tap
    LogSession& session = ctx_.session;
    int index = isKey ? -1 : static_cast<int>(wParam & 0xFFFFu) - kLoggingFirstButtonId;
    if (isKey && session.screenActive && session.state == SessionState::Monitor) {
        switch (wParam) {
        case 'C':
        case 'c':
            index = 0;
            break;
        case 'U':
        case 'u':
            index = 1;
            break;
        case 'I':
        case 'i':
            index = 2;
            break;
        case 'E':
        case 'e':
            index = 3;
            break;
        case 'X':
        case 'x':
            index = kMonitorExit;
            break;
        case 13:
            index = session.highlightIndex;
            break;
        case 9:
        case 39:
        case 40:
            SetHighlight((session.highlightIndex + 1) % session.buttonCount);
            return;
        case 37:
        case 38:
            SetHighlight((session.highlightIndex + session.buttonCount - 1) % session.buttonCount);
            return;
        default:
            break;
        }
    }
    if (session.state != SessionState::Monitor || index < 0 || index >= kMonitorButtonCount) {
        return;
    }
    if (!monitorButtons_[index]->isEnabled()) {
        return;
    }
    if (index == kMonitorExit) {
        EndSession();
    }
    // Cr.File, Nulling and the calibrations act once those procedures exist.
}

void LoggingWnd::EndSession() {
    LogSession& session = ctx_.session;
    session.screenActive = false;
    timer1_.stop();
    if (ctx_.closeSessionPorts) {
        ctx_.closeSessionPorts();
    }
    session.state = SessionState::Monitor;
    ctx_.readingState = kReadingNormalising;
    ctx_.readings.normalisation.ringIndex = 0;
    SetHighlight(0);
    messageLine_.clear();
    hide();
    emit sessionEnded();
}

QRect LoggingWnd::MessageLineRect() const {
    const ScreenGeometry& g = ctx_.screen;
    const int r4 = g.profileTop + g.profileHeight;
    return QRect(5, r4, g.width - 5, g.lineHeight);
}

void LoggingWnd::ShowMessageLine(const QString& text) {
    messageLine_ = text;
    update(MessageLineRect());
}

bool LoggingWnd::event(QEvent* event) {
    // Tab belongs to the button row here, not to Qt's focus chain.
    if (event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    return QWidget::event(event);
}

void LoggingWnd::keyPressEvent(QKeyEvent* event) {
    const uint32_t code = KeyCodeFor(*event);
    if (code != 0) {
        HandleCommand(code, true);
    }
    event->accept();
}

void LoggingWnd::paintEvent(QPaintEvent*) {
    const ScreenGeometry& g = ctx_.screen;
    const int h = g.lineHeight;
    const int w = g.width;
    QPainter p(this);
    p.fillRect(rect(), kLightGrey);
    QFont normal = font();
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics metrics(normal);
    auto text = [&](int x, int y, const QString& s, const QFont& f) {
        p.setFont(f);
        p.drawText(QRect(x, y, w - x, h), Qt::AlignLeft | Qt::AlignTop, s);
    };

    // State word and trigger mode.
    static const char* kModes[] = {"Auto", "Wheel", "Manual"};
    const char* stateWord = ctx_.session.state == SessionState::Monitor   ? "Monitor"
                            : ctx_.session.state == SessionState::StandBy ? "Stand By"
                                                                          : "Logging";
    const int mode = ctx_.settings.surveyMode;
    const QString modeWord = QString::fromLatin1(mode >= 0 && mode <= 2 ? kModes[mode] : "");
    const int stateWidth = std::max({metrics.horizontalAdvance(QStringLiteral("Stand By")),
                                     metrics.horizontalAdvance(QStringLiteral("Logging")),
                                     metrics.horizontalAdvance(QStringLiteral("Monitor"))});
    if (g.portrait) {
        text(5, 1 + h, QString::fromLatin1(stateWord), normal);
        text(110, 1, modeWord, normal);
        text(5, 1 + 2 * h, QStringLiteral("Ln:"), normal);
        text(110, 1 + 2 * h, QStringLiteral("Stn:"), normal);
    } else {
        p.setFont(normal);
        p.drawText(QRect(w - 40 - stateWidth, 1, stateWidth, h), Qt::AlignRight | Qt::AlignTop,
                   QString::fromLatin1(stateWord));
        text(130, 1, modeWord, normal);
        text(5, 1 + h, QStringLiteral("Ln:"), normal);
        text(130, 1 + h, QStringLiteral("Stn:"), normal);
    }
    const int batteryX = w - metrics.horizontalAdvance(QStringLiteral("B:99.99V")) - 5;
    text(batteryX, 1 + h, QStringLiteral("B:"), normal);

    // The live profile's place.
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(g.profileLeft - 1, g.profileTop - 1, g.profileWidth + 1, g.profileHeight + 1);

    // Message line, and the GPS row.
    if (!messageLine_.isEmpty()) {
        p.setPen(Qt::black);
        text(5, MessageLineRect().top(), messageLine_, bold);
    }
    const int gpsRow = MessageLineRect().top() + (g.portrait ? 2 * h : h);
    if (ctx_.settings.gpsEnabled != 1) {
        p.setFont(normal);
        p.drawText(QRect(0, gpsRow, w, h), Qt::AlignHCenter | Qt::AlignTop,
                   QStringLiteral("GPS  Input  disabled"));
    }
}

} // namespace tm47

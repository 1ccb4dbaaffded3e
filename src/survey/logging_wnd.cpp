#include "survey/logging_wnd.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

#include "app/key_codes.h"
#include "instrument/calibrate_wnd.h"
#include "instrument/frame_decoder.h"
#include "profile/curve_wnd.h"

namespace tm47 {

namespace {

constexpr const char* kMonitorLabels[kMonitorButtonCount] = {"&Cr.File", "N&ull", "&Int.Cal",
                                                             "&Ext.Cal", "E&xit"};
constexpr const char* kStandByLabels[kStandByButtonCount] = {"&Go",   "&Line", "&NStn",
                                                             "&Cmnt", "&Menu", "E&xit"};
constexpr const char* kPauseLabels[kPauseButtonCount] = {
    "TAP ME or press any key to Pause", "TAP ME or press SPACE bar to Pause",
    "TAP ME or press ENTER key to Pause", "TAP ME or press P key to Pause"};
constexpr const char* kTriggerModes[3] = {"Auto", "Wheel", "Manual"};
constexpr const char* kFixWords[5] = {"CODE", "DGPS", "RTK", "AGPS", "NO FIX"};

constexpr int kMonitorExit = 4;
constexpr int kGpsGap = 2; // portrait: each GPS field starts this far after the previous one
const QColor kLightGrey(0xC0, 0xC0, 0xC0);

QFont LoggingFont(QFont::Weight weight) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(14);
    font.setWeight(weight);
    return font;
}

QPushButton* MakeButton(QWidget* parent, const char* label, int id, QRect rect, bool visible) {
    auto* button = new QPushButton(QString::fromLatin1(label), parent);
    button->setObjectName(QStringLiteral("button%1").arg(id));
    button->setProperty("controlId", id);
    button->setFocusPolicy(Qt::NoFocus); // keys stay with the screen window
    button->setGeometry(rect);
    button->setVisible(visible);
    return button;
}

bool IsLabelField(LogField f) {
    switch (f) {
    case LogField::LineLabel:
    case LogField::StationLabel:
    case LogField::GpsDisabled:
    case LogField::GpsPosLabel:
    case LogField::GpsCountLabel:
    case LogField::GpsPdopLabel:
    case LogField::GpsSatLabel:
        return true;
    default:
        return false;
    }
}

} // namespace

LoggingLayout ComputeLoggingLayout(const ScreenGeometry& g, const LayoutTextWidths& t) {
    LoggingLayout l;
    const int h = g.lineHeight;
    const int w = g.width;
    const bool portrait = g.portrait;
    auto set = [&](LogField f, QRect r) { l.fields[static_cast<std::size_t>(f)] = r; };
    auto span = [&](int x0, int x1, int y) { return QRect(x0, y, std::max(0, x1 - x0), h); };

    l.profile = QRect(g.profileLeft, g.profileTop, g.profileWidth, g.profileHeight);
    l.buttonRow = QRect(4, g.height - 22, g.width - 8, 20);
    const int r1 = 1;
    const int r2 = 1 + h;
    const int r3 = portrait ? 1 + 2 * h : 0;
    const int r4 = g.profileTop + g.profileHeight;
    const int r5 = r4 + h;
    const int r6 = portrait ? r5 + h : 0;
    l.rowY = {r1, r2, r3, r4, r5, r6};

    const int batteryLeft = w - t.batteryValue - 5;
    set(LogField::InstrumentBattery, span(batteryLeft, w, r2));
    set(LogField::DeviceBattery, span(w - 40, w, r1));
    if (portrait) {
        set(LogField::FileName, span(5, 105, r1));
        set(LogField::TriggerMode, span(110, w - 40, r1));
        set(LogField::StateWord, QRect(5, r2, t.stateWord, h));
        set(LogField::InstrumentMode, span(110, w - 60, r2));
        set(LogField::LineLabel, QRect(5, r3, t.lineLabel, h));
        set(LogField::Line, span(5 + t.lineLabel, 109, r3));
        set(LogField::StationLabel, QRect(110, r3, t.stationLabel, h));
        const int markerX = 110 + t.stationLabel;
        set(LogField::Marker, QRect(markerX, r3, t.marker, h));
        set(LogField::Station, span(markerX + t.marker, w - 1, r3));
    } else {
        const int stateLeft = w - 40 - t.stateWord;
        set(LogField::FileName, span(5, 125, r1));
        set(LogField::TriggerMode, span(130, 175, r1));
        set(LogField::StateWord, QRect(stateLeft, r1, t.stateWord, h));
        set(LogField::InstrumentMode, span(175, stateLeft - 1, r1));
        set(LogField::LineLabel, QRect(5, r2, t.lineLabel, h));
        set(LogField::Line, span(5 + t.lineLabel, 129, r2));
        set(LogField::StationLabel, QRect(130, r2, t.stationLabel, h));
        const int markerX = 130 + t.stationLabel;
        set(LogField::Marker, QRect(markerX, r2, t.marker, h));
        set(LogField::Station, span(markerX + t.marker, batteryLeft - 1, r2));
    }

    // Message lines and channel values share the rows below the profile.
    set(LogField::Message, span(5, w, r4));
    if (portrait) {
        set(LogField::Message2, span(5, w, r5));
        const int half = w / 2;
        const int left = (half - t.channel) / 2;
        set(LogField::Ch1, QRect(left, r4, t.channel, h));
        set(LogField::Ch2, QRect(half + left, r4, t.channel, h));
        set(LogField::Ch3, QRect(left, r5, t.channel, h));
        set(LogField::Ch4, QRect(half + left, r5, t.channel, h));
    } else {
        set(LogField::Ch1, span(5, 84, r4));
        set(LogField::Ch2, span(85, 165, r4));
        set(LogField::Ch3, span(165, 244, r4));
        set(LogField::Ch4, span(245, w, r4));
    }

    // The GPS row.
    const int gy = portrait ? r6 : r5;
    set(LogField::GpsDisabled, span(0, w, gy));
    int x = 5;
    auto next = [&](LogField f, int width, int gap) {
        set(f, QRect(x, gy, width, h));
        x += width + gap;
    };
    next(LogField::GpsPosLabel, t.gpsPosLabel, kGpsGap);
    next(LogField::GpsActivity, t.gpsActivity, kGpsGap);
    next(LogField::GpsCountLabel, t.gpsCountLabel, kGpsGap);
    next(LogField::GpsCount, t.gpsCount, kGpsGap);
    if (!portrait) {
        x = 110;
    }
    next(LogField::GpsFix, t.gpsFix, kGpsGap);
    if (!portrait) {
        x = 180;
    }
    next(LogField::GpsPdopLabel, t.gpsPdopLabel, kGpsGap);
    next(LogField::GpsPdop, t.gpsPdop, kGpsGap);
    if (!portrait) {
        x = 260;
    }
    next(LogField::GpsSatLabel, t.gpsSatLabel, kGpsGap);
    next(LogField::GpsSat, t.gpsSat, kGpsGap);
    return l;
}

LoggingWnd::LoggingWnd(LoggingContext context, QWidget* parent)
    : QWidget(parent), ctx_(std::move(context)), normalFont_(LoggingFont(QFont::Normal)),
      boldFont_(LoggingFont(QFont::Bold)), position_(ctx_.position ? ctx_.position : &ownPosition_),
      previousPoint_(ctx_.previousPoint ? ctx_.previousPoint : &ownPreviousPoint_),
      records_{ctx_.settings, dataFile_, ctx_.clock, nullptr, 0, true, ctx_.screen.portrait},
      qc_(ctx_.readings.normalisation, ctx_.readings.nulling, ctx_.readingState, ctx_.clock,
          CalibrationHooks{[this](char letter, const std::array<float, 4>& values) {
                               if (dataFile_.IsOpen()) {
                                   WriteOffsetRecords(records_, true, values, values, letter);
                               }
                           },
                           [this](bool enabled) {
                               for (auto* button : monitorButtons_) {
                                   button->setEnabled(enabled);
                               }
                           },
                           [this] {
                               RedrawProfile();
                               setFocus();
                           }}) {
    setObjectName(QStringLiteral("LoggingWnd"));
    setWindowTitle(QStringLiteral("Logging"));
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::ArrowCursor);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kLightGrey);
    setPalette(pal);
    setFont(normalFont_);
    const ScreenGeometry& g = ctx_.screen;
    setGeometry(0, 0, g.width, g.height);
    timer1_.setTimerType(Qt::PreciseTimer);
    connect(&timer1_, &QTimer::timeout, this, [this] { ConnectionWatchTick(); });

    // 1. The calibration window, hidden; 2. the live profile.
    calibrate_ = new CalibrateWnd(qc_, g.portrait, this);
    curve_ = new CurveWnd(ctx_.settings, g.portrait, g.profileWidth, g.profileHeight,
                          *previousPoint_, this);
    curve_->setFont(normalFont_);
    curve_->setGeometry(g.profileLeft - 1, g.profileTop - 1, g.profileWidth + 1,
                        g.profileHeight + 1);
    curve_->Repaint(true);
    curve_->show();

    live_ = std::make_unique<LiveReadingSession>(
        ctx_.settings, ctx_.session, *position_, records_, &qc_,
        LiveSessionHooks{
            [this](const std::array<int32_t, 4>& rows) { curve_->ScrollStep(rows); },
            [this](const std::string& text) {
                SetFieldText(LogField::Station, QString::fromStdString(text));
            },
            [this] {
                if (beeper_) {
                    beeper_();
                } else {
                    QApplication::beep();
                }
            },
            [this] { return batteryReader_ ? batteryReader_() : ReadHandheldBatteryPercent(); }});

    // 3.-5. Buttons, highlight, the link's last frame tick.
    CreateButtons();
    ctx_.session.buttonCount = kMonitorButtonCount;
    SetHighlight(0);
    ctx_.link.State().lastFrameTick.store(ctx_.clock.Tick());
    SetFieldText(LogField::InstrumentBattery, QStringLiteral("B:"));
    UpdateStaticTexts();
    layout_ = ComputeLoggingLayout(g, MeasureTexts());
    hide();
}

LoggingWnd::~LoggingWnd() {
    timer1_.stop();
}

LayoutTextWidths LoggingWnd::MeasureTexts() const {
    const QFontMetrics n(normalFont_);
    const QFontMetrics b(boldFont_);
    auto widest = [](const QFontMetrics& m, std::initializer_list<const char*> words) {
        int out = 0;
        for (const char* word : words) {
            out = std::max(out, m.horizontalAdvance(QString::fromLatin1(word)));
        }
        return out;
    };
    LayoutTextWidths t;
    t.stateWord = widest(b, {"Stand By", "Logging", "Monitor"});
    t.batteryValue = b.horizontalAdvance(QStringLiteral("B:99.99V"));
    t.lineLabel = n.horizontalAdvance(QStringLiteral("Ln:"));
    t.stationLabel = n.horizontalAdvance(QStringLiteral("Stn:"));
    t.marker = b.horizontalAdvance(QStringLiteral("M"));
    t.channel = b.horizontalAdvance(QStringLiteral("Ch3:-99999.9"));
    t.gpsPosLabel = n.horizontalAdvance(QStringLiteral("Pos"));
    t.gpsActivity = b.horizontalAdvance(QStringLiteral("W"));
    t.gpsCountLabel = n.horizontalAdvance(QStringLiteral("#"));
    t.gpsCount = b.horizontalAdvance(QStringLiteral("99999"));
    t.gpsFix =
        std::max(widest(n, {"CODE", "DGPS", "RTK", "AGPS", "NO FIX"}),
                 widest(b, {kFixWords[0], kFixWords[1], kFixWords[2], kFixWords[3], kFixWords[4]}));
    t.gpsPdopLabel = n.horizontalAdvance(QStringLiteral("PDOP:"));
    t.gpsPdop = b.horizontalAdvance(QStringLiteral("99.9"));
    t.gpsSatLabel = n.horizontalAdvance(QStringLiteral("Sat:"));
    t.gpsSat = b.horizontalAdvance(QStringLiteral("99"));
    return t;
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
    for (int i = 0; i < kPauseButtonCount; ++i) {
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
    for (LogField f : {LogField::Message, LogField::Message2, LogField::InstrumentMode,
                       LogField::Marker, LogField::Ch1, LogField::Ch2, LogField::Ch3, LogField::Ch4,
                       LogField::GpsActivity, LogField::GpsCount, LogField::GpsSat}) {
        texts_[static_cast<std::size_t>(f)].clear();
    }
    texts_[static_cast<std::size_t>(LogField::InstrumentBattery)] = QStringLiteral("B:");
    texts_[static_cast<std::size_t>(LogField::GpsFix)] = QStringLiteral("NO FIX");
    texts_[static_cast<std::size_t>(LogField::GpsPdop)] = QStringLiteral("N/A");
    messageShown_ = false;
    UpdateStaticTexts();
    curve_->Repaint(true);
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
    const int32_t linkMode = ctx_.link.State().linkMode.load();
    records_.polledLink = linkMode == kLinkPolled;
    records_.outputMode = ctx_.outputMode ? *ctx_.outputMode : 0;
    const ReadingContext rc{ctx_.settings, ctx_.clock,           ctx_.readingState,
                            linkMode,      ctx_.screen.portrait, ctx_.session.beepDivider};
    ctx_.readings.HandleFrame(frame, rc, *this, *live_);
}

void LoggingWnd::SetFieldText(LogField field, const QString& text) {
    QString& slot = texts_[static_cast<std::size_t>(field)];
    if (slot == text) {
        return;
    }
    slot = text;
    update(layout_.Field(field));
}

void LoggingWnd::SetMessageShown(bool shown) {
    if (messageShown_ == shown) {
        return;
    }
    messageShown_ = shown;
    // The message line and the channel values share the row(s): repaint them whole.
    const QRect& m = layout_.Field(LogField::Message);
    update(QRect(0, m.top(), width(), ctx_.screen.portrait ? 2 * m.height() : m.height()));
}

void LoggingWnd::ShowMessageLine(const std::string& text) {
    SetFieldText(LogField::Message, QString::fromStdString(text));
    SetMessageShown(true);
}

void LoggingWnd::EnableMonitorButtons() {
    for (int i = 0; i < 4; ++i) {
        monitorButtons_[i]->setEnabled(true);
    }
}

void LoggingWnd::ShowMode(const std::string& text) {
    SetFieldText(LogField::InstrumentMode, QString::fromStdString(text));
}

void LoggingWnd::ShowMarker(const std::string& text) {
    SetFieldText(LogField::Marker, QString::fromStdString(text));
}

void LoggingWnd::ShowInstrumentBattery(const std::string& text) {
    SetFieldText(LogField::InstrumentBattery, QString::fromStdString(text));
}

void LoggingWnd::ShowChannels(const std::array<std::string, 4>& texts) {
    static constexpr LogField kChannels[4] = {LogField::Ch1, LogField::Ch2, LogField::Ch3,
                                              LogField::Ch4};
    for (int i = 0; i < 4; ++i) {
        SetFieldText(kChannels[i], QString::fromStdString(texts[static_cast<std::size_t>(i)]));
    }
    SetMessageShown(false);
}

void LoggingWnd::ShowHandheldBattery(const std::string& text) {
    SetFieldText(LogField::DeviceBattery, QString::fromStdString(text));
}

void LoggingWnd::RedrawProfile() {
    const bool open = dataFile_.IsOpen();
    curve_->Redraw(open ? dataFile_.path : std::filesystem::path(),
                   open ? dataFile_.DataFileSize() : 0, ctx_.readings.normalisation.nullOffsets);
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
    // Cr.File, Nulling and the calibrations belong to the session controller.
}

void LoggingWnd::EndSession() {
    LogSession& session = ctx_.session;
    session.screenActive = false;
    timer1_.stop();
    if (ctx_.closeSessionPorts) {
        ctx_.closeSessionPorts();
    }
    dataFile_.Close();
    session.state = SessionState::Monitor;
    ctx_.readingState = kReadingNormalising;
    ctx_.readings.normalisation.ringIndex = 0;
    SetHighlight(0);
    texts_[static_cast<std::size_t>(LogField::Message)].clear();
    hide();
    emit sessionEnded();
}

void LoggingWnd::UpdateStaticTexts() {
    auto setText = [this](LogField f, const QString& s) {
        texts_[static_cast<std::size_t>(f)] = s;
    };
    const bool open = dataFile_.IsOpen();
    setText(LogField::FileName,
            open ? QStringLiteral("File:") + QString::fromStdU16String(dataFile_.name).left(8)
                 : QString());
    const SessionState state = ctx_.session.state;
    setText(LogField::StateWord, state == SessionState::Monitor   ? QStringLiteral("Monitor")
                                 : state == SessionState::StandBy ? QStringLiteral("Stand By")
                                                                  : QStringLiteral("Logging"));
    const int mode = ctx_.settings.surveyMode;
    setText(LogField::TriggerMode,
            mode >= 0 && mode <= 2 ? QString::fromLatin1(kTriggerModes[mode]) : QString());
    setText(LogField::LineLabel, QStringLiteral("Ln:"));
    setText(LogField::StationLabel, QStringLiteral("Stn:"));
    setText(LogField::Line, open ? QString::fromStdU16String(ctx_.settings.surveyLine) : QString());
    setText(LogField::Station,
            open ? QString::fromStdString(StationFieldText(position_->station)) : QString());
    const int battery = batteryReader_ ? batteryReader_() : ReadHandheldBatteryPercent();
    setText(LogField::DeviceBattery, QString::asprintf("%3d%c", battery, '%'));
    const bool gps = ctx_.settings.gpsEnabled == 1;
    setText(LogField::GpsDisabled, gps ? QString() : QStringLiteral("GPS  Input  disabled"));
    setText(LogField::GpsPosLabel, gps ? QStringLiteral("Pos") : QString());
    setText(LogField::GpsCountLabel, gps ? QStringLiteral("#") : QString());
    setText(LogField::GpsPdopLabel, gps ? QStringLiteral("PDOP:") : QString());
    setText(LogField::GpsSatLabel, gps ? QStringLiteral("Sat:") : QString());
    QString& fix = texts_[static_cast<std::size_t>(LogField::GpsFix)];
    QString& pdop = texts_[static_cast<std::size_t>(LogField::GpsPdop)];
    if (!gps) {
        fix.clear();
        pdop.clear();
    } else {
        if (fix.isEmpty()) {
            fix = QStringLiteral("NO FIX");
        }
        if (pdop.isEmpty()) {
            pdop = QStringLiteral("N/A");
        }
    }
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
    // 1. Rows and every field's rectangle, shared with the painters until the next paint.
    layout_ = ComputeLoggingLayout(ctx_.screen, MeasureTexts());
    UpdateStaticTexts();
    QPainter p(this);
    p.fillRect(rect(), kLightGrey);
    p.setPen(Qt::black);
    p.setBackgroundMode(Qt::TransparentMode);
    const bool portrait = ctx_.screen.portrait;
    for (int i = 0; i < kLogFieldCount; ++i) {
        const auto f = static_cast<LogField>(i);
        const QString& text = texts_[static_cast<std::size_t>(i)];
        if (text.isEmpty()) {
            continue;
        }
        const bool channel =
            f == LogField::Ch1 || f == LogField::Ch2 || f == LogField::Ch3 || f == LogField::Ch4;
        const bool message = f == LogField::Message || f == LogField::Message2;
        if ((channel && messageShown_) || (message && !messageShown_)) {
            continue;
        }
        const bool label =
            IsLabelField(f) || (f == LogField::InstrumentBattery && text == QStringLiteral("B:"));
        p.setFont(label ? normalFont_ : boldFont_);
        int align = Qt::AlignLeft | Qt::AlignTop;
        if (f == LogField::StateWord && !portrait) {
            align = Qt::AlignRight | Qt::AlignTop;
        } else if (f == LogField::GpsDisabled) {
            align = Qt::AlignHCenter | Qt::AlignTop;
        }
        // Each text stays inside its own field.
        p.drawText(layout_.Field(f), align, text);
    }
}

} // namespace tm47

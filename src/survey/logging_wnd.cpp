#include "survey/logging_wnd.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

#include "config/settings_file.h"
#include "gps/gps_status_wnd.h"
#include "instrument/calibrate_wnd.h"
#include "instrument/frame_decoder.h"
#include "platform/c_numbers.h"
#include "platform/key_codes_qt.h"
#include "profile/curve_wnd.h"
#include "resources/screen_font_qt.h"
#include "survey/connection_watch.h"
#include "survey/log_session_controller.h"
#include "survey/logging_texts_qt.h"

namespace tm47 {

namespace {

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

LoggingWnd::LoggingWnd(LoggingContext context, QWidget* parent)
    : QWidget(parent), SessionDialogs(std::move(context), *this),
      normalFont_(ScreenFont(QFont::Normal)), boldFont_(ScreenFont(QFont::Bold)) {
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

    // The live profile (the calibration window comes with the session, under it).
    curve_ = new CurveWnd(ctx_.settings, g.portrait, g.profileWidth, g.profileHeight,
                          ctx_.previousPoint, this);
    curve_->setFont(normalFont_);
    curve_->setGeometry(g.profileLeft - 1, g.profileTop - 1, g.profileWidth + 1,
                        g.profileHeight + 1);
    curve_->Repaint(true);
    curve_->show();

    // Buttons and highlight.
    notice_ = new QLabel(curve_);
    notice_->setAlignment(Qt::AlignCenter);
    notice_->setFont(normalFont_);
    notice_->setGeometry(0, 0, curve_->width(), curve_->height());
    notice_->hide();
    CreateButtons();
    ctx_.session.buttonCount = kMonitorRowButtons;
    SetHighlight(ButtonRow::Monitor, 0);
    SetFieldText(LogField::InstrumentBattery, QStringLiteral("B:"));
    UpdateStaticTexts();
    layout_ = layoutCache_.Get(g, normalFont_, boldFont_);
    // The GPS row: its own window over the row's fields (the main window attaches the fix and
    // the status handler to it).
    gpsRow_ = new GpsStatusWnd(g.portrait, this);
    gpsRow_->setGeometry(0, g.portrait ? layout_.rowY[5] : layout_.rowY[4], width(), g.lineHeight);
    gpsRow_->Reset(ctx_.settings.gpsEnabled == 1);
    hide();
}

SurveyScreen LoggingWnd::ScreenForSession() {
    LiveSessionHooks live{[this](const std::array<int32_t, 4>& rows) {
                              curve_->ScrollImage(rows);
                              pacer_.Update(curve_, curve_->rect());
                          },
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
                          [this] { return battery_.Update(); }};
    return SurveyScreen{*this, *this, *this, std::move(live), [this] {
                            RedrawProfile();
                            setFocus();
                        }};
}

void LoggingWnd::OnLinkFrame(FrameBuffer& frame) {
    if (survey_ == nullptr) {
        return;
    }
    pacer_.BeginReading();
    survey_->OnFrame(frame);
    pacer_.EndReading();
}

void LoggingWnd::Attach(SurveySession& survey) {
    survey_ = &survey;
    calibrate_ = new CalibrateWnd(survey.Qc(), ctx_.screen.portrait, this);
    calibrate_->lower(); // the first child: under the profile and the buttons
    connect(&timer1_, &QTimer::timeout, this, [this] { survey_->Controller().TimerTick(); });
}

void LoggingWnd::Detach() {
    timer1_.stop();
    timer1_.disconnect(this);
    delete calibrate_;
    calibrate_ = nullptr;
    survey_ = nullptr;
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
    for (int i = 0; i < kMonitorRowButtons; ++i) {
        monitorButtons_[i] = MakeButton(this, kMonitorRowLabels[i], kFirstButtonId + i,
                                        QRect(4 + i * monitorStep, y, monitorWidth, 20), true);
    }
    for (int i = 0; i < kStandByRowButtons; ++i) {
        standByButtons_[i] = MakeButton(this, kStandByRowLabels[i], kFirstButtonId + i,
                                        QRect(4 + i * standByStep, y, standByWidth, 20), false);
    }
    for (int i = 0; i < kPauseRowButtons; ++i) {
        pauseButtons_[i] = MakeButton(this, kPauseLabels[i], kFirstButtonId + i,
                                      QRect(4, y, pauseWidth, 20), false);
    }
    auto wire = [this](QPushButton* button) {
        const int id = button->property("controlId").toInt();
        connect(button, &QPushButton::clicked, this,
                [this, id] { survey_->Controller().Command(id); });
    };
    std::for_each(monitorButtons_.begin(), monitorButtons_.end(), wire);
    std::for_each(standByButtons_.begin(), standByButtons_.end(), wire);
    std::for_each(pauseButtons_.begin(), pauseButtons_.end(), wire);
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
    for (int i = 0; i < kMonitorRowButtons; ++i) {
        monitorButtons_[i]->show();
        monitorButtons_[i]->setEnabled(i == kMonitorExit);
    }
    ctx_.session.buttonCount = kMonitorRowButtons;
    for (LogField f : {LogField::Message, LogField::Message2, LogField::InstrumentMode,
                       LogField::Marker, LogField::Ch1, LogField::Ch2, LogField::Ch3, LogField::Ch4,
                       LogField::GpsActivity, LogField::GpsCount, LogField::GpsSat}) {
        texts_[static_cast<std::size_t>(f)].clear();
    }
    texts_[static_cast<std::size_t>(LogField::InstrumentBattery)] = QStringLiteral("B:");
    texts_[static_cast<std::size_t>(LogField::GpsFix)] = QStringLiteral("NO FIX");
    texts_[static_cast<std::size_t>(LogField::GpsPdop)] = QStringLiteral("N/A");
    messageShown_ = false;
    notice_->hide();
    ctx_.previousPoint.fill(0);
    gpsRow_->Reset(ctx_.settings.gpsEnabled == 1);
    gpsRow_->show();
    UpdateStaticTexts();
    curve_->Repaint(true);
    show();
    raise();
    survey_->Controller().OpenSession();
    setFocus();
    update();
}

void LoggingWnd::SetFieldText(LogField field, const QString& text) {
    QString& slot = texts_[static_cast<std::size_t>(field)];
    if (slot == text) {
        return;
    }
    slot = text;
    pacer_.Update(this, layout_.Field(field));
}

void LoggingWnd::SetMessageShown(bool shown) {
    if (messageShown_ == shown) {
        return;
    }
    messageShown_ = shown;
    // The message line and the channel values share the row(s): repaint them whole.
    const QRect& m = layout_.Field(LogField::Message);
    pacer_.Update(this,
                  QRect(0, m.top(), width(), ctx_.screen.portrait ? 2 * m.height() : m.height()));
}

void LoggingWnd::ShowMessageLine(const std::string& text) {
    SetFieldText(LogField::Message, QString::fromStdString(text));
    SetMessageShown(true);
    // Painted now: a wait that blocks this thread (link recovery, the wheel switch) often
    // follows, and the operator must see the text during it, not after.
    if (isVisible()) {
        const QRect& m = layout_.Field(LogField::Message);
        repaint(QRect(0, m.top(), width(), ctx_.screen.portrait ? 2 * m.height() : m.height()));
    }
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
    const DataFile& data = survey_->Data();
    const bool open = data.IsOpen();
    curve_->Redraw(open ? data.path : std::filesystem::path(), open ? data.DataFileSize() : 0,
                   ctx_.readings.normalisation.nullOffsets);
}

bool LoggingWnd::EndSession() {
    return survey_->Watch().EndSession();
}

void LoggingWnd::SetButtonLabel(ButtonRow row, int index, const std::string& label) {
    QPushButton* button = row == ButtonRow::Monitor   ? monitorButtons_.at(index)
                          : row == ButtonRow::StandBy ? standByButtons_.at(index)
                                                      : pauseButtons_.at(index);
    button->setText(QString::fromStdString(label));
}

void LoggingWnd::ShowRow(ButtonRow row, int pauseKey, bool visible) {
    switch (row) {
    case ButtonRow::Monitor:
        for (auto* button : monitorButtons_) {
            button->setVisible(visible);
        }
        break;
    case ButtonRow::StandBy:
        for (auto* button : standByButtons_) {
            button->setVisible(visible);
        }
        break;
    case ButtonRow::Pause:
        if (pauseKey >= 0 && pauseKey < kPauseRowButtons) {
            pauseButtons_[static_cast<std::size_t>(pauseKey)]->setVisible(visible);
        }
        break;
    }
}

void LoggingWnd::SetHighlight(ButtonRow row, int index) {
    auto mark = [&](auto& buttons, ButtonRow which) {
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            buttons[i]->setDefault(which == row && static_cast<int>(i) == index);
        }
    };
    mark(monitorButtons_, ButtonRow::Monitor);
    mark(standByButtons_, ButtonRow::StandBy);
    mark(pauseButtons_, ButtonRow::Pause);
}

void LoggingWnd::EnableMonitorButtons(bool enabled) {
    for (auto* button : monitorButtons_) {
        button->setEnabled(enabled);
    }
}

bool LoggingWnd::MonitorButtonEnabled(int index) const {
    return index >= 0 && index < kMonitorRowButtons &&
           monitorButtons_[static_cast<std::size_t>(index)]->isEnabled();
}

void LoggingWnd::ShowStatus(StatusField field, const std::u16string& text) {
    const QString value = QString::fromStdU16String(text);
    switch (field) {
    case StatusField::State:
        SetFieldText(LogField::StateWord, value);
        break;
    case StatusField::File:
        SetFieldText(LogField::FileName, value);
        break;
    case StatusField::Line:
        SetFieldText(LogField::Line, value);
        break;
    case StatusField::Station:
        SetFieldText(LogField::Station, value);
        break;
    }
    update();
}

void LoggingWnd::ShowProfileNotice(const std::vector<std::string>& lines) {
    QStringList texts;
    for (const std::string& line : lines) {
        texts << QString::fromStdString(line);
    }
    notice_->setText(texts.join(QLatin1Char('\n')));
    notice_->setGeometry(0, 0, curve_->width(), curve_->height());
    notice_->show();
    notice_->raise();
    notice_->repaint();
}

void LoggingWnd::TakeFocus() {
    if (isVisible()) {
        window()->activateWindow();
    }
    setFocus();
}

void LoggingWnd::Repaint() {
    update();
}

void LoggingWnd::HideScreen() {
    notice_->hide();
    hide();
    emit sessionEnded();
}

void LoggingWnd::UpdateStaticTexts() {
    UpdateSessionTexts(texts_, {survey_ ? &survey_->Data() : nullptr, ctx_.session.state,
                                ctx_.settings, ctx_.position, battery_.Cached()});
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
    // Keys without a code of their own (Esc, function keys, punctuation, modifiers) still
    // count as "any key" for pausing; no other command takes them.
    const uint32_t code = KeyCodeFor(*event);
    survey_->Controller().Key(code != 0 ? code : kKeyWithoutCode);
    event->accept();
}

void LoggingWnd::paintEvent(QPaintEvent* event) {
    // Rows and every field's rectangle, shared with the painters until the next paint.
    layout_ = layoutCache_.Get(ctx_.screen, normalFont_, boldFont_);
    UpdateStaticTexts();
    QPainter p(this);
    p.fillRect(rect(), kLightGrey);
    p.setPen(Qt::black);
    p.setBackgroundMode(Qt::TransparentMode);
    const bool portrait = ctx_.screen.portrait;
    for (int i = 0; i < kLogFieldCount; ++i) {
        const auto f = static_cast<LogField>(i);
        const QString& text = texts_[static_cast<std::size_t>(i)];
        // A field outside the repainted region would be clipped away whole: skip its shaping.
        if (text.isEmpty() || !event->region().intersects(layout_.Field(f))) {
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

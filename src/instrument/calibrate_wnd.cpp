#include "instrument/calibrate_wnd.h"

#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

namespace tm47 {

namespace {

const QColor kLightGrey(0xC0, 0xC0, 0xC0);
constexpr int kButtonWidth = 70;
constexpr int kButtonHeight = 20;
constexpr int kButtonY = 124;
constexpr int kButtonStep = 74;

// The key codes this window knows: 9 Tab, 13 Enter, and the letters as typed.
uint32_t CalibrateKeyCode(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    default:
        break;
    }
    const QString text = event.text();
    if (text.size() == 1) {
        const char16_t c = text.at(0).unicode();
        if (c == u'C' || c == u'c' || c == u'O' || c == u'o') {
            return c;
        }
    }
    return 0;
}

} // namespace

CalibrateWnd::CalibrateWnd(QcCheck& check, bool portrait, QWidget* parent)
    : QWidget(parent), check_(check) {
    setObjectName(QStringLiteral("CalibrateWnd"));
    setWindowTitle(QStringLiteral("Calibration"));
    setProperty("controlId", kCalibrateWndId);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kLightGrey);
    setPalette(pal);
    setCursor(Qt::ArrowCursor);
    setGeometry(portrait ? QRect(6, 60, 226, 148) : QRect(30, 35, 260, 148));

    static constexpr const char* kLabels[2] = {"&OK", "&Cancel"};
    const int x0 = portrait ? 41 : 58;
    for (int i = 0; i < 2; ++i) {
        const int id = kCalibrateOkId + i;
        auto* button = new QPushButton(QString::fromLatin1(kLabels[i]), this);
        button->setObjectName(QStringLiteral("button%1").arg(id));
        button->setProperty("controlId", id);
        button->setFocusPolicy(Qt::NoFocus); // keys stay with the window
        button->setAutoDefault(false);
        button->setGeometry(x0 + kButtonStep * i, kButtonY, kButtonWidth, kButtonHeight);
        connect(button, &QPushButton::clicked, this, [this, i] {
            setFocus();
            check_.Command(i);
        });
        buttons_[i] = button;
    }
    timer2_.setTimerType(Qt::PreciseTimer);
    connect(&timer2_, &QTimer::timeout, this, [this] { check_.Timer2Tick(); });
    check_.AttachView(this);
    SyncButtons();
    hide();
}

CalibrateWnd::~CalibrateWnd() {
    timer2_.stop();
    check_.AttachView(nullptr);
}

void CalibrateWnd::ShowCalibration() {
    SyncButtons();
    show();
    raise();
    setFocus();
    update();
}

void CalibrateWnd::HideCalibration() {
    hide();
}

void CalibrateWnd::Redraw() {
    SyncButtons();
    update();
}

void CalibrateWnd::StartTimer2(int periodMs) {
    timer2_.start(periodMs);
}

void CalibrateWnd::StopTimer2() {
    timer2_.stop();
}

// The focused button carries the default-button style.
void CalibrateWnd::SyncButtons() {
    const CalibrationState& s = check_.state;
    buttons_[0]->setEnabled(s.okEnabled);
    for (int i = 0; i < 2; ++i) {
        buttons_[i]->setDefault(s.focusedButton == i);
    }
}

bool CalibrateWnd::event(QEvent* event) {
    // Tab moves between the two buttons here, not along Qt's focus chain.
    if (event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    return QWidget::event(event);
}

void CalibrateWnd::keyPressEvent(QKeyEvent* event) {
    const uint32_t code = CalibrateKeyCode(*event);
    if (code != 0) {
        check_.Key(code);
    }
    event->accept();
}

void CalibrateWnd::paintEvent(QPaintEvent*) {
    const CalibrationScreen screen = Screen();
    QPainter p(this);
    p.fillRect(rect(), kLightGrey);
    p.setPen(Qt::black);
    QFont normal = font();
    QFont bold = font();
    bold.setBold(true);
    // Title and up to seven lines share the room above the buttons.
    const int room = kButtonY - 2;
    const int h = std::min(QFontMetrics(normal).height(), room / 8);
    int y = 1;
    auto line = [&](const std::string& text, const QFont& f) {
        p.setFont(f);
        p.drawText(QRect(0, y, width(), h), Qt::AlignHCenter | Qt::AlignVCenter,
                   QString::fromLatin1(text.c_str()));
        y += h;
    };
    line(screen.title, normal);
    for (std::size_t i = 0; i < screen.lines.size(); ++i) {
        line(screen.lines[i], static_cast<int>(i) == screen.boldLine ? bold : normal);
    }
}

} // namespace tm47

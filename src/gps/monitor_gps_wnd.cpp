#include "gps/monitor_gps_wnd.h"

#include <QDialog>
#include <QKeyEvent>
#include <QScrollBar>

#include "gps/gps_handover_qt.h"
#include "gps/gps_message_dialog.h"

namespace tm47 {

namespace {

const QColor kMonitorBackground(0xC0, 0xC0, 0xC0);
constexpr const char* kButtonLabels[4] = {"&Go", "&Pause", "&Send", "E&xit"};

struct MonitorLayout {
    int listWidth;
    int listHeight;
    int buttonWidth;
    int gap;
};

MonitorLayout LayoutFor(bool portrait) {
    return portrait ? MonitorLayout{236, 260, 76, 4} : MonitorLayout{316, 178, 104, 2};
}

} // namespace

MonitorGPSWnd::MonitorGPSWnd(MonitorGpsContext context, QWidget* parent)
    : QWidget(parent), ctx_(context), message_(QString::fromLatin1(kGpsMessagePreset)),
      runDialog_([](QDialog& dialog) { return dialog.exec(); }) {
    setObjectName(QStringLiteral("MonitorGPSWnd"));
    setWindowTitle(QStringLiteral("Monitor GPS"));
    setProperty("controlId", 3);
    setGeometry(0, 0, ctx_.screen.width, ctx_.screen.height);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kMonitorBackground);
    setPalette(pal);
    setFocusPolicy(Qt::StrongFocus);

    const MonitorLayout layout = LayoutFor(ctx_.screen.portrait);
    const int h = ctx_.screen.height;
    for (int i = 0; i < 4; ++i) {
        // "&Go" sits where "&Pause" is; the others follow in one row.
        const int slot = i == kActionGo ? 0 : i - 1;
        auto* button = new QPushButton(QString::fromLatin1(kButtonLabels[i]), this);
        button->setObjectName(QString::number(kIdMonitorGo + i));
        button->setProperty("controlId", kIdMonitorGo + i);
        button->setFocusPolicy(Qt::NoFocus);
        button->setGeometry(2 + slot * (layout.buttonWidth + layout.gap), h - 28,
                            layout.buttonWidth, 24);
        connect(button, &QPushButton::clicked, this, [this, i] { HandleAction(i); });
        buttons_[i] = button;
    }
    buttons_[kActionGo]->hide();
    buttons_[kActionGo]->setEnabled(false);

    list_ = new QListWidget(this);
    list_->setObjectName(QString::number(kIdMonitorList));
    list_->setProperty("controlId", kIdMonitorList);
    list_->setGeometry(2, 2, layout.listWidth, layout.listHeight);
    list_->setFrameShape(QFrame::Box);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setFocusPolicy(Qt::NoFocus);

    edit_ = new QLineEdit(QString::fromLatin1(kGpsMessagePreset), this);
    edit_->setObjectName(QString::number(kIdMonitorEdit));
    edit_->setProperty("controlId", kIdMonitorEdit);
    edit_->setGeometry(2, h - 54, layout.listWidth, 22);
    edit_->setMaxLength(kGpsMessageMax);
    edit_->setFocusPolicy(Qt::ClickFocus);

    SetDefault(defaultIndex_);

    ctx_.reader.SetLineSink([this] { TakeLine(); });
    DrainOnGuiThread(ctx_.reader.Handover(), this);
    hide();
}

MonitorGPSWnd::~MonitorGPSWnd() {
    // No monitor reader outlives its window.
    ctx_.reader.Stop();
    ctx_.reader.Handover().SetWake({});
    ctx_.reader.SetLineSink({});
}

void MonitorGPSWnd::Open() {
    show();
    raise();
    TakeFocus();
}

void MonitorGPSWnd::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The screen was left paused: a reader started for this visit waits for "&Go" as well.
    if (paused_) {
        ctx_.reader.Suspend();
    }
}

void MonitorGPSWnd::TakeFocus() {
    if (isVisible()) {
        setFocus();
    }
}

void MonitorGPSWnd::TakeLine() {
    GpsFix& fix = ctx_.fix;
    if (fix.sentenceValid == 1 && ctx_.settings.gpsEnabled == 1) {
        const QString text = QString::fromUtf16(
            fix.validSentenceText.data(), static_cast<qsizetype>(fix.validSentenceText.size()));
        while (list_->count() >= kMonitorListMax) {
            delete list_->takeItem(0);
        }
        list_->addItem(text);
        list_->scrollToItem(list_->item(list_->count() - 1), QAbstractItemView::PositionAtBottom);
        fix.sentenceValid = 0;
        list_->update();
    }
    TakeFocus();
}

void MonitorGPSWnd::HandleAction(int action) {
    switch (action) {
    case kActionGo:
        Go();
        break;
    case kActionPause:
        Pause();
        break;
    case kActionSend:
        Send();
        break;
    case kActionExit:
        Exit();
        break;
    default:
        break;
    }
}

void MonitorGPSWnd::HandleChar(int ch) {
    switch (ch) {
    case 'g':
    case 'G':
        HandleAction(kActionGo);
        break;
    case 'p':
    case 'P':
        HandleAction(kActionPause);
        break;
    case 's':
    case 'S':
        HandleAction(kActionSend);
        break;
    case 'x':
    case 'X':
        HandleAction(kActionExit);
        break;
    case '\r':
        HandleAction(defaultIndex_);
        break;
    case '\t':
        Tab();
        break;
    default:
        break;
    }
}

bool MonitorGPSWnd::event(QEvent* event) {
    // Tab belongs to the default-button ring, not to Qt's focus chain.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        int ch = 0;
        if (key->key() == Qt::Key_Tab) {
            ch = 9;
        } else if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            ch = 13;
        } else if (key->text().size() == 1) {
            ch = key->text().at(0).unicode();
        }
        if (ch != 0) {
            HandleChar(ch);
        }
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void MonitorGPSWnd::SetDefault(int index) {
    defaultIndex_ = index;
    for (int i = 0; i < 4; ++i) {
        buttons_[i]->setDefault(i == index);
    }
}

void MonitorGPSWnd::Tab() {
    int index = defaultIndex_ + 1;
    if (index > 3) {
        index = 0;
    }
    // The hidden one of "&Go" and "&Pause" is skipped.
    if (index == kActionGo && running_) {
        index = kActionPause;
    } else if (index == kActionPause && !running_) {
        index = kActionSend;
    }
    SetDefault(index);
}

void MonitorGPSWnd::ShowRunning(bool running) {
    buttons_[kActionGo]->setVisible(!running);
    buttons_[kActionGo]->setEnabled(!running);
    buttons_[kActionPause]->setVisible(running);
    buttons_[kActionPause]->setEnabled(running);
    running_ = running;
}

void MonitorGPSWnd::Go() {
    ctx_.gpsPort.PurgeTx();
    ctx_.gpsPort.PurgeRx();
    ctx_.reader.Resume();
    paused_ = false;
    ShowRunning(true);
    if (defaultIndex_ == kActionGo) {
        SetDefault(kActionPause);
    }
    TakeFocus();
}

void MonitorGPSWnd::Pause() {
    ctx_.reader.Suspend();
    paused_ = true;
    ctx_.gpsPort.PurgeTx();
    ctx_.gpsPort.PurgeRx();
    ShowRunning(false);
    if (defaultIndex_ == kActionPause) {
        SetDefault(kActionGo);
    }
    TakeFocus();
}

void MonitorGPSWnd::Send() {
    message_ = edit_->text().left(kGpsMessageMax);
    int result = 0;
    {
        GetGPSMessage dialog(message_, this);
        result = runDialog_(dialog);
    }
    if (result == 1) {
        edit_->setText(message_);
        // 8-bit characters; what Latin-1 cannot hold goes out as "?".
        QByteArray bytes = message_.toLatin1();
        bytes.append("\r\n");
        if (!paused_) {
            ctx_.reader.Suspend();
            WaitMs(ctx_.clock, 2);
        }
        ctx_.gpsPort.PurgeTx();
        WaitMs(ctx_.clock, 2);
        ctx_.gpsPort.PurgeRx();
        WaitMs(ctx_.clock, 2);
        ctx_.gpsPort.Write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        WaitMs(ctx_.clock, 5);
        ctx_.reader.Resume();
        ShowRunning(true);
        paused_ = false;
    }
    TakeFocus();
}

void MonitorGPSWnd::Exit() {
    if (ctx_.settings.gpsEnabled == 1) {
        // Closing the port ends the reader; a paused reader is released to see it.
        ctx_.gpsPort.Close();
        ctx_.reader.Stop();
    }
    hide();
    emit exited();
}

} // namespace tm47

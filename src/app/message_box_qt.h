#pragma once
// Message boxes as the operator sees them: QMessageBox with the caption, text, icon and
// buttons given, modal, its own top-level window. On a display without a window manager
// nobody hands the new window the keyboard, so it takes the focus itself and gives it back to
// its owner's window when it closes.

#include <QPointer>
#include <QWidget>

#include "platform/message_sink.h"

namespace tm47 {

class QtMessageSink final : public MessageSink {
public:
    explicit QtMessageSink(QWidget* owner = nullptr) : owner_(owner) {}
    void SetOwner(QWidget* owner) { owner_ = owner; }

    MessageAnswer Show(std::string_view caption, std::string_view text, MessageIcon icon,
                       MessageButtons buttons) override;

private:
    QPointer<QWidget> owner_;
};

} // namespace tm47

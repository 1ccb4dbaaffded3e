#include "app/message_box_qt.h"

#include <QMessageBox>

#include "platform/dialog_frame_qt.h"

namespace tm47 {

namespace {

QMessageBox::Icon ToQt(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageAnswer QtMessageSink::Show(std::string_view caption, std::string_view text, MessageIcon icon,
                                  MessageButtons buttons) {
    // Texts break lines with CR LF; the label wants LF.
    QString body = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const auto qtButtons = buttons == MessageButtons::YesNo
                               ? QMessageBox::StandardButtons(QMessageBox::Yes | QMessageBox::No)
                               : QMessageBox::StandardButtons(QMessageBox::Ok);
    QMessageBox box(ToQt(icon),
                    QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())), body,
                    qtButtons, owner_ ? owner_->window() : nullptr);
    box.setTextFormat(Qt::PlainText);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.show();
    box.raise();
    box.activateWindow();
    const int answer = RunModal(box);
    switch (answer) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        return MessageAnswer::Ok;
    }
}

} // namespace tm47

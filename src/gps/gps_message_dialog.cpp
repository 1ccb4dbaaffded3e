#include "gps/gps_message_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/dialog_frame_qt.h"

namespace tm47 {

GetGPSMessage::GetGPSMessage(QString& message, QWidget* parent)
    : QDialog(parent), message_(message) {
    setWindowTitle(QStringLiteral("GPS Message"));
    setObjectName(QStringLiteral("GetGPSMessage"));

    prompt_ = new QLabel(QStringLiteral("Enter GPS message to be send"), this);
    prompt_->setObjectName(QString::number(kIdGpsMessagePrompt));
    prompt_->setProperty("controlId", kIdGpsMessagePrompt);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QString::number(kIdGpsMessageEdit));
    edit_->setProperty("controlId", kIdGpsMessageEdit);
    edit_->setMaxLength(kGpsMessageMax);
    edit_->setText(message_.left(kGpsMessageMax));
    prompt_->setBuddy(edit_);

    QDialogButtonBox* buttons = OkCancelButtons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt_);
    layout->addWidget(edit_);
    layout->addWidget(buttons);
    edit_->setFocus();
}

void GetGPSMessage::accept() {
    message_ = edit_->text().left(kGpsMessageMax);
    done(1);
}

void GetGPSMessage::reject() {
    done(0);
}

} // namespace tm47

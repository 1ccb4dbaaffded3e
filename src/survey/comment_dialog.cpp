#include "survey/comment_dialog.h"

#include "datafile/record_writers.h"
#include "platform/dialog_frame_qt.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tm47 {

GetComment::GetComment(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Enter Comment"));
    setObjectName(QStringLiteral("GetComment"));
    auto* hint = new QLabel(QStringLiteral("Maximum 11 characters"), this);
    comment_ = new QLineEdit(this);
    comment_->setObjectName(QStringLiteral("comment"));
    hint->setBuddy(comment_);

    QDialogButtonBox* buttons = OkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(comment_);
    layout->addWidget(buttons);
    comment_->setFocus();
}

std::u16string GetComment::Comment() const {
    return comment_->text().left(kCommentReadMax).toStdU16String();
}

bool RunComment(SurveyDialogContext& ctx, QWidget* parent) {
    if (ctx.inputPanel) {
        ctx.inputPanel(true);
    }
    GetComment dialog(parent);
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    if (ctx.inputPanel) {
        ctx.inputPanel(false);
    }
    if (!confirmed) {
        return false;
    }
    WriteNote(ctx.records, dialog.Comment(), 'C');
    return true;
}

} // namespace tm47

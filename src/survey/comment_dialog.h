#pragma once
// "Enter Comment" (template `GetComment`): one line of text from the operator, stored as a
// comment record. The record keeps the first 11 characters ("Maximum 11 characters", as the
// dialog says) and pads shorter texts with blanks. GUI thread only.

#include <QDialog>

#include "survey/survey_dialog_context.h"

class QLineEdit;

namespace tm47 {

// Characters taken from the field on OK; the record keeps 11 of them.
inline constexpr int kCommentReadMax = 41;

class GetComment : public QDialog {
    Q_OBJECT
public:
    explicit GetComment(QWidget* parent = nullptr);

    QLineEdit* CommentField() const { return comment_; }
    // The text as read on OK: at most kCommentReadMax characters.
    std::u16string Comment() const;

private:
    QLineEdit* comment_ = nullptr;
};

// The Comment command of the Stand By state: shows GetComment modally; OK writes a comment
// record (letter C). Returns true when a record was written; the caller redraws the profile
// either way.
bool RunComment(SurveyDialogContext& ctx, QWidget* parent);

} // namespace tm47

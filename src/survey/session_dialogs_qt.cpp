#include "survey/session_dialogs_qt.h"

#include <QAction>
#include <QApplication>

#include "profile/display_options_dialog.h"
#include "profile/profile_scale_dialog.h"
#include "survey/comment_dialog.h"
#include "survey/create_data_file_dialog.h"
#include "survey/new_line_dialog.h"
#include "survey/new_station_dialog.h"
#include "survey/survey_session.h"

namespace tm47 {

SessionDialogs::SessionDialogs(LoggingContext context, QWidget& owner)
    : ctx_(std::move(context)), owner_(owner), chooseSaveFile_(ChooseSaveFileWithQt) {}

MessageAnswer SessionDialogs::MessageBox(const std::string& caption, const std::string& text,
                                         MessageIcon icon, MessageButtons buttons) {
    if (!ctx_.messages) {
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
    }
    return ctx_.messages->Show(caption, text, icon, buttons);
}

SurveyDialogContext SessionDialogs::DialogContext() {
    return SurveyDialogContext{ctx_.settings,
                               ctx_.position,
                               survey_->Records(),
                               *ctx_.root,
                               *ctx_.messages,
                               &ctx_.previousPoint,
                               {}};
}

void SessionDialogs::RunCreateDataFile() {
    if (!ctx_.root || !ctx_.messages) {
        return;
    }
    SurveyDialogContext dialog = DialogContext();
    tm47::RunCreateDataFile(dialog, ctx_.session, survey_->CurrentHeaderOffsets(),
                            ctx_.readings.nulling.previousOffsets, &owner_, chooseSaveFile_);
}

int SessionDialogs::RunNewLine() {
    GetNewLine dialog(ctx_.settings, ctx_.position, &owner_);
    return runDialog_(dialog) == QDialog::Accepted ? 1 : 0;
}

void SessionDialogs::RunNewStation() {
    if (!ctx_.root || !ctx_.messages) {
        return;
    }
    SurveyDialogContext context = DialogContext();
    GetNewStation dialog(context, &owner_);
    runDialog_(dialog);
}

std::optional<std::u16string> SessionDialogs::RunComment() {
    GetComment dialog(&owner_);
    if (runDialog_(dialog) != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Comment();
}

void SessionDialogs::RunScale() {
    if (!ctx_.root) {
        return;
    }
    GetNewProfileScale dialog(ctx_.settings, *ctx_.root, &ctx_.previousPoint, &owner_);
    runDialog_(dialog);
}

void SessionDialogs::RunDisplayOptions() {
    if (!ctx_.root) {
        return;
    }
    GetOptions dialog(ctx_.settings, *ctx_.root, &owner_);
    dialog.SetLiveChange([this] { RedrawProfile(); });
    runDialog_(dialog);
}

int SessionDialogs::TrackPopupMenu() {
    QMenu menu(&owner_);
    // Menu 1100, separated before Nulling and before Hide Menu.
    for (int i = 0; i < kPopupItems; ++i) {
        if (i == 2 || i == 5) {
            menu.addSeparator();
        }
        QAction* action = menu.addAction(QString::fromLatin1(kPopupLabels[i]));
        action->setData(kPopupScale + i);
    }
    if (runMenu_) {
        return runMenu_(menu);
    }
    // Right-aligned at (220, 10).
    const QSize size = menu.sizeHint();
    QAction* chosen = menu.exec(owner_.mapToGlobal(QPoint(220 - size.width(), 10)));
    return chosen ? chosen->data().toInt() : 0;
}

void SessionDialogs::CloseDialog(const std::string& title, DialogClose how) {
    const QString wanted = QString::fromStdString(title);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible() || top->windowTitle() != wanted) {
            continue;
        }
        if (auto* dialog = qobject_cast<QDialog*>(top)) {
            // Its nested event loop ends; the owner of the dialog destroys it.
            dialog->done(QDialog::Rejected);
        } else if (how == DialogClose::Hide) {
            top->hide();
        } else {
            top->close();
        }
    }
}

} // namespace tm47

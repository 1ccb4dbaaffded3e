#pragma once
// What every dialog of the screens shares: the OK/Cancel row and running the dialog modally.
// Without a window manager nobody hands the keyboard back when a modal window closes, so the
// run gives it back to the window that owns the dialog.
//
// Header only (Qt Widgets): the dialogs of every folder use it.

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QString>
#include <cstdint>

namespace tm47 {

// An OK/Cancel row wired to the dialog's own accept() and reject(), for the caller's layout.
inline QDialogButtonBox* OkCancelButtons(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

// A control's id, as the object name ("910") and as the property "controlId", so tests and
// key handling find it.
inline void TagControl(QWidget* widget, int id) {
    widget->setObjectName(QString::number(id));
    widget->setProperty("controlId", id);
}

// The selected index of a list, or `previous` when the list has no selection (it opened on a
// stored value the list does not hold).
inline int32_t SelectedOr(const QComboBox* list, int32_t previous) {
    const int selected = list->currentIndex();
    return selected >= 0 ? selected : previous;
}

// exec(), then the keyboard back to the owner's window while it is shown.
inline int RunModal(QDialog& dialog) {
    const int result = dialog.exec();
    if (QWidget* owner = dialog.parentWidget(); owner && owner->window()->isVisible()) {
        owner->window()->activateWindow();
    }
    return result;
}

} // namespace tm47

#pragma once
// The handheld's screens take key codes: letters as their character codes in either case,
// 9 Tab, 13 Enter, 32 Space, 37..40 the arrows. Qt key events are turned into those codes
// here, so the screens' key tables read as the operator's keyboard does.
//
// Header only (Qt): every screen window uses it.

#include <QKeyEvent>

#include <cstdint>

namespace tm47 {

// A key down with no code above: outside every key table, so only "any key" takes it.
inline constexpr uint32_t kKeyWithoutCode = 0x10000;

// 0 for keys no screen knows.
inline uint32_t KeyCodeFor(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Backtab:
        return 9; // the keyboard reports Shift+Tab as Tab
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    default:
        break;
    }
    const QString text = event.text();
    if (text.size() == 1) {
        const char16_t c = text.at(0).unicode();
        if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')) {
            return c;
        }
    }
    // Letters with modifiers that swallow the text (Ctrl): the upper-case code.
    if (event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z) {
        return static_cast<uint32_t>('A' + (event.key() - Qt::Key_A));
    }
    return 0;
}

} // namespace tm47

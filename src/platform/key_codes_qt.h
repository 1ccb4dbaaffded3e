#pragma once
// Qt key events turned into the handheld's key codes (keys.h), so the screens' key tables read
// as the operator's keyboard does.
//
// Header only (Qt): every screen window uses it.

#include <QKeyEvent>

#include <cstdint>

#include "platform/keys.h"

namespace tm47 {

// 0 for keys no screen knows.
inline uint32_t KeyCodeFor(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Tab:
        return kKeyTab;
    case Qt::Key_Backtab:
        return kKeyTab; // the keyboard reports Shift+Tab as Tab
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return kKeyEnter;
    case Qt::Key_Space:
        return kKeySpace;
    case Qt::Key_Left:
        return kKeyLeft;
    case Qt::Key_Up:
        return kKeyUp;
    case Qt::Key_Right:
        return kKeyRight;
    case Qt::Key_Down:
        return kKeyDown;
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

#pragma once
// Keys as the keyboard sends them to the program, for tests that work its
// windows without a mouse: Qt's key with the physical key's X keycode (evdev
// code + 8, what the key capture reads), sent to whatever takes keys now: an
// open menu, the focused widget, or the focus child of the modal dialog.

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace vandrel::test {

// Linux input codes of the keys the tests press.
namespace evdev {
constexpr int kEvEsc = 1, kEvTab = 15, kEvEnter = 28, kEvLeftCtrl = 29, kEvA = 30, kEvH = 35, kEvZ = 44, kEvC = 46,
              kEvSpace = 57, kEvUp = 103, kEvLeft = 105, kEvRight = 106, kEvDown = 108;
}

// Where a key goes now. Headless, a dialog may not be the active window: its
// focus child then.
inline QWidget* keyTarget() {
    if (QWidget* popup = QApplication::activePopupWidget()) return popup;
    QWidget* to = QApplication::focusWidget();
    if (QWidget* modal = QApplication::activeModalWidget(); modal && (!to || to->window() != modal))
        to = modal->focusWidget() ? modal->focusWidget() : modal;
    return to;
}

inline void keyEvent(QEvent::Type type, int key, int evdevCode, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* to = keyTarget();
    if (!to) return;  // the key closed the last window: its release goes nowhere
    // Letters carry their text, as menus match their accelerators by it.
    QString text;
    if (key >= Qt::Key_A && key <= Qt::Key_Z && !(mods & (Qt::ControlModifier | Qt::AltModifier)))
        text = QChar(mods & Qt::ShiftModifier ? key : key - Qt::Key_A + 'a');
    QKeyEvent e(type, key, mods, static_cast<quint32>(evdevCode + 8), 0, 0, text);
    QApplication::sendEvent(to, &e);
}

inline void typeKey(int key, int evdevCode, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    keyEvent(QEvent::KeyPress, key, evdevCode, mods);
    keyEvent(QEvent::KeyRelease, key, evdevCode, mods);
}

}  // namespace vandrel::test

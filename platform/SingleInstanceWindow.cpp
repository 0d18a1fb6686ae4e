// The window side of the single instance, kept apart so that the instance
// socket and lock build without the widgets (the command-line tool uses them).

#include <QWidget>

#include "platform/SingleInstance.h"

namespace vandrel {

void SingleInstance::bringToFront(QWidget* window) {
    if (!window) return;
    window->showNormal();
    window->raise();
    window->activateWindow();
}

}  // namespace vandrel

#pragma once
// Where a dialog that belongs over the main window appears. X11 (and Windows)
// put a window where the program asks; a Wayland compositor places top-level
// windows itself (at a corner of the screen, or centred on it, whatever the
// program asked). There such a dialog is drawn inside the main window
// instead, at the place it has on X11, and the rest of the window takes no
// input while it runs, as beside a modal window.

#include <QPoint>
#include <optional>

class QDialog;
class QWidget;

namespace vandrel {

// Whether dialogs are drawn inside the main window on this platform.
bool dialogsInsideMainWindow();

// Runs `dialog` modally over `host` (the main window) with its top-left
// corner at `topLeft` in `host`'s coordinates, or centred over `host` when
// none is given (where the platform places windows itself, it does so).
// `inside` says whether to draw it inside `host`; drawn inside, the dialog
// stays a hidden child of `host` when it ends, ready to be run again.
int execOver(QDialog& dialog, QWidget* host, std::optional<QPoint> topLeft = std::nullopt,
             bool inside = dialogsInsideMainWindow());

}  // namespace vandrel

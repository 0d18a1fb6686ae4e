#pragma once
// The dialogs and message boxes that a window or a dialog of the program
// opens: each runs over the one that opened it, centred on it, and a reader
// finds it by its title, whether it is a window of its own (X11) or drawn
// inside the main window (Wayland).

#include <QMessageBox>
#include <optional>

#include "platform/DialogPlacement.h"

class QDialog;
class QWidget;

namespace vandrel {

// Runs `dialog` modally over `opener`: centred on it, or with its top-left
// corner at `topLeft` in `opener`'s coordinates. Inside the main window where
// the platform places windows itself (see execOver).
int runDialogOver(QDialog& dialog, QWidget* opener, std::optional<QPoint> topLeft = std::nullopt,
                  bool inside = dialogsInsideMainWindow());

// A message box over `opener`, as QMessageBox's own functions ask.
QMessageBox::StandardButton askOver(QWidget* opener, QMessageBox::Icon icon, const QString& caption,
                                    const QString& text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton,
                                    bool inside = dialogsInsideMainWindow());

}  // namespace vandrel

#pragma once
// What the main window asks of the outside world (message boxes, the colour
// picker, the dialogs, the desktop), as function objects, so that the
// application can plug in the desktop's services and tests can answer
// dialogs. An empty function means the service is not there.

#include <QColor>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "keymap/KeyAssignment.h"
#include "macro/MacroManager.h"
#include "update/AppVersion.h"

class QWidget;

namespace vandrel {

// The answer to "save before closing?".
enum class CloseChoice { Save, Discard, Cancel };

// The key the key-map dialog edits.
struct KeyEditTarget {
    int slot = -1;
    uint8_t homeVk = 0;
    uint8_t usage = 0;
};

struct WindowHooks {
    // A colour picker: the chosen colour, or nothing when cancelled.
    std::function<std::optional<QColor>(QWidget* parent, const QColor& initial)> pickColour;
    // "确认恢复至出厂设置吗？" with OK and Cancel: true for OK.
    std::function<bool(QWidget* parent)> confirmFactoryReset;
    // A warning message box.
    std::function<void(QWidget* parent, const QString& caption, const QString& text)> warn;
    // Hides the window to the notification area; false when it cannot be
    // hidden (the minimise button then minimises it to the task bar).
    std::function<bool(QWidget* window)> hideWindow;
    // The key-map dialog: fills the request and returns true for OK.
    std::function<bool(QWidget* parent, const KeyEditTarget& key, AssignmentRequest& request)> runKeyMapDialog;
    // The macro manager: on OK, where each macro of the store went; nothing
    // on Cancel.
    std::function<std::optional<MacroRenumbering>(QWidget* parent)> runMacroManager;
    // The profile dialog: true for OK.
    std::function<bool(QWidget* parent)> runProfileDialog;
    // The help popup's rows.
    std::function<void()> openWebSite;
    std::function<void()> startUpdater;
    // A launch key's input code.
    std::function<void(uint8_t code)> launchKey;
    // Closing with unsaved changes: save them, discard them, or keep the
    // window open. `unsaved` is the bottom line's text.
    std::function<CloseChoice(QWidget* parent, const QString& unsaved)> askBeforeClose;
    // The file dialogs of the painting tools: a PNG or JPEG picture to read,
    // and where to write one (`suggested`: a file name to start from). An
    // empty answer is a cancel.
    std::function<QString(QWidget* parent)> openPicture;
    std::function<QString(QWidget* parent, const QString& suggested)> savePicture;
    // After a read of the keyboard: offers the firmware updater when due.
    std::function<void(QWidget* parent, const AppVersion& app, const FirmwareVersion& fw)> offerUpdate;
};

// The toolkit's own dialogs for the hooks that have one: the colour picker,
// the factory-reset question, warnings and the question on closing.
WindowHooks standardWindowHooks();

}  // namespace vandrel

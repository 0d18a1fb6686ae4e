#pragma once
// The key-map dialog: a frameless modal window composed off screen from the
// png/Custom/ skins, with the single-key and combination fields, the macro
// list and the function tree placed over the picture. Clicks, moves, focus
// changes and the keys captured from the keyboard go to the dialog's model;
// this class mirrors the model into its controls and ends the dialog when the
// model says so.

#include <QImage>
#include <functional>

#include "app/draw/KeyMapRenderer.h"
#include "theme/SkinCache.h"
#include "app/model/AppState.h"
#include "app/model/KeyMapDialogModel.h"
#include "app/ui/DrawnDialog.h"
#include "layout/KeyboardLayout.h"
#include "platform/KeyCapture.h"
#include "platform/LaunchChoosers.h"
#include "platform/ShortcutInhibitor.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace vandrel {

class VividTree;

class CKeyMap : public DrawnDialog {
    Q_OBJECT
public:
    // `model` outlives the dialog (it keeps the last chosen function between
    // openings); `skinFolder` is the program's png/ folder.
    CKeyMap(KeyMapDialogModel& model, const QString& skinFolder, QWidget* parent = nullptr);
    ~CKeyMap() override;

    // Opens the model for `slot` and fills the controls; installs key capture
    // unless `captureKeys` is false (tests feed keys through keyStroke()).
    // `focusShown`: the dialog was opened from the keyboard, so its focus
    // mark shows from the start.
    void prepare(int slot, KeyRecord& record, const DeviceImage& image, const MacroStore& macros,
                 bool captureKeys = true, bool focusShown = false);

    LaunchChooserServices& choosers() { return m_choosers; }
    // The desktop's keyboard layout, in which the keys page says what the
    // chosen key or combination types.
    void setKeyboardLayout(const KeyboardLayout& layout);
    // The names the fields and the title give the keys.
    void setKeyNames(const KeyNameTable& names);
    QLabel* typedLine() const { return m_typed; }
    // The message box of an OK that the dialog refuses; replaceable for tests.
    std::function<void(QWidget* parent, const QString& text)> showMessage;
    // Hands the window's move over to the window manager; false where it
    // cannot, and the dialog then follows the mouse itself. Replaceable for tests.
    std::function<bool()> beginSystemMove;

    // Input as the window receives it, in dialog coordinates (also for tests).
    void clickAt(const QPoint& pos);
    void keyStroke(uint8_t vk);
    void focusField(EditField field);

    QImage composeFrame();
    QLineEdit* singleEdit() const { return m_single; }
    QLineEdit* combinationEdit() const { return m_combination; }
    QListWidget* macroList() const { return m_macros; }
    VividTree* functionTree() const { return m_tree; }
    const KeyCapture& capture() const { return m_capture; }
    const ShortcutInhibitor& desktopShortcuts() const { return m_shortcuts; }

    // The drawn elements for the screen reader and the keyboard focus.
    UiElements uiElements() const override;
    ElementFocus elementFocus() const override { return m_model.focus(); }
    void focusElement(int id) override;
    void activateElement(int id) override;
    QWidget* elementControl(int id) const override;

signals:
    void framePainted();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool navigate(NavKey key) override;

private:
    void syncControls();
    void updateTypedLine();
    void fillTree();
    void redraw();
    void runClick(const KeyMapClickResult& r);
    // The key field that has the focus, or None.
    EditField focusedField() const;
    // The user asks a key field for a new key (a click, or Space on it).
    void armField(EditField field);

    KeyMapDialogModel& m_model;
    SkinCache m_skins;
    KeyMapRenderer m_renderer;
    KeyCapture m_capture{KeyCapture::Mode::Strokes};
    ShortcutInhibitor m_shortcuts;
    LaunchChooserServices m_choosers;
    QImage m_frame;
    QLineEdit* m_single = nullptr;
    QLineEdit* m_combination = nullptr;
    QListWidget* m_macros = nullptr;
    VividTree* m_tree = nullptr;
    QLabel* m_typed = nullptr;
    KeyboardLayout m_layout;
    QPoint m_dragOffset;
    bool m_manualDrag = false;
    bool m_dragPending = false;  // pressed on free space, not yet moved
    // A Shift pressed in a key field with no capture armed, kept until the
    // key it goes with shows whether it is Shift+Tab (0: none).
    uint8_t m_heldShift = 0;
    bool m_syncing = false;
};

// Runs the dialog modally for `slot` of `state` and, on OK, copies the result
// into `request` (its slot set) and the key's record as the page switches left
// it into `state`; otherwise `state` is not touched. `beforeShow` runs when the
// dialog is ready, just before it is shown (tests and the benchmark hook in there).
// `byKeyboard`: the key was chosen from the keyboard; the dialog shows its
// focus mark at once.
bool RunKeyMapDialog(KeyMapDialogModel& model, const QString& skinFolder, QWidget* parent, int slot,
                     AppState& state, AssignmentRequest& request,
                     const std::function<void(CKeyMap&)>& beforeShow = nullptr, bool byKeyboard = false);

}  // namespace vandrel

#pragma once
// The macro manager: a frameless skinned dialog with the sorted macro list,
// the event list of the selected macro, the record button, the two check
// boxes, the loop-count box and New, Delete, OK and Cancel. It works on a
// working copy; OK copies it over the store it was opened on. Input goes to
// the window's model; this class asks the user where a click needs an answer
// and feeds the key capture's reports to the recorder.

#include <QImage>
#include <QMessageBox>
#include <functional>
#include <memory>

#include "app/draw/MacroRecordDlgRenderer.h"
#include "app/model/InsertTextModel.h"
#include "theme/SkinCache.h"
#include "app/model/MacroRecordDlgModel.h"
#include "app/ui/DrawnDialog.h"

class QLineEdit;

namespace vandrel {

class CTransparentListBox;

// Context-menu command ids of the event list.
enum MacroMenuCommand : int {
    kCmdCaptureBefore = 32790,
    kCmdCaptureAfter = 32791,
    kCmdInsertDelay = 32793,
    kCmdLeftPress = 32800,
    kCmdLeftRelease = 32801,
    kCmdLeftClick = 32802,
    kCmdRightPress = 32804,
    kCmdRightRelease = 32806,
    kCmdRightClick = 32807,
    kCmdMiddlePress = 32811,
    kCmdMiddleRelease = 32812,
    kCmdMiddleClick = 32813,
    kCmdDeleteRow = 32815,
    kCmdInsertText = 32820,
};

class CMacroRecordDlg : public DrawnDialog {
    Q_OBJECT
public:
    // A message box: caption, text and buttons; returns the button chosen.
    using AskUser = std::function<QMessageBox::StandardButton(QWidget* parent, const QString& caption,
                                                              const QString& text, QMessageBox::StandardButtons)>;
    // Makes the key capture that reports to the dialog's hookKey(); tests pass
    // their own. Without one the desktop's key capture is used.
    using HookFactory = std::function<std::unique_ptr<MacroKeyHook>(CMacroRecordDlg& dialog)>;

    // `skinFolder` is png/ beside the program.
    CMacroRecordDlg(MacroStore& store, const QString& skinFolder, QWidget* parent = nullptr,
                    const HookFactory& hookFactory = {});
    ~CMacroRecordDlg() override;

    AskUser askUser;
    // The "插入文本" dialog: the key actions to insert, or none when cancelled.
    // Replaceable for tests.
    std::function<std::vector<KeyAction>(QWidget* parent, InsertTextModel& model)> askText;
    // The desktop's keyboard layout, the one a text is typed in unless
    // another is chosen. A change while Insert text is open reaches it too.
    void setKeyboardLayout(const KeyboardLayout& layout);
    // The names the key rows give the keys; the rows are named anew.
    void setKeyNames(const KeyNameTable& names);

    // A key action reported by the key capture, with the time the platform
    // stamped on it in milliseconds (0 = none).
    void hookKey(uint8_t vk, bool released, uint64_t timestampMs);
    // A command of the event list's context menu.
    void menuCommand(int id);

    const MacroRecordDlgModel& model() const { return m_model; }
    // After OK: where each macro of the store went (see MacroRenumbering).
    const MacroRenumbering& renumbering() const { return m_renumbering; }
    CTransparentListBox* macroList() const { return m_macroList; }
    CTransparentListBox* eventList() const { return m_eventList; }
    QLineEdit* loopEdit() const { return m_loopEdit; }
    // The window as painted (without its child controls).
    QImage composeFrame();
    // Opened from the keyboard: the focus mark shows from the start.
    void showFocusMark(bool shown);

    // The drawn elements for the screen reader and the keyboard focus.
    UiElements uiElements() const override;
    ElementFocus elementFocus() const override { return m_model.focus(); }
    void focusElement(int id) override;
    void activateElement(int id) override;
    QWidget* elementControl(int id) const override;

public slots:
    void reject() override;

signals:
    // The layout of setKeyboardLayout() changed.
    void keyboardLayoutChanged();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool navigate(NavKey key) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void press(int region, bool byKeyboard);
    void refresh();
    void click(MacroClick c);
    void deleteMacro();
    void ok();
    // Closing with changes: keep them, drop them, or stay open.
    void askBeforeClose();
    void showContextMenu(const QPoint& globalPos);
    static QString caption();
    static QString macroFullText();
    void tell(const QString& text);
    void editResult(EditResult r);
    void listRenamed(int newRow);
    void insertText();

    MacroStore& m_store;
    MacroRenumbering m_renumbering{};
    EventTimeClock m_clock;
    std::unique_ptr<MacroKeyHook> m_hook;
    KeyNameTable m_names = keyNames();  // before the model, which names rows with it
    MacroRecordDlgModel m_model;
    SkinCache m_skins;
    MacroRecordDlgRenderer m_renderer;
    QImage m_frame;
    CTransparentListBox* m_macroList = nullptr;
    CTransparentListBox* m_eventList = nullptr;
    QLineEdit* m_loopEdit = nullptr;
    KeyboardLayout m_layout;
    QPoint m_dragOffset;
    bool m_manualDrag = false;
    // The running recording was started from the keyboard: Escape ends it.
    bool m_keyboardRecording = false;
    int m_shownMacro = -2;  // whose events the event list shows
    InsertTextModel* m_insertText = nullptr;  // while Insert text is open
};

// The desktop's key capture for the recorder (presses and releases, the
// desktop's own shortcuts taken from it while it runs).
std::unique_ptr<MacroKeyHook> makeDesktopMacroKeyHook(CMacroRecordDlg& dialog);

}  // namespace vandrel

#pragma once
// The macro manager window's behaviour without any toolkit: its seven
// clickable regions with their hover and tick states, what a click does, the
// undo history of the open dialog, and the check for keys a macro leaves held
// when OK is pressed. The macro work itself (working copy, recorder, event
// list) is the MacroManager's; every change goes through here so that it can
// be undone. The window forwards input, asks the user where a click needs an
// answer, and draws this state.

#include <array>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/model/MainButtonTable.h"
#include "app/model/UiElement.h"
#include "util/TextLookup.h"
#include "macro/MacroManager.h"

namespace vandrel {

enum MacroRegion : int {
    kMacroHitNone = -1,
    kMacroHitRecord = 0,
    kMacroHitDelayBox = 1,
    kMacroHitLoopBox = 2,
    kMacroHitNew = 3,
    kMacroHitDelete = 4,
    kMacroHitOk = 5,
    kMacroHitCancel = 6,
};
constexpr int kMacroRegions = 7;

struct MacroRegionEntry {
    HitRect rect;
    const char* normal;  // picture names inside png/MacroManagement/
    const char* active;  // hover picture of a button, ticked picture of a box
};

// The regions' rectangles (edges included) and pictures.
const std::array<MacroRegionEntry, kMacroRegions>& MacroButtonTable();

// What a click asks the window to do beyond the state changes made here.
enum class MacroClick {
    None,
    NoMacroToRecord,  // "请选择一个宏指令文件录制\n"
    ConfirmDelete,    // ask "确认删除吗？", then deleteConfirmed()
    Ok,               // run the held-key check, then accept()
    Cancel,
    AskBeforeClose,   // closing with changes: keep them (OK), drop them (Cancel) or stay
};

// Keys a macro leaves held, for the check at OK.
struct HeldKeysReport {
    int row = -1;                 // the macro's row
    std::u16string name;          // the macro's name
    std::vector<uint8_t> vks;     // the keys, in the order of their presses
    bool releasesFit = true;      // their releases fit in the macro
};

constexpr size_t kUndoSteps = 200;

class MacroRecordDlgModel {
public:
    MacroRecordDlgModel(MacroKeyHook& hook, PerfClock& clock, const KeyNameTable& names = keyNames());

    void open(const MacroStore& store);
    const MacroManager& manager() const { return m_manager; }

    // Mouse input.
    static int hitTest(int x, int y);
    // True when a region's picture changed.
    bool mouseMove(int x, int y);
    MacroClick leftButtonUp(int x, int y);
    // What a click on a region does, pressed from the keyboard or a reader.
    MacroClick activate(int region);

    // The window's elements in reading and Tab order: the two lists, the
    // recording options with the loop count, New, Delete, OK, Cancel.
    // `keyboardRecording`: the running recording was started from the
    // keyboard, so Escape ends it.
    UiElements elements(bool keyboardRecording = false, const TextLookup& tr = {}) const;
    const ElementFocus& focus() const { return m_focus; }
    void setFocus(int id, bool visible = true) { m_focus = {id, visible}; }
    // Where the focus mark is drawn: a region with the focus, while shown.
    bool focusMark(HitRect& rect) const;
    // Tab between the elements, Space or Enter on a region, Escape (close).
    struct NavResult {
        bool handled = false;
        bool focusMoved = false;
        int activated = kMacroHitNone;  // the region pressed, to run as a click
        bool close = false;             // Escape: run closeRequested()
    };
    NavResult navigate(NavKey key, const UiElements& elements);
    // Escape or the window's close: Cancel when nothing changed since the
    // dialog opened; otherwise the user is asked, as the main window does.
    MacroClick closeRequested() const {
        return m_manager.changed() ? MacroClick::AskBeforeClose : MacroClick::Cancel;
    }
    int hovered() const { return m_hovered; }
    // Whether a region shows its second picture: hovered button or ticked box.
    bool regionActive(int region) const;

    // The click's answers and the other input, every change undoable.
    bool deleteConfirmed();  // false: no macro selected ("请选择一个宏指令文件删除\n")
    void selectMacro(int row);
    RenameResult renameMacro(int row, const std::u16string& name);
    void setLoopText(const std::u16string& text);
    void selectEventRow(int row) { m_manager.selectEventRow(row); }
    CaptureResult OnHookKey(uint8_t vk, bool released);
    bool ArmCaptureBefore();
    bool ArmCaptureAfter();
    EditResult InsertDelay();
    EditResult DeleteEventRow();
    EditResult InsertMouseEvent(MouseAction action, uint8_t code);
    EditResult SetEventDelay(int row, int64_t ms);
    EditResult InsertKeyActions(const std::vector<KeyAction>& actions);
    // An in-place edit opens in either list: it ends any capture.
    void onListEditBegin();
    // A capture (full recording or single) runs: the keys are the capture's.
    bool captureRunning() const;

    // Undo and redo, only while no capture runs.
    bool canUndo() const { return !captureRunning() && !m_undo.empty(); }
    bool canRedo() const { return !captureRunning() && !m_redo.empty(); }
    bool undo();
    bool redo();

    // OK: the macros that leave keys held, and adding the releases to those
    // where they fit.
    std::vector<HeldKeysReport> heldKeys() const;
    void addReleases(const std::vector<HeldKeysReport>& reports);
    // OK: the store gets the working copy; the result says where each of its
    // macros went.
    MacroRenumbering accept(MacroStore& store) { return m_manager.accept(store); }
    void cancel() { m_manager.cancel(); }

private:
    // Runs a change and records the state before it as an undo step when the
    // records changed. Inside a capture the capture's first change records it.
    template <class F>
    auto change(F&& f);
    // The same for a command that may start a capture.
    template <class F>
    auto startCapture(F&& f);
    void pushUndo(MacroManagerState before);

    MacroManager m_manager;
    const KeyNameTable& m_names;
    int m_hovered = kMacroHitNone;
    std::array<bool, kMacroRegions> m_hoverFlags{};
    std::deque<MacroManagerState> m_undo;
    std::vector<MacroManagerState> m_redo;
    bool m_inCapture = false;
    // The state before the running capture, until its first change is recorded.
    std::optional<MacroManagerState> m_captureBefore;
    // The last step changed this macro's loop count (typing merges into it).
    bool m_lastWasLoopText = false;
    int m_lastLoopMacro = -1;
    ElementFocus m_focus;
};

// Element ids of the window's controls, beside its regions (0..6).
constexpr int kMacroElementMacroList = 100;
constexpr int kMacroElementEventList = 101;
constexpr int kMacroElementLoopEdit = 102;

}  // namespace vandrel

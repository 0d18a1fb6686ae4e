#pragma once
// The macro manager dialog without its drawing: a working copy of the macro
// store, the sorted macro list, the two toggles and the loop-count box, and the
// event list of the selected macro. Record i of the working copy always belongs
// to row i of the macro list, and every edit of the event list is stored into
// the selected record at once; the store itself changes only on OK.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "keys/KeyNameTable.h"
#include "macro/EventListModel.h"
#include "macro/MacroRecord.h"
#include "macro/RecorderPorts.h"

namespace vandrel {

constexpr size_t kMaxMacros = 32;  // the keyboard holds 32 macros

enum class RecordToggle { Started, Stopped, NoMacroSelected };
enum class DeleteResult { Deleted, NoMacroSelected };
enum class RenameResult {
    Renamed,
    Unchanged,
    Refused  // empty, longer than 254 characters, or no such row
};

// The loop-count box's text as a number: leading blanks, an optional sign and
// the digits that follow, kept to 16 bits; no digits read as 0.
uint16_t parseLoopText(const std::u16string& text);

// What the user has changed in the open dialog: the records in use, the
// selected macro and the toggles. Undo and redo go back and forth between these.
struct MacroManagerState {
    std::vector<MacroRecord> records;
    // For each record, the index it had in the store the dialog was opened
    // on; -1 for a macro made since.
    std::vector<int16_t> origins;
    int selected = -1;
    bool loopEnabled = false;
    std::u16string loopText;
    bool recordDelays = false;
    // Whether the records (and where they came from) are the same; the rest
    // follows the user's clicks.
    bool sameRecords(const MacroManagerState& o) const;
};

// The records the dialog edits; they replace the store only on OK.
using MacroWorkingCopy = MacroStore;

class MacroManager {
public:
    MacroManager(MacroKeyHook& hook, PerfClock& clock, const KeyNameTable& names = keyNames());

    // Dialog opening: copies the store, lists its macros and selects the first.
    // Named records that follow a free one are moved up to close the gap, so
    // that every listed macro has the record of its row.
    void open(const MacroStore& store);
    // OK: ends any capture and copies the working copy over the store. Returns
    // where each macro of the store as opened went (moved by a rename, New,
    // Delete or the closing of gaps, or deleted), so that keys bound to a
    // macro can follow it.
    MacroRenumbering accept(MacroStore& store);
    // The same without accepting: where each macro would go on OK now.
    MacroRenumbering renumbering() const;
    // Cancel or closing: ends any capture; the working copy is dropped.
    void cancel();

    const MacroWorkingCopy& workingCopy() const { return m_work; }
    // Whether OK would store anything else than the dialog opened with.
    bool changed() const { return !(m_work == m_openedWork); }
    const std::vector<std::u16string>& macroRows() const { return m_rows; }
    int selectedMacro() const { return m_selected; }
    // Selection change of the macro list; a row outside the list does nothing.
    void selectMacro(int row);
    // New: returns the row of the new macro, or -1 when 32 macros exist.
    int newMacro();
    // Delete (already confirmed by the user).
    DeleteResult deleteMacro();
    // The in-place rename of a macro row. The record moves with its row to the
    // row where the new name sorts in; the selection follows its macro.
    RenameResult renameMacro(int row, const std::u16string& name);

    bool recordDelays() const { return m_events.recordDelays(); }
    void toggleRecordDelays() { m_events.setRecordDelays(!m_events.recordDelays()); }
    bool loopEnabled() const { return m_loopEnabled; }
    void toggleLoop();
    const std::u16string& loopText() const { return m_loopText; }
    void setLoopText(const std::u16string& text);

    // Recorder.
    RecordToggle ToggleRecording();
    bool recording() const { return m_events.recording(); }
    CaptureResult OnHookKey(uint8_t vk, bool released);
    bool ArmCaptureBefore() { return m_events.ArmCaptureBefore(); }
    bool ArmCaptureAfter() { return m_events.ArmCaptureAfter(); }
    void StopHook() { m_events.StopHook(); }
    // An in-place edit opens in either list: editing always ends a capture.
    void onListEditBegin() { StopHook(); }

    // Event list.
    const EventListModel& events() const { return m_events; }
    void selectEventRow(int row) { m_events.selectRow(row); }
    EditResult InsertDelay();
    EditResult DeleteEventRow();
    EditResult InsertMouseEvent(MouseAction action, uint8_t code);
    EditResult SetEventDelay(int row, int64_t ms);
    // Key actions (a typed text) into the selected macro; see EventListModel.
    EditResult InsertKeyActions(const std::vector<KeyAction>& actions);

    // Appends releases of held keys to a macro (see HeldKeys.h); false when
    // they do not fit. The event list shows them when it is that macro's.
    bool appendReleases(int row, const std::vector<uint8_t>& vks);

    // Undo and redo: the state now, and going back to one. Restoring ends any
    // capture and shows the restored selection's events.
    MacroManagerState state() const;
    void restore(const MacroManagerState& s);

    // Stores the row's name, the loop count, the delay flag and the buffers into
    // the selected record; nothing without a selection.
    void CommitEditBuffers();

private:
    EditResult afterEdit(EditResult r);

    EventListModel m_events;
    MacroWorkingCopy m_work;
    MacroWorkingCopy m_openedWork;  // the working copy as opening left it
    std::vector<std::u16string> m_rows;
    // Per row: the macro's index in the store as opened, -1 for a new one.
    std::vector<int16_t> m_origins;
    // The store as opened: kMacroDeleted for every record in use (until a row
    // says where it went), kNoMacroHere for the others.
    MacroRenumbering m_openedWith{};
    int m_selected = -1;
    bool m_loopEnabled = false;
    std::u16string m_loopText = u"1";
};

}  // namespace vandrel

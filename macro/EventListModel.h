#pragma once
// The event list of the macro dialog: the two edit buffers of the selected macro,
// the rows that show them, the recorder that fills them from live key strokes and
// the editing commands of the list's context menu and in-place edit.
//
// The buffers are kept in their shortest well-formed encoding at all times: both
// forms agree event by event, no event runs past the 190 bytes, the bytes after
// the end are zero, the first event has no delay, and the rows are exactly the
// display rows of the buffers. A change that would not fit is refused whole.

#include <cstdint>
#include <string>
#include <vector>

#include "keys/KeyAction.h"
#include "keys/KeyNameTable.h"
#include "macro/MacroEvent.h"
#include "macro/MacroRecord.h"
#include "macro/RecorderPorts.h"

namespace vandrel {

enum class EditResult {
    Done,
    Ignored,           // no row selected, or nothing to do at that row
    EditCurrentDelay,  // a delay is inserted on a delay row: edit that delay instead
    MacroFull          // the change does not fit in the 190 bytes; nothing changed
};

enum class CaptureResult {
    Ignored,      // nothing is being captured, or the key cannot be played back
    Added,        // the key action was added
    Dropped,      // a repeated press or a repeated release, not added
    CaptureDone,  // the release that ends a single capture was inserted
    MacroFull     // the next event did not fit: the capture has ended
};

enum class MouseAction { Press, Release, Click };

constexpr uint16_t kInsertedDelayMs = 50;

class EventListModel {
public:
    EventListModel(MacroKeyHook& hook, PerfClock& clock, const KeyNameTable& names);

    // Dialog opening: no capture runs, the counter frequency is read once.
    void open();
    // Loads the selected macro's lists into the buffers and rebuilds the rows.
    void FillEventList(const MacroRecord& record);
    // No macro selected: empty buffers and no rows.
    void clear();
    // Stores the buffers into a record's two lists.
    void commitTo(MacroRecord& record) const;

    const EditBuffers& buffers() const { return m_buf; }
    const KeyNameTable& names() const { return m_names; }
    const std::vector<MacroEvent>& events() const { return m_events; }
    const std::vector<std::u16string>& rows() const { return m_rows; }
    int selectedRow() const { return m_selected; }
    void selectRow(int row);  // -1 or a row outside the list = no selection
    // Offset at which a recording appends: the end of the list.
    size_t writePos() const { return encodedListBytes(m_events); }

    bool recordDelays() const { return m_recordDelays; }
    void setRecordDelays(bool on) { m_recordDelays = on; }
    bool recording() const { return m_recording; }
    bool hookInstalled() const { return m_hookInstalled; }
    bool singleInsertPending() const { return m_singleInsertPending; }
    int insertRow() const { return m_insertRow; }
    const std::u16string& lastEventText() const { return m_lastEventText; }

    // The record button. Starting empties the list; returns true when a
    // recording now runs.
    bool ToggleRecording();
    // A key press or release reported by the key capture.
    CaptureResult OnHookKey(uint8_t vk, bool released);
    // Appends one event of a full recording.
    CaptureResult AppendRecordedEvent(uint8_t vk, int64_t delayMs, bool released);
    // Arms a single capture in front of / after the selected event; false when no
    // row is selected or the key capture cannot be installed.
    bool ArmCaptureBefore();
    bool ArmCaptureAfter();
    // Removes the key capture; ends a recording and a single capture.
    void StopHook();

    EditResult InsertDelay();
    EditResult DeleteEventRow();
    EditResult InsertMouseEvent(MouseAction action, uint8_t code);
    // Key presses and releases without delays (a text typed as key strokes):
    // after the selected event, or at the end of the list when no row is
    // selected. All or nothing: refused whole when they do not fit, ignored
    // when one of the keys cannot be played back.
    EditResult InsertKeyActions(const std::vector<KeyAction>& actions);
    // Bytes still free in the macro (room kept for the releases of keys held
    // in a recording counts as taken).
    size_t freeBytes() const;
    // The in-place edit of a delay row committed `ms`; kept to 2..60000.
    EditResult SetEventDelay(int row, int64_t ms);

    // Counter gap to whole milliseconds through microseconds, truncating,
    // capped at 60000.
    static int64_t gapToMs(int64_t gap, int64_t frequency);

private:
    bool apply(const std::vector<MacroEvent>& events);
    bool fits(size_t extraBytes) const;
    bool isDelayRow(int row) const;
    void armCapture(int row);
    void endSingleCapture();
    void cancelSingleCapture();
    void removeHook();
    void closeHeldKeys(uint8_t releasedFirst);
    CaptureResult captureSingle(uint8_t vk, bool released);
    CaptureResult captureRecording(uint8_t vk, bool released);

    MacroKeyHook& m_hook;
    PerfClock& m_clock;
    const KeyNameTable& m_names;

    EditBuffers m_buf;
    std::vector<MacroEvent> m_events;  // the buffers, decoded
    std::vector<std::u16string> m_rows;
    int m_selected = -1;

    bool m_recordDelays = false;
    bool m_recording = false;
    bool m_hookInstalled = false;
    bool m_singleInsertPending = false;
    int m_insertRow = 0;
    std::u16string m_lastEventText;
    int64_t m_perfFrequency = 1;
    int64_t m_lastEventTime = 0;
    // Keys pressed and not yet released in this recording. Room for their
    // releases is kept free so that a full macro never leaves a key down.
    std::vector<uint8_t> m_held;
};

}  // namespace vandrel

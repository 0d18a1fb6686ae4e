#include "macro/EventListModel.h"

#include <algorithm>
#include <cstring>

namespace vandrel {

EventListModel::EventListModel(MacroKeyHook& hook, PerfClock& clock, const KeyNameTable& names)
    : m_hook(hook), m_clock(clock), m_names(names) {}

void EventListModel::open() {
    StopHook();
    m_recordDelays = false;
    m_lastEventText.clear();
    m_perfFrequency = m_clock.frequency();
    clear();
}

void EventListModel::FillEventList(const MacroRecord& record) {
    // A single capture armed for the previous macro's rows has no place here.
    cancelSingleCapture();
    m_held.clear();
    // Reading never makes a list longer, so the write always fits.
    apply(readEventLists(record.usageEvents, record.vkEvents));
    m_selected = -1;
}

void EventListModel::clear() {
    cancelSingleCapture();
    m_held.clear();
    apply({});
    m_selected = -1;
}

void EventListModel::commitTo(MacroRecord& record) const {
    std::memcpy(record.usageEvents, m_buf.usage, kMacroEventBytes);
    std::memcpy(record.vkEvents, m_buf.vk, kMacroEventBytes);
}

void EventListModel::selectRow(int row) {
    m_selected = (row >= 0 && row < static_cast<int>(m_rows.size())) ? row : -1;
}

bool EventListModel::apply(const std::vector<MacroEvent>& events) {
    if (!writeEventLists(events, m_buf.usage, m_buf.vk)) return false;
    m_events = events;
    m_rows = eventRows(m_events, m_names);
    if (m_selected >= static_cast<int>(m_rows.size())) m_selected = -1;
    return true;
}

bool EventListModel::fits(size_t extraBytes) const {
    return encodedListBytes(m_events) + extraBytes + 2 * m_held.size() <= kMacroEventBytes;
}

bool EventListModel::isDelayRow(int row) const {
    if (row < 0 || row >= static_cast<int>(m_rows.size())) return false;
    const size_t i = eventIndexAtRow(m_events, row);
    return m_events[i].rowCount() == 2 && firstRowOfEvent(m_events, i) == row;
}

// ---- Recorder ----------------------------------------------------------------

int64_t EventListModel::gapToMs(int64_t gap, int64_t frequency) {
    if (frequency <= 0 || gap <= 0) return 0;
    if (gap / frequency >= kMaxDelayMs / 1000) return kMaxDelayMs;
    // Same result as gap * 1000000 / frequency, without its overflow.
    const int64_t us = (gap / frequency) * 1000000 + (gap % frequency) * 1000000 / frequency;
    return std::min<int64_t>(us / 1000, kMaxDelayMs);
}

void EventListModel::removeHook() {
    if (m_hookInstalled) m_hook.remove();
    m_hookInstalled = false;
}

void EventListModel::StopHook() {
    removeHook();
    m_recording = false;
    m_singleInsertPending = false;
    m_held.clear();
}

void EventListModel::endSingleCapture() {
    // The capture's release removes the key capture, so a recording that was
    // running gets no more keys; it stays on, its button still offering to
    // stop it, until the user clicks that button.
    m_singleInsertPending = false;
    removeHook();
    m_held.clear();
}

void EventListModel::cancelSingleCapture() {
    if (!m_singleInsertPending) return;
    m_singleInsertPending = false;
    // Left installed, the capture would go on feeding keys into the list.
    if (!m_recording) removeHook();
}

bool EventListModel::ToggleRecording() {
    m_recording = !m_recording;
    if (m_recording) {
        if (!m_hookInstalled) m_hookInstalled = m_hook.install();
        m_singleInsertPending = false;
        m_lastEventText.clear();
        m_held.clear();
        apply({});
        m_selected = -1;
    } else {
        StopHook();
    }
    return m_recording;
}

CaptureResult EventListModel::OnHookKey(uint8_t vk, bool released) {
    // A key without a usage would put a 0 code into the device form and end the
    // list there; the keyboard cannot play it anyway.
    if (m_names.usage(vk) == 0) return CaptureResult::Ignored;
    if (m_singleInsertPending) return captureSingle(vk, released);
    if (m_recording && m_hookInstalled) return captureRecording(vk, released);
    return CaptureResult::Ignored;
}

CaptureResult EventListModel::captureSingle(uint8_t vk, bool released) {
    const size_t at = eventIndexAtRow(m_events, m_insertRow);
    const MacroEvent ev{released, kNoDelay, m_names.usage(vk), vk};
    // A press needs room for itself and the release that ends the capture.
    if (!fits(released ? 2 : 4)) {
        endSingleCapture();
        return CaptureResult::MacroFull;
    }
    if (released) endSingleCapture();
    std::vector<MacroEvent> events = m_events;
    events.insert(events.begin() + static_cast<std::ptrdiff_t>(at), ev);
    apply(events);
    const int row = firstRowOfEvent(m_events, at);
    if (m_selected >= row) ++m_selected;
    if (released) return CaptureResult::CaptureDone;
    m_insertRow = firstRowOfEvent(m_events, at + 1);
    return CaptureResult::Added;
}

CaptureResult EventListModel::captureRecording(uint8_t vk, bool released) {
    const std::u16string text = keyRowText(m_names, vk, released);
    int64_t gap = 0;
    if (released) {
        // A repeated release is dropped but still restarts the delay measure.
        const int64_t now = m_clock.counter();
        gap = now - m_lastEventTime;
        m_lastEventTime = now;
        if (text == m_lastEventText) return CaptureResult::Dropped;
    } else if (m_rows.empty()) {
        m_lastEventTime = m_clock.counter();
    } else if (text != m_lastEventText) {
        const int64_t now = m_clock.counter();
        gap = now - m_lastEventTime;
        m_lastEventTime = now;
    } else {
        // A held key repeats its press; only the first report counts.
        return CaptureResult::Dropped;
    }
    return AppendRecordedEvent(vk, gapToMs(gap, m_perfFrequency), released);
}

CaptureResult EventListModel::AppendRecordedEvent(uint8_t vk, int64_t delayMs, bool released) {
    const uint8_t usage = m_names.usage(vk);
    if (usage == 0) return CaptureResult::Ignored;
    // The first event of a recording never carries a delay. A gap under 1 ms is
    // stored as 1 ms: a delay field of 0 would show a row that maps to no bytes.
    const bool delaysApply = m_recordDelays && !m_rows.empty();
    const uint16_t delay =
        delaysApply ? static_cast<uint16_t>(std::clamp<int64_t>(delayMs, kNoDelay, kMaxDelayMs)) : kNoDelay;
    const MacroEvent ev{released, delay, usage, vk};

    const auto heldIt = std::find(m_held.begin(), m_held.end(), vk);
    const bool wasHeld = heldIt != m_held.end();
    size_t heldAfter = m_held.size();
    if (released && wasHeld) --heldAfter;
    if (!released && !wasHeld) ++heldAfter;
    if (encodedListBytes(m_events) + ev.size() + 2 * heldAfter > kMacroEventBytes) {
        closeHeldKeys(released && wasHeld ? vk : 0);
        removeHook();
        m_recording = false;
        m_held.clear();
        return CaptureResult::MacroFull;
    }

    std::vector<MacroEvent> events = m_events;
    events.push_back(ev);
    apply(events);
    if (released && wasHeld) m_held.erase(heldIt);
    if (!released && !wasHeld) m_held.push_back(vk);
    m_lastEventText = keyRowText(m_names, vk, released);
    m_selected = static_cast<int>(m_rows.size()) - 1;
    return CaptureResult::Added;
}

void EventListModel::closeHeldKeys(uint8_t releasedFirst) {
    // Room for these releases was kept free while the keys were pressed.
    std::vector<uint8_t> order;
    if (releasedFirst) order.push_back(releasedFirst);
    for (auto it = m_held.rbegin(); it != m_held.rend(); ++it)
        if (*it != releasedFirst) order.push_back(*it);
    if (order.empty()) return;
    std::vector<MacroEvent> events = m_events;
    for (uint8_t vk : order) events.push_back(MacroEvent{true, kNoDelay, m_names.usage(vk), vk});
    if (apply(events)) {
        m_lastEventText = keyRowText(m_names, order.back(), true);
        m_selected = static_cast<int>(m_rows.size()) - 1;
    }
    m_held.clear();
}

void EventListModel::armCapture(int row) {
    m_insertRow = row;
    if (!m_hookInstalled) m_hookInstalled = m_hook.install();
    m_singleInsertPending = m_hookInstalled;
}

bool EventListModel::ArmCaptureBefore() {
    const int s = m_selected;
    if (s < 0) return false;
    // In front of the whole selected event, its delay row included.
    int row = s;
    if (s > 0 && !isDelayRow(s) && isDelayRow(s - 1)) row = s - 1;
    armCapture(row);
    return m_singleInsertPending;
}

bool EventListModel::ArmCaptureAfter() {
    const int s = m_selected;
    if (s < 0) return false;
    const int last = static_cast<int>(m_rows.size()) - 1;
    armCapture(s == last ? s + 1 : (isDelayRow(s) ? s + 2 : s + 1));
    return m_singleInsertPending;
}

// ---- Editing -----------------------------------------------------------------

EditResult EventListModel::InsertDelay() {
    const int s = m_selected;
    // A delay always goes in front of a following event.
    if (s < 0 || s + 1 >= static_cast<int>(m_rows.size())) return EditResult::Ignored;
    if (isDelayRow(s)) return EditResult::EditCurrentDelay;
    std::vector<MacroEvent> events = m_events;
    // Replacing a 4-byte delay by 50 ms shortens the event, so this always fits.
    events[eventIndexAtRow(events, s + 1)].delayMs = kInsertedDelayMs;
    events.front().delayMs = kNoDelay;
    apply(events);
    cancelSingleCapture();
    m_selected = -1;
    return EditResult::Done;
}

EditResult EventListModel::DeleteEventRow() {
    const int s = m_selected;
    if (s < 0 || s >= static_cast<int>(m_rows.size())) return EditResult::Ignored;
    std::vector<MacroEvent> events = m_events;
    const size_t i = eventIndexAtRow(events, s);
    if (isDelayRow(s))
        events[i].delayMs = kNoDelay;
    else
        events.erase(events.begin() + static_cast<std::ptrdiff_t>(i));
    // The event that is first now loses its delay, 4-byte form included.
    if (!events.empty()) events.front().delayMs = kNoDelay;
    apply(events);
    cancelSingleCapture();
    m_selected = -1;
    return EditResult::Done;
}

EditResult EventListModel::InsertMouseEvent(MouseAction action, uint8_t code) {
    const int s = m_selected;
    if (s < 0 || s >= static_cast<int>(m_rows.size())) return EditResult::Ignored;
    if (code != kVkMouseLeft && code != kVkMouseRight && code != kVkMouseMiddle) return EditResult::Ignored;
    // After the whole selected event.
    const size_t at = eventIndexAtRow(m_events, s) + 1;
    std::vector<MacroEvent> add;
    if (action != MouseAction::Release) add.push_back(MacroEvent{false, kNoDelay, code, code});
    if (action != MouseAction::Press) add.push_back(MacroEvent{true, kNoDelay, code, code});
    if (!fits(2 * add.size())) return EditResult::MacroFull;
    std::vector<MacroEvent> events = m_events;
    events.insert(events.begin() + static_cast<std::ptrdiff_t>(at), add.begin(), add.end());
    apply(events);
    cancelSingleCapture();
    return EditResult::Done;
}

EditResult EventListModel::InsertKeyActions(const std::vector<KeyAction>& actions) {
    if (actions.empty()) return EditResult::Ignored;
    std::vector<MacroEvent> add;
    for (const KeyAction& a : actions) {
        const uint8_t usage = m_names.usage(a.vk);
        if (usage == 0) return EditResult::Ignored;
        add.push_back(MacroEvent{a.released, kNoDelay, usage, a.vk});
    }
    if (!fits(2 * add.size())) return EditResult::MacroFull;
    const int s = m_selected;
    const size_t at = s >= 0 && s < static_cast<int>(m_rows.size()) ? eventIndexAtRow(m_events, s) + 1 : m_events.size();
    std::vector<MacroEvent> events = m_events;
    events.insert(events.begin() + static_cast<std::ptrdiff_t>(at), add.begin(), add.end());
    apply(events);
    cancelSingleCapture();
    return EditResult::Done;
}

size_t EventListModel::freeBytes() const {
    const size_t used = encodedListBytes(m_events) + 2 * m_held.size();
    return used >= kMacroEventBytes ? 0 : kMacroEventBytes - used;
}

EditResult EventListModel::SetEventDelay(int row, int64_t ms) {
    if (!isDelayRow(row)) return EditResult::Ignored;
    const size_t i = eventIndexAtRow(m_events, row);
    std::vector<MacroEvent> events = m_events;
    events[i].delayMs = static_cast<uint16_t>(std::clamp<int64_t>(ms, kMinEditedDelay, kMaxDelayMs));
    if (!fits(events[i].size() > m_events[i].size() ? 2 : 0)) return EditResult::MacroFull;
    apply(events);
    cancelSingleCapture();
    return EditResult::Done;
}

}  // namespace vandrel

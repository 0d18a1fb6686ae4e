#include "macro/MacroManager.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "macro/HeldKeys.h"
#include "macro/MacroNames.h"
#include "util/Utf16.h"

namespace vandrel {

uint16_t parseLoopText(const std::u16string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    long long v = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) v = std::min<long long>(v * 10 + (text[i] - u'0'), INT_MAX);
    return static_cast<uint16_t>(negative ? -v : v);
}

MacroManager::MacroManager(MacroKeyHook& hook, PerfClock& clock, const KeyNameTable& names)
    : m_events(hook, clock, names) {
    m_work.clear();
    m_openedWith.fill(kNoMacroHere);
}

void MacroManager::open(const MacroStore& store) {
    m_work = store;
    // Close gaps in the run of named records; the copies left behind are cleared.
    m_origins.clear();
    size_t n = 0;
    bool moved = false;
    for (size_t i = 0; i < kMacroRecords; ++i) {
        m_openedWith[i] = recordInUse(store[i]) ? kMacroDeleted : kNoMacroHere;
        if (!recordInUse(store[i])) continue;
        if (i != n) {
            m_work[n] = m_work[i];
            moved = true;
        }
        m_origins.push_back(static_cast<int16_t>(i));
        ++n;
    }
    if (moved) std::memset(&m_work[n], 0, (kMacroRecords - n) * sizeof(MacroRecord));
    m_rows.clear();
    for (size_t i = 0; i < n; ++i) m_rows.push_back(recordName(m_work[i]));

    m_events.open();
    m_selected = -1;
    m_loopEnabled = false;
    m_loopText.assign(1, u'1');  // assign(): GCC 12 warns falsely on = u"1"
    if (!m_rows.empty()) {
        const uint16_t firstLoops = recordLoopCount(m_work[0]);
        selectMacro(0);
        // On opening the first macro's loop count is shown as stored, 0 included
        // (loop box unticked); only choosing a macro in the list turns 0 into 1.
        if (firstLoops == 0) setLoopText(decimalUtf16(0));
    }
    m_openedWork = m_work;
}

MacroRenumbering MacroManager::accept(MacroStore& store) {
    StopHook();
    if (m_loopEnabled && m_selected >= 0) setRecordLoopCount(m_work[m_selected], parseLoopText(m_loopText));
    store = m_work;
    return renumbering();
}

MacroRenumbering MacroManager::renumbering() const {
    MacroRenumbering to = m_openedWith;
    for (size_t row = 0; row < m_origins.size(); ++row)
        if (m_origins[row] >= 0) to[static_cast<size_t>(m_origins[row])] = static_cast<int16_t>(row);
    return to;
}

void MacroManager::cancel() { StopHook(); }

void MacroManager::selectMacro(int row) {
    if (row < 0 || row >= static_cast<int>(m_rows.size())) return;
    m_selected = row;
    const MacroRecord& rec = m_work[row];
    m_events.setRecordDelays((rec.macroFlags & 1) != 0);
    uint16_t loops = recordLoopCount(rec);
    if (loops == 0) {
        m_loopEnabled = false;
        loops = 1;
    } else {
        m_loopEnabled = loops != 1;
    }
    setLoopText(decimalUtf16(loops));
    m_events.FillEventList(m_work[row]);
}

int MacroManager::newMacro() {
    if (m_rows.size() >= kMaxMacros) return -1;
    const std::u16string name = newMacroName(m_rows);
    const size_t r = sortedRowFor(m_rows, name);
    m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(r), name);
    m_origins.insert(m_origins.begin() + static_cast<std::ptrdiff_t>(r), int16_t{-1});
    // Records r.. move one place on; the last record, free here, is dropped.
    std::memmove(&m_work[r + 1], &m_work[r], (kMacroRecords - 1 - r) * sizeof(MacroRecord));
    std::memset(&m_work[r], 0, sizeof(MacroRecord));
    setRecordName(m_work[r], name);

    m_selected = static_cast<int>(r);
    m_events.clear();
    m_events.setRecordDelays(false);
    m_loopEnabled = false;
    setLoopText(u"1");
    StopHook();
    return m_selected;
}

DeleteResult MacroManager::deleteMacro() {
    if (m_selected < 0) return DeleteResult::NoMacroSelected;
    const size_t s = static_cast<size_t>(m_selected);
    const int before = static_cast<int>(m_rows.size());
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(s));
    m_origins.erase(m_origins.begin() + static_cast<std::ptrdiff_t>(s));
    std::memmove(&m_work[s], &m_work[s + 1], (kMacroRecords - 1 - s) * sizeof(MacroRecord));
    // The former last macro's place now holds the free record that followed
    // it; it is cleared whole so that no stale bytes follow the run.
    std::memset(&m_work[static_cast<size_t>(before) - 1], 0, sizeof(MacroRecord));
    std::memset(&m_work[kMacroRecords - 1], 0, sizeof(MacroRecord));

    m_selected = -1;
    m_events.clear();
    if (!m_rows.empty()) selectMacro(std::min(static_cast<int>(s), before - 2));
    StopHook();
    return DeleteResult::Deleted;
}

RenameResult MacroManager::renameMacro(int row, const std::u16string& name) {
    if (row < 0 || row >= static_cast<int>(m_rows.size())) return RenameResult::Refused;
    // An empty name would free a record inside the run of used records.
    if (name.empty() || name.size() > kMaxMacroNameChars) return RenameResult::Refused;
    if (name == m_rows[row]) return RenameResult::Unchanged;

    std::vector<std::u16string> others = m_rows;
    others.erase(others.begin() + row);
    const int to = static_cast<int>(sortedRowFor(others, name));
    others.insert(others.begin() + to, name);
    m_rows = std::move(others);

    // The record and its origin move with the row.
    const auto moveWithRow = [row, to](auto* first) {
        if (to > row)
            std::rotate(first + row, first + row + 1, first + to + 1);
        else if (to < row)
            std::rotate(first + to, first + row, first + row + 1);
    };
    moveWithRow(m_work.records);
    moveWithRow(m_origins.data());
    setRecordName(m_work[to], name);

    if (m_selected == row)
        m_selected = to;
    else if (m_selected > row && m_selected <= to)
        --m_selected;
    else if (m_selected < row && m_selected >= to)
        ++m_selected;
    return RenameResult::Renamed;
}

void MacroManager::toggleLoop() {
    m_loopEnabled = !m_loopEnabled;
    if (!m_loopEnabled) setLoopText(u"1");
}

void MacroManager::setLoopText(const std::u16string& text) {
    m_loopText = text;
    if (m_selected >= 0) setRecordLoopCount(m_work[m_selected], parseLoopText(text));
}

RecordToggle MacroManager::ToggleRecording() {
    if (m_selected < 0) return RecordToggle::NoMacroSelected;
    if (!m_events.ToggleRecording()) return RecordToggle::Stopped;
    MacroRecord& rec = m_work[m_selected];
    std::memset(rec.usageEvents, 0, kMacroEventBytes);
    std::memset(rec.vkEvents, 0, kMacroEventBytes);
    return RecordToggle::Started;
}

CaptureResult MacroManager::OnHookKey(uint8_t vk, bool released) {
    const CaptureResult r = m_events.OnHookKey(vk, released);
    CommitEditBuffers();
    return r;
}

EditResult MacroManager::afterEdit(EditResult r) {
    if (r == EditResult::Done) CommitEditBuffers();
    return r;
}

EditResult MacroManager::InsertDelay() {
    return m_selected < 0 ? EditResult::Ignored : afterEdit(m_events.InsertDelay());
}

EditResult MacroManager::DeleteEventRow() {
    return m_selected < 0 ? EditResult::Ignored : afterEdit(m_events.DeleteEventRow());
}

EditResult MacroManager::InsertMouseEvent(MouseAction action, uint8_t code) {
    return m_selected < 0 ? EditResult::Ignored : afterEdit(m_events.InsertMouseEvent(action, code));
}

EditResult MacroManager::InsertKeyActions(const std::vector<KeyAction>& actions) {
    return m_selected < 0 ? EditResult::Ignored : afterEdit(m_events.InsertKeyActions(actions));
}

EditResult MacroManager::SetEventDelay(int row, int64_t ms) {
    return m_selected < 0 ? EditResult::Ignored : afterEdit(m_events.SetEventDelay(row, ms));
}

bool MacroManager::appendReleases(int row, const std::vector<uint8_t>& vks) {
    if (row < 0 || row >= static_cast<int>(m_rows.size())) return false;
    if (!vandrel::appendReleases(m_work[row], vks, m_events.names())) return false;
    if (row == m_selected) m_events.FillEventList(m_work[row]);
    return true;
}

bool MacroManagerState::sameRecords(const MacroManagerState& o) const {
    return records.size() == o.records.size() && origins == o.origins &&
           (records.empty() || std::memcmp(records.data(), o.records.data(), records.size() * sizeof(MacroRecord)) == 0);
}

MacroManagerState MacroManager::state() const {
    MacroManagerState s;
    s.records.assign(m_work.records, m_work.records + m_rows.size());
    s.origins = m_origins;
    s.selected = m_selected;
    s.loopEnabled = m_loopEnabled;
    s.loopText = m_loopText;
    s.recordDelays = m_events.recordDelays();
    return s;
}

void MacroManager::restore(const MacroManagerState& s) {
    StopHook();
    m_work.clear();
    const size_t n = std::min(s.records.size(), kMacroRecords);
    if (n) std::memcpy(m_work.records, s.records.data(), n * sizeof(MacroRecord));
    m_rows.clear();
    for (size_t i = 0; i < n; ++i) m_rows.push_back(recordName(m_work[i]));
    m_origins = s.origins;
    m_origins.resize(n, int16_t{-1});
    m_selected = s.selected >= 0 && s.selected < static_cast<int>(n) ? s.selected : -1;
    if (m_selected >= 0)
        m_events.FillEventList(m_work[m_selected]);
    else
        m_events.clear();
    m_events.setRecordDelays(s.recordDelays);
    m_loopEnabled = s.loopEnabled;
    m_loopText = s.loopText;
}

void MacroManager::CommitEditBuffers() {
    if (m_selected < 0) return;
    MacroRecord& rec = m_work[m_selected];
    setRecordName(rec, m_rows[m_selected]);
    setRecordLoopCount(rec, m_loopEnabled ? parseLoopText(m_loopText) : 1);
    rec.macroFlags = m_events.recordDelays() ? 1 : 0;
    m_events.commitTo(rec);
}

}  // namespace vandrel

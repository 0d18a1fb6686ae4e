#include "macro/MacroEvent.h"

#include <algorithm>
#include <cstring>

#include "util/Endian.h"
#include "util/Utf16.h"

namespace vandrel {

bool decodeMacroEvent(const uint8_t* list, size_t offset, RawEvent& out) {
    if (offset + 2 > kMacroEventBytes) return false;
    const uint8_t type = list[offset];
    const uint8_t code = list[offset + 1];
    if (code == 0) return false;
    RawEvent e;
    e.type = type;
    e.code = code;
    if ((type & kDelayMask) == kDelayFollows) {
        // A 4-byte event whose delay bytes would lie past the end is not an event.
        if (offset + 4 > kMacroEventBytes) return false;
        e.delayMs = readBe16(list + offset + 2);
        e.size = 4;
    } else {
        e.delayMs = type & kDelayMask;
        e.size = 2;
    }
    out = e;
    return true;
}

size_t encodeMacroEvent(bool released, uint16_t delayMs, uint8_t code, uint8_t* out) {
    const uint8_t rel = released ? kReleaseBit : 0;
    if (delayMs >= kDelayFollows) {
        out[0] = rel | kDelayFollows;
        out[1] = code;
        writeBe16(out + 2, delayMs);
        return 4;
    }
    out[0] = static_cast<uint8_t>(rel | delayMs);
    out[1] = code;
    return 2;
}

std::vector<MacroEvent> readEventLists(const uint8_t* usageList, const uint8_t* vkList) {
    std::vector<MacroEvent> events;
    size_t offset = 0;
    RawEvent e;
    while (decodeMacroEvent(usageList, offset, e)) {
        const uint8_t vk = vkList[offset + 1];
        if (vk == 0) break;
        MacroEvent m;
        m.released = e.released();
        m.usage = e.code;
        m.vk = vk;
        m.delayMs = std::clamp<uint16_t>(e.delayMs, kNoDelay, kMaxDelayMs);
        if (events.empty()) m.delayMs = kNoDelay;
        events.push_back(m);
        offset += e.size;
    }
    return events;
}

size_t encodedListBytes(const std::vector<MacroEvent>& events) {
    size_t n = 0;
    for (const MacroEvent& e : events) n += e.size();
    return n;
}

bool writeEventLists(const std::vector<MacroEvent>& events, uint8_t* usageList, uint8_t* vkList) {
    if (encodedListBytes(events) > kMacroEventBytes) return false;
    uint8_t usage[kMacroEventBytes] = {};
    uint8_t vk[kMacroEventBytes] = {};
    size_t offset = 0;
    for (const MacroEvent& e : events) {
        encodeMacroEvent(e.released, e.delayMs, e.usage, usage + offset);
        offset += encodeMacroEvent(e.released, e.delayMs, e.vk, vk + offset);
    }
    std::memcpy(usageList, usage, kMacroEventBytes);
    std::memcpy(vkList, vk, kMacroEventBytes);
    return true;
}

size_t eventListEnd(const uint8_t* list) {
    size_t offset = 0;
    RawEvent e;
    while (decodeMacroEvent(list, offset, e)) offset += e.size;
    return offset;
}

namespace {

int rawRowCount(const RawEvent& e) {
    const uint8_t field = e.delayField();
    return (field == kDelayFollows || field > 1) ? 2 : 1;
}

// The walk from a display row to the event that owns it, for the byte lists
// and the decoded events alike: rowsOf(i) is the row count of event i, 0 past
// the last event. Returns the owner's index, or the event count when the row
// lies past the last event.
template <typename RowsOf>
size_t ownerOfRow(int row, RowsOf rowsOf) {
    int first = 0;
    size_t i = 0;
    for (int n; (n = rowsOf(i)) > 0; ++i) {
        first += n;
        if (row < first) return i;
    }
    return i;
}

}  // namespace

size_t RowToOffset(const uint8_t* vkList, int row) {
    // Events are decoded in order as the walk asks for them; `offset` ends at
    // the owner's first byte, or at the end of the list.
    size_t offset = 0;
    size_t next = 0;
    ownerOfRow(row, [&](size_t) {
        offset = next;
        RawEvent e;
        if (!decodeMacroEvent(vkList, offset, e)) return 0;
        next = offset + e.size;
        return rawRowCount(e);
    });
    return offset;
}

size_t eventIndexAtRow(const std::vector<MacroEvent>& events, int row) {
    return ownerOfRow(row, [&](size_t i) { return i < events.size() ? events[i].rowCount() : 0; });
}

int firstRowOfEvent(const std::vector<MacroEvent>& events, size_t index) {
    int row = 0;
    for (size_t i = 0; i < index && i < events.size(); ++i) row += events[i].rowCount();
    return row;
}

std::u16string delayRowText(int ms) {
    const bool negative = ms < 0;
    const unsigned long long v = negative ? 0ull - static_cast<unsigned long long>(static_cast<long long>(ms))
                                          : static_cast<unsigned long long>(ms);
    return (negative ? u"-" : u"") + decimalUtf16(v) + u" ms";
}

std::u16string keyRowText(const KeyNameTable& names, uint8_t vk, bool released) {
    return names.name(vk) + (released ? u" up" : u" dn");
}

bool isDelayRowText(const std::u16string& text) { return text.find(u" ms") != std::u16string::npos; }

std::vector<std::u16string> eventRows(const std::vector<MacroEvent>& events, const KeyNameTable& names) {
    std::vector<std::u16string> rows;
    rows.reserve(events.size() * 2);
    for (const MacroEvent& e : events) {
        if (e.delayMs != kNoDelay) rows.push_back(delayRowText(e.delayMs));
        rows.push_back(keyRowText(names, e.vk, e.released));
    }
    return rows;
}

}  // namespace vandrel

#pragma once
// Macro events and the 190-byte event lists that hold them.
//
// An event is 2 or 4 bytes: a type byte (bit 7 set for a release, bits 0-6 the
// delay in milliseconds before the event, 127 meaning that a big-endian 16-bit
// delay follows in bytes 2 and 3) and a code byte (HID usage in the device form,
// virtual-key code in the display form). A list ends at the first event whose
// code byte is 0 or at the end of its 190 bytes; the bytes after the end are 0.
// A delay of 1 ms means no delay.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "keys/KeyNameTable.h"
#include "macro/MacroRecord.h"

namespace vandrel {

constexpr uint8_t kReleaseBit = 0x80;
constexpr uint8_t kDelayMask = 0x7F;
constexpr uint8_t kDelayFollows = 127;  // delay field value: 16-bit delay follows
constexpr uint16_t kNoDelay = 1;
constexpr uint16_t kMinEditedDelay = 2;
constexpr uint16_t kMaxDelayMs = 60000;

// One event of a list as it is read from its bytes.
struct RawEvent {
    uint8_t type = 0;     // the type byte as stored
    uint8_t code = 0;
    uint16_t delayMs = 0; // delay field, or the 16-bit value when the field is 127
    size_t size = 0;      // 2 or 4
    bool released() const { return (type & kReleaseBit) != 0; }
    uint8_t delayField() const { return type & kDelayMask; }
};

// Reads the event that begins at `offset` of a 190-byte list. Returns false at the
// end of the list: no room for a type and a code byte, a code byte of 0, or a
// 4-byte event that would run past the last byte.
bool decodeMacroEvent(const uint8_t* list, size_t offset, RawEvent& out);

// Bytes an event with this delay takes: 4 from 127 ms on, else 2.
inline size_t encodedEventSize(uint16_t delayMs) { return delayMs >= kDelayFollows ? 4 : 2; }

// Writes one event at `out` (2 or 4 bytes, as encodedEventSize) and returns its size.
size_t encodeMacroEvent(bool released, uint16_t delayMs, uint8_t code, uint8_t* out);

// An event in both forms at once. Delays are 1 to 60000 ms.
struct MacroEvent {
    bool released = false;
    uint16_t delayMs = kNoDelay;
    uint8_t usage = 0;  // code in the device form
    uint8_t vk = 0;     // code in the display form
    size_t size() const { return encodedEventSize(delayMs); }
    // A delay row above the key row unless the delay is 1 ms.
    int rowCount() const { return delayMs != kNoDelay ? 2 : 1; }
    bool operator==(const MacroEvent& o) const {
        return released == o.released && delayMs == o.delayMs && usage == o.usage && vk == o.vk;
    }
};

// The two lists of the selected macro while it is edited.
struct EditBuffers {
    uint8_t usage[kMacroEventBytes] = {};
    uint8_t vk[kMacroEventBytes] = {};
};

// Reads the two lists of a record event by event. The device form's type bytes
// decide each event's length and delay; the list ends where either form has a
// code byte of 0 or where an event would run past the end. The result is always
// a list the editor can show and write back unchanged: the first event has no
// delay, a delay of 0 counts as 1 ms and one above 60000 as 60000 ms.
std::vector<MacroEvent> readEventLists(const uint8_t* usageList, const uint8_t* vkList);

// Bytes the events take when written.
size_t encodedListBytes(const std::vector<MacroEvent>& events);

// Writes the events into both lists with every delay in its shortest form and
// zeros after the end. Returns false, and leaves both lists untouched, when the
// events do not fit in 190 bytes.
bool writeEventLists(const std::vector<MacroEvent>& events, uint8_t* usageList, uint8_t* vkList);

// Offset of the end of a list: the byte after its last whole event.
size_t eventListEnd(const uint8_t* list);

// Walks the display-form list and returns the byte offset of the event that owns
// display row `row` (its delay row or its key row). A row at or past the end of
// the rows gives the end of the list. An event takes two rows when its delay
// field is 127 or above 1, else one.
size_t RowToOffset(const uint8_t* vkList, int row);

// Index of the event that owns display row `row`; events.size() at or past the end.
size_t eventIndexAtRow(const std::vector<MacroEvent>& events, int row);
// First display row of event `index`; the total row count for index == size.
int firstRowOfEvent(const std::vector<MacroEvent>& events, size_t index);

// Row texts: "%d ms" for a delay, "%s dn" / "%s up" with the key's table name.
std::u16string delayRowText(int ms);
std::u16string keyRowText(const KeyNameTable& names, uint8_t vk, bool released);
// A row whose text contains " ms" is a delay row; every other row is a key row.
bool isDelayRowText(const std::u16string& text);

// The display rows of a list: for each event an optional delay row (absent when
// the delay is 1 ms) and its key row.
std::vector<std::u16string> eventRows(const std::vector<MacroEvent>& events, const KeyNameTable& names);

}  // namespace vandrel

#pragma once
// The host-side record of how a key was assigned (772 bytes), one per key slot.
// Stored raw after the DeviceImage in keymap.bin and in profile files.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "keymap/KeyTables.h"

namespace vandrel {

struct KeyRecord {
    uint8_t homeVk;       // the slot's home code; always rewritten from SlotHomeVk after a load
    uint8_t type;         // AssignType 0..8; 255 while the launch page holds no choice
    uint8_t data[255];    // codes (types 0, 1), 4,1,m,0 (2), device entry (3), 3,0,0x23,2 (4..7)
    uint8_t length;       // number of codes for types 0 and 1
    uint8_t reserved[2];
    uint8_t path[512];    // UTF-16LE, 256 units, zero-terminated: launch target (types 4..7)
};
static_assert(sizeof(KeyRecord) == 772, "KeyRecord is 772 bytes");
static_assert(alignof(KeyRecord) == 1);
static_assert(offsetof(KeyRecord, homeVk) == 0);
static_assert(offsetof(KeyRecord, type) == 1);
static_assert(offsetof(KeyRecord, data) == 2);
static_assert(offsetof(KeyRecord, length) == 257);
static_assert(offsetof(KeyRecord, reserved) == 258);
static_assert(offsetof(KeyRecord, path) == 260);

constexpr size_t kKeyRecordPathUnits = 256;

struct KeyRecordTable {
    KeyRecord records[kRecordSlots];

    void clear() { std::memset(this, 0, sizeof(*this)); }
    // Sets homeVk of the physical slots from SlotHomeVk.
    void restoreHomeCodes() {
        for (int s = 0; s < kPhysicalSlots; ++s) records[s].homeVk = SlotHomeVk[s];
    }
    KeyRecord& operator[](int slot) { return records[slot]; }
    const KeyRecord& operator[](int slot) const { return records[slot]; }
    bool operator==(const KeyRecordTable& o) const { return std::memcmp(this, &o, sizeof(*this)) == 0; }
    uint8_t* bytes() { return reinterpret_cast<uint8_t*>(this); }
    const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(this); }
};
static_assert(sizeof(KeyRecordTable) == 196860, "KeyRecordTable is 255 records");

// The key records as they were when the keyboard was last read or written.
using ShadowKeyRecords = KeyRecordTable;

// keymap.bin and profile files: DeviceImage then KeyRecordTable.
constexpr size_t kKeymapFileBytes = sizeof(DeviceImage) + sizeof(KeyRecordTable);
static_assert(kKeymapFileBytes == 206920);

// One flag per slot: the key's function differs from its factory function.
struct ReassignedFlags {
    uint8_t flags[kRecordSlots];
    void clear() { std::memset(flags, 0, sizeof flags); }
    uint8_t& operator[](int slot) { return flags[slot]; }
    uint8_t operator[](int slot) const { return flags[slot]; }
};

}  // namespace vandrel

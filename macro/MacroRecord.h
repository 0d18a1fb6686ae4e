#pragma once
// The host macro store: 190 named records of 894 bytes, mirrored one to one in
// MacroDefine.bin. Each record holds the event list twice: with HID usages (what
// the keyboard receives) and with virtual-key codes (what the dialogs show).

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "util/Endian.h"
#include "util/Utf16.h"

namespace vandrel {

constexpr size_t kMacroEventBytes = 190;
constexpr size_t kMacroNameUnits = 255;  // 254 characters + terminating zero
constexpr size_t kMacroRecords = 190;
constexpr size_t kMaxMacroNameChars = 254;

struct MacroRecord {
    uint8_t macroName[2 * kMacroNameUnits];  // UTF-16LE; empty = free record
    uint8_t loopCount[2];                    // u16 little-endian; 1 = play once
    uint8_t macroFlags;                      // bit 0 = delays were recorded
    uint8_t usageEvents[kMacroEventBytes];   // device form
    uint8_t vkEvents[kMacroEventBytes];      // display form
    uint8_t spare;
};
static_assert(sizeof(MacroRecord) == 894, "MacroRecord is 894 bytes");
static_assert(alignof(MacroRecord) == 1);
static_assert(offsetof(MacroRecord, macroName) == 0);
static_assert(offsetof(MacroRecord, loopCount) == 510);
static_assert(offsetof(MacroRecord, macroFlags) == 512);
static_assert(offsetof(MacroRecord, usageEvents) == 513);
static_assert(offsetof(MacroRecord, vkEvents) == 703);
static_assert(offsetof(MacroRecord, spare) == 893);

struct MacroStore {
    MacroRecord records[kMacroRecords];

    void clear() { std::memset(this, 0, sizeof(*this)); }
    MacroRecord& operator[](size_t i) { return records[i]; }
    const MacroRecord& operator[](size_t i) const { return records[i]; }
    bool operator==(const MacroStore& o) const { return std::memcmp(this, &o, sizeof(*this)) == 0; }
    uint8_t* bytes() { return reinterpret_cast<uint8_t*>(this); }
    const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(this); }
};
static_assert(sizeof(MacroStore) == 169860, "MacroDefine.bin is 169860 bytes");

// A record is in use when its name is not empty.
inline bool recordInUse(const MacroRecord& r) { return (r.macroName[0] | r.macroName[1]) != 0; }

// The record's name, read up to its terminating zero or the end of the field and
// never longer than the 254 characters a name may have.
inline std::u16string recordName(const MacroRecord& r) {
    std::u16string name = readUtf16Field(r.macroName, kMacroNameUnits);
    if (name.size() > kMaxMacroNameChars) name.resize(kMaxMacroNameChars);
    return name;
}

// Writes the name zero-terminated and zero-padded; false when it is too long
// (the field then holds its first 254 characters).
inline bool setRecordName(MacroRecord& r, const std::u16string& name) {
    return writeUtf16Field(r.macroName, kMacroNameUnits, name);
}

inline uint16_t recordLoopCount(const MacroRecord& r) { return readLe16(r.loopCount); }
inline void setRecordLoopCount(MacroRecord& r, uint16_t n) { writeLe16(r.loopCount, n); }

// Number of records in use: the leading run of named records.
inline size_t macrosInUse(const MacroStore& s) {
    size_t n = 0;
    while (n < kMacroRecords && recordInUse(s[n])) ++n;
    return n;
}

// Where the macros of a store went when the macro manager closed with OK:
// for record i of the store as it was, the macro's new record index,
// kMacroDeleted when the user deleted it, or kNoMacroHere when the record held
// no macro. Keys bound to a macro follow it through this.
constexpr int16_t kMacroDeleted = -1;
constexpr int16_t kNoMacroHere = -2;
using MacroRenumbering = std::array<int16_t, kMacroRecords>;

}  // namespace vandrel

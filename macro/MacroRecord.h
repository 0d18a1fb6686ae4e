#pragma once
// The host macro store: 190 named records of 894 bytes, mirrored one to one in
// MacroDefine.bin. Each record holds the event list twice: with HID usages (what
// the keyboard receives) and with virtual-key codes (what the dialogs show).

#include <cstddef>
#include <cstdint>
#include <cstring>

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

}  // namespace vandrel

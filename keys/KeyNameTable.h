#pragma once
// For each of the 256 virtual-key codes: the HID usage the keyboard is given for
// that key and the short display name the dialogs show. Every conversion between
// virtual-key codes, usages and names goes through this table.

#include <array>
#include <cstdint>
#include <string>

namespace vandrel {

struct KeyNameEntry {
    uint8_t vk = 0;          // the entry's own index
    uint8_t usage = 0;       // HID usage; 0 = none
    char16_t name[100] = {}; // display name, zero-terminated; empty = none
};
static_assert(sizeof(KeyNameEntry) == 202, "KeyNameEntry is 202 bytes");

// Mouse pseudo-keys: their usage is the code itself.
constexpr uint8_t kVkMouseLeft = 0xF0;
constexpr uint8_t kVkMouseRight = 0xF1;
constexpr uint8_t kVkMouseMiddle = 0xF2;

struct KeyNameTable {
    std::array<KeyNameEntry, 256> entries{};

    const KeyNameEntry& operator[](uint8_t vk) const { return entries[vk]; }
    uint8_t usage(uint8_t vk) const { return entries[vk].usage; }
    std::u16string name(uint8_t vk) const { return std::u16string(entries[vk].name); }
};

// Fills the whole table; later steps overwrite earlier ones exactly as listed in
// the implementation. The result never changes afterwards.
void BuildKeyNameTable(KeyNameTable& table);

// The table, built once on first use (read-only; safe to share between threads).
const KeyNameTable& keyNames();

}  // namespace vandrel

#pragma once
// The key slots: 0..107 are the physical keys, 108..254 record space only,
// 255 = no key. For each physical slot its home virtual-key code and the byte
// offset of its 4-byte entry in deviceKeyMap (offset / 4 = matrix cell; cell / 6
// = column 0..20, cell % 6 = row 0..5 with row 0 the bottom row).

#include <array>
#include <cstdint>

#include "device/DeviceImage.h"

namespace vandrel {

constexpr int kPhysicalSlots = 108;
constexpr int kRecordSlots = 255;
constexpr uint8_t kNoSlot = 255;

// The four media keys above the keyboard and the Fn key.
constexpr int kFirstMediaSlot = 16;
constexpr int kLastMediaSlot = 19;
constexpr int kLeftWinSlot = 96;
constexpr int kFnSlot = 100;

extern const std::array<uint8_t, kPhysicalSlots> SlotHomeVk;
extern const std::array<uint16_t, kPhysicalSlots> SlotCellOffset;

// The keyboard's factory assignment, in deviceKeyMap layout.
extern const std::array<uint8_t, kKeyMapBytes> FactoryKeyTable;

inline int slotCell(int slot) { return SlotCellOffset[slot] / 4; }
// keyMask byte and bit of a physical slot.
inline int slotMaskByte(int slot) { return slotCell(slot) / 6; }
inline uint8_t slotMaskBit(int slot) { return static_cast<uint8_t>(1u << (slotCell(slot) % 6)); }

}  // namespace vandrel

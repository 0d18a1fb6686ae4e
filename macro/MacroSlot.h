#pragma once
// The device form of a macro (192 bytes): the loop count, high byte first, then
// the record's device-form event list byte for byte. Slot n of the keyboard holds
// record n of the store.

#include <cstddef>
#include <cstdint>

#include "device/DeviceImage.h"
#include "macro/MacroRecord.h"

namespace vandrel {

struct MacroSlot {
    uint8_t loopHigh;
    uint8_t loopLow;
    uint8_t usageEvents[kMacroEventBytes];
};
static_assert(sizeof(MacroSlot) == kMacroSlotBytes, "MacroSlot is 192 bytes");
static_assert(offsetof(MacroSlot, loopHigh) == 0);
static_assert(offsetof(MacroSlot, loopLow) == 1);
static_assert(offsetof(MacroSlot, usageEvents) == 2);

MacroSlot makeMacroSlot(const MacroRecord& record);

// Copies the records in use (the leading run of named records, at most 32) into
// the image's macro slots. Slots after the last record in use keep what they
// held. Nothing is sent to the keyboard here.
void SyncMacroSlots(const MacroStore& store, DeviceImage& image);

}  // namespace vandrel

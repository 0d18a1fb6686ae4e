#pragma once
// Per-key state the main window changes around an assignment: the enable bit of
// a key in keyMask, and the whole-table reset that follows a factory reset.

#include "device/DeviceImage.h"
#include "keymap/KeyRecord.h"
#include "keymap/KeyTables.h"

namespace vandrel {

// Whether the physical slot's keyMask bit is set (a set bit enables the key).
// Slots outside 0..107 have no bit and read as enabled.
bool IsKeyEnabled(const DeviceImage& image, int slot);

// Sets or clears the physical slot's keyMask bit; other slots are ignored.
void SetKeyEnabled(DeviceImage& image, int slot, bool enabled);

// After the keyboard was reset to its factory state: every key enabled, no key
// marked, every record empty except its home code.
void ResetKeyRecordsToFactory(DeviceImage& image, KeyRecordTable& records, ReassignedFlags& flags);

}  // namespace vandrel

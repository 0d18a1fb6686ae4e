#pragma once
// Key records that claim an assignment the keyboard does not hold. A record
// is written to keymap.bin as soon as a key is assigned, before the assignment
// is saved to the keyboard; when the program then ends without its close
// (killed, a crash, a power cut) or the keyboard is read again, the record
// would show an assignment the key does not have. Such records are put back:
// the keyboard is what the key does, and the device entry alone cannot say
// how a lost assignment was made.

#include <vector>

#include "device/DeviceImage.h"
#include "keymap/KeyRecord.h"

namespace vandrel {

// Whether the record of physical key `slot` agrees with the key's device
// entry in `keyboard`: it claims nothing (no assignment, or a choice that left
// the entry as it was), or exactly that entry.
bool KeyRecordAgrees(const KeyRecord& record, int slot, const DeviceImage& keyboard);

// Empties (type 0, no codes) every physical key's record that does not agree
// with `keyboard`; the launch path field keeps its bytes. Returns the slots
// put back, in order.
std::vector<int> ReconcileKeyRecords(const DeviceImage& keyboard, KeyRecordTable& records);

}  // namespace vandrel

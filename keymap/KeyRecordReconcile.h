#pragma once
// Key records against the image they belong to. A record says how a key was
// assigned; the image is what the key does. They part ways when a record is
// written to keymap.bin before its assignment reaches the keyboard and the
// program then ends without its close (killed, a crash, a power cut), when
// the keyboard is read again after someone else changed it, and when an image
// is loaded beside records made for another one (a profile made by "new"
// holds no records, a rule's profile, an imported file). Whenever that
// happens, a record that claims another assignment than the image holds is
// replaced by one that describes the image, so that the window, the key-map
// dialog and the screen reader say what the key does. A record that agrees
// with its entry stays as it is, launch path and all.

#include <vector>

#include "device/DeviceImage.h"
#include "keymap/KeyRecord.h"

namespace vandrel {

// Whether the record of physical key `slot` agrees with the key's device
// entry in `image`: it claims nothing (no assignment, or a choice that left
// the entry as it was), or exactly that entry.
bool KeyRecordAgrees(const KeyRecord& record, int slot, const DeviceImage& image);

// The record the key-map dialog leaves for the entry of physical key `slot`
// in `image`: a single key or a combination of the keys it sends, its macro,
// its named function, or an empty record (the factory entry, and entries no
// record can stand for, such as a launch entry whose path is unknown). The
// path field is `base`'s.
KeyRecord DescribeKeyEntry(int slot, const DeviceImage& image, const KeyRecord& base);

// Makes every physical key's record fit `image`: a record that disagrees
// with the key's entry is replaced by one that describes it (the path field
// keeps its bytes); an empty record of a key whose entry is not its factory
// one is filled in the same way. Records that agree stay. Returns the slots
// whose records disagreed, in order.
std::vector<int> ReconcileKeyRecords(const DeviceImage& image, KeyRecordTable& records);

}  // namespace vandrel

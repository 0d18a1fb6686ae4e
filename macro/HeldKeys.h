#pragma once
// Keys a macro leaves held: pressed and not released again before its end. The
// keyboard would play such a macro and leave the key down (a stuck modifier),
// so the dialog offers to add the missing releases.

#include <cstdint>
#include <vector>

#include "keys/KeyNameTable.h"
#include "macro/MacroRecord.h"

namespace vandrel {

// The display-form codes of the keys the record's list leaves held, in the
// order of their presses; a key pressed twice needs one release.
std::vector<uint8_t> keysLeftHeld(const MacroRecord& record);

// Appends releases (no delay) of the keys, last pressed first, to both lists.
// False, with the record unchanged, when they do not fit in the 190 bytes.
bool appendReleases(MacroRecord& record, const std::vector<uint8_t>& vks, const KeyNameTable& names);

}  // namespace vandrel

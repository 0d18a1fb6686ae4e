#pragma once
// A key of the keyboard picture in words, as a screen reader says it: the
// key's name, then what it does when that differs from its name ("A, sends
// LCtrl + C", "F5, disabled", "Q, macro Burst"), or, while custom colours are
// painted, its colour by name and number, so that colour is never the only
// cue. The pieces are marked for translation and composed in the language of
// the lookup.

#include <cstdint>
#include <string>

#include "device/DeviceImage.h"
#include "keys/KeyNameTable.h"
#include "keymap/KeyRecord.h"
#include "macro/MacroRecord.h"
#include "util/TextLookup.h"

namespace vandrel {

// The key's own name ("A", "LShift", "Fn") in `names` (the dialogs' names,
// which may follow the desktop's layout); the keypad's keys that share a name
// with a key of the main block say so ("Keypad -"), as do its digits; the
// abbreviated names are read as a user says them ("Print Screen").
std::string keyReaderName(int slot, const KeyNameTable& names = keyNames(), const TextLookup& tr = {});

// What the key does when that is not just its own key, or empty. Reads the
// key's record and enable bit; `reassigned` says whether the key is marked
// as changed at all.
std::string keyFunctionText(int slot, const DeviceImage& image, const KeyRecordTable& records, bool reassigned,
                            const MacroStore& macros, const KeyNameTable& names = keyNames(),
                            const TextLookup& tr = {});

// A colour by its nearest common name and its number: "red (#E0262D)".
std::string colourText(uint8_t r, uint8_t g, uint8_t b, const TextLookup& tr = {});

// The whole name: "A", "A, sends LCtrl + C"; with `diyMap` >= 0 the key's
// colour in that custom map instead ("A, red (#FF0000)", "A, no colour").
std::string keyReaderText(int slot, const DeviceImage& image, const KeyRecordTable& records, bool reassigned,
                          const MacroStore& macros, int diyMap, const KeyNameTable& names = keyNames(),
                          const TextLookup& tr = {});

}  // namespace vandrel

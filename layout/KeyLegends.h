#pragma once
// Key legends and key names that follow the desktop's keyboard layout. The
// keyboard's caps are printed for the US layout; under another layout the
// same key types something else (the US "Y" key types Z under German), and
// the picture and the dialogs say what the key types there. Keys that type
// the same as under US keep their printed legend and their table name, so
// the US layout changes nothing.

#include <array>
#include <string>

#include "keymap/KeyTables.h"
#include "keys/KeyNameTable.h"
#include "layout/KeyboardLayout.h"

namespace vandrel {

// The US layout, compiled once from the installed XKB data (invalid without it).
const KeyboardLayout& usLayout();

// The visible form of a dead key: its accent as a spacing character
// (dead_acute gives "´"); 0 for a dead key without one.
char32_t deadKeyAccent(xkb_keysym_t keysym);

// What the key's cap would show in `layout`: the character its base level
// types, a letter as its capital, a dead key as its accent. A key whose Shift
// level is a digit while its base is not (the digit row of AZERTY) shows the
// digit above the base character: "1\n&". Empty for a key that types no
// visible character (function keys, modifiers, Space, Enter).
std::u32string keyCapLegend(const KeyboardLayout& layout, uint16_t evdev);
// The key's name in `layout`: its cap legend on one line (the base character,
// or the capital of a letter); empty as above.
std::u32string keyCharacterName(const KeyboardLayout& layout, uint16_t evdev);

// What a key assignment (one key, or up to three keys held together) types
// in a layout: a character, or a shortcut such as Ctrl+Z.
struct TypedByKeys {
    std::u32string shortcut;   // the shortcut's modifiers with their "+": "Ctrl+Shift+"; empty when typing
    std::u32string character;  // what is typed (" " for Space), or the shortcut's key; empty: nothing to say
    bool dead = false;         // a dead key: it waits for the next key and accents it
};
// Shift and, where the layout has it, AltGr (right Alt) choose what the key
// types; Ctrl, Alt and the Windows keys make a shortcut. Nothing is said for
// keys that type no character (function keys, Enter), for modifiers alone and
// for combinations of several character keys.
TypedByKeys typedByKeys(const KeyboardLayout& layout, const uint8_t* vks, size_t count);

// For each physical key slot, its cap legend in `layout` where it differs from
// its cap legend under `us`; empty where the printed legend stays.
std::array<std::u32string, kPhysicalSlots> layoutSlotLegends(const KeyboardLayout& layout,
                                                            const KeyboardLayout& us = usLayout());

// The key-name table with each character key named after what it types in
// `layout` where that differs from `us` ("Z " for the US "Y" key under German).
// Usages are unchanged: only what the dialogs show follows the layout.
KeyNameTable layoutKeyNames(const KeyboardLayout& layout, const KeyboardLayout& us = usLayout());

}  // namespace vandrel

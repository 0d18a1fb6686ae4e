#include "layout/KeyLegends.h"

#include "keys/EvdevCodes.h"
#include "util/Utf16.h"

namespace vandrel {

namespace {

// The keys whose legend depends on the layout: the main block's character
// keys, from the key left of 1 down to the slash key. Space, Tab, Enter and the
// keypad read the same in every layout.
bool isCharacterKey(uint16_t evdev) {
    return (evdev >= 2 && evdev <= 13) || (evdev >= 16 && evdev <= 27) || (evdev >= 30 && evdev <= 41) ||
           (evdev >= 43 && evdev <= 53);
}

bool visible(char32_t c) { return c > 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0); }

// A key's base character as its cap shows it, and whether it is a letter
// whose capital the Shift level types.
struct BaseLegend {
    char32_t shown = 0;
    bool letter = false;
};

BaseLegend baseLegend(const KeyboardLayout& layout, uint16_t evdev) {
    const KeyOutput base = layout.output(evdev, kModNone);
    BaseLegend out;
    if (base.dead) {
        out.shown = deadKeyAccent(base.keysym);
        return out;
    }
    if (!visible(base.character)) return out;
    out.shown = base.character;
    const char32_t upper = xkb_keysym_to_utf32(xkb_keysym_to_upper(base.keysym));
    const KeyOutput shifted = layout.output(evdev, kModShift);
    if (upper != 0 && upper != base.character && shifted.character == upper) {
        out.shown = upper;
        out.letter = true;
    }
    return out;
}

}  // namespace

const KeyboardLayout& usLayout() {
    static const KeyboardLayout us = KeyboardLayout::fromNames("us");
    return us;
}

char32_t deadKeyAccent(xkb_keysym_t keysym) {
    switch (keysym) {
    case XKB_KEY_dead_grave: return U'`';
    case XKB_KEY_dead_acute: return U'\u00B4';
    case XKB_KEY_dead_circumflex: return U'^';
    case XKB_KEY_dead_tilde: return U'~';
    case XKB_KEY_dead_macron: return U'\u00AF';
    case XKB_KEY_dead_breve: return U'\u02D8';
    case XKB_KEY_dead_abovedot: return U'\u02D9';
    case XKB_KEY_dead_diaeresis: return U'\u00A8';
    case XKB_KEY_dead_abovering: return U'\u02DA';
    case XKB_KEY_dead_doubleacute: return U'\u02DD';
    case XKB_KEY_dead_caron: return U'\u02C7';
    case XKB_KEY_dead_cedilla: return U'\u00B8';
    case XKB_KEY_dead_ogonek: return U'\u02DB';
    default: return 0;
    }
}

std::u32string keyCapLegend(const KeyboardLayout& layout, uint16_t evdev) {
    const BaseLegend base = baseLegend(layout, evdev);
    if (base.shown == 0) return {};
    if (!base.letter && !(base.shown >= U'0' && base.shown <= U'9')) {
        const char32_t shifted = layout.output(evdev, kModShift).character;
        if (shifted >= U'0' && shifted <= U'9') return {shifted, U'\n', base.shown};
    }
    return {base.shown};
}

std::u32string keyCharacterName(const KeyboardLayout& layout, uint16_t evdev) {
    const char32_t shown = baseLegend(layout, evdev).shown;
    return shown ? std::u32string(1, shown) : std::u32string();
}

TypedByKeys typedByKeys(const KeyboardLayout& layout, const uint8_t* vks, size_t count) {
    TypedByKeys out;
    if (!layout.valid()) return out;
    uint8_t mods = kModNone;
    bool ctrl = false, alt = false, win = false;
    uint16_t key = 0;
    for (size_t i = 0; i < count; ++i) {
        switch (vks[i]) {
        case 0xA0: case 0xA1: mods |= kModShift; break;
        case 0xA2: case 0xA3: ctrl = true; break;
        case 0xA4: alt = true; break;
        case 0xA5:
            if (layout.hasAltGr())
                mods |= kModAltGr;
            else
                alt = true;
            break;
        case 0x5B: case 0x5C: win = true; break;
        default:
            if (key != 0) return out;  // two keys that type: no one character
            key = evdevFromVk(vks[i]);
            if (key == 0) return out;
        }
    }
    if (key == 0) return out;
    if (ctrl || alt || win) {
        // A shortcut names its key as the key's cap does.
        out.character = keyCharacterName(layout, key);
        if (out.character.empty()) return out;
        if (ctrl) out.shortcut += U"Ctrl+";
        if (alt) out.shortcut += U"Alt+";
        if (win) out.shortcut += U"Win+";
        if (mods & kModShift) out.shortcut += U"Shift+";
        if (mods & kModAltGr) out.shortcut += U"AltGr+";
        return out;
    }
    const KeyOutput typed = layout.output(key, mods);
    if (typed.dead) {
        if (const char32_t accent = deadKeyAccent(typed.keysym)) {
            out.character = std::u32string(1, accent);
            out.dead = true;
        }
    } else if (visible(typed.character) || typed.character == U' ') {
        out.character = std::u32string(1, typed.character);
    }
    return out;
}

std::array<std::u32string, kPhysicalSlots> layoutSlotLegends(const KeyboardLayout& layout, const KeyboardLayout& us) {
    std::array<std::u32string, kPhysicalSlots> legends;
    if (!layout.valid() || !us.valid()) return legends;
    for (int slot = 0; slot < kPhysicalSlots; ++slot) {
        const uint16_t evdev = evdevFromVk(SlotHomeVk[slot]);
        if (!isCharacterKey(evdev)) continue;
        std::u32string legend = keyCapLegend(layout, evdev);
        if (legend != keyCapLegend(us, evdev)) legends[slot] = std::move(legend);
    }
    return legends;
}

KeyNameTable layoutKeyNames(const KeyboardLayout& layout, const KeyboardLayout& us) {
    KeyNameTable table = keyNames();
    if (!layout.valid() || !us.valid()) return table;
    for (int vk = 0; vk < 256; ++vk) {
        const uint16_t evdev = evdevFromVk(static_cast<uint8_t>(vk));
        if (!isCharacterKey(evdev)) continue;
        const std::u32string name = keyCharacterName(layout, evdev);
        if (name.empty() || name == keyCharacterName(us, evdev)) continue;
        // The table's names end in one blank, as the names they replace do.
        KeyNameEntry& e = table.entries[static_cast<size_t>(vk)];
        const std::u16string text = utf32ToUtf16(name) + u' ';
        size_t i = 0;
        for (; i < text.size() && i < 99; ++i) e.name[i] = text[i];
        for (; i < 100; ++i) e.name[i] = 0;
    }
    return table;
}

}  // namespace vandrel

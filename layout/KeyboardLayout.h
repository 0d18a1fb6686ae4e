#pragma once
// A keyboard layout as the desktop applies it: an XKB keymap and the group
// in use (the one layout of a keymap that holds several, such as "us,ru").
// It answers what each physical key, named by its Linux input (evdev) code,
// types with Shift and AltGr held or not. The keyboard itself knows nothing
// of layouts: it sends key positions, and the desktop's layout decides which
// character each position types.

#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <memory>
#include <string>

namespace vandrel {

// Modifiers held while a key is tapped.
enum KeyMods : uint8_t {
    kModNone = 0,
    kModShift = 1,  // left Shift
    kModAltGr = 2,  // right Alt, where the layout makes it the third-level shift
};

// The evdev codes of the keys that hold those modifiers.
constexpr uint16_t kEvdevLeftShift = 42;
constexpr uint16_t kEvdevRightAlt = 100;

// An installed layout by its names, as a list of layouts offers it.
struct LayoutName {
    std::string layout;       // "de"
    std::string variant;      // "nodeadkeys"; empty for the layout itself
    std::string description;  // "German (no dead keys)"
};

// What one key types.
struct KeyOutput {
    xkb_keysym_t keysym = XKB_KEY_NoSymbol;
    char32_t character = 0;  // 0: none (a function key, a modifier, a dead key)
    bool dead = false;       // a dead key: it accents the next key's character
};

// Whether a keysym is a dead key.
bool isDeadKeysym(xkb_keysym_t keysym);
// Whether a keysym is a modifier (Shift, Control, AltGr, a group switch...).
bool isModifierKeysym(xkb_keysym_t keysym);

class KeyboardLayout {
public:
    // No layout: valid() is false and every key types nothing.
    KeyboardLayout() = default;

    // A layout of the installed XKB data by its names ("de", "fr", "ru" and
    // a variant such as "nodeadkeys"); an invalid layout when the names are
    // unknown or the data is missing. The environment's XKB_DEFAULT_*
    // variables are ignored, so the same names always give the same layout.
    static KeyboardLayout fromNames(const std::string& layout, const std::string& variant = {});
    // A keymap in XKB's text form (what a Wayland compositor sends).
    static KeyboardLayout fromKeymapText(const std::string& text, uint32_t group = 0);
    // A keymap made elsewhere (X11); takes a reference of its own.
    static KeyboardLayout fromKeymap(xkb_keymap* keymap, uint32_t group);

    bool valid() const { return m_keymap != nullptr; }
    xkb_keymap* keymap() const { return m_keymap.get(); }
    uint32_t group() const { return m_group; }
    // The same keymap with another group; a group the keymap lacks counts as 0.
    KeyboardLayout withGroup(uint32_t group) const;
    // The group's name as the layout data gives it ("German"); empty without one.
    std::string description() const;
    // The keymap in XKB's text form and the group: two layouts that agree
    // here type the same everywhere.
    bool sameAs(const KeyboardLayout& other) const;

    // Whether the right Alt key is AltGr in this layout (a third-level shift
    // or a group switch), rather than a plain Alt.
    bool hasAltGr() const;
    // What the key types with `mods` held (Caps Lock and Num Lock off).
    KeyOutput output(uint16_t evdev, uint8_t mods) const;

private:
    std::shared_ptr<xkb_keymap> m_keymap;
    uint32_t m_group = 0;
};

}  // namespace vandrel

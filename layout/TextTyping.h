#pragma once
// Typing a text through key strokes: for each character, the key (with Shift
// and AltGr as the layout needs them, or a dead key and then the base key)
// that types it in a layout, and the presses and releases of a macro that
// type a whole text. The macro holds key positions only, so the text comes
// out right on a desktop that uses the same layout.

#include <xkbcommon/xkbcommon-compose.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "keys/KeyAction.h"
#include "layout/KeyboardLayout.h"

namespace vandrel {

// One key tapped with modifiers held.
struct KeyTap {
    uint16_t evdev = 0;
    uint8_t mods = kModNone;
    bool operator==(const KeyTap& o) const { return evdev == o.evdev && mods == o.mods; }
};

// The virtual-key codes that hold the modifiers: left Shift and right Alt.
constexpr uint8_t kVkShiftForTyping = 0xA0;
constexpr uint8_t kVkAltGrForTyping = 0xA5;

// The dead-key sequences of a locale's compose table (an accent key and then
// a letter): what the desktop makes of them, so that the typing of accented
// letters goes through the same rules.
class DeadKeyRules {
public:
    // Without rules no dead key composes anything.
    DeadKeyRules() = default;
    // The compose table of `locale` ("en_US.UTF-8"); without rules when the
    // table cannot be read. The user's own compose file counts, as it does
    // on the desktop.
    static DeadKeyRules forLocale(const std::string& locale);
    bool valid() const { return m_table != nullptr; }
    xkb_compose_table* table() const { return m_table.get(); }

private:
    std::shared_ptr<xkb_compose_table> m_table;
};

// The desktop's locale for the compose table: LC_ALL, LC_CTYPE or LANG, or
// "en_US.UTF-8" where these name none or only the C locale.
std::string composeLocale(const char* lcAll, const char* lcCtype, const char* lang);

// Which taps type which character in one layout.
class TypingTable {
public:
    TypingTable(const KeyboardLayout& layout, const DeadKeyRules& rules);

    // The taps that type `c`: one key, or a dead key and a base key. Empty
    // when the layout cannot type it. Enter types '\r', Tab '\t'.
    const std::vector<KeyTap>& taps(char32_t c) const;
    const KeyboardLayout& layout() const { return m_layout; }
    const DeadKeyRules& rules() const { return m_rules; }

private:
    KeyboardLayout m_layout;
    DeadKeyRules m_rules;
    std::unordered_map<char32_t, std::vector<KeyTap>> m_taps;
};

// A text as macro key actions.
struct TextTyping {
    std::vector<KeyAction> actions;  // modifiers all released at the end
    std::u32string untypable;        // each character the layout cannot type, once, in order
    size_t typedCharacters = 0;      // characters the actions type
    // Characters, from the start, whose actions fit in the budget given to
    // planTyping (their held modifiers released), and the actions they take.
    size_t fittingCharacters = 0;
    size_t fittingActions = 0;
    // Each action is one event without delay: 2 bytes.
    size_t bytes() const { return 2 * actions.size(); }
};

// The key actions that type `text` with the table's layout. A line break
// ("\n", "\r\n" or "\r") is Enter. Characters the layout cannot type are left
// out and named in `untypable`. Consecutive characters that need the same
// modifier share one press of it.
TextTyping planTyping(const TypingTable& table, const std::u32string& text, size_t budgetBytes = SIZE_MAX);

// What `actions` type on a desktop with this layout and these dead-key rules
// (Caps Lock and Num Lock off): each key press gives its character, a dead key
// waits for the next one.
std::u32string typedText(const KeyboardLayout& layout, const DeadKeyRules& rules,
                         const std::vector<KeyAction>& actions);

}  // namespace vandrel

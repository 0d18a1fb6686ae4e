#include "layout/TextTyping.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "keys/EvdevCodes.h"
#include "util/Utf16.h"

namespace vandrel {

namespace {

constexpr xkb_keycode_t kXkbOffset = 8;

// The keys a text is typed with: the main block's character keys, Tab, Enter
// and Space. The keypad is left out: what it types depends on Num Lock.
constexpr uint16_t kTypingKeys[] = {
    2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 30, 31,
    32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 57, 15, 28,
};

struct StateDeleter {
    void operator()(xkb_state* s) const { xkb_state_unref(s); }
};
struct ComposeStateDeleter {
    void operator()(xkb_compose_state* s) const { xkb_compose_state_unref(s); }
};

// Presses and releases the modifier keys so that exactly `needed` is held.
void holdMods(std::vector<KeyAction>& out, uint8_t& held, uint8_t needed) {
    if ((held & kModAltGr) && !(needed & kModAltGr)) out.push_back({kVkAltGrForTyping, true});
    if ((held & kModShift) && !(needed & kModShift)) out.push_back({kVkShiftForTyping, true});
    if (!(held & kModShift) && (needed & kModShift)) out.push_back({kVkShiftForTyping, false});
    if (!(held & kModAltGr) && (needed & kModAltGr)) out.push_back({kVkAltGrForTyping, false});
    held = needed;
}

void appendTap(std::vector<KeyAction>& out, uint8_t& held, const KeyTap& tap) {
    holdMods(out, held, tap.mods);
    const uint8_t vk = vkFromEvdev(tap.evdev);
    out.push_back({vk, false});
    out.push_back({vk, true});
}

size_t heldCount(uint8_t held) { return ((held & kModShift) ? 1 : 0) + ((held & kModAltGr) ? 1 : 0); }

std::vector<KeyAction> actionsFor(const std::vector<KeyTap>& taps) {
    std::vector<KeyAction> out;
    uint8_t held = kModNone;
    for (const KeyTap& tap : taps) appendTap(out, held, tap);
    holdMods(out, held, kModNone);
    return out;
}

bool isUtf8Locale(const std::string& locale) {
    std::string lower = locale;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower.find("utf-8") != std::string::npos || lower.find("utf8") != std::string::npos;
}

}  // namespace

DeadKeyRules DeadKeyRules::forLocale(const std::string& locale) {
    DeadKeyRules out;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    if (!context) return out;
    xkb_context_set_log_level(context, XKB_LOG_LEVEL_CRITICAL);
    xkb_compose_table* table = xkb_compose_table_new_from_locale(context, locale.c_str(), XKB_COMPOSE_COMPILE_NO_FLAGS);
    xkb_context_unref(context);
    if (table) out.m_table = std::shared_ptr<xkb_compose_table>(table, xkb_compose_table_unref);
    return out;
}

std::string composeLocale(const char* lcAll, const char* lcCtype, const char* lang) {
    for (const char* v : {lcAll, lcCtype, lang}) {
        if (!v || !*v) continue;
        // The first one set decides, as for the C library; a locale that is
        // not UTF-8 has no compose table for the characters typed here.
        return isUtf8Locale(v) ? std::string(v) : std::string("en_US.UTF-8");
    }
    return "en_US.UTF-8";
}

TypingTable::TypingTable(const KeyboardLayout& layout, const DeadKeyRules& rules) : m_layout(layout), m_rules(rules) {
    if (!layout.valid()) return;
    std::vector<uint8_t> modSets = {kModNone, kModShift};
    if (layout.hasAltGr()) modSets.insert(modSets.end(), {kModAltGr, kModShift | kModAltGr});

    // Plain keys first, then Shift, then AltGr: the first way found is the
    // shortest, and a character reachable several ways takes the simplest.
    struct Found {
        KeyTap tap;
        xkb_keysym_t keysym;
    };
    std::vector<Found> bases, deads;
    for (uint8_t mods : modSets) {
        for (uint16_t evdev : kTypingKeys) {
            if (vkFromEvdev(evdev) == 0) continue;
            const KeyOutput out = layout.output(evdev, mods);
            const KeyTap tap{evdev, mods};
            if (out.dead) {
                if (std::none_of(deads.begin(), deads.end(), [&](const Found& f) { return f.keysym == out.keysym; }))
                    deads.push_back({tap, out.keysym});
                continue;
            }
            const char32_t c = out.character;
            if (c == 0 || (c < 0x20 && c != U'\r' && c != U'\t') || c == 0x7F) continue;
            if (std::none_of(bases.begin(), bases.end(), [&](const Found& f) { return f.keysym == out.keysym; }))
                bases.push_back({tap, out.keysym});
            m_taps.emplace(c, std::vector<KeyTap>{tap});
        }
    }

    // Accented letters: a dead key, then a base key.
    if (rules.valid()) {
        const std::unique_ptr<xkb_compose_state, ComposeStateDeleter> compose(
            xkb_compose_state_new(rules.table(), XKB_COMPOSE_STATE_NO_FLAGS));
        for (const Found& dead : deads) {
            for (const Found& base : bases) {
                xkb_compose_state_reset(compose.get());
                xkb_compose_state_feed(compose.get(), dead.keysym);
                xkb_compose_state_feed(compose.get(), base.keysym);
                if (xkb_compose_state_get_status(compose.get()) != XKB_COMPOSE_COMPOSED) continue;
                char utf8[64] = {};
                xkb_compose_state_get_utf8(compose.get(), utf8, sizeof utf8);
                const std::u32string composed = utf16ToUtf32(utf8ToUtf16(utf8));
                if (composed.size() == 1) m_taps.emplace(composed[0], std::vector<KeyTap>{dead.tap, base.tap});
            }
        }
    }

    // Only what really types its character stays: a layout may consume a
    // modifier or compose a sequence differently than its parts suggest.
    for (auto it = m_taps.begin(); it != m_taps.end();) {
        if (typedText(layout, rules, actionsFor(it->second)) == std::u32string(1, it->first))
            ++it;
        else
            it = m_taps.erase(it);
    }
}

const std::vector<KeyTap>& TypingTable::taps(char32_t c) const {
    static const std::vector<KeyTap> kNone;
    const auto it = m_taps.find(c);
    return it == m_taps.end() ? kNone : it->second;
}

TextTyping planTyping(const TypingTable& table, const std::u32string& text, size_t budgetBytes) {
    TextTyping plan;
    uint8_t held = kModNone;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        // Every kind of line break is one Enter.
        if (c == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
        if (c == U'\n') c = U'\r';
        const std::vector<KeyTap>& taps = table.taps(c);
        if (taps.empty()) {
            if (plan.untypable.find(c) == std::u32string::npos) plan.untypable.push_back(c);
            continue;
        }
        for (const KeyTap& tap : taps) appendTap(plan.actions, held, tap);
        ++plan.typedCharacters;
        // Ending here would add the releases of the modifiers still held.
        if (2 * (plan.actions.size() + heldCount(held)) <= budgetBytes) plan.fittingCharacters = plan.typedCharacters;
    }
    holdMods(plan.actions, held, kModNone);
    return plan;
}

std::u32string typedText(const KeyboardLayout& layout, const DeadKeyRules& rules,
                         const std::vector<KeyAction>& actions) {
    std::u32string out;
    if (!layout.valid()) return out;
    const std::unique_ptr<xkb_state, StateDeleter> state(xkb_state_new(layout.keymap()));
    if (!state) return out;
    xkb_state_update_mask(state.get(), 0, 0, 0, 0, 0, layout.group());
    std::unique_ptr<xkb_compose_state, ComposeStateDeleter> compose;
    if (rules.valid()) compose.reset(xkb_compose_state_new(rules.table(), XKB_COMPOSE_STATE_NO_FLAGS));

    for (const KeyAction& a : actions) {
        const uint16_t evdev = evdevFromVk(a.vk);
        if (evdev == 0) continue;
        const xkb_keycode_t key = evdev + kXkbOffset;
        if (a.released) {
            xkb_state_update_key(state.get(), key, XKB_KEY_UP);
            continue;
        }
        // The key's symbol comes from the state before the key itself acts.
        const xkb_keysym_t sym = xkb_state_key_get_one_sym(state.get(), key);
        xkb_state_update_key(state.get(), key, XKB_KEY_DOWN);
        if (sym == XKB_KEY_NoSymbol || isModifierKeysym(sym)) continue;
        if (compose) {
            xkb_compose_state_feed(compose.get(), sym);
            const xkb_compose_status status = xkb_compose_state_get_status(compose.get());
            if (status == XKB_COMPOSE_COMPOSING) continue;
            if (status == XKB_COMPOSE_CANCELLED) {
                xkb_compose_state_reset(compose.get());
                continue;
            }
            if (status == XKB_COMPOSE_COMPOSED) {
                char utf8[64] = {};
                xkb_compose_state_get_utf8(compose.get(), utf8, sizeof utf8);
                out += utf16ToUtf32(utf8ToUtf16(utf8));
                xkb_compose_state_reset(compose.get());
                continue;
            }
        }
        if (isDeadKeysym(sym)) continue;
        if (const char32_t c = xkb_keysym_to_utf32(sym)) out.push_back(c);
    }
    return out;
}

}  // namespace vandrel

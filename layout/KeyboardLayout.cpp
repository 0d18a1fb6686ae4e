#include "layout/KeyboardLayout.h"

#include <memory>

namespace vandrel {

namespace {

constexpr xkb_keycode_t kXkbOffset = 8;  // X and XKB keycodes are evdev codes + 8

std::shared_ptr<xkb_keymap> adopt(xkb_keymap* keymap) {
    if (!keymap) return nullptr;
    return std::shared_ptr<xkb_keymap>(keymap, xkb_keymap_unref);
}

struct ContextDeleter {
    void operator()(xkb_context* c) const { xkb_context_unref(c); }
};
using Context = std::unique_ptr<xkb_context, ContextDeleter>;

struct StateDeleter {
    void operator()(xkb_state* s) const { xkb_state_unref(s); }
};
using State = std::unique_ptr<xkb_state, StateDeleter>;

}  // namespace

bool isDeadKeysym(xkb_keysym_t keysym) {
    return keysym >= XKB_KEY_dead_grave && keysym <= XKB_KEY_dead_greek;
}

bool isModifierKeysym(xkb_keysym_t keysym) {
    return (keysym >= XKB_KEY_Shift_L && keysym <= XKB_KEY_Hyper_R) ||
           (keysym >= XKB_KEY_ISO_Lock && keysym <= XKB_KEY_ISO_Level5_Lock) || keysym == XKB_KEY_Mode_switch ||
           keysym == XKB_KEY_Num_Lock;
}

KeyboardLayout KeyboardLayout::fromNames(const std::string& layout, const std::string& variant) {
    KeyboardLayout out;
    const Context context(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (!context) return out;
    // Unknown names are not an error worth printing: the caller says so.
    xkb_context_set_log_level(context.get(), XKB_LOG_LEVEL_CRITICAL);
    xkb_rule_names names{};
    names.rules = "evdev";
    names.model = "pc105";
    names.layout = layout.c_str();
    names.variant = variant.c_str();
    names.options = "";
    out.m_keymap = adopt(xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
    return out;
}

KeyboardLayout KeyboardLayout::fromKeymapText(const std::string& text, uint32_t group) {
    KeyboardLayout out;
    const Context context(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (!context) return out;
    xkb_context_set_log_level(context.get(), XKB_LOG_LEVEL_CRITICAL);
    out.m_keymap = adopt(xkb_keymap_new_from_buffer(context.get(), text.data(), text.size(),
                                                    XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS));
    return out.withGroup(group);
}

KeyboardLayout KeyboardLayout::fromKeymap(xkb_keymap* keymap, uint32_t group) {
    KeyboardLayout out;
    if (keymap) out.m_keymap = adopt(xkb_keymap_ref(keymap));
    return out.withGroup(group);
}

KeyboardLayout KeyboardLayout::withGroup(uint32_t group) const {
    KeyboardLayout out = *this;
    out.m_group = m_keymap && group < xkb_keymap_num_layouts(m_keymap.get()) ? group : 0;
    return out;
}

std::string KeyboardLayout::description() const {
    if (!m_keymap) return {};
    const char* name = xkb_keymap_layout_get_name(m_keymap.get(), m_group);
    return name ? std::string(name) : std::string();
}

bool KeyboardLayout::sameAs(const KeyboardLayout& other) const {
    if (m_keymap == other.m_keymap) return m_group == other.m_group;
    if (!m_keymap || !other.m_keymap || m_group != other.m_group) return false;
    const std::unique_ptr<char, void (*)(void*)> a(xkb_keymap_get_as_string(m_keymap.get(), XKB_KEYMAP_FORMAT_TEXT_V1),
                                                    free);
    const std::unique_ptr<char, void (*)(void*)> b(
        xkb_keymap_get_as_string(other.m_keymap.get(), XKB_KEYMAP_FORMAT_TEXT_V1), free);
    return a && b && std::string(a.get()) == std::string(b.get());
}

bool KeyboardLayout::hasAltGr() const {
    const xkb_keysym_t ralt = output(kEvdevRightAlt, kModNone).keysym;
    return ralt == XKB_KEY_ISO_Level3_Shift || ralt == XKB_KEY_Mode_switch || ralt == XKB_KEY_ISO_Level3_Latch;
}

KeyOutput KeyboardLayout::output(uint16_t evdev, uint8_t mods) const {
    KeyOutput out;
    if (!m_keymap) return out;
    const State state(xkb_state_new(m_keymap.get()));
    if (!state) return out;
    xkb_state_update_mask(state.get(), 0, 0, 0, 0, 0, m_group);
    // The modifiers are pressed as keys, exactly as a macro presses them, so
    // whatever the layout makes of right Alt (a level shift, a group switch,
    // a plain Alt) is what counts.
    if (mods & kModShift) xkb_state_update_key(state.get(), kEvdevLeftShift + kXkbOffset, XKB_KEY_DOWN);
    if (mods & kModAltGr) xkb_state_update_key(state.get(), kEvdevRightAlt + kXkbOffset, XKB_KEY_DOWN);
    out.keysym = xkb_state_key_get_one_sym(state.get(), evdev + kXkbOffset);
    out.dead = isDeadKeysym(out.keysym);
    if (!out.dead && !isModifierKeysym(out.keysym)) out.character = xkb_keysym_to_utf32(out.keysym);
    return out;
}

}  // namespace vandrel

// The Wayland keyboard layout: the keymap the compositor sends with a seat's
// keyboard, through a display connection of our own (the toolkit keeps its
// keymap to itself). The group is the one the compositor last reported,
// which it does only while one of the connection's surfaces has the focus;
// this connection has none, so it is the keymap's first layout unless the
// compositor says otherwise.

#include <QSocketNotifier>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstring>

#include "platform/KeyboardLayoutSource.h"

namespace vandrel {

namespace {

class WaylandLayoutWatcher : public LayoutWatcher {
public:
    ~WaylandLayoutWatcher() override {
        delete m_notifier;
        if (m_keyboard) wl_keyboard_destroy(m_keyboard);
        if (m_seat) wl_seat_destroy(m_seat);
        if (m_registry) wl_registry_destroy(m_registry);
        if (m_display) wl_display_disconnect(m_display);
    }

    bool open() {
        m_display = wl_display_connect(nullptr);
        if (!m_display) return false;
        m_registry = wl_display_get_registry(m_display);
        wl_registry_add_listener(m_registry, &kRegistryListener, this);
        // The globals, then the seat's capabilities, then the keymap.
        for (int i = 0; i < 3; ++i)
            if (wl_display_roundtrip(m_display) < 0) return false;
        if (!m_keyboard) return false;
        m_notifier = new QSocketNotifier(wl_display_get_fd(m_display), QSocketNotifier::Read);
        QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] {
            if (wl_display_dispatch(m_display) < 0) m_notifier->setEnabled(false);
        });
        return true;
    }

    KeyboardLayout layout() override { return m_layout.withGroup(m_group); }

private:
    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
        auto* self = static_cast<WaylandLayoutWatcher*>(data);
        if (self->m_seat || std::strcmp(interface, wl_seat_interface.name) != 0) return;
        self->m_seat = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, version < 5 ? version : 5));
        wl_seat_add_listener(self->m_seat, &kSeatListener, self);
    }
    static void globalRemove(void*, wl_registry*, uint32_t) {}

    static void capabilities(void* data, wl_seat* seat, uint32_t caps) {
        auto* self = static_cast<WaylandLayoutWatcher*>(data);
        if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !self->m_keyboard) {
            self->m_keyboard = wl_seat_get_keyboard(seat);
            wl_keyboard_add_listener(self->m_keyboard, &kKeyboardListener, self);
        }
    }
    static void seatName(void*, wl_seat*, const char*) {}

    static void keymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
        auto* self = static_cast<WaylandLayoutWatcher*>(data);
        if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
            void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
            if (text != MAP_FAILED) {
                // The text ends in a zero byte.
                const std::string keymapText(static_cast<const char*>(text), strnlen(static_cast<const char*>(text), size));
                munmap(text, size);
                const KeyboardLayout layout = KeyboardLayout::fromKeymapText(keymapText);
                if (layout.valid()) self->m_layout = layout;
            }
        }
        close(fd);
        if (self->changed) self->changed();
    }
    static void enter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
    static void leave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
    static void key(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
    static void modifiers(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t group) {
        auto* self = static_cast<WaylandLayoutWatcher*>(data);
        if (group == self->m_group) return;
        self->m_group = group;
        if (self->changed) self->changed();
    }
    static void repeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}

    static constexpr wl_registry_listener kRegistryListener = {global, globalRemove};
    static constexpr wl_seat_listener kSeatListener = {capabilities, seatName};
    static constexpr wl_keyboard_listener kKeyboardListener = {keymap, enter, leave, key, modifiers, repeatInfo};

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    wl_keyboard* m_keyboard = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    KeyboardLayout m_layout;
    uint32_t m_group = 0;
};

}  // namespace

std::unique_ptr<LayoutWatcher> makeWaylandLayoutWatcher() {
    auto watcher = std::make_unique<WaylandLayoutWatcher>();
    if (!watcher->open()) return nullptr;
    return watcher;
}

}  // namespace vandrel

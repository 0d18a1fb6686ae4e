// The Wayland keyboard layout: the keymap the compositor sends with a seat's
// keyboard, and the group (the active layout of a keymap that holds several,
// such as "us,de") it reports in the keyboard's modifiers events.
//
// Compositors report the group only to the client whose surface has the
// keyboard focus, so the keyboard is taken on the toolkit's own connection,
// where the program's windows are: a layout switch made while one of them has
// the focus arrives at once, one made elsewhere when the focus comes back.
// The objects are set up on a private queue (so that the keymap is there when
// the watcher is made, without dispatching the toolkit's events out of turn)
// and then handed to the connection's default queue, which the toolkit
// dispatches on the window thread. Where the toolkit's connection cannot be
// reached, a connection of the watcher's own gets the keymap; it never has
// the focus, so it shows the keymap's first layout.

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
        dropSeat();
        if (m_registry) wl_registry_destroy(m_registry);
        if (m_queue) wl_event_queue_destroy(m_queue);
        if (!m_display) return;
        if (m_ownDisplay)
            wl_display_disconnect(m_display);
        else
            wl_display_flush(m_display);
    }

    // Watches on `shared`, or on a connection of its own when it is null.
    bool open(wl_display* shared) {
        m_ownDisplay = !shared;
        m_display = shared ? shared : wl_display_connect(nullptr);
        if (!m_display) return false;
        m_queue = wl_display_create_queue(m_display);
        auto* wrapped = static_cast<wl_display*>(wl_proxy_create_wrapper(m_display));
        if (!m_queue || !wrapped) {
            if (wrapped) wl_proxy_wrapper_destroy(wrapped);
            return false;
        }
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapped), m_queue);
        // Objects made from the registry inherit its queue.
        m_registry = wl_display_get_registry(wrapped);
        wl_proxy_wrapper_destroy(wrapped);
        wl_registry_add_listener(m_registry, &kRegistryListener, this);
        // The globals, then the seat's capabilities, then the keymap (and the
        // focus and the group, when a window of the connection has the focus).
        for (int i = 0; i < 3; ++i)
            if (wl_display_roundtrip_queue(m_display, m_queue) < 0) return false;

        for (void* proxy : {static_cast<void*>(m_registry), static_cast<void*>(m_seat), static_cast<void*>(m_keyboard)})
            if (proxy) wl_proxy_set_queue(static_cast<wl_proxy*>(proxy), nullptr);
        // Events read for them while they moved are still in the private queue.
        wl_display_dispatch_queue_pending(m_display, m_queue);
        wl_event_queue_destroy(m_queue);
        m_queue = nullptr;

        if (m_ownDisplay) {
            m_notifier = new QSocketNotifier(wl_display_get_fd(m_display), QSocketNotifier::Read);
            QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] {
                if (wl_display_dispatch(m_display) < 0) m_notifier->setEnabled(false);
            });
        }
        return m_keyboard != nullptr;
    }

    KeyboardLayout layout() override { return m_layout.withGroup(m_group); }

private:
    void notify() {
        if (changed) changed();
    }

    void dropKeyboard() {
        if (!m_keyboard) return;
        if (wl_keyboard_get_version(m_keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION)
            wl_keyboard_release(m_keyboard);
        else
            wl_keyboard_destroy(m_keyboard);
        m_keyboard = nullptr;
    }

    void dropSeat() {
        dropKeyboard();
        if (!m_seat) return;
        if (wl_seat_get_version(m_seat) >= WL_SEAT_RELEASE_SINCE_VERSION)
            wl_seat_release(m_seat);
        else
            wl_seat_destroy(m_seat);
        m_seat = nullptr;
    }

    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
        auto* self = static_cast<WaylandLayoutWatcher*>(data);
        if (self->m_seat || std::strcmp(interface, wl_seat_interface.name) != 0) return;
        self->m_seat = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, version < 5 ? version : 5));
        self->m_seatName = name;
        wl_seat_add_listener(self->m_seat, &kSeatListener, self);
        wl_display_flush(self->m_display);
    }
    static void globalRemove(void* data, wl_registry*, uint32_t name) {
        auto* self = static_cast<WaylandLayoutWatcher*>(data);
        if (!self->m_seat || name != self->m_seatName) return;
        // The seat went away; its last layout stays until another comes.
        self->dropSeat();
    }

    static void capabilities(void* data, wl_seat* seat, uint32_t caps) {
        auto* self = static_cast<WaylandLayoutWatcher*>(data);
        if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !self->m_keyboard) {
            self->m_keyboard = wl_seat_get_keyboard(seat);
            wl_keyboard_add_listener(self->m_keyboard, &kKeyboardListener, self);
            wl_display_flush(self->m_display);
        } else if (!(caps & WL_SEAT_CAPABILITY_KEYBOARD)) {
            // The last keyboard was unplugged; its layout stays until one comes back.
            self->dropKeyboard();
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
        self->notify();
    }
    static void enter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
    static void leave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
    static void key(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
    static void modifiers(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t group) {
        auto* self = static_cast<WaylandLayoutWatcher*>(data);
        if (group == self->m_group) return;
        self->m_group = group;
        self->notify();
    }
    static void repeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}

    static constexpr wl_registry_listener kRegistryListener = {global, globalRemove};
    static constexpr wl_seat_listener kSeatListener = {capabilities, seatName};
    static constexpr wl_keyboard_listener kKeyboardListener = {keymap, enter, leave, key, modifiers, repeatInfo};

    wl_display* m_display = nullptr;
    bool m_ownDisplay = false;
    wl_event_queue* m_queue = nullptr;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    uint32_t m_seatName = 0;
    wl_keyboard* m_keyboard = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    KeyboardLayout m_layout;
    uint32_t m_group = 0;
};

}  // namespace

std::unique_ptr<LayoutWatcher> makeWaylandLayoutWatcher(wl_display* display) {
    auto watcher = std::make_unique<WaylandLayoutWatcher>();
    if (!watcher->open(display)) return nullptr;
    return watcher;
}

}  // namespace vandrel

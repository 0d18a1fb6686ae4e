// The X11 keyboard layout: the core keyboard device's XKB keymap and its
// effective group, through a connection of our own to the X server (so the
// event selection here never disturbs the toolkit's).

#include <QSocketNotifier>
#include <QTimer>
#include <xcb/xcb.h>
// The XKB protocol header names a field after a C++ keyword.
#define explicit xkb_explicit
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>

#include "platform/KeyboardLayoutSource.h"

namespace vandrel {

namespace {

class X11LayoutWatcher : public LayoutWatcher {
public:
    ~X11LayoutWatcher() override {
        delete m_notifier;
        if (m_context) xkb_context_unref(m_context);
        if (m_connection) xcb_disconnect(m_connection);
    }

    bool open() {
        m_connection = xcb_connect(nullptr, nullptr);
        if (!m_connection || xcb_connection_has_error(m_connection)) return false;
        if (!xkb_x11_setup_xkb_extension(m_connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                         XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &m_eventBase,
                                         nullptr))
            return false;
        m_device = xkb_x11_get_core_keyboard_device_id(m_connection);
        m_context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        if (m_device < 0 || !m_context) return false;
        xkb_context_set_log_level(m_context, XKB_LOG_LEVEL_CRITICAL);

        // A new keyboard or a new keymap (setxkbmap), and a change of group.
        const uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY |
                                XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
        const uint16_t mapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS |
                                  XCB_XKB_MAP_PART_MODIFIER_MAP | XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS |
                                  XCB_XKB_MAP_PART_KEY_ACTIONS | XCB_XKB_MAP_PART_VIRTUAL_MODS |
                                  XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
        xcb_xkb_select_events_details_t details{};
        details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
        details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
        details.affectState = XCB_XKB_STATE_PART_GROUP_BASE | XCB_XKB_STATE_PART_GROUP_LATCH |
                              XCB_XKB_STATE_PART_GROUP_LOCK;
        details.stateDetails = details.affectState;
        xcb_generic_error_t* error = xcb_request_check(
            m_connection, xcb_xkb_select_events_aux_checked(m_connection, static_cast<xcb_xkb_device_spec_t>(m_device),
                                                            events, 0, 0, mapParts, mapParts, &details));
        if (error) {
            free(error);
            return false;
        }
        m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read);
        QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] { drain(); });
        return true;
    }

    KeyboardLayout layout() override {
        xkb_keymap* keymap = xkb_x11_keymap_new_from_device(m_context, m_connection, m_device,
                                                            XKB_KEYMAP_COMPILE_NO_FLAGS);
        if (!keymap) return {};
        uint32_t group = 0;
        if (xkb_state* state = xkb_x11_state_new_from_device(keymap, m_connection, m_device)) {
            group = xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE);
            xkb_state_unref(state);
        }
        const KeyboardLayout out = KeyboardLayout::fromKeymap(keymap, group);
        xkb_keymap_unref(keymap);
        // Events that arrived while the replies were awaited wait in the
        // connection's queue, where the socket notifier cannot see them.
        QTimer::singleShot(0, m_notifier, [this] { drain(); });
        return out;
    }

private:
    void drain() {
        bool relevant = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            if ((event->response_type & 0x7F) == m_eventBase) {
                const uint8_t type = reinterpret_cast<const uint8_t*>(event)[1];
                if (type == XCB_XKB_NEW_KEYBOARD_NOTIFY || type == XCB_XKB_MAP_NOTIFY || type == XCB_XKB_STATE_NOTIFY)
                    relevant = true;
            }
            free(event);
        }
        if (xcb_connection_has_error(m_connection)) m_notifier->setEnabled(false);
        if (relevant && changed) changed();
    }

    xcb_connection_t* m_connection = nullptr;
    xkb_context* m_context = nullptr;
    int32_t m_device = -1;
    uint8_t m_eventBase = 0;
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace

std::unique_ptr<LayoutWatcher> makeX11LayoutWatcher() {
    auto watcher = std::make_unique<X11LayoutWatcher>();
    if (!watcher->open()) return nullptr;
    return watcher;
}

}  // namespace vandrel

#include "platform/WaylandClient.h"

#include <QGuiApplication>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>
#include <wayland-client.h>

#include <cstring>

#include "ext-idle-notify-v1-client-protocol.h"
#include "kde-idle-client-protocol.h"
#include "keyboard-shortcuts-inhibit-unstable-v1-client-protocol.h"
#include "xdg-activation-v1-client-protocol.h"

namespace vandrel::wayland {

namespace {

QPlatformNativeInterface* nativeInterface() {
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("wayland")) return nullptr;
    return QGuiApplication::platformNativeInterface();
}

struct RegistryScan {
    const wl_interface* interface = nullptr;
    uint32_t maxVersion = 0;
    wl_registry* registry = nullptr;
    void* bound = nullptr;
};

void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    auto* scan = static_cast<RegistryScan*>(data);
    if (scan->bound || std::strcmp(interface, scan->interface->name) != 0) return;
    const uint32_t use = version < scan->maxVersion ? version : scan->maxVersion;
    scan->bound = wl_registry_bind(registry, name, scan->interface, use);
}

void onGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {onGlobal, onGlobalRemove};

}  // namespace

wl_display* qtDisplay() {
    QPlatformNativeInterface* native = nativeInterface();
    return native ? static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display")) : nullptr;
}

wl_seat* qtSeat() {
    QPlatformNativeInterface* native = nativeInterface();
    return native ? static_cast<wl_seat*>(native->nativeResourceForIntegration("wl_seat")) : nullptr;
}

wl_surface* qtSurface(QWindow* window) {
    QPlatformNativeInterface* native = nativeInterface();
    if (!native || !window || !window->handle()) return nullptr;
    return static_cast<wl_surface*>(native->nativeResourceForWindow("surface", window));
}

void* bindGlobal(wl_display* display, const wl_interface* interface, uint32_t maxVersion) {
    if (!display || !interface) return nullptr;
    // Qt reads and dispatches the display's default queue on its own; the
    // registry round trip here runs on a private queue so that none of Qt's
    // events is dispatched out of turn.
    wl_event_queue* queue = wl_display_create_queue(display);
    if (!queue) return nullptr;
    auto* wrapped = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    if (!wrapped) {
        wl_event_queue_destroy(queue);
        return nullptr;
    }
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapped), queue);
    RegistryScan scan;
    scan.interface = interface;
    scan.maxVersion = maxVersion;
    scan.registry = wl_display_get_registry(wrapped);
    wl_proxy_wrapper_destroy(wrapped);
    wl_registry_add_listener(scan.registry, &kRegistryListener, &scan);
    wl_display_roundtrip_queue(display, queue);
    wl_registry_destroy(scan.registry);
    // The bound object's events (and those of the objects it makes) go to
    // Qt's queue, which is dispatched on the window thread.
    if (scan.bound) wl_proxy_set_queue(static_cast<wl_proxy*>(scan.bound), nullptr);
    wl_event_queue_destroy(queue);
    return scan.bound;
}

ShortcutsInhibit::ShortcutsInhibit(wl_display* display) : m_display(display) {
    m_manager = static_cast<zwp_keyboard_shortcuts_inhibit_manager_v1*>(
        bindGlobal(display, &zwp_keyboard_shortcuts_inhibit_manager_v1_interface, 1));
    m_state = m_manager ? State::Idle : State::Unsupported;
}

ShortcutsInhibit::~ShortcutsInhibit() {
    release();
    if (m_manager) {
        zwp_keyboard_shortcuts_inhibit_manager_v1_destroy(m_manager);
        wl_display_flush(m_display);
    }
}

bool ShortcutsInhibit::inhibit(wl_surface* surface, wl_seat* seat) {
    if (!m_manager || !surface || !seat) return false;
    // A second inhibitor for the same surface and seat is a protocol error.
    release();
    static const zwp_keyboard_shortcuts_inhibitor_v1_listener listener = {handleActive, handleInactive};
    m_inhibitor = zwp_keyboard_shortcuts_inhibit_manager_v1_inhibit_shortcuts(m_manager, surface, seat);
    zwp_keyboard_shortcuts_inhibitor_v1_add_listener(m_inhibitor, &listener, this);
    wl_display_flush(m_display);
    setState(State::Requested);
    return true;
}

void ShortcutsInhibit::release() {
    if (!m_inhibitor) return;
    zwp_keyboard_shortcuts_inhibitor_v1_destroy(m_inhibitor);
    m_inhibitor = nullptr;
    wl_display_flush(m_display);
    setState(State::Idle);
}

void ShortcutsInhibit::handleActive(void* data, zwp_keyboard_shortcuts_inhibitor_v1*) {
    static_cast<ShortcutsInhibit*>(data)->setState(State::Active);
}

void ShortcutsInhibit::handleInactive(void* data, zwp_keyboard_shortcuts_inhibitor_v1*) {
    static_cast<ShortcutsInhibit*>(data)->setState(State::Inactive);
}

void ShortcutsInhibit::setState(State state) {
    if (m_state == state) return;
    m_state = state;
    if (onStateChanged) onStateChanged(state);
}

bool activateWithToken(wl_display* display, wl_surface* surface, const std::string& token) {
    if (!display || !surface || token.empty()) return false;
    auto* activation = static_cast<xdg_activation_v1*>(bindGlobal(display, &xdg_activation_v1_interface, 1));
    if (!activation) return false;
    xdg_activation_v1_activate(activation, token.c_str(), surface);
    xdg_activation_v1_destroy(activation);
    wl_display_flush(display);
    return true;
}

std::string requestActivationToken(wl_display* display, const std::string& appId) {
    if (!display) return {};
    auto* activation = static_cast<xdg_activation_v1*>(bindGlobal(display, &xdg_activation_v1_interface, 1));
    if (!activation) return {};
    // The answer is awaited on a private queue, as in bindGlobal.
    wl_event_queue* queue = wl_display_create_queue(display);
    auto* wrapped = static_cast<xdg_activation_v1*>(wl_proxy_create_wrapper(activation));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapped), queue);
    xdg_activation_token_v1* request = xdg_activation_v1_get_activation_token(wrapped);
    wl_proxy_wrapper_destroy(wrapped);
    struct Answer {
        std::string token;
        bool done = false;
    } answer;
    static const xdg_activation_token_v1_listener listener = {
        [](void* data, xdg_activation_token_v1*, const char* token) {
            auto* a = static_cast<Answer*>(data);
            a->token = token ? token : "";
            a->done = true;
        }};
    xdg_activation_token_v1_add_listener(request, &listener, &answer);
    if (!appId.empty()) xdg_activation_token_v1_set_app_id(request, appId.c_str());
    xdg_activation_token_v1_commit(request);
    // The compositor answers a commit at once; two round trips at most.
    for (int i = 0; i < 2 && !answer.done; ++i)
        if (wl_display_roundtrip_queue(display, queue) < 0) break;
    xdg_activation_token_v1_destroy(request);
    xdg_activation_v1_destroy(activation);
    wl_display_flush(display);
    wl_event_queue_destroy(queue);
    return answer.token;
}

IdleWatch::IdleWatch(wl_display* display) : m_display(display) {
    m_ext = static_cast<ext_idle_notifier_v1*>(bindGlobal(display, &ext_idle_notifier_v1_interface, 1));
    if (!m_ext) m_kde = static_cast<org_kde_kwin_idle*>(bindGlobal(display, &org_kde_kwin_idle_interface, 1));
    if (m_ext || m_kde) m_seat = static_cast<wl_seat*>(bindGlobal(display, &wl_seat_interface, 1));
}

IdleWatch::~IdleWatch() {
    stop();
    if (m_ext) ext_idle_notifier_v1_destroy(m_ext);
    // The older protocol's global has no destructor request: the proxy alone goes.
    if (m_kde) org_kde_kwin_idle_destroy(m_kde);
    if (m_seat) wl_seat_destroy(m_seat);
    if (m_display) wl_display_flush(m_display);
}

bool IdleWatch::watch(uint32_t timeoutMs) {
    if (!offered()) return false;
    wl_seat* seat = m_seat;
    stop();
    if (m_ext) {
        static const ext_idle_notification_v1_listener listener = {extIdled, extResumed};
        m_extWatch = ext_idle_notifier_v1_get_idle_notification(m_ext, timeoutMs, seat);
        ext_idle_notification_v1_add_listener(m_extWatch, &listener, this);
    } else {
        static const org_kde_kwin_idle_timeout_listener listener = {kdeIdle, kdeResumed};
        m_kdeWatch = org_kde_kwin_idle_get_idle_timeout(m_kde, seat, timeoutMs);
        org_kde_kwin_idle_timeout_add_listener(m_kdeWatch, &listener, this);
    }
    wl_display_flush(m_display);
    return true;
}

void IdleWatch::stop() {
    if (m_extWatch) ext_idle_notification_v1_destroy(m_extWatch);
    if (m_kdeWatch) org_kde_kwin_idle_timeout_release(m_kdeWatch);
    if (m_extWatch || m_kdeWatch) wl_display_flush(m_display);
    m_extWatch = nullptr;
    m_kdeWatch = nullptr;
}

void IdleWatch::extIdled(void* data, ext_idle_notification_v1*) { static_cast<IdleWatch*>(data)->report(true); }
void IdleWatch::extResumed(void* data, ext_idle_notification_v1*) { static_cast<IdleWatch*>(data)->report(false); }
void IdleWatch::kdeIdle(void* data, org_kde_kwin_idle_timeout*) { static_cast<IdleWatch*>(data)->report(true); }
void IdleWatch::kdeResumed(void* data, org_kde_kwin_idle_timeout*) { static_cast<IdleWatch*>(data)->report(false); }

void IdleWatch::report(bool idle) {
    if (onIdle) onIdle(idle);
}

}  // namespace vandrel::wayland

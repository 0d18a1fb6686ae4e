#include "platform/focus/WlrFocusBackend.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cstring>
#include <wayland-client.h>

#include "platform/focus/ForeignToplevelTracker.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace vandrel {

struct WlrFocusBackend::Wayland {
    WlrFocusBackend* owner = nullptr;
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    zwlr_foreign_toplevel_manager_v1* manager = nullptr;
    std::vector<zwlr_foreign_toplevel_handle_v1*> handles;
    ForeignToplevelTracker tracker;

    ~Wayland() {
        for (zwlr_foreign_toplevel_handle_v1* h : handles) zwlr_foreign_toplevel_handle_v1_destroy(h);
        if (manager) zwlr_foreign_toplevel_manager_v1_stop(manager);
        if (registry) wl_registry_destroy(registry);
        if (display) {
            wl_display_flush(display);
            wl_display_disconnect(display);
        }
    }

    void emitIf(const std::optional<FocusEvent>& e) {
        if (e) emit owner->focusChanged(*e);
    }

    static ForeignToplevelTracker::Handle id(zwlr_foreign_toplevel_handle_v1* h) {
        return reinterpret_cast<ForeignToplevelTracker::Handle>(h);
    }
    static Wayland* of(void* data) { return static_cast<Wayland*>(data); }

    static void title(void* data, zwlr_foreign_toplevel_handle_v1* h, const char* t) { of(data)->tracker.title(id(h), t); }
    static void appId(void* data, zwlr_foreign_toplevel_handle_v1* h, const char* a) { of(data)->tracker.appId(id(h), a); }
    static void outputEnter(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void outputLeave(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void state(void* data, zwlr_foreign_toplevel_handle_v1* h, wl_array* array) {
        std::vector<uint32_t> states(array->size / sizeof(uint32_t));
        if (!states.empty()) std::memcpy(states.data(), array->data, states.size() * sizeof(uint32_t));
        of(data)->tracker.state(id(h), states);
    }
    static void done(void* data, zwlr_foreign_toplevel_handle_v1* h) {
        Wayland* w = of(data);
        w->emitIf(w->tracker.done(id(h)));
    }
    static void closed(void* data, zwlr_foreign_toplevel_handle_v1* h) {
        Wayland* w = of(data);
        w->emitIf(w->tracker.closed(id(h)));
        w->handles.erase(std::remove(w->handles.begin(), w->handles.end(), h), w->handles.end());
        zwlr_foreign_toplevel_handle_v1_destroy(h);
    }
    static void parent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}

    static constexpr zwlr_foreign_toplevel_handle_v1_listener kHandleListener = {
        title, appId, outputEnter, outputLeave, state, done, closed, parent,
    };

    static void toplevel(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* h) {
        Wayland* w = of(data);
        w->handles.push_back(h);
        zwlr_foreign_toplevel_handle_v1_add_listener(h, &kHandleListener, w);
    }
    static void finished(void* data, zwlr_foreign_toplevel_manager_v1*) {
        Wayland* w = of(data);
        zwlr_foreign_toplevel_manager_v1_destroy(w->manager);
        w->manager = nullptr;
    }
    static constexpr zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {toplevel, finished};

    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
        Wayland* w = of(data);
        if (w->manager || std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) != 0) return;
        w->manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface, std::min<uint32_t>(version, 3)));
        zwlr_foreign_toplevel_manager_v1_add_listener(w->manager, &kManagerListener, w);
    }
    static void globalRemove(void*, wl_registry*, uint32_t) {}
    static constexpr wl_registry_listener kRegistryListener = {global, globalRemove};
};

WlrFocusBackend::WlrFocusBackend(QString display, QObject* parent) : FocusBackend(parent), m_display(std::move(display)) {}

WlrFocusBackend::~WlrFocusBackend() = default;

bool WlrFocusBackend::start(QString* why) {
    auto failed = [why](const QString& reason) {
        if (why) *why = reason;
        return false;
    };
    auto wl = std::make_unique<Wayland>();
    wl->owner = this;
    wl->display = wl_display_connect(m_display.isEmpty() ? nullptr : m_display.toLocal8Bit().constData());
    if (!wl->display) return failed(QStringLiteral("cannot connect to the Wayland display"));
    wl->registry = wl_display_get_registry(wl->display);
    wl_registry_add_listener(wl->registry, &Wayland::kRegistryListener, wl.get());
    if (wl_display_roundtrip(wl->display) < 0) return failed(QStringLiteral("the Wayland compositor did not answer"));
    if (!wl->manager)
        return failed(QStringLiteral("this compositor does not offer zwlr_foreign_toplevel_manager_v1"));
    m_wl = std::move(wl);
    m_notifier = new QSocketNotifier(wl_display_get_fd(m_wl->display), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &WlrFocusBackend::readEvents);
    // The windows already open, and which one is active.
    if (wl_display_roundtrip(m_wl->display) < 0) {
        fail(QStringLiteral("the Wayland compositor closed the connection"));
        return false;
    }
    return true;
}

void WlrFocusBackend::fail(const QString& why) {
    if (m_notifier) m_notifier->setEnabled(false);
    m_wl.reset();
    emit stopped(why);
}

void WlrFocusBackend::readEvents() {
    if (!m_wl) return;
    wl_display* d = m_wl->display;
    while (wl_display_prepare_read(d) != 0) wl_display_dispatch_pending(d);
    wl_display_flush(d);
    if (wl_display_read_events(d) < 0 || wl_display_dispatch_pending(d) < 0) {
        fail(QStringLiteral("the Wayland compositor closed the connection"));
        return;
    }
    wl_display_flush(d);
}

}  // namespace vandrel

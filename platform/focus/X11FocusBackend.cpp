#include "platform/focus/X11FocusBackend.h"

#include <QSocketNotifier>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <unistd.h>
#include <xcb/xcb.h>

#include "platform/focus/X11FocusTracker.h"

namespace vandrel {

namespace {

const std::map<X11Atom, const char*> kAtomNames = {
    {X11Atom::NetActiveWindow, "_NET_ACTIVE_WINDOW"},
    {X11Atom::WmClass, "WM_CLASS"},
    {X11Atom::NetWmName, "_NET_WM_NAME"},
    {X11Atom::WmName, "WM_NAME"},
    {X11Atom::NetWmPid, "_NET_WM_PID"},
    {X11Atom::NetWmWindowType, "_NET_WM_WINDOW_TYPE"},
    {X11Atom::NetWmWindowTypeDesktop, "_NET_WM_WINDOW_TYPE_DESKTOP"},
    {X11Atom::WmClientMachine, "WM_CLIENT_MACHINE"},
};

std::string exeOfPid(int64_t pid) {
    std::error_code ec;
    const std::filesystem::path exe =
        std::filesystem::read_symlink(std::filesystem::path("/proc") / std::to_string(pid) / "exe", ec);
    return ec ? std::string() : exe.string();
}

std::string hostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

}  // namespace

// The xcb connection and the property reads the tracker asks for.
struct X11FocusBackend::Connection : X11Properties {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    std::map<X11Atom, xcb_atom_t> atoms;

    ~Connection() override {
        if (c) xcb_disconnect(c);
    }

    uint32_t atom(X11Atom which) override { return atoms[which]; }

    std::optional<std::vector<uint8_t>> get(uint32_t window, X11Atom property) override {
        const xcb_get_property_cookie_t cookie =
            xcb_get_property(c, 0, window, atoms[property], XCB_GET_PROPERTY_TYPE_ANY, 0, 4096);
        xcb_get_property_reply_t* reply = xcb_get_property_reply(c, cookie, nullptr);
        if (!reply) return std::nullopt;
        std::optional<std::vector<uint8_t>> value;
        if (reply->type != XCB_ATOM_NONE) {
            // The value's length in bytes, whatever its format.
            const auto* p = static_cast<const uint8_t*>(xcb_get_property_value(reply));
            value.emplace(p, p + xcb_get_property_value_length(reply));
        }
        free(reply);
        return value;
    }

    bool internAtoms() {
        std::map<X11Atom, xcb_intern_atom_cookie_t> cookies;
        for (const auto& [which, name] : kAtomNames)
            cookies[which] = xcb_intern_atom(c, 0, static_cast<uint16_t>(strlen(name)), name);
        for (const auto& [which, cookie] : cookies) {
            xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, cookie, nullptr);
            if (!r) return false;
            atoms[which] = r->atom;
            free(r);
        }
        return true;
    }

    // Whether the window manager keeps _NET_ACTIVE_WINDOW (it lists it in _NET_SUPPORTED).
    bool managerReportsActiveWindow() {
        const char name[] = "_NET_SUPPORTED";
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
        if (!r) return false;
        const xcb_atom_t supported = r->atom;
        free(r);
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            c, xcb_get_property(c, 0, root, supported, XCB_ATOM_ATOM, 0, 4096), nullptr);
        if (!reply) return false;
        const auto* list = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        const int n = xcb_get_property_value_length(reply) / 4;
        bool found = false;
        for (int i = 0; i < n; ++i) found |= list[i] == atoms[X11Atom::NetActiveWindow];
        free(reply);
        return found;
    }

    void selectPropertyChanges(xcb_window_t window, bool on) {
        const uint32_t mask = on ? XCB_EVENT_MASK_PROPERTY_CHANGE : XCB_EVENT_MASK_NO_EVENT;
        xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
    }

    // Title changes of the active window matter too (a browser's tab). The
    // window is watched before its properties are read, so that no change
    // falls between the read and the watch.
    void watch(uint32_t window, bool on) override {
        if (window == 0 || window == root) return;
        selectPropertyChanges(window, on);
    }
};

X11FocusBackend::X11FocusBackend(QString display, QObject* parent)
    : FocusBackend(parent), m_display(std::move(display)) {}

X11FocusBackend::~X11FocusBackend() = default;

bool X11FocusBackend::start(QString* why) {
    auto fail = [why](const QString& reason) {
        if (why) *why = reason;
        return false;
    };
    auto x = std::make_unique<Connection>();
    int screenNumber = 0;
    x->c = xcb_connect(m_display.isEmpty() ? nullptr : m_display.toLocal8Bit().constData(), &screenNumber);
    if (!x->c || xcb_connection_has_error(x->c)) return fail(QStringLiteral("cannot connect to the X display"));
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(x->c));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    if (!it.rem) return fail(QStringLiteral("the X display has no screen"));
    x->root = it.data->root;
    if (!x->internAtoms()) return fail(QStringLiteral("the X server did not answer"));
    if (!x->managerReportsActiveWindow())
        return fail(QStringLiteral("the window manager does not report the active window (_NET_ACTIVE_WINDOW)"));
    x->selectPropertyChanges(x->root, true);
    xcb_flush(x->c);

    m_x = std::move(x);
    m_tracker = std::make_unique<X11FocusTracker>(*m_x, m_x->root, exeOfPid, hostName());
    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_x->c), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11FocusBackend::readEvents);
    emitIf(m_tracker->refresh());
    // Replies read meanwhile may have queued events that the socket no longer announces.
    readEvents();
    return true;
}

void X11FocusBackend::emitIf(const std::optional<FocusEvent>& e) {
    if (e) emit focusChanged(*e);
}

void X11FocusBackend::readEvents() {
    if (!m_x) return;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_x->c)) {
        if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
            const auto* p = reinterpret_cast<xcb_property_notify_event_t*>(event);
            emitIf(m_tracker->propertyChanged(p->window, p->atom));
        }
        // Errors (a window that closed while it was read) need nothing.
        free(event);
    }
    if (xcb_connection_has_error(m_x->c)) {
        m_notifier->setEnabled(false);
        m_tracker.reset();
        m_x.reset();
        emit stopped(QStringLiteral("the connection to the X display closed"));
    }
}

KeyState X11FocusBackend::keyState() {
    if (!m_x) return KeyState::Unknown;
    xcb_query_keymap_reply_t* reply = xcb_query_keymap_reply(m_x->c, xcb_query_keymap(m_x->c), nullptr);
    if (!reply) return KeyState::Unknown;
    bool held = false;
    for (uint8_t byte : reply->keys) held |= byte != 0;
    free(reply);
    // Events read while waiting for the answer are handled on the next turn.
    QMetaObject::invokeMethod(this, &X11FocusBackend::readEvents, Qt::QueuedConnection);
    return held ? KeyState::Held : KeyState::Free;
}

}  // namespace vandrel

#pragma once
// The program's own requests to a Wayland compositor, made on the connection
// Qt's Wayland platform already has open: the window's surface and the seat
// come from Qt, the protocol objects are bound here. Built only where the
// Wayland client library and the protocol files are installed.

#include <cstdint>
#include <functional>
#include <string>

struct wl_display;
struct wl_interface;
struct wl_seat;
struct wl_surface;
struct ext_idle_notification_v1;
struct ext_idle_notifier_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;
struct xdg_activation_v1;
struct zwp_keyboard_shortcuts_inhibit_manager_v1;
struct zwp_keyboard_shortcuts_inhibitor_v1;

class QWindow;

namespace vandrel::wayland {

// Qt's connection, seat and a window's surface; null where the program does
// not run on Qt's Wayland platform or the window has no surface yet.
wl_display* qtDisplay();
wl_seat* qtSeat();
wl_surface* qtSurface(QWindow* window);

// Binds the compositor's global of `interface` (at most `maxVersion`) on a
// queue of its own, so that Qt's event handling is not disturbed; the object
// returned delivers its events through Qt's default queue. Null when the
// compositor does not offer it.
void* bindGlobal(wl_display* display, const wl_interface* interface, uint32_t maxVersion);

// One keyboard-shortcuts inhibitor: while it is active, the compositor passes
// the keys of its own shortcuts (Super, Alt+Tab, Alt+F4) to the surface.
class ShortcutsInhibit {
public:
    enum class State {
        Unsupported,  // the compositor has no such protocol
        Idle,         // supported, nothing asked
        Requested,    // asked; the compositor has not answered yet
        Active,       // shortcuts go to the surface
        Inactive,     // the compositor (or the user) declined or ended it
    };

    explicit ShortcutsInhibit(wl_display* display);
    ~ShortcutsInhibit();
    ShortcutsInhibit(const ShortcutsInhibit&) = delete;
    ShortcutsInhibit& operator=(const ShortcutsInhibit&) = delete;

    // Asks for `surface` on `seat`; an earlier request is withdrawn first.
    // False when the protocol is missing or an argument is null.
    bool inhibit(wl_surface* surface, wl_seat* seat);
    // Withdraws the request; the compositor's shortcuts work again.
    void release();
    State state() const { return m_state; }

    // Called on each change of state, from the dispatch of the display's queue.
    std::function<void(State)> onStateChanged;

private:
    static void handleActive(void* data, zwp_keyboard_shortcuts_inhibitor_v1* inhibitor);
    static void handleInactive(void* data, zwp_keyboard_shortcuts_inhibitor_v1* inhibitor);
    void setState(State state);

    wl_display* m_display = nullptr;
    zwp_keyboard_shortcuts_inhibit_manager_v1* m_manager = nullptr;
    zwp_keyboard_shortcuts_inhibitor_v1* m_inhibitor = nullptr;
    State m_state = State::Unsupported;
};

// Asks the compositor to bring `surface`'s window forward with an activation
// token that another program (a later start of this one, a launcher) got for
// it. False when the compositor has no activation protocol or an argument is
// empty.
bool activateWithToken(wl_display* display, wl_surface* surface, const std::string& token);
// A new activation token for handing to another program, or empty when the
// compositor gives none. `appId` names the program that will use it (may be
// empty).
std::string requestActivationToken(wl_display* display, const std::string& appId);

// The compositor's notice that the seat has had no input for a while, and
// that input came again: ext-idle-notify where the compositor offers it,
// else the older idle protocol of KDE and wlroots compositors.
class IdleWatch {
public:
    explicit IdleWatch(wl_display* display);
    ~IdleWatch();
    IdleWatch(const IdleWatch&) = delete;
    IdleWatch& operator=(const IdleWatch&) = delete;

    // Whether the compositor offers either protocol and a seat.
    bool offered() const { return (m_ext || m_kde) && m_seat; }
    // Reports idle(true) after `timeoutMs` without input on the seat and
    // idle(false) at the next input; an earlier watch ends first. False
    // when nothing is offered.
    bool watch(uint32_t timeoutMs);
    void stop();

    // Called from the dispatch of Qt's queue, on the window thread.
    std::function<void(bool idle)> onIdle;

private:
    static void extIdled(void* data, ext_idle_notification_v1*);
    static void extResumed(void* data, ext_idle_notification_v1*);
    static void kdeIdle(void* data, org_kde_kwin_idle_timeout*);
    static void kdeResumed(void* data, org_kde_kwin_idle_timeout*);
    void report(bool idle);

    wl_display* m_display = nullptr;
    // A binding of the seat of its own: Qt's may not exist (a compositor
    // without input devices) and is not asked for.
    wl_seat* m_seat = nullptr;
    ext_idle_notifier_v1* m_ext = nullptr;
    org_kde_kwin_idle* m_kde = nullptr;
    ext_idle_notification_v1* m_extWatch = nullptr;
    org_kde_kwin_idle_timeout* m_kdeWatch = nullptr;
};

}  // namespace vandrel::wayland

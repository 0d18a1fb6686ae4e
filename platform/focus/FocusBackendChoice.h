#pragma once
// Which desktop the program runs on, and so which way of following the
// focused window works there: chosen from the session's environment and from
// which compositor is on the session bus.

#include <QString>
#include <memory>
#include <string>

namespace vandrel {

class FocusBackend;

enum class FocusDesktop {
    X11,      // any X11 session whose window manager keeps _NET_ACTIVE_WINDOW
    KWin,     // KWin on Wayland (KDE Plasma, LXQt): a KWin script calls the program back
    Gnome,    // GNOME Shell on Wayland: a Shell extension calls the program back
    Wlroots,  // other Wayland compositors, through zwlr_foreign_toplevel_manager_v1
    None,     // no display at all
};

struct DesktopEnvironment {
    std::string sessionType;     // XDG_SESSION_TYPE
    std::string currentDesktop;  // XDG_CURRENT_DESKTOP, e.g. "KDE", "ubuntu:GNOME"
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string display;         // DISPLAY
    // Who is on the session bus: a desktop's name in XDG_CURRENT_DESKTOP says
    // nothing about its compositor (Budgie on labwc names GNOME, LXQt may
    // run on kwin_wayland), the owner of the compositor's bus name does.
    bool kwinOnBus = false;      // org.kde.KWin has an owner
    bool gnomeShellOnBus = false;  // org.gnome.Shell has an owner

    static DesktopEnvironment current();
};

FocusDesktop chooseFocusDesktop(const DesktopEnvironment& env);

// The desktop's name as the rules window shows it.
QString focusDesktopName(FocusDesktop desktop);

// The backend for a desktop, not started yet; nothing for None.
std::unique_ptr<FocusBackend> createFocusBackend(FocusDesktop desktop, const QString& programFolder);

}  // namespace vandrel

#include "platform/focus/FocusBackendChoice.h"

#include <QtGlobal>
#include <algorithm>
#include <cctype>

#include <QDBusConnection>

#include "platform/focus/FocusBackend.h"
#include "platform/focus/ReportedFocusBackend.h"
#ifdef VANDREL_HAVE_XCB
#include "platform/focus/X11FocusBackend.h"
#endif
#ifdef VANDREL_HAVE_WAYLAND
#include "platform/focus/WlrFocusBackend.h"
#endif

namespace vandrel {

namespace {

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

// XDG_CURRENT_DESKTOP is a colon-separated list ("ubuntu:GNOME").
bool names(const std::string& desktops, const char* name) {
    const std::string list = ":" + upper(desktops) + ":";
    return list.find(":" + std::string(name) + ":") != std::string::npos;
}

}  // namespace

DesktopEnvironment DesktopEnvironment::current() {
    DesktopEnvironment env;
    env.sessionType = qEnvironmentVariable("XDG_SESSION_TYPE").toStdString();
    env.currentDesktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toStdString();
    env.waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY").toStdString();
    env.display = qEnvironmentVariable("DISPLAY").toStdString();
    return env;
}

FocusDesktop chooseFocusDesktop(const DesktopEnvironment& env) {
    // On Wayland the X server (XWayland) sees only the X programs' windows:
    // following it there would miss every native window.
    const bool wayland = !env.waylandDisplay.empty() || env.sessionType == "wayland";
    if (wayland) {
        if (names(env.currentDesktop, "KDE")) return FocusDesktop::KWin;
        if (names(env.currentDesktop, "GNOME")) return FocusDesktop::Gnome;
        return FocusDesktop::Wlroots;
    }
    if (!env.display.empty()) return FocusDesktop::X11;
    return FocusDesktop::None;
}

QString focusDesktopName(FocusDesktop desktop) {
    switch (desktop) {
    case FocusDesktop::X11: return QStringLiteral("X11");
    case FocusDesktop::KWin: return QStringLiteral("KDE Plasma (Wayland)");
    case FocusDesktop::Gnome: return QStringLiteral("GNOME (Wayland)");
    case FocusDesktop::Wlroots: return QStringLiteral("Wayland");
    case FocusDesktop::None: break;
    }
    return {};
}

std::unique_ptr<FocusBackend> createFocusBackend(FocusDesktop desktop, const QString& programFolder) {
    const QString scripts = programFolder + QStringLiteral("/desktop");
    switch (desktop) {
    case FocusDesktop::KWin:
        return std::make_unique<KWinFocusBackend>(QDBusConnection::sessionBus(),
                                                  scripts + QStringLiteral("/kwin/vandrel-focus.js"));
    case FocusDesktop::Gnome:
        return std::make_unique<GnomeFocusBackend>(QDBusConnection::sessionBus(), scripts + QStringLiteral("/gnome-shell"));
#ifdef VANDREL_HAVE_XCB
    case FocusDesktop::X11: return std::make_unique<X11FocusBackend>();
#endif
#ifdef VANDREL_HAVE_WAYLAND
    case FocusDesktop::Wlroots: return std::make_unique<WlrFocusBackend>();
#endif
    default: return nullptr;
    }
}

}  // namespace vandrel

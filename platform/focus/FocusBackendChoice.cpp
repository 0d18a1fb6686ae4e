#include "platform/focus/FocusBackendChoice.h"

#include <QtGlobal>

#include <QDBusConnection>
#include <QDBusConnectionInterface>

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

bool ownedOnSessionBus(const char* name) {
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    if (!bus) return false;
    const QDBusReply<bool> owned = bus->isServiceRegistered(QString::fromLatin1(name));
    return owned.isValid() && owned.value();
}

}  // namespace

DesktopEnvironment DesktopEnvironment::current() {
    DesktopEnvironment env;
    env.sessionType = qEnvironmentVariable("XDG_SESSION_TYPE").toStdString();
    env.currentDesktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toStdString();
    env.waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY").toStdString();
    env.display = qEnvironmentVariable("DISPLAY").toStdString();
    env.kwinOnBus = ownedOnSessionBus("org.kde.KWin");
    env.gnomeShellOnBus = ownedOnSessionBus("org.gnome.Shell");
    return env;
}

FocusDesktop chooseFocusDesktop(const DesktopEnvironment& env) {
    // On Wayland the X server (XWayland) sees only the X programs' windows:
    // following it there would miss every native window.
    const bool wayland = !env.waylandDisplay.empty() || env.sessionType == "wayland";
    if (wayland) {
        if (env.kwinOnBus) return FocusDesktop::KWin;
        if (env.gnomeShellOnBus) return FocusDesktop::Gnome;
        return FocusDesktop::Wlroots;
    }
    if (!env.display.empty()) return FocusDesktop::X11;
    return FocusDesktop::None;
}

QString focusDesktopName(FocusDesktop desktop) {
    switch (desktop) {
    case FocusDesktop::X11: return QStringLiteral("X11");
    case FocusDesktop::KWin: return QStringLiteral("KWin (Wayland)");
    case FocusDesktop::Gnome: return QStringLiteral("GNOME Shell (Wayland)");
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

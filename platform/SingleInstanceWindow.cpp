// The window side of the single instance, kept apart so that the instance
// socket and lock build without the widgets (the command-line tool uses them).

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include "platform/SingleInstance.h"

#ifdef VANDREL_WAYLAND_REQUESTS
#include "platform/WaylandClient.h"
#endif

namespace vandrel {

void SingleInstance::bringToFront(QWidget* window, const QByteArray& token) {
    if (!window) return;
    window->showNormal();
    window->raise();
#ifdef VANDREL_WAYLAND_REQUESTS
    // A compositor brings a window forward (and back from minimised) only
    // for a token of a program the user just used.
    if (!token.isEmpty() && QGuiApplication::platformName() == QLatin1String("wayland") &&
        wayland::activateWithToken(wayland::qtDisplay(), wayland::qtSurface(window->windowHandle()),
                                   token.toStdString()))
        return;
#else
    Q_UNUSED(token);
#endif
    window->activateWindow();
}

QByteArray SingleInstance::activationTokenForHandOff() {
    // A launcher's token is for this start alone: not passed on to programs
    // started from here.
    QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    qunsetenv("XDG_ACTIVATION_TOKEN");
#ifdef VANDREL_WAYLAND_REQUESTS
    if (token.isEmpty() && QGuiApplication::platformName() == QLatin1String("wayland"))
        token = QByteArray::fromStdString(wayland::requestActivationToken(
            wayland::qtDisplay(), QGuiApplication::desktopFileName().toStdString()));
#endif
    return token;
}

}  // namespace vandrel

// The X11 backend against a real X server (Xvfb): the test plays the window
// manager, setting _NET_SUPPORTED and _NET_ACTIVE_WINDOW as openbox does,
// and presses a key through XTest.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include "platform/focus/X11FocusBackend.h"
#include "tests/platform/TestApp.h"

// Xlib last: its macros (None, Status, ...) would clash with names above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace vandrel {
namespace {

class Xvfb {
public:
    Xvfb() {
        for (int n = 140; n < 160 && display.isEmpty(); ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n))) continue;
            server.start(QStringLiteral("Xvfb"), {QStringLiteral(":%1").arg(n), QStringLiteral("-nolisten"),
                                                  QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                                                  QStringLiteral("640x480x24")});
            if (!server.waitForStarted(3000)) return;
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < 5000 && server.state() == QProcess::Running) {
                if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))) {
                    display = QStringLiteral(":%1").arg(n);
                    break;
                }
                QThread::msleep(20);
            }
            if (display.isEmpty()) server.kill(), server.waitForFinished();
        }
    }
    ~Xvfb() {
        server.terminate();
        if (!server.waitForFinished(3000)) server.kill();
    }
    QProcess server;
    QString display;
};

TEST(X11Backend, FollowsTheWindowManagersActiveWindowAndSeesHeldKeys) {
    test::app();
    Xvfb x;
    if (x.display.isEmpty()) GTEST_SKIP() << "Xvfb is not installed or could not start";
    Display* d = XOpenDisplay(x.display.toLocal8Bit().constData());
    ASSERT_TRUE(d);
    const Window root = DefaultRootWindow(d);
    const Atom active = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);

    // Without a window manager that reports the active window, nothing to follow.
    X11FocusBackend early(x.display);
    QString why;
    EXPECT_FALSE(early.start(&why));
    EXPECT_NE(why.indexOf(QStringLiteral("_NET_ACTIVE_WINDOW")), -1);

    Atom supported[] = {active};
    XChangeProperty(d, root, XInternAtom(d, "_NET_SUPPORTED", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(supported), 1);
    const Window game = XCreateSimpleWindow(d, root, 0, 0, 10, 10, 0, 0, 0);
    XClassHint hint{const_cast<char*>("shooter"), const_cast<char*>("Shooter")};
    XSetClassHint(d, game, &hint);
    XStoreName(d, game, "Level 1");
    XSync(d, False);

    X11FocusBackend backend(x.display);
    QSignalSpy focus(&backend, &FocusBackend::focusChanged);
    ASSERT_TRUE(backend.start(&why)) << why.toStdString();
    ASSERT_EQ(focus.count(), 1);  // no active window yet: the desktop
    EXPECT_TRUE(focus[0][0].value<FocusEvent>().isDesktop);

    auto setActive = [&](Window w) {
        XChangeProperty(d, root, active, XA_WINDOW, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&w), 1);
        XSync(d, False);
    };
    setActive(game);
    ASSERT_TRUE(QTest::qWaitFor([&] { return focus.count() == 2; }, 5000));
    FocusEvent e = focus[1][0].value<FocusEvent>();
    EXPECT_EQ(e.windowClass, "Shooter");
    EXPECT_EQ(e.instance, "shooter");
    EXPECT_EQ(e.title, "Level 1");

    // A new title of the active window is followed too.
    XStoreName(d, game, "Level 2");
    XSync(d, False);
    ASSERT_TRUE(QTest::qWaitFor([&] { return focus.count() == 3; }, 5000));
    EXPECT_EQ(focus[2][0].value<FocusEvent>().title, "Level 2");

    EXPECT_EQ(backend.keyState(), KeyState::Free);
    int event = 0, error = 0, major = 0, minor = 0;
    if (XTestQueryExtension(d, &event, &error, &major, &minor)) {
        const KeyCode a = XKeysymToKeycode(d, 'a');
        XTestFakeKeyEvent(d, a, True, 0);
        XSync(d, False);
        EXPECT_EQ(backend.keyState(), KeyState::Held);
        XTestFakeKeyEvent(d, a, False, 0);
        XSync(d, False);
        EXPECT_EQ(backend.keyState(), KeyState::Free);
    }
    XCloseDisplay(d);
}

}  // namespace
}  // namespace vandrel

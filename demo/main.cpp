// The demo: the program on the simulated keyboard, with its data files in its
// own folder. The simulated keyboard keeps its configuration between runs in
// DemoKeyboard.bin beside those files, as a real keyboard would;
// --factory-demo (or deleting that file) starts it in its factory state. A
// damaged file also means a factory start; it is kept aside and the window
// says so.
//
// Two switches for measurements and the screenshot, read from the
// environment only here: VANDREL_DEMO_READY=1 prints, once the window shows
// the keyboard's values, the milliseconds since the process started and the
// peak memory, then ends; VANDREL_DEMO_SCREENSHOT=<file> saves the window's
// picture at that moment instead, after the clicks of VANDREL_DEMO_CLICKS.
// VANDREL_DEMO_DIALOGS=keymap,profiles opens those dialogs one after the
// other at that moment, as a click would, prints where each shows relative
// to the main window ("dialog <name> inside|window <x> <y> <w> <h>"), closes
// it, and ends the program (the Wayland check in CI reads the lines).

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QMouseEvent>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <utility>

#include "app/ui/CTarvinApp.h"
#include "app/ui/CTarvinDlg.h"
#include "device/Clock.h"
#include "platform/AppPaths.h"
#include "profile/OwnDataFiles.h"
#include "sim/SimKeyboard.h"
#include "sim/SimStateFile.h"
#include "update/AppVersion.h"

namespace {

long peakMemoryKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

double msSinceProcessStart() {
    // Field 22 of /proc/self/stat: the start time in clock ticks since boot.
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly)) return -1;
    const QByteArray s = stat.readAll();
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble();
    const double up = uptime.readAll().split(' ').value(0).toDouble();
    return (up - startTicks / 100.0) * 1000.0;
}

// A left click at window coordinates, as the mouse would give it.
void clickAt(QWidget& window, int x, int y) {
    const QPointF local(x, y), global = window.mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &press);
    QCoreApplication::sendEvent(&window, &release);
}

// Where each dialog named in `names` shows when opened from `window`, one
// after the other; then the program ends.
void reportDialogs(QWidget& window, QStringList names) {
    if (names.isEmpty()) {
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return;
    }
    const QString name = names.takeFirst();
    // Where a click opens each dialog: the "A" key of the picture, the profile button.
    QPoint click;
    if (name == QLatin1String("keymap")) click = QPoint(403, 321);
    else if (name == QLatin1String("profiles")) click = QPoint(50, 620);
    else {
        std::fprintf(stderr, "unknown dialog %s\n", qPrintable(name));
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(2); });
        return;
    }
    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, &window, [&window, poll, name] {
        QDialog* shown = nullptr;
        for (QWidget* w : QApplication::allWidgets())
            if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) shown = d;
        if (!shown) return;
        poll->deleteLater();
        const bool inside = !shown->isWindow() && shown->window() == &window;
        // A window of its own is where Qt believes it is, which on Wayland
        // is not where the compositor put it.
        const QPoint at = inside ? shown->mapTo(&window, QPoint(0, 0)) : shown->pos() - window.pos();
        std::printf("dialog %s %s %d %d %d %d\n", qPrintable(name), inside ? "inside" : "window", at.x(), at.y(),
                    shown->width(), shown->height());
        std::fflush(stdout);
        shown->reject();
    });
    poll->start(20);
    QTimer::singleShot(0, &window, [&window, click, names] {
        clickAt(window, click.x(), click.y());  // returns when the dialog has closed
        reportDialogs(window, names);
    });
}

// A warning in the window once it shows the keyboard's values (a message box
// raised while the splash still runs is laid out before its window exists).
void tellOnceShown(vandrel::CTarvinDlg& window, const QString& text) {
    auto refreshed = std::make_shared<bool>(false);
    auto painted = std::make_shared<QMetaObject::Connection>();
    QObject::connect(&window, &vandrel::CTarvinDlg::refreshed, &window, [refreshed] { *refreshed = true; },
                     Qt::SingleShotConnection);
    *painted = QObject::connect(&window, &vandrel::CTarvinDlg::framePainted, &window, [&window, text, refreshed, painted] {
        if (!*refreshed || !window.isVisible() || window.busy()) return;
        QObject::disconnect(*painted);
        QTimer::singleShot(0, &window, [&window, text] {
            if (window.hooks().warn) window.hooks().warn(&window, QStringLiteral("Vandrel"), text);
        });
    });
}

}  // namespace

int main(int argc, char** argv) {
    const auto t0 = std::chrono::steady_clock::now();
    if (const int code = vandrel::CTarvinApp::handleCommandLine(argc, argv, true); code >= 0) return code;
    vandrel::CTarvinApp app(argc, argv);
    vandrel::RealClock clock;
    vandrel::SimKeyboard keyboard(clock);
    // The demo keyboard runs the firmware the program was delivered with, so
    // the update offer (which would have no updater to start) stays away.
    const vandrel::AppVersion version = vandrel::loadAppVersion(
        std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / "VER.bin");
    keyboard.setFirmwareVersion(version.major, version.minor);

    const bool reportReady = qEnvironmentVariableIsSet("VANDREL_DEMO_READY");
    const QString screenshot = qEnvironmentVariable("VANDREL_DEMO_SCREENSHOT");

    const bool factory = app.arguments().contains(QStringLiteral("--factory-demo"));

    vandrel::CTarvinApp::Options options;
    options.watchDevices = false;
    options.simulatedKeyboard = true;
    options.windowCreated = [&](vandrel::CTarvinDlg& window) {
        // Only the process that holds the keyboard's lock touches its saved
        // state: it is read whenever the program takes the keyboard, since a
        // vandrelctl may have written to it before.
        const vandrel::SimStateFile state(
            std::filesystem::path(vandrel::currentAppPaths().dataFolder.toStdU16String()) / vandrel::kDemoStateFileName);
        auto factoryStart = std::make_shared<bool>(factory);
        keyboard.setLockFile(state.lockPath().string(), [state, factoryStart, &keyboard, &window] {
            if (std::exchange(*factoryStart, false)) {
                state.resetToFactory(keyboard);
                return;
            }
            std::filesystem::path kept;
            if (state.restore(keyboard, std::cerr, &kept) == vandrel::SimStateFile::Load::Damaged)
                tellOnceShown(window, vandrel::CTarvinApp::damagedSimulatedStateText(QString::fromStdString(kept.string())));
        });
        state.attach(keyboard);

        const QStringList dialogs = qEnvironmentVariable("VANDREL_DEMO_DIALOGS").split(QLatin1Char(','), Qt::SkipEmptyParts);
        if (!reportReady && screenshot.isEmpty() && dialogs.isEmpty()) return;
        auto refreshed = std::make_shared<bool>(false);
        QObject::connect(&window, &vandrel::CTarvinDlg::refreshed, &window, [refreshed] { *refreshed = true; });
        QObject::connect(&window, &vandrel::CTarvinDlg::framePainted, &window, [&, refreshed, dialogs] {
            if (!*refreshed || !window.isVisible() || window.busy()) return;
            *refreshed = false;
            if (reportReady) {
                const double sinceMain =
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
                std::printf("ready %.0f ms since process start (%.0f ms since main), peak memory %ld kB\n",
                            msSinceProcessStart(), sinceMain, peakMemoryKb());
                std::fflush(stdout);
            }
            if (!screenshot.isEmpty()) {
                // By default the picture shows the panel open: lighting, game
                // mode, report rate. VANDREL_DEMO_CLICKS="x,y;x,y" clicks elsewhere.
                const QString clicks = qEnvironmentVariable("VANDREL_DEMO_CLICKS", QStringLiteral("100,115;100,395;100,490"));
                for (const QString& c : clicks.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                    const QStringList xy = c.split(QLatin1Char(','));
                    clickAt(window, xy.value(0).toInt(), xy.value(1).toInt());
                }
                window.composeFrame().save(screenshot);
            }
            if (!dialogs.isEmpty()) {
                std::printf("main %d %d\n", window.width(), window.height());
                std::fflush(stdout);
                reportDialogs(window, dialogs);
                return;
            }
            QTimer::singleShot(0, &app, &QCoreApplication::quit);
        });
    };
    return app.runMainDialog(keyboard, clock, options);
}

// From the session's lock to the last acknowledged block of the lighting
// write it causes, and from the unlock to the last acknowledged block of the
// lighting coming back, in the program: the window on the simulated keyboard,
// the session's lighting set to lock=off, and a login manager of
// python3-dbusmock on a bus of the benchmark's own that locks and unlocks.
//
// Each is timed from just before the login manager is asked to lock or
// unlock (it then sends the session's Lock or Unlock signal) to the moment
// the host reads the keyboard's last acknowledgement of the write. On a
// virtual keyboard clock the pauses cost no wall time, so the time a real
// keyboard would see is the wall time plus the keyboard's; on the real clock
// the wall time is all of it.
//
// The floor is the write of the lighting section alone on a virtual clock
// (the pauses after each frame and block and the acknowledgement latency of
// each step). Each way must stay within the floor + 100 ms; the benchmark
// prints its figures and fails when one is over.

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/service/SessionLighting.h"
#include "app/ui/CTarvinDlg.h"
#include "bench/app/AckStamps.h"
#include "platform/SessionEventSource.h"
#include "tests/support/DBusMock.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/WaitWhileBusy.h"

using namespace vandrel;
using bench::AckStamps;
using bench::wallUs;

namespace {

constexpr int kRounds = 5;
constexpr double kAllowanceMs = 100;
constexpr int kTimeoutMs = 10000;
const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kSessionPath = QStringLiteral("/org/freedesktop/login1/session/c1");

struct Way {
    explicit Way(const char* n) : name(n) {}
    const char* name;
    std::vector<double> totalMs;
    double floorMs = 0;
    double worst() const { return totalMs.empty() ? 0 : *std::max_element(totalMs.begin(), totalMs.end()); }
    double median() const {
        std::vector<double> v = totalMs;
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
};

// Locks or unlocks the session and times it to the last acknowledgement;
// a negative time when the lighting did not reach the keyboard.
double timeOne(QDBusConnection& bus, SessionLighting& lighting, AckStamps& transport, SimKeyboard& keyboard,
               Clock& keyboardClock, bool virtualKeyboard, bool lock, int brightnessAfter) {
    const AckStamps::Stamp before = transport.last();
    QEventLoop loop;
    const QMetaObject::Connection done = QObject::connect(&lighting, &SessionLighting::settled, &loop, &QEventLoop::quit);
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    const int64_t keyboardStart = keyboardClock.nowUs();
    const int64_t wallStart = wallUs();
    bus.asyncCall(QDBusMessage::createMethodCall(kLogin, kSessionPath, QStringLiteral("org.freedesktop.login1.Session"),
                                                 lock ? QStringLiteral("Lock") : QStringLiteral("Unlock")));
    loop.exec();
    QObject::disconnect(done);
    const AckStamps::Stamp last = transport.last();
    if (last.count == before.count || keyboard.config().ledBrightness != brightnessAfter) return -1;
    const double wallMs = (last.wallUs - wallStart) / 1000.0;
    return virtualKeyboard ? wallMs + (last.keyboardUs - keyboardStart) / 1000.0 : wallMs;
}

// Both ways on one keyboard clock; false when a write did not happen.
bool run(bool virtualKeyboard, Way& down, Way& back) {
    test::PrivateBus systemBus;
    if (!systemBus.ok()) {
        std::printf("dbus-daemon could not be started\n");
        return false;
    }
    QDBusConnection bus = systemBus.connect();
    test::MockService logind(systemBus, true, {QStringLiteral("--template"), QStringLiteral("logind")});
    for (int i = 0; i < 100 && !bus.interface()->isServiceRegistered(kLogin).value(); ++i) {
        QEventLoop wait;
        QTimer::singleShot(50, &wait, &QEventLoop::quit);
        wait.exec();
    }
    const QDBusMessage added = test::callOn(
        bus, kLogin, QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.DBus.Mock"),
        QStringLiteral("AddSession"), {QStringLiteral("c1"), QStringLiteral("seat0"), 1000u, QStringLiteral("user"), true});
    if (added.type() != QDBusMessage::ReplyMessage) {
        std::printf("python3-dbusmock's login manager did not start (is python3-dbusmock installed?)\n");
        return false;
    }

    QTemporaryDir folder;
    VirtualClock virtualClock;
    RealClock realClock;
    Clock& keyboardClock = virtualKeyboard ? static_cast<Clock&>(virtualClock) : realClock;
    SimKeyboard keyboard(keyboardClock);
    DeviceImage saved = keyboard.config();
    saved.ledBrightness = 30;
    keyboard.setConfig(saved);
    AckStamps transport(keyboard, keyboardClock);
    DeviceSession session(transport, keyboardClock);
    auto state = std::make_unique<AppState>();
    WindowPaths paths;
    paths.programFolder = folder.path();
    paths.dataFolder = folder.path().toStdString();
    CTarvinDlg window(*state, session, paths);
    window.hooks().warn = [](QWidget*, const QString&, const QString& text) {
        std::fprintf(stderr, "warning: %s\n", qPrintable(text));
    };
    window.initialise();
    test::waitWhileBusy(window.service());

    DeviceImage dark = state->shadow;
    dark.ledBrightness = 0;
    down.floorMs = bench::protocolFloor(state->shadow, dark).ms;
    back.floorMs = bench::protocolFloor(dark, state->shadow).ms;

    SessionLighting lighting(window.service());
    SessionEventSource events(bus, bus, QStringLiteral("c1"));
    lighting.listenTo(events);
    events.start();
    SessionLightingChoice choice;
    choice.lock = LockLighting::Off;
    lighting.setChoice(choice);

    bool ok = true;
    for (int i = 0; i < kRounds && ok; ++i) {
        const double d = timeOne(bus, lighting, transport, keyboard, keyboardClock, virtualKeyboard, true, 0);
        const double b = timeOne(bus, lighting, transport, keyboard, keyboardClock, virtualKeyboard, false, 30);
        ok = d >= 0 && b >= 0;
        if (ok) {
            down.totalMs.push_back(d);
            back.totalMs.push_back(b);
        }
        test::waitWhileBusy(window.service());
    }
    if (!ok) std::printf("a lighting write did not reach the keyboard\n");
    window.shutDown();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool within = true;
    for (const bool virtualKeyboard : {true, false}) {
        Way down("lock -> lights down"), back("unlock -> lights back");
        if (!run(virtualKeyboard, down, back)) return 1;
        std::printf("%s keyboard clock, %d rounds:\n", virtualKeyboard ? "virtual" : "real", kRounds);
        for (const Way* w : {&down, &back}) {
            const double margin = w->worst() - w->floorMs;
            std::printf("  %-22s median %7.1f ms, worst %7.1f ms, floor %6.1f ms, margin %6.1f ms (target <= %.0f)\n",
                        w->name, w->median(), w->worst(), w->floorMs, margin, kAllowanceMs);
            within = within && margin <= kAllowanceMs;
        }
    }
    std::printf(within ? "within the floor + %.0f ms\n" : "OVER the floor + %.0f ms\n", kAllowanceMs);
    return within ? 0 : 1;
}

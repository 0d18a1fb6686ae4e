// The keyboard's lights follow the desktop session, in the program on the
// simulated keyboard: a login manager and screen savers of python3-dbusmock
// on buses of the test's own lock, unlock and put the computer to sleep.

#include <gtest/gtest.h>

#include <algorithm>

#include <QDateTime>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QSignalSpy>

#include "app/frontends/ProfileSwitchController.h"
#include "platform/focus/FocusBackend.h"
#include "app/service/SessionLighting.h"
#include "app/ui/CTarvinDlg.h"
#include "device/DeviceSession.h"
#include "platform/SessionEventSource.h"
#include "profile/SwitchWriteLog.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualClock.h"
#include "tests/app/TempFolder.h"
#include "tests/support/DBusMock.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/QuietWindow.h"
#include "tests/support/WaitWhileBusy.h"

namespace vandrel {
namespace {

const QString kMock = QStringLiteral("org.freedesktop.DBus.Mock");
const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kLoginPath = QStringLiteral("/org/freedesktop/login1");
const QString kSessionPath = QStringLiteral("/org/freedesktop/login1/session/c1");
const QString kIdleMonitor = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString kIdleMonitorPath = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");
// The watches the mocked idle monitor hands out.
constexpr uint kIdleWatch = 7;
constexpr uint kActiveWatch = 8;

using test::callOn;
using test::MockService;

class SessionLightingTest : public ::testing::Test {
protected:
    SessionLightingTest() : keyboard(clock), session(keyboard, clock) {}

    void SetUp() override {
        ASSERT_TRUE(systemBus.ok() && sessionBus.ok()) << "dbus-daemon could not be started";
        system = systemBus.connect();
        desktop = sessionBus.connect();
        logind = std::make_unique<MockService>(systemBus, true, QStringList{"--template", "logind"});
        gnome = std::make_unique<MockService>(sessionBus, false, QStringList{"--template", "gnome_screensaver"});
        screenSaver = std::make_unique<MockService>(
            sessionBus, false,
            QStringList{"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver"});
        idleMonitor = std::make_unique<MockService>(sessionBus, false, QStringList{kIdleMonitor, kIdleMonitorPath, kIdleMonitor});
        ASSERT_TRUE(test::spinUntil([&] {
            return system.interface()->isServiceRegistered(kLogin).value() &&
                   desktop.interface()->isServiceRegistered(kIdleMonitor).value() &&
                   desktop.interface()->isServiceRegistered(QStringLiteral("org.gnome.ScreenSaver")).value() &&
                   desktop.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.ScreenSaver")).value();
        })) << "python3-dbusmock did not start (is it installed?)";
        const QDBusMessage added = callOn(system, kLogin, kLoginPath, kMock, QStringLiteral("AddSession"),
                                          {QStringLiteral("c1"), QStringLiteral("seat0"), 1000u, QStringLiteral("user"), true});
        ASSERT_EQ(added.type(), QDBusMessage::ReplyMessage) << added.errorMessage().toStdString();
        const auto addIdleMethod = [&](const char* name, const char* in, const char* out, const QString& code) {
            return callOn(desktop, kIdleMonitor, kIdleMonitorPath, kMock, QStringLiteral("AddMethod"),
                          {kIdleMonitor, QString::fromLatin1(name), QString::fromLatin1(in), QString::fromLatin1(out), code})
                       .type() == QDBusMessage::ReplyMessage;
        };
        ASSERT_TRUE(addIdleMethod("AddIdleWatch", "t", "u", QStringLiteral("ret = %1").arg(kIdleWatch)));
        ASSERT_TRUE(addIdleMethod("AddUserActiveWatch", "", "u", QStringLiteral("ret = %1").arg(kActiveWatch)));
        ASSERT_TRUE(addIdleMethod("RemoveWatch", "u", "", QString()));

        DeviceImage saved = keyboard.config();
        saved.ledBrightness = 30;
        keyboard.setConfig(saved);
        openProgram();
    }
    void TearDown() override { closeProgram(); }

    // The program as CTarvinApp wires it, started on the keyboard and the data folder.
    void openProgram() {
        state = std::make_unique<AppState>();
        window = test::startQuietWindow(*state, session, data.path());
        lighting = std::make_unique<SessionLighting>(window->service());
        events = std::make_unique<SessionEventSource>(system, desktop, QStringLiteral("c1"));
        lighting->listenTo(*events);
        events->start();
    }
    // Ends as a kill does: nothing is put back.
    void closeProgram() {
        events.reset();
        lighting.reset();
        if (window) window->shutDown();
        window.reset();
    }
    void choose(const std::vector<std::string>& words) {
        SessionLightingChoice choice;
        std::string error;
        ASSERT_TRUE(applySessionAssignments(words, choice, error)) << error;
        lighting->setChoice(choice);
    }
    void loginSession(const char* method) {
        const QDBusMessage r = callOn(system, kLogin, kSessionPath, QStringLiteral("org.freedesktop.login1.Session"),
                                      QString::fromLatin1(method));
        ASSERT_EQ(r.type(), QDBusMessage::ReplyMessage) << r.errorMessage().toStdString();
    }
    void prepareForSleep(bool start) {
        callOn(system, kLogin, kLoginPath, kMock, QStringLiteral("EmitSignal"),
               {QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                QStringLiteral("b"), QVariant::fromValue(QVariantList{start})});
    }
    // The delay inhibitors the login manager holds.
    int sleepDelays() {
        const QDBusMessage r = callOn(system, kLogin, kLoginPath, QStringLiteral("org.freedesktop.login1.Manager"),
                                      QStringLiteral("ListInhibitors"));
        if (r.arguments().isEmpty()) return -1;
        const QDBusArgument list = r.arguments().at(0).value<QDBusArgument>();
        int delays = 0;
        list.beginArray();
        while (!list.atEnd()) {
            QString what, who, why, mode;
            uint uid = 0, pid = 0;
            list.beginStructure();
            list >> what >> who >> why >> mode >> uid >> pid;
            list.endStructure();
            delays += what == QStringLiteral("sleep") && mode == QStringLiteral("delay");
        }
        list.endArray();
        return delays;
    }
    bool brightnessBecomes(int value) {
        // The keyboard has it before the program has heard the check's end.
        return test::spinUntil(
            [&] { return keyboard.config().ledBrightness == value && !window->service().busy(); }, 10000);
    }
    bool lightingReturnKept() const {
        return std::filesystem::exists(ConfigurationService::lightingReturnFile(data.path()));
    }

    test::TempFolder data;
    test::PrivateBus systemBus;
    test::PrivateBus sessionBus;
    QDBusConnection system{QString()};
    QDBusConnection desktop{QString()};
    std::unique_ptr<MockService> logind;
    std::unique_ptr<MockService> gnome;
    std::unique_ptr<MockService> screenSaver;
    std::unique_ptr<MockService> idleMonitor;
    VirtualClock clock;
    SimKeyboard keyboard;
    DeviceSession session;
    std::unique_ptr<AppState> state;
    std::unique_ptr<CTarvinDlg> window;
    std::unique_ptr<SessionLighting> lighting;
    std::unique_ptr<SessionEventSource> events;
};

TEST_F(SessionLightingTest, TheLockDarkensOnlyTheLightsAndUnlockBringsThemBack) {
    EXPECT_TRUE(events->available().loginLock && events->available().loginSleep);
    EXPECT_TRUE(events->available().screenSaver && events->available().gnomeScreenSaver);
    EXPECT_TRUE(events->available().idleMonitor);
    // The defaults write nothing.
    loginSession("Lock");
    test::spinUntil([&] { return events->locked(); });
    EXPECT_EQ(keyboard.config().ledBrightness, 30);
    loginSession("Unlock");
    test::spinUntil([&] { return !events->locked(); });

    choose({"lock=off"});
    QSignalSpy written(lighting.get(), &SessionLighting::lightingWritten);
    const DeviceImage before = keyboard.config();
    loginSession("Lock");
    ASSERT_TRUE(brightnessBecomes(0));
    EXPECT_TRUE(lightingReturnKept());
    // Only the brightness differs on the keyboard; the program still holds
    // the saved lighting and has nothing unsaved.
    DeviceImage dark = before;
    dark.ledBrightness = 0;
    EXPECT_TRUE(keyboard.config() == dark);
    EXPECT_EQ(state->shadow.ledBrightness, 30);
    EXPECT_EQ(state->image.ledBrightness, 30);
    EXPECT_FALSE(window->hasUnsavedChanges());
    // The window's bottom line says why the keyboard is dark.
    EXPECT_EQ(window->bottomLineText(), CTarvinDlg::lightsDownText());
    const UiElements elements = window->uiElements();
    EXPECT_TRUE(std::any_of(elements.begin(), elements.end(), [](const UiElement& e) {
        return e.name == CTarvinDlg::lightsDownText().toStdString();
    }));
    // LockedHint after the Lock request changes nothing more.
    loginSession("Lock");
    callOn(system, kLogin, kSessionPath, QStringLiteral("org.freedesktop.login1.Session"), QStringLiteral("SetLockedHint"), {true});

    loginSession("Unlock");
    ASSERT_TRUE(brightnessBecomes(30));
    EXPECT_TRUE(keyboard.config() == before);
    EXPECT_FALSE(lightingReturnKept());
    EXPECT_EQ(written.count(), 2);
    EXPECT_TRUE(test::spinUntil([&] { return window->bottomLineText().isEmpty(); }));
}

TEST_F(SessionLightingTest, AChangeMadeWhileLockedWinsOnUnlock) {
    choose({"lock=dim", "dim=5"});
    loginSession("Lock");
    ASSERT_TRUE(brightnessBecomes(5));
    // vandrelctl or D-Bus changes the lighting while the screen is locked:
    // it is saved, but the keyboard stays dimmed.
    bool answered = false;
    window->service().setSettings({"brightness=20", "speed=2"}, [&](const ServiceResult& r) {
        EXPECT_TRUE(r.ok()) << r.message;
        answered = true;
    });
    ASSERT_TRUE(test::spinUntil([&] { return answered; }));
    EXPECT_EQ(keyboard.config().ledBrightness, 5);
    EXPECT_EQ(keyboard.config().ledSpeed, state->shadow.ledSpeed);
    EXPECT_EQ(state->shadow.ledBrightness, 20);
    EXPECT_EQ(loadLightingReturn(ConfigurationService::lightingReturnFile(data.path()))->brightness, 20);

    loginSession("Unlock");
    ASSERT_TRUE(brightnessBecomes(20));
    EXPECT_FALSE(lightingReturnKept());
}

TEST_F(SessionLightingTest, UnsavedWindowEditsStayUnsaved) {
    choose({"lock=off"});
    // An edit in the window's panel, not saved.
    state->image.ledBrightness = 12;
    state->image.ledColor = state->shadow.ledColor == 3 ? 4 : 3;
    ASSERT_TRUE(window->hasUnsavedChanges());
    const DeviceImage edited = state->image;

    loginSession("Lock");
    ASSERT_TRUE(brightnessBecomes(0));
    loginSession("Unlock");
    ASSERT_TRUE(brightnessBecomes(30));
    EXPECT_NE(keyboard.config().ledColor, edited.ledColor);
    EXPECT_TRUE(state->image == edited);
    EXPECT_TRUE(window->hasUnsavedChanges());
}

TEST_F(SessionLightingTest, TheSleepWaitsForTheLights) {
    choose({"sleep=off"});
    EXPECT_EQ(sleepDelays(), 1);
    prepareForSleep(true);
    // The delay is let go only once the keyboard is dark.
    ASSERT_TRUE(test::spinUntil([&] { return sleepDelays() == 0; }));
    EXPECT_EQ(keyboard.config().ledBrightness, 0);

    prepareForSleep(false);
    ASSERT_TRUE(brightnessBecomes(30));
    EXPECT_EQ(sleepDelays(), 1);
}

TEST_F(SessionLightingTest, TheScreenSaversLockToo) {
    choose({"lock=dim", "dim=8"});
    callOn(desktop, QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("/org/gnome/ScreenSaver"),
           QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("SetActive"), {true});
    ASSERT_TRUE(brightnessBecomes(8));
    callOn(desktop, QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("/org/gnome/ScreenSaver"),
           QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("SetActive"), {false});
    ASSERT_TRUE(brightnessBecomes(30));

    const auto activeChanged = [&](bool active) {
        callOn(desktop, QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
               kMock, QStringLiteral("EmitSignal"),
               {QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("ActiveChanged"), QStringLiteral("b"),
                QVariant::fromValue(QVariantList{active})});
    };
    activeChanged(true);
    ASSERT_TRUE(brightnessBecomes(8));
    activeChanged(false);
    ASSERT_TRUE(brightnessBecomes(30));
}

TEST_F(SessionLightingTest, IdleDimsUntilTheNextInput) {
    const auto watchFired = [&](uint watch) {
        callOn(desktop, kIdleMonitor, kIdleMonitorPath, kMock, QStringLiteral("EmitSignal"),
               {kIdleMonitor, QStringLiteral("WatchFired"), QStringLiteral("u"), QVariant::fromValue(QVariantList{watch})});
    };
    choose({"idle=10", "dim=3"});
    watchFired(kIdleWatch);
    ASSERT_TRUE(brightnessBecomes(3));
    EXPECT_TRUE(events->idle());
    watchFired(kActiveWatch);
    ASSERT_TRUE(brightnessBecomes(30));
    EXPECT_FALSE(events->idle());
}

// Without an idle monitor the idle time is asked (on X11, of the X server):
// the lights go down once it passes the minutes chosen and come back at the
// first answer below them.
TEST_F(SessionLightingTest, PolledIdleTimeDimsUntilTheNextInput) {
    int64_t idleNow = 59'990;
    int asked = 0;
    events->pollIdleTime([&]() -> std::optional<int64_t> { ++asked; return idleNow; }, 10);
    EXPECT_FALSE(events->available().idleMonitor);
    EXPECT_TRUE(events->available().idleOffered());
    choose({"idle=1", "dim=3"});
    ASSERT_TRUE(test::spinUntil([&] { return asked > 0; }));
    EXPECT_FALSE(events->idle());
    idleNow = 60'500;
    ASSERT_TRUE(brightnessBecomes(3));
    EXPECT_TRUE(events->idle());
    idleNow = 200;
    ASSERT_TRUE(brightnessBecomes(30));
    EXPECT_FALSE(events->idle());
    // "never" stops the asking.
    choose({"idle=never"});
    const int before = asked;
    test::spinUntil([] { return false; }, 100);
    EXPECT_EQ(asked, before);
    events->pollIdleTime({}, 1000);  // its callback uses this test's locals
}

// On Wayland the compositor says when the user is idle and back; the watch
// follows the minutes chosen and ends with "never".
TEST_F(SessionLightingTest, CompositorIdleNoticeDimsUntilTheNextInput) {
    std::vector<int64_t> watches;
    int stops = 0;
    events->watchIdleWith({[&](int64_t ms) { watches.push_back(ms); return true; }, [&] { ++stops; }});
    EXPECT_FALSE(events->available().idleMonitor);
    EXPECT_TRUE(events->available().waylandIdle);
    choose({"idle=5", "dim=3"});
    ASSERT_FALSE(watches.empty());
    EXPECT_EQ(watches.back(), 5 * 60000);
    events->reportIdle(true);
    ASSERT_TRUE(brightnessBecomes(3));
    events->reportIdle(false);
    ASSERT_TRUE(brightnessBecomes(30));
    const int stopsBefore = stops;
    choose({"idle=never"});
    EXPECT_GT(stops, stopsBefore);
    // A late notice after "never" takes nothing down.
    events->reportIdle(true);
    EXPECT_FALSE(events->idle());
    events->watchIdleWith({});  // its callbacks use this test's locals
}

// The session's writes count in the profile switches' write limit. With the
// limit spent the lock leaves the lights as they are (and a sleep is not kept
// waiting for them), but lights that are down always come back.
TEST_F(SessionLightingTest, TheWriteLimitHoldsTheWayDownButNeverTheWayBack) {
    ProfileSwitchController switching(window->service(), clock, QString::fromStdString((data.path() / "profiles").string()),
                                      data.path(), RuleSettings(QString::fromStdString((data.path() / "Vandrel.conf").string())));
    switching.countWritesOf(*lighting);
    // All but one write of the limit were made a minute ago, by switches.
    const int limit = switching.switcher().limits().writesPerWindow;
    const std::filesystem::path log = data.path() / kSwitchWriteLogName;
    ASSERT_TRUE(writeSwitchWriteAges(log, std::vector<int64_t>(limit - 1, 60000), QDateTime::currentMSecsSinceEpoch()));
    switching.start(nullptr, QStringLiteral("none"), QStringLiteral("no focus backend in the test"));
    choose({"lock=off", "sleep=off"});

    // The last write of the limit takes the lights down; the way back is
    // written although the limit is spent, and counts too.
    loginSession("Lock");
    ASSERT_TRUE(brightnessBecomes(0));
    EXPECT_TRUE(window->service().lightsKeptWhy().empty());
    loginSession("Unlock");
    ASSERT_TRUE(brightnessBecomes(30));
    EXPECT_FALSE(lightingReturnKept());
    EXPECT_EQ(readSwitchWriteAges(log, QDateTime::currentMSecsSinceEpoch()).size(), size_t(limit + 1));
    EXPECT_EQ(switching.totalWrites(), 2);

    // Now the lock writes nothing, and the window says why.
    const DeviceImage lit = keyboard.config();
    loginSession("Lock");
    ASSERT_TRUE(test::spinUntil([&] { return !window->service().lightsKeptWhy().empty(); }));
    EXPECT_NE(window->service().lightsKeptWhy().find("write limit"), std::string::npos);
    EXPECT_EQ(window->bottomLineText(), CTarvinDlg::lightsKeptText());
    prepareForSleep(true);
    ASSERT_TRUE(test::spinUntil([&] { return sleepDelays() == 0; }));
    EXPECT_TRUE(keyboard.config() == lit);
    EXPECT_FALSE(lightingReturnKept());
    prepareForSleep(false);
    loginSession("Unlock");
    ASSERT_TRUE(test::spinUntil([&] { return window->service().lightsKeptWhy().empty() && !window->service().busy(); }));
    EXPECT_TRUE(keyboard.config() == lit);
    EXPECT_EQ(switching.totalWrites(), 2);
    EXPECT_TRUE(window->bottomLineText().isEmpty());
}

// A keyboard that went away while the session was locked (a sleep that
// powers the USB ports down) comes back dark: the read after its return
// finds that, and the saved lighting goes back once the session has.
TEST_F(SessionLightingTest, AKeyboardBackWhileAwayIsLitOnceTheSessionIsBack) {
    choose({"lock=off"});
    loginSession("Lock");
    ASSERT_TRUE(brightnessBecomes(0));
    keyboard.unplug();
    window->deviceRemoved();
    loginSession("Unlock");
    ASSERT_TRUE(test::spinUntil([&] { return !events->locked() && !window->service().busy(); }));
    EXPECT_TRUE(lightingReturnKept());

    keyboard.plug();
    window->deviceArrived();
    ASSERT_TRUE(brightnessBecomes(30));
    EXPECT_FALSE(lightingReturnKept());
    EXPECT_EQ(state->image.ledBrightness, 30);
    EXPECT_FALSE(window->hasUnsavedChanges());
}

TEST_F(SessionLightingTest, AProgramKilledWhileDarkPutsTheLightsBackAtItsStart) {
    choose({"lock=off"});
    loginSession("Lock");
    ASSERT_TRUE(brightnessBecomes(0));
    closeProgram();
    ASSERT_TRUE(lightingReturnKept());

    // The next start reads the dark keyboard and puts the lighting back
    // before anything else; the window shows the saved lighting.
    openProgram();
    test::waitWhileBusy(window->service());
    ASSERT_TRUE(brightnessBecomes(30));
    EXPECT_FALSE(lightingReturnKept());
    EXPECT_EQ(state->image.ledBrightness, 30);
    EXPECT_EQ(state->shadow.ledBrightness, 30);
    EXPECT_FALSE(window->hasUnsavedChanges());
}

}  // namespace
}  // namespace vandrel

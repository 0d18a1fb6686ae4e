// KDE Plasma and GNOME on Wayland: the program loads its KWin script, or
// puts its Shell extension in place, and then follows the focus reports the
// script and the extension send over D-Bus. KWin and the Shell are played by
// the test on a bus of its own, and so are the script's calls.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QThread>
#include <QSignalSpy>
#include <QTest>

#include "platform/DBusService.h"
#include "platform/DesktopNotifier.h"
#include "platform/focus/ReportedFocusBackend.h"
#include "tests/app/TempFolder.h"
#include "tests/platform/TestApp.h"
#include "tests/support/PrivateBus.h"

namespace vandrel {
namespace {

class NoBackend : public ConfiguratorBackend {
    void state(std::function<void(const DBusOutcome&, const QString&)>) override {}
    QStringList profiles() override { return {}; }
    void applyProfile(const QString&, std::function<void(const DBusOutcome&, bool, const QStringList&)>) override {}
    void setSettings(const QStringList&, std::function<void(const DBusOutcome&)>) override {}
};

// KWin's scripting interface, as far as the program uses it. It runs on a
// thread of its own, as KWin is a process of its own: the program waits for
// some answers without running its event loop.
class FakeKWin : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kwin.Scripting")
public:
    std::atomic<int> answer{1};
    std::atomic<int> unloadMs{0};

    QStringList calls() const {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }
    QByteArray script() const {
        QMutexLocker lock(&m_mutex);
        return m_script;
    }

public slots:
    int loadScript(const QString& file, const QString& plugin) {
        QFile f(file);
        QMutexLocker lock(&m_mutex);
        m_calls << QStringLiteral("loadScript ") + plugin;
        if (f.open(QIODevice::ReadOnly)) m_script = f.readAll();
        return answer;
    }
    bool unloadScript(const QString& plugin) {
        // A busy KWin takes a moment to answer.
        QThread::msleep(static_cast<unsigned long>(unloadMs.load()));
        QMutexLocker lock(&m_mutex);
        m_calls << QStringLiteral("unloadScript ") + plugin;
        return true;
    }
    void start() {
        QMutexLocker lock(&m_mutex);
        m_calls << QStringLiteral("start");
    }

private:
    mutable QMutex m_mutex;
    QStringList m_calls;
    QByteArray m_script;
};

// A KWin on the bus: its connection owns org.kde.KWin while it runs.
class KWinOnBus {
public:
    explicit KWinOnBus(test::PrivateBus& bus) : connection(bus.connect()) {
        thread.start();
        kwin.moveToThread(&thread);
        ok = connection.registerObject(QStringLiteral("/Scripting"), &kwin, QDBusConnection::ExportAllSlots) &&
             connection.registerService(QStringLiteral("org.kde.KWin"));
    }
    ~KWinOnBus() {
        crash();
        thread.quit();
        thread.wait();
    }
    // KWin ends without a word: its connection closes.
    void crash() {
        if (!connection.isConnected()) return;
        const QString name = connection.name();
        connection.unregisterObject(QStringLiteral("/Scripting"));
        // The connection closes with its last reference.
        connection = QDBusConnection(QString());
        QDBusConnection::disconnectFromBus(name);
    }
    // A report of the script running in this KWin.
    void report(const QStringList& args) {
        QDBusMessage m = QDBusMessage::createMethodCall(QString::fromLatin1(kDBusServiceName),
                                                        QString::fromLatin1(kDBusObjectPath),
                                                        QString::fromLatin1(kDBusFocusInterface),
                                                        QStringLiteral("WindowActivated"));
        for (const QString& a : args) m << a;
        connection.send(m);
    }

    QThread thread;
    FakeKWin kwin;
    QDBusConnection connection;
    bool ok = false;
};

class FakeShell : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Shell")
    Q_PROPERTY(QString ShellVersion READ shellVersion)
public:
    QString version = QStringLiteral("46.2");
    QString shellVersion() const { return version; }
};

class FakeExtensions : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Shell.Extensions")
    Q_PROPERTY(bool UserExtensionsEnabled READ userExtensionsEnabled)
public:
    double state = 1;
    bool known = true;   // found by the Shell at login
    bool userExtensions = true;
    bool userExtensionsEnabled() const { return userExtensions; }
public slots:
    QVariantMap GetExtensionInfo(const QString& uuid) {
        if (!known || uuid != QLatin1String(GnomeFocusBackend::kUuid)) return {};
        return {{QStringLiteral("uuid"), uuid}, {QStringLiteral("state"), state}};
    }
};

// The desktop's notification server.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown {
        QString app;
        uint replaces;
        QString summary;
        QVariantMap hints;
        int timeout;
    };
    std::vector<Shown> shown;

public slots:
    uint Notify(const QString& app, uint replaces, const QString&, const QString& summary, const QString&,
                const QStringList&, const QVariantMap& hints, int timeout) {
        shown.push_back({app, replaces, summary, hints, timeout});
        return 40 + static_cast<uint>(shown.size());
    }
};

class ReportedFocusTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::app();
        ASSERT_TRUE(bus.ok());
        ASSERT_TRUE(service.publish(serviceBus));
        desktopBus = bus.connect();
        scriptBus = bus.connect();
    }

    // What the extension sends from the Shell's connection, or another
    // program from its own.
    void reportFocus(const QStringList& args, QDBusConnection* from = nullptr) {
        QDBusMessage m = QDBusMessage::createMethodCall(QString::fromLatin1(kDBusServiceName),
                                                        QString::fromLatin1(kDBusObjectPath),
                                                        QString::fromLatin1(kDBusFocusInterface),
                                                        QStringLiteral("WindowActivated"));
        for (const QString& a : args) m << a;
        (from ? *from : desktopBus).send(m);
    }

    void followReports(ReportedFocusBackend& backend) {
        QObject::connect(&service, &DBusService::windowReported, &backend, &ReportedFocusBackend::report);
    }

    test::PrivateBus bus;
    // The program's own connection: its focus backend shares it.
    QDBusConnection serviceBus = bus.connect();
    NoBackend none;
    DBusService service{none};
    QDBusConnection desktopBus{QString()};
    QDBusConnection scriptBus{QString()};
    test::TempFolder folder;
};

TEST_F(ReportedFocusTest, TheKWinScriptIsLoadedAndItsReportsFollowed) {
    KWinOnBus desktop(bus);
    ASSERT_TRUE(desktop.ok);
    FakeKWin& kwin = desktop.kwin;

    const QString script = QStringLiteral(VANDREL_DESKTOP_SCRIPTS "/kwin/vandrel-focus.js");
    QStringList callsAtExit;
    {
        KWinFocusBackend backend(serviceBus, script);
        followReports(backend);
        QSignalSpy focus(&backend, &FocusBackend::focusChanged);
        QSignalSpy stopped(&backend, &FocusBackend::stopped);
        QString why;
        ASSERT_TRUE(backend.start(&why)) << why.toStdString();
        ASSERT_TRUE(QTest::qWaitFor([&] { return kwin.calls().size() == 3; }, 5000));
        // An old copy is replaced, then the script runs.
        EXPECT_EQ(kwin.calls(), (QStringList{QStringLiteral("unloadScript vandrel-focus"),
                                             QStringLiteral("loadScript vandrel-focus"), QStringLiteral("start")}));
        // The copy KWin runs reports to this program's connection alone.
        const QByteArray loaded = kwin.script();
        EXPECT_NE(loaded.indexOf("org.vandrel.Configurator1.Focus"), -1);
        EXPECT_NE(loaded.indexOf("var SERVICE = \"" + serviceBus.baseService().toLatin1() + "\";"), -1);
        EXPECT_EQ(loaded.indexOf("var SERVICE = \"org.vandrel.Configurator\""), -1);

        // Another program on the bus cannot switch profiles.
        reportFocus({QStringLiteral("game"), QString(), QString(), QStringLiteral("0"), QStringLiteral("normal")},
                    &scriptBus);
        // KWin 6 with Firefox focused, as the script reports it; then the desktop.
        const QString pid = QString::number(QCoreApplication::applicationPid());
        desktop.report({QStringLiteral("firefox"), QStringLiteral("Navigator"), QStringLiteral("Twitch — Mozilla Firefox"),
                        pid, QStringLiteral("normal")});
        desktop.report({QString(), QString(), QString(), QStringLiteral("0"), QStringLiteral("desktop")});
        ASSERT_TRUE(QTest::qWaitFor([&] { return focus.count() == 2; }, 5000));
        const auto first = focus[0][0].value<FocusEvent>();
        EXPECT_EQ(first.windowClass, "firefox");
        EXPECT_EQ(first.instance, "Navigator");
        EXPECT_EQ(first.title, "Twitch — Mozilla Firefox");
        EXPECT_EQ(first.pid, QCoreApplication::applicationPid());
        EXPECT_EQ(QString::fromStdString(first.exe), QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
        EXPECT_TRUE(focus[1][0].value<FocusEvent>().isDesktop);
        EXPECT_EQ(stopped.count(), 0);
        kwin.unloadMs = 200;
    }
    // At exit the script is unloaded, and the program waits for KWin to take it.
    callsAtExit = kwin.calls();
    EXPECT_EQ(callsAtExit.size(), 4);
    EXPECT_EQ(callsAtExit.value(3), QStringLiteral("unloadScript vandrel-focus"));
}

TEST_F(ReportedFocusTest, ASilentScriptAndARestartedKWinAreNoticed) {
    auto first = std::make_unique<KWinOnBus>(bus);
    ASSERT_TRUE(first->ok);
    KWinFocusBackend backend(serviceBus, QStringLiteral(VANDREL_DESKTOP_SCRIPTS "/kwin/vandrel-focus.js"));
    backend.setFirstReportTimeout(300);
    followReports(backend);
    QSignalSpy focus(&backend, &FocusBackend::focusChanged);
    QSignalSpy stopped(&backend, &FocusBackend::stopped);
    ASSERT_TRUE(backend.start(nullptr));
    // KWin took the script but could not run it: no report comes, and that is said.
    ASSERT_TRUE(QTest::qWaitFor([&] { return stopped.count() == 1; }, 5000));
    EXPECT_NE(stopped[0][0].toString().indexOf(QStringLiteral("does not report")), -1);
    EXPECT_EQ(first->kwin.calls().size(), 3);

    // KWin crashes: said; Plasma starts it again and the script is loaded there.
    first->crash();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stopped.count() == 2; }, 5000));
    EXPECT_NE(stopped[1][0].toString().indexOf(QStringLiteral("not on the session bus")), -1);
    first.reset();
    KWinOnBus second(bus);
    ASSERT_TRUE(second.ok);
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.kwin.calls().size() == 3; }, 5000));
    EXPECT_EQ(second.kwin.calls().value(1), QStringLiteral("loadScript vandrel-focus"));
    second.report({QStringLiteral("steam_app_730"), QString(), QString(), QStringLiteral("0"), QStringLiteral("normal")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return focus.count() == 1; }, 5000));
    // The script reported in time this once: nothing more is said.
    QTest::qWait(500);
    EXPECT_EQ(stopped.count(), 2);
}

TEST_F(ReportedFocusTest, AScriptKWinRefusesOrAMissingKWinIsSaid) {
    // No KWin on the bus at all.
    {
        KWinFocusBackend backend(serviceBus, QStringLiteral(VANDREL_DESKTOP_SCRIPTS "/kwin/vandrel-focus.js"));
        QSignalSpy stopped(&backend, &FocusBackend::stopped);
        ASSERT_TRUE(backend.start(nullptr));
        ASSERT_TRUE(QTest::qWaitFor([&] { return stopped.count() == 1; }, 5000));
    }
    KWinOnBus desktop(bus);
    desktop.kwin.answer = -1;
    ASSERT_TRUE(desktop.ok);
    KWinFocusBackend backend(serviceBus, QStringLiteral(VANDREL_DESKTOP_SCRIPTS "/kwin/vandrel-focus.js"));
    followReports(backend);
    QSignalSpy stopped(&backend, &FocusBackend::stopped);
    QSignalSpy focus(&backend, &FocusBackend::focusChanged);
    ASSERT_TRUE(backend.start(nullptr));
    ASSERT_TRUE(QTest::qWaitFor([&] { return stopped.count() == 1; }, 5000));
    EXPECT_NE(stopped[0][0].toString().indexOf(QStringLiteral("did not load")), -1);
    // Reports no script of ours sent are not followed.
    reportFocus({QStringLiteral("game"), QString(), QString(), QStringLiteral("0"), QStringLiteral("normal")}, &scriptBus);
    QTest::qWait(200);
    EXPECT_EQ(focus.count(), 0);
    // Without the script file there is nothing to load.
    KWinFocusBackend missing(serviceBus, QStringLiteral("/nonexistent/vandrel-focus.js"));
    QString why;
    EXPECT_FALSE(missing.start(&why));
    EXPECT_NE(why.indexOf(QStringLiteral("missing")), -1);
}

TEST_F(ReportedFocusTest, TheShellExtensionIsPutInPlaceAndItsReportsFollowed) {
    FakeShell shell;
    FakeExtensions extensions;
    ASSERT_TRUE(desktopBus.registerObject(QStringLiteral("/org/gnome/Shell"), &shell,
                                          QDBusConnection::ExportAllProperties));
    ASSERT_TRUE(desktopBus.registerObject(QStringLiteral("/org/gnome/Shell/Extensions"), &extensions,
                                          QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
    ASSERT_TRUE(desktopBus.registerService(QStringLiteral("org.gnome.Shell")));
    ASSERT_TRUE(desktopBus.registerService(QStringLiteral("org.gnome.Shell.Extensions")));

    const QString userExtensions = QString::fromStdString((folder.path() / "extensions").string());
    const QString installed = userExtensions + QStringLiteral("/vandrel-focus@vandrel.example/extension.js");
    {
        // Enabled: the 45+ version is installed for GNOME 46 and reports are followed.
        GnomeFocusBackend backend(bus.connect(), QStringLiteral(VANDREL_DESKTOP_SCRIPTS "/gnome-shell"), userExtensions);
        followReports(backend);
        QSignalSpy focus(&backend, &FocusBackend::focusChanged);
        QSignalSpy stopped(&backend, &FocusBackend::stopped);
        ASSERT_TRUE(backend.start(nullptr));
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(installed); }, 5000));
        QTest::qWait(200);
        EXPECT_EQ(stopped.count(), 0);
        QFile js(installed);
        ASSERT_TRUE(js.open(QIODevice::ReadOnly));
        EXPECT_NE(js.readAll().indexOf("export default class"), -1);
        // Only the Shell's own connection is listened to.
        reportFocus({QStringLiteral("game"), QString(), QString(), QStringLiteral("0"), QStringLiteral("normal")},
                    &scriptBus);
        reportFocus({QStringLiteral("steam_app_730"), QStringLiteral("steam_app_730"), QStringLiteral("Counter-Strike 2"),
                     QStringLiteral("0"), QStringLiteral("normal")});
        ASSERT_TRUE(QTest::qWaitFor([&] { return focus.count() == 1; }, 5000));
        QTest::qWait(100);
        EXPECT_EQ(focus.count(), 1);
        EXPECT_EQ(focus[0][0].value<FocusEvent>().windowClass, "steam_app_730");
        EXPECT_EQ(focus[0][0].value<FocusEvent>().exe, "");
    }
    {
        // GNOME 43 with the extension not enabled yet: the 43 version, and what to do.
        shell.version = QStringLiteral("43.9");
        extensions.state = 2;
        GnomeFocusBackend backend(bus.connect(), QStringLiteral(VANDREL_DESKTOP_SCRIPTS "/gnome-shell"), userExtensions);
        QSignalSpy stopped(&backend, &FocusBackend::stopped);
        ASSERT_TRUE(backend.start(nullptr));
        ASSERT_TRUE(QTest::qWaitFor([&] { return stopped.count() == 1; }, 5000));
        EXPECT_NE(stopped[0][0].toString().indexOf(QStringLiteral("gnome-extensions enable vandrel-focus@vandrel.example")), -1);
        QFile js(installed);
        ASSERT_TRUE(js.open(QIODevice::ReadOnly));
        EXPECT_NE(js.readAll().indexOf("function init()"), -1);
    }
    {
        // GNOME 48: served by the 45 version. Installed, but the Shell has not
        // found it (it looks only at login): log in again, then enable.
        shell.version = QStringLiteral("48.1");
        extensions.known = false;
        GnomeFocusBackend backend(bus.connect(), QStringLiteral(VANDREL_DESKTOP_SCRIPTS "/gnome-shell"), userExtensions);
        QSignalSpy stopped(&backend, &FocusBackend::stopped);
        ASSERT_TRUE(backend.start(nullptr));
        ASSERT_TRUE(QTest::qWaitFor([&] { return stopped.count() == 1; }, 5000));
        EXPECT_NE(stopped[0][0].toString().indexOf(QStringLiteral("Log out and in again, then run 'gnome-extensions enable")), -1);
        QFile js(installed);
        ASSERT_TRUE(js.open(QIODevice::ReadOnly));
        EXPECT_NE(js.readAll().indexOf("export default class"), -1);
    }
    {
        // Found and never enabled, with every extension switched off.
        extensions.known = true;
        extensions.state = 6;
        extensions.userExtensions = false;
        GnomeFocusBackend backend(bus.connect(), QStringLiteral(VANDREL_DESKTOP_SCRIPTS "/gnome-shell"), userExtensions);
        QSignalSpy stopped(&backend, &FocusBackend::stopped);
        ASSERT_TRUE(backend.start(nullptr));
        ASSERT_TRUE(QTest::qWaitFor([&] { return stopped.count() == 1; }, 5000));
        EXPECT_NE(stopped[0][0].toString().indexOf(QStringLiteral("all GNOME Shell extensions are switched off")), -1);
    }
    {
        // A FIFO where the extension goes neither stalls the start nor is
        // replaced: following the focus stops, and says why.
        const std::filesystem::path other = folder.path() / "other" / "vandrel-focus@vandrel.example";
        std::filesystem::create_directories(other);
        ASSERT_EQ(::mkfifo((other / "metadata.json").c_str(), 0600), 0);
        GnomeFocusBackend backend(bus.connect(), QStringLiteral(VANDREL_DESKTOP_SCRIPTS "/gnome-shell"),
                                  QString::fromStdString((folder.path() / "other").string()));
        QSignalSpy stopped(&backend, &FocusBackend::stopped);
        ASSERT_TRUE(backend.start(nullptr));
        ASSERT_TRUE(QTest::qWaitFor([&] { return stopped.count() == 1; }, 5000));
        EXPECT_NE(stopped[0][0].toString().indexOf(QStringLiteral("metadata.json")), -1);
        EXPECT_TRUE(std::filesystem::is_fifo(other / "metadata.json"));
    }
    EXPECT_EQ(GnomeFocusBackend::variantFor(QStringLiteral("44.1")), QStringLiteral("43"));
    EXPECT_EQ(GnomeFocusBackend::variantFor(QStringLiteral("47.0")), QStringLiteral("45"));
    EXPECT_EQ(GnomeFocusBackend::variantFor(QStringLiteral("42.5")), QString());
    EXPECT_EQ(GnomeFocusBackend::variantFor(QStringLiteral("48.0")), QStringLiteral("45"));
    EXPECT_EQ(GnomeFocusBackend::variantFor(QStringLiteral("50.alpha")), QStringLiteral("45"));
}

TEST(GnomeExtensionAdvice, EachStateOfTheShellTellsWhatToDo) {
    auto advice = [](QVariantMap info, bool userExtensions = true) {
        return GnomeFocusBackend::advice(info, userExtensions);
    };
    auto state = [](double s) { return QVariantMap{{QStringLiteral("state"), s}}; };
    EXPECT_EQ(advice(state(1)), QString());
    EXPECT_EQ(advice(state(8)), QString());
    EXPECT_NE(advice({}).indexOf(QStringLiteral("looks for new extensions only at login")), -1);
    EXPECT_NE(advice(state(2)).indexOf(QStringLiteral("gnome-extensions enable vandrel-focus@vandrel.example")), -1);
    EXPECT_NE(advice(state(2), false).indexOf(QStringLiteral("switched off")), -1);
    QVariantMap failed = state(3);
    failed.insert(QStringLiteral("error"), QStringLiteral("TypeError: global.display is undefined"));
    const QString error = advice(failed, false);
    EXPECT_NE(error.indexOf(QStringLiteral("journalctl")), -1);
    EXPECT_NE(error.indexOf(QStringLiteral("TypeError: global.display is undefined")), -1);
    EXPECT_NE(advice(state(4)).indexOf(QStringLiteral("older copy")), -1);
    EXPECT_NE(advice(state(4)).indexOf(QStringLiteral("log out and in again")), -1);
}

TEST_F(ReportedFocusTest, ASwitchNotificationReplacesThePreviousOne) {
    FakeNotifications server;
    ASSERT_TRUE(desktopBus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                          QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(desktopBus.registerService(QStringLiteral("org.freedesktop.Notifications")));
    DesktopNotifier notifier(bus.connect());
    notifier.show(QStringLiteral("键盘已切换到配置“FPS”"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.shown.size() == 1; }, 5000));
    QTest::qWait(100);  // the answer with its id
    notifier.show(QStringLiteral("键盘已恢复切换前的配置"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.shown.size() == 2; }, 5000));
    EXPECT_EQ(server.shown[0].app, QStringLiteral("Vandrel"));
    EXPECT_EQ(server.shown[0].replaces, 0u);
    EXPECT_EQ(server.shown[0].summary, QStringLiteral("键盘已切换到配置“FPS”"));
    EXPECT_EQ(server.shown[1].replaces, 41u);
    EXPECT_EQ(server.shown[1].hints.value(QStringLiteral("transient")).toBool(), true);
    EXPECT_GT(server.shown[1].timeout, 0);
    // Without a notification server nothing breaks.
    DesktopNotifier nowhere(QDBusConnection(QStringLiteral("no-such-connection")));
    nowhere.show(QStringLiteral("x"));
}

}  // namespace
}  // namespace vandrel

#include "ReportedFocusTest.moc"

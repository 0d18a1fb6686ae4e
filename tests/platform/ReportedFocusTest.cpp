// KDE Plasma and GNOME on Wayland: the program loads its KWin script, or
// puts its Shell extension in place, and then follows the focus reports the
// script and the extension send over D-Bus. KWin and the Shell are played by
// the test on a bus of its own, and so are the script's calls.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
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

// KWin's scripting interface, as far as the program uses it.
class FakeKWin : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kwin.Scripting")
public:
    int answer = 1;
    QStringList calls;
    QByteArray script;

public slots:
    int loadScript(const QString& file, const QString& plugin) {
        calls << QStringLiteral("loadScript ") + plugin;
        QFile f(file);
        if (f.open(QIODevice::ReadOnly)) script = f.readAll();
        return answer;
    }
    bool unloadScript(const QString& plugin) {
        calls << QStringLiteral("unloadScript ") + plugin;
        return true;
    }
    void start() { calls << QStringLiteral("start"); }
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
public:
    double state = 1;
public slots:
    QVariantMap GetExtensionInfo(const QString& uuid) {
        if (uuid != QLatin1String(GnomeFocusBackend::kUuid)) return {};
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
        ASSERT_TRUE(service.publish(bus.connect()));
        desktopBus = bus.connect();
        scriptBus = bus.connect();
    }

    // What the script or the extension sends.
    void reportFocus(const QStringList& args) {
        QDBusMessage m = QDBusMessage::createMethodCall(QString::fromLatin1(kDBusServiceName),
                                                        QString::fromLatin1(kDBusObjectPath),
                                                        QString::fromLatin1(kDBusFocusInterface),
                                                        QStringLiteral("WindowActivated"));
        for (const QString& a : args) m << a;
        scriptBus.send(m);
    }

    void followReports(ReportedFocusBackend& backend) {
        QObject::connect(&service, &DBusService::windowReported, &backend, &ReportedFocusBackend::report);
    }

    test::PrivateBus bus;
    NoBackend none;
    DBusService service{none};
    QDBusConnection desktopBus{QString()};
    QDBusConnection scriptBus{QString()};
    test::TempFolder folder;
};

TEST_F(ReportedFocusTest, TheKWinScriptIsLoadedAndItsReportsFollowed) {
    FakeKWin kwin;
    ASSERT_TRUE(desktopBus.registerObject(QStringLiteral("/Scripting"), &kwin, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(desktopBus.registerService(QStringLiteral("org.kde.KWin")));

    const QString script = QStringLiteral(VANDREL_DESKTOP_SCRIPTS "/kwin/vandrel-focus.js");
    KWinFocusBackend backend(bus.connect(), script);
    followReports(backend);
    QSignalSpy focus(&backend, &FocusBackend::focusChanged);
    QSignalSpy stopped(&backend, &FocusBackend::stopped);
    QString why;
    ASSERT_TRUE(backend.start(&why)) << why.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return kwin.calls.size() == 3; }, 5000));
    // An old copy is replaced, then the script runs.
    EXPECT_EQ(kwin.calls, (QStringList{QStringLiteral("unloadScript vandrel-focus"),
                                       QStringLiteral("loadScript vandrel-focus"), QStringLiteral("start")}));
    EXPECT_NE(kwin.script.indexOf("org.vandrel.Configurator1.Focus"), -1);

    // KWin 6 with Firefox focused, as the script reports it; then the desktop.
    const QString pid = QString::number(QCoreApplication::applicationPid());
    reportFocus({QStringLiteral("firefox"), QStringLiteral("Navigator"), QStringLiteral("Twitch — Mozilla Firefox"), pid,
                 QStringLiteral("normal")});
    reportFocus({QString(), QString(), QString(), QStringLiteral("0"), QStringLiteral("desktop")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return focus.count() == 2; }, 5000));
    const auto first = focus[0][0].value<FocusEvent>();
    EXPECT_EQ(first.windowClass, "firefox");
    EXPECT_EQ(first.instance, "Navigator");
    EXPECT_EQ(first.title, "Twitch — Mozilla Firefox");
    EXPECT_EQ(first.pid, QCoreApplication::applicationPid());
    EXPECT_EQ(QString::fromStdString(first.exe), QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
    EXPECT_TRUE(focus[1][0].value<FocusEvent>().isDesktop);
    EXPECT_EQ(stopped.count(), 0);
}

TEST_F(ReportedFocusTest, AScriptKWinRefusesOrAMissingKWinIsSaid) {
    // No KWin on the bus at all.
    {
        KWinFocusBackend backend(bus.connect(), QStringLiteral(VANDREL_DESKTOP_SCRIPTS "/kwin/vandrel-focus.js"));
        QSignalSpy stopped(&backend, &FocusBackend::stopped);
        ASSERT_TRUE(backend.start(nullptr));
        ASSERT_TRUE(QTest::qWaitFor([&] { return stopped.count() == 1; }, 5000));
    }
    FakeKWin kwin;
    kwin.answer = -1;
    ASSERT_TRUE(desktopBus.registerObject(QStringLiteral("/Scripting"), &kwin, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(desktopBus.registerService(QStringLiteral("org.kde.KWin")));
    KWinFocusBackend backend(bus.connect(), QStringLiteral(VANDREL_DESKTOP_SCRIPTS "/kwin/vandrel-focus.js"));
    followReports(backend);
    QSignalSpy stopped(&backend, &FocusBackend::stopped);
    QSignalSpy focus(&backend, &FocusBackend::focusChanged);
    ASSERT_TRUE(backend.start(nullptr));
    ASSERT_TRUE(QTest::qWaitFor([&] { return stopped.count() == 1; }, 5000));
    EXPECT_NE(stopped[0][0].toString().indexOf(QStringLiteral("did not load")), -1);
    // Reports no script of ours sent are not followed.
    reportFocus({QStringLiteral("game"), QString(), QString(), QStringLiteral("0"), QStringLiteral("normal")});
    QTest::qWait(200);
    EXPECT_EQ(focus.count(), 0);
    // Without the script file there is nothing to load.
    KWinFocusBackend missing(bus.connect(), QStringLiteral("/nonexistent/vandrel-focus.js"));
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
                                          QDBusConnection::ExportAllSlots));
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
        reportFocus({QStringLiteral("steam_app_730"), QStringLiteral("steam_app_730"), QStringLiteral("Counter-Strike 2"),
                     QStringLiteral("0"), QStringLiteral("normal")});
        ASSERT_TRUE(QTest::qWaitFor([&] { return focus.count() == 1; }, 5000));
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
    EXPECT_EQ(GnomeFocusBackend::variantFor(QStringLiteral("48.0")), QString());
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

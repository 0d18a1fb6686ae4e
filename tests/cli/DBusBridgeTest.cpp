// The running program's D-Bus interface on the simulated keyboard: a client
// written against 1.0 applies profiles and changes settings through the same
// checks as vandrelctl, and `vandrelctl watch` prints what the program
// announces.

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTimer>
#include <algorithm>
#include <cstddef>
#include <sstream>

#include "app/ui/CTarvinDlg.h"
#include "app/frontends/DBusBridge.h"
#include "cli/CtlWatch.h"
#include "configurator1_proxy.h"
#include "device/DeviceSession.h"
#include "keymap/KeymapFile.h"
#include "platform/DBusService.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualClock.h"
#include "tests/app/TempFolder.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/QuietWindow.h"
#include "tests/support/WaitWhileBusy.h"

namespace vandrel {
namespace {

class DBusBridgeTest : public ::testing::Test {
protected:
    DBusBridgeTest() : keyboard(clock), session(keyboard, clock), state(std::make_unique<AppState>()) {}

    void SetUp() override {
        ASSERT_TRUE(bus.ok()) << "dbus-daemon could not be started";
        window = test::startQuietWindow(*state, session, data.path());
        const QString profiles = QString::fromStdString((data.path() / "Configure").string());
        bridge = std::make_unique<DBusBridge>(window->service(), profiles);
        service = std::make_unique<DBusService>(*bridge);
        QObject::connect(window.get(), &CTarvinDlg::keyboardConfigurationChanged, service.get(),
                         &DBusService::ConfigurationChanged);
        QObject::connect(&window->service(), &ConfigurationService::profileApplied, service.get(),
                         &DBusService::ProfileApplied);
        ASSERT_TRUE(service->publish(bus.connect()));
        client = std::make_unique<OrgVandrelConfigurator1Interface>(
            QString::fromLatin1(kDBusServiceName), QString::fromLatin1(kDBusObjectPath), bus.connect());
        keyboard.clearRecord();
    }
    void TearDown() override {
        if (window) window->shutDown();
    }

    void writeProfile(const char* name, uint8_t effect, uint8_t brightness) {
        auto profile = std::make_unique<AppState>();
        profile->image = keyboard.config();
        profile->image.ledEffect = effect;
        profile->image.ledBrightness = brightness;
        profile->keys.restoreHomeCodes();
        std::filesystem::create_directories(data.path() / "Configure");
        ASSERT_TRUE(WriteConfigurationFile(data.path() / "Configure" / (std::string(name) + ".bin"), profile->image,
                                           profile->keys));
    }

    QString errorOf(const QDBusPendingCall& call) {
        EXPECT_TRUE(test::awaitCall(call));
        return call.isError() ? call.error().name() : QString();
    }

    test::TempFolder data;
    test::PrivateBus bus;
    VirtualClock clock;
    SimKeyboard keyboard;
    DeviceSession session;
    std::unique_ptr<AppState> state;
    std::unique_ptr<CTarvinDlg> window;
    std::unique_ptr<DBusBridge> bridge;
    std::unique_ptr<DBusService> service;
    std::unique_ptr<OrgVandrelConfigurator1Interface> client;
};

TEST_F(DBusBridgeTest, AProfileIsWrittenAndAnnounced) {
    writeProfile("Night", 13, 9);
    QSignalSpy applied(client.get(), &OrgVandrelConfigurator1Interface::ProfileApplied);
    QSignalSpy changed(client.get(), &OrgVandrelConfigurator1Interface::ConfigurationChanged);

    QDBusPendingReply<QStringList> names = client->ListProfiles();
    ASSERT_TRUE(test::awaitCall(names));
    EXPECT_EQ(names.value(), QStringList{QStringLiteral("Night")});

    QDBusPendingReply<bool, QStringList> reply = client->ApplyProfile(QStringLiteral("Night"));
    ASSERT_TRUE(test::awaitCall(reply));
    ASSERT_FALSE(reply.isError()) << reply.error().message().toStdString();
    EXPECT_TRUE(reply.argumentAt<0>());
    EXPECT_EQ(keyboard.config().ledEffect, 13);
    EXPECT_EQ(keyboard.config().ledBrightness, 9);
    ASSERT_TRUE(test::spinUntil([&] { return applied.count() == 1 && changed.count() == 1; }));
    EXPECT_EQ(applied[0][0].toString(), QStringLiteral("Night"));
    EXPECT_EQ(applied[0][1].toString(), QStringLiteral("request"));

    // GetState is what the keyboard now holds, in vandrelctl show --json's schema.
    QDBusPendingReply<QString> json = client->GetState();
    ASSERT_TRUE(test::awaitCall(json));
    EXPECT_NE(json.value().indexOf(QStringLiteral("\"brightness\": 9")), -1) << json.value().toStdString();
}

TEST_F(DBusBridgeTest, RefusedCallsLeaveTheKeyboardAlone) {
    writeProfile("Night", 13, 9);
    EXPECT_EQ(errorOf(client->ApplyProfile(QStringLiteral("Nobody"))),
              QStringLiteral("org.vandrel.Configurator1.Error.NoSuchProfile"));
    EXPECT_EQ(errorOf(client->ApplyProfile(QStringLiteral("../Configure/Night"))),
              QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
    EXPECT_EQ(errorOf(client->SetSettings({{QStringLiteral("brightness"), 99}})),
              QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
    EXPECT_EQ(errorOf(client->SetSettings({{QStringLiteral("loudness"), 3}})),
              QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
    // The window's unsaved edits are not written behind the user's back.
    state->image.ledSpeed = 2;
    EXPECT_EQ(errorOf(client->ApplyProfile(QStringLiteral("Night"))),
              QStringLiteral("org.vandrel.Configurator1.Error.Refused"));
    EXPECT_TRUE(keyboard.events().empty());
}

TEST_F(DBusBridgeTest, SettingsAreSavedAndACheckThatFailsNamesTheSections) {
    QDBusPendingReply<> set =
        client->SetSettings({{QStringLiteral("brightness"), 30}, {QStringLiteral("gamemode"), false}});
    ASSERT_TRUE(test::awaitCall(set));
    ASSERT_FALSE(set.isError()) << set.error().message().toStdString();
    EXPECT_EQ(keyboard.config().ledBrightness, 30);
    EXPECT_EQ(keyboard.config().gameMode, 0);
    EXPECT_EQ(state->shadow.ledBrightness, 30);

    // The keyboard keeps one byte of every bulk section wrong: the answer
    // says which sections it holds otherwise, and the change stays unsaved.
    writeProfile("Night", 13, 9);
    ASSERT_EQ(std::filesystem::file_size(data.path() / "Configure" / "Night.bin"), kKeymapFileBytes);
    std::vector<uint8_t> bytes = test::readAll(data.path() / "Configure" / "Night.bin");
    bytes[offsetof(DeviceImage, deviceKeyMap) + 5] ^= 0x01;
    test::writeAll(data.path() / "Configure" / "Night.bin", bytes);
    keyboard.setStoreFault(0);
    QDBusPendingReply<bool, QStringList> reply = client->ApplyProfile(QStringLiteral("Night"));
    ASSERT_TRUE(test::awaitCall(reply));
    ASSERT_FALSE(reply.isError()) << reply.error().message().toStdString();
    EXPECT_FALSE(reply.argumentAt<0>());
    EXPECT_EQ(reply.argumentAt<1>(), QStringList{QStringLiteral("keyMap")});
}

TEST_F(DBusBridgeTest, WatchPrintsOneJsonLinePerEvent) {
    writeProfile("Night", 13, 9);
    std::ostringstream out, err;
    QDBusConnection watcherBus = bus.connect();
    // Started once the watcher listens: the first loop turn runs it.
    QTimer::singleShot(100, client.get(), [this] { client->ApplyProfile(QStringLiteral("Night")); });
    EXPECT_EQ(ctl::runWatch(watcherBus, out, err, 2), 0) << err.str();
    std::istringstream lines(out.str());
    std::vector<std::string> events;
    for (std::string line; std::getline(lines, line);) events.push_back(line.substr(0, line.find(",\"time\"")));
    std::sort(events.begin(), events.end());
    EXPECT_EQ(events, (std::vector<std::string>{R"({"event":"ConfigurationChanged")",
                                                R"({"event":"ProfileApplied","name":"Night","reason":"request")"}));

    // Without a bus it says why instead of waiting for ever.
    std::ostringstream none;
    EXPECT_EQ(ctl::runWatch(QDBusConnection(QStringLiteral("no-such-connection")), out, none), 1);
    EXPECT_NE(none.str().find("D-Bus"), std::string::npos);
}

}  // namespace
}  // namespace vandrel

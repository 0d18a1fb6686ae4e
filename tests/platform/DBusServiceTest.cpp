// The program's D-Bus interface on a bus of the test's own, called by a
// client generated from the introspection XML of the repository: what a
// program written against version 1.0 sees.

#include <gtest/gtest.h>

#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QFile>
#include <QSignalSpy>
#include <QXmlStreamReader>
#include <algorithm>

#include "configurator1_proxy.h"
#include "platform/DBusService.h"
#include "tests/platform/TestApp.h"
#include "tests/support/PrivateBus.h"

namespace vandrel {
namespace {

// Answers as the test tells it to; keeps the pending answers.
class FakeBackend : public ConfiguratorBackend {
public:
    void state(std::function<void(const DBusOutcome&, const QString&)> done) override { pendingState = done; }
    QStringList profiles() override { return {QStringLiteral("FPS"), QStringLiteral("复制 FPS")}; }
    void applyProfile(const QString& name,
                      std::function<void(const DBusOutcome&, bool, const QStringList&)> done) override {
        appliedName = name;
        pendingApply = done;
    }
    void setSettings(const QStringList& assignments, std::function<void(const DBusOutcome&)> done) override {
        settings = assignments;
        done(DBusOutcome::success());
    }

    std::function<void(const DBusOutcome&, const QString&)> pendingState;
    std::function<void(const DBusOutcome&, bool, const QStringList&)> pendingApply;
    QString appliedName;
    QStringList settings;
};

class DBusServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::app();
        ASSERT_TRUE(bus.ok()) << "dbus-daemon could not be started";
        QString why;
        ASSERT_TRUE(service.publish(bus.connect(), &why)) << why.toStdString();
        clientBus = bus.connect();
        client = std::make_unique<OrgVandrelConfigurator1Interface>(
            QString::fromLatin1(kDBusServiceName), QString::fromLatin1(kDBusObjectPath), clientBus);
    }

    test::PrivateBus bus;
    FakeBackend backend;
    DBusService service{backend};
    QDBusConnection clientBus{QString()};
    std::unique_ptr<OrgVandrelConfigurator1Interface> client;
};

TEST_F(DBusServiceTest, AClientWrittenAgainstOnePointZeroGetsItsAnswers) {
    QDBusMessage get = QDBusMessage::createMethodCall(QString::fromLatin1(kDBusServiceName),
                                                      QString::fromLatin1(kDBusObjectPath),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << QString::fromLatin1(kDBusInterface) << QStringLiteral("Version");
    QDBusPendingReply<QDBusVariant> version = clientBus.asyncCall(get);
    ASSERT_TRUE(test::awaitCall(version));
    EXPECT_EQ(version.value().variant().toString(), QStringLiteral("1.0"));

    QDBusPendingReply<QStringList> profiles = client->ListProfiles();
    ASSERT_TRUE(test::awaitCall(profiles));
    EXPECT_EQ(profiles.value(), (QStringList{QStringLiteral("FPS"), QStringLiteral("复制 FPS")}));

    // The answer waits for the write: nothing until the backend is done.
    QDBusPendingReply<bool, QStringList> apply = client->ApplyProfile(QStringLiteral("FPS"));
    ASSERT_TRUE(test::spinUntil([&] { return bool(backend.pendingApply); }));
    EXPECT_EQ(backend.appliedName, QStringLiteral("FPS"));
    EXPECT_FALSE(test::awaitCall(apply, 200));
    backend.pendingApply(DBusOutcome::success(), true, {});
    ASSERT_TRUE(test::awaitCall(apply));
    EXPECT_TRUE(apply.argumentAt<0>());
    EXPECT_TRUE(apply.argumentAt<1>().isEmpty());

    // A check that found other bytes is an answer naming the sections.
    backend.pendingApply = nullptr;
    apply = client->ApplyProfile(QStringLiteral("FPS"));
    ASSERT_TRUE(test::spinUntil([&] { return bool(backend.pendingApply); }));
    backend.pendingApply(DBusOutcome::success(), false, {QStringLiteral("keyMap"), QStringLiteral("macroSlot3")});
    ASSERT_TRUE(test::awaitCall(apply));
    EXPECT_FALSE(apply.argumentAt<0>());
    EXPECT_EQ(apply.argumentAt<1>(), (QStringList{QStringLiteral("keyMap"), QStringLiteral("macroSlot3")}));

    // A refusal is a D-Bus error with the interface's name and the reason.
    QDBusPendingReply<QString> state = client->GetState();
    ASSERT_TRUE(test::spinUntil([&] { return bool(backend.pendingState); }));
    backend.pendingState(DBusOutcome::failure(dbuserror::kNoKeyboard, QStringLiteral("no keyboard")), {});
    ASSERT_TRUE(test::awaitCall(state));
    ASSERT_TRUE(state.isError());
    EXPECT_EQ(state.error().name(), QStringLiteral("org.vandrel.Configurator1.Error.NoKeyboard"));
    EXPECT_EQ(state.error().message(), QStringLiteral("no keyboard"));
}

TEST_F(DBusServiceTest, SettingsArriveAsTheWordsOfVandrelctlSet) {
    QVariantMap settings{{QStringLiteral("brightness"), 30},
                         {QStringLiteral("winlock"), true},
                         {QStringLiteral("effect"), QStringLiteral("wave")},
                         {QStringLiteral("speed"), 3.0},
                         {QStringLiteral("rate"), QVariant::fromValue<uint8_t>(250)}};
    QDBusPendingReply<> set = client->SetSettings(settings);
    ASSERT_TRUE(test::awaitCall(set));
    EXPECT_FALSE(set.isError()) << set.error().message().toStdString();
    EXPECT_EQ(backend.settings, (QStringList{QStringLiteral("brightness=30"), QStringLiteral("effect=wave"),
                                            QStringLiteral("rate=250"), QStringLiteral("speed=3"),
                                            QStringLiteral("winlock=on")}));

    // A value that is no setting's type, and no setting at all, never reach the program.
    backend.settings.clear();
    for (const QVariantMap& bad : {QVariantMap{{QStringLiteral("speed"), 2.5}},
                                   QVariantMap{{QStringLiteral("palette1"), QStringList{QStringLiteral("#FF0000")}}},
                                   QVariantMap{}}) {
        set = client->SetSettings(bad);
        ASSERT_TRUE(test::awaitCall(set));
        ASSERT_TRUE(set.isError());
        EXPECT_EQ(set.error().name(), QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
    }
    EXPECT_TRUE(backend.settings.isEmpty());
}

TEST_F(DBusServiceTest, SignalsReachTheClient) {
    QSignalSpy applied(client.get(), &OrgVandrelConfigurator1Interface::ProfileApplied);
    QSignalSpy changed(client.get(), &OrgVandrelConfigurator1Interface::ConfigurationChanged);
    QSignalSpy added(client.get(), &OrgVandrelConfigurator1Interface::DeviceAdded);
    QSignalSpy removed(client.get(), &OrgVandrelConfigurator1Interface::DeviceRemoved);
    // The client's match rules reach the daemon with its first call.
    QDBusPendingReply<QStringList> ping = client->ListProfiles();
    ASSERT_TRUE(test::awaitCall(ping));
    emit service.ProfileApplied(QStringLiteral("FPS"), QStringLiteral("rule"));
    emit service.ConfigurationChanged();
    emit service.DeviceAdded();
    emit service.DeviceRemoved();
    ASSERT_TRUE(test::spinUntil([&] { return removed.count() == 1; }));
    ASSERT_EQ(applied.count(), 1);
    EXPECT_EQ(applied[0][0].toString(), QStringLiteral("FPS"));
    EXPECT_EQ(applied[0][1].toString(), QStringLiteral("rule"));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(added.count(), 1);
}

TEST_F(DBusServiceTest, ASecondProgramDoesNotTakeTheName) {
    FakeBackend other;
    DBusService second(other);
    QString why;
    EXPECT_FALSE(second.publish(bus.connect(), &why));
    EXPECT_FALSE(why.isEmpty());
    QDBusPendingReply<QStringList> profiles = client->ListProfiles();
    ASSERT_TRUE(test::awaitCall(profiles));
    EXPECT_FALSE(profiles.isError());

    // Without a bus nothing is published, and the program goes on.
    DBusService third(other);
    EXPECT_FALSE(third.publish(QDBusConnection(QStringLiteral("no-such-connection")), &why));
}

// The members of one interface of an introspection document, one line each
// ("method ApplyProfile(in s name, out b applied, out as differing)"),
// sorted: the order of the members does not matter to a client.
std::vector<std::string> describe(const QString& xml, const QString& interface) {
    std::vector<std::string> lines;
    QXmlStreamReader r(xml);
    bool inside = false;
    std::string kind, args;
    auto attr = [&r](const char* name) { return r.attributes().value(QLatin1String(name)).toString().toStdString(); };
    while (!r.atEnd()) {
        r.readNext();
        const std::string element = r.name().toString().toStdString();
        if (r.isStartElement()) {
            if (element == "interface") inside = attr("name") == interface.toStdString();
            if (!inside) continue;
            if (element == "method" || element == "signal") {
                kind = element + " " + attr("name");
                args.clear();
            } else if (element == "arg") {
                // Signal arguments go out, whether or not a document says so.
                std::string direction = attr("direction");
                if (direction.empty()) direction = kind.rfind("method", 0) == 0 ? "in" : "out";
                args += (args.empty() ? "" : ", ") + direction + " " + attr("type") + " " + attr("name");
            } else if (element == "property") {
                lines.push_back("property " + attr("name") + " " + attr("type") + " " + attr("access"));
            }
        } else if (r.isEndElement() && inside) {
            if (element == "method" || element == "signal") lines.push_back(kind + "(" + args + ")");
            if (element == "interface") inside = false;
        }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST_F(DBusServiceTest, TheServedInterfaceIsTheOneInTheRepository) {
    QFile file(QStringLiteral(VANDREL_DBUS_XML));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::vector<std::string> documented =
        describe(QString::fromUtf8(file.readAll()), QString::fromLatin1(kDBusInterface));
    ASSERT_EQ(documented.size(), 10u);
    // 1.0's members are all there; later members only add to them.
    EXPECT_NE(std::find(documented.begin(), documented.end(), "signal RuleProfileMissing(out s name, out s reason)"),
              documented.end());

    QDBusMessage introspect = QDBusMessage::createMethodCall(
        QString::fromLatin1(kDBusServiceName), QString::fromLatin1(kDBusObjectPath),
        QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    QDBusPendingReply<QString> served = clientBus.asyncCall(introspect);
    ASSERT_TRUE(test::awaitCall(served));
    EXPECT_EQ(describe(served.value(), QString::fromLatin1(kDBusInterface)), documented);
    // The focus reports of the desktop's script and extension, on the same object.
    file.seek(0);
    const std::vector<std::string> focus =
        describe(QString::fromUtf8(file.readAll()), QString::fromLatin1(kDBusFocusInterface));
    ASSERT_EQ(focus.size(), 1u);
    EXPECT_EQ(describe(served.value(), QString::fromLatin1(kDBusFocusInterface)), focus);
}

}  // namespace
}  // namespace vandrel

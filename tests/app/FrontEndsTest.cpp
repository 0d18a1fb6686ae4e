// The same operation asked for through two front ends (the window, the
// socket hand-off of vandrelctl, the D-Bus interface) leaves the same
// keyboard, the same files and the same answer: both run the configuration
// service's code. Each test runs two programs on keyboards of their own and
// compares them.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <memory>
#include <optional>

#include "app/service/ConfigurationService.h"
#include "app/ui/CTarvinDlg.h"
#include "app/frontends/CtlCommandHandler.h"
#include "app/frontends/DBusBridge.h"
#include "app/frontends/ProfileSwitchController.h"
#include "device/Clock.h"
#include "platform/RuleSettings.h"
#include "platform/focus/FocusBackend.h"
#include "cli/CtlHandoff.h"
#include "controls/CBitSlider.h"
#include "device/DeviceSession.h"
#include "keymap/KeymapFile.h"
#include "profile/SnapshotStore.h"
#include "app/model/ConfigHistory.h"
#include "app/model/DiyPaint.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualClock.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ScriptedDesktop.h"
#include "tests/support/WaitWhileBusy.h"
#include "tests/device/SimFixture.h"

namespace vandrel {
namespace {

// One running program on a simulated keyboard, with its front ends.
struct Program {
    Program() : keyboard(clock), session(keyboard, clock), state(std::make_unique<AppState>()) {
        WindowPaths paths;
        paths.programFolder = QString::fromStdString(data.path().string());
        paths.dataFolder = data.path();
        window = std::make_unique<CTarvinDlg>(*state, session, paths);
        window->hooks().warn = [this](QWidget*, const QString& caption, const QString& text) {
            warnings << caption + ":" + text;
        };
        window->initialise();
        test::waitWhileBusy(window->service());
        handler = std::make_unique<CtlCommandHandler>(window->service());
        bridge = std::make_unique<DBusBridge>(window->service(),
                                              QString::fromStdString((data.path() / "Configure").string()));
        QObject::connect(&window->service(), &ConfigurationService::profileApplied,
                         [this](const QString& name, const QString& reason) { applied << name + "/" + reason; });
        keyboard.clearRecord();
    }
    ~Program() { window->shutDown(); }

    // vandrelctl's request over the socket: the exit code and the message.
    std::pair<int, std::string> socket(const QByteArray& request, std::string* output = nullptr) {
        std::optional<QByteArray> answer;
        handler->handle(request, [&answer](const QByteArray& line) { answer = line; });
        while (!answer) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        test::waitWhileBusy(window->service());
        int code = -1;
        std::string message, out;
        EXPECT_TRUE(ctl::decodeAnswer(*answer, code, message, out));
        if (output) *output = out;
        return {code, message};
    }
    // The same through the D-Bus adaptor: the error name (empty: success) and the message.
    std::pair<QString, QString> dbusSet(const QStringList& assignments) {
        std::optional<DBusOutcome> outcome;
        bridge->setSettings(assignments, [&outcome](const DBusOutcome& o) { outcome = o; });
        while (!outcome) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        test::waitWhileBusy(window->service());
        return {outcome->errorName, outcome->message};
    }
    std::pair<QString, QString> dbusApply(const QString& name) {
        std::optional<DBusOutcome> outcome;
        bridge->applyProfile(name, [&outcome](const DBusOutcome& o, bool, const QStringList&) { outcome = o; });
        while (!outcome) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        test::waitWhileBusy(window->service());
        return {outcome->errorName, outcome->message};
    }
    QString dbusState() {
        std::optional<QString> json;
        bridge->state([&json](const DBusOutcome& o, const QString& j) { json = o.errorName.isEmpty() ? j : o.errorName; });
        while (!json) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return *json;
    }
    void writeProfile(const char* name, uint8_t effect, int launchSlot) {
        auto profile = std::make_unique<AppState>();
        profile->image = keyboard.config();
        profile->image.ledEffect = effect;
        profile->keys.restoreHomeCodes();
        profile->keys[launchSlot].type = 5;
        const uint8_t launch[4] = {0x0A, 0, SlotHomeVk[launchSlot], 0};
        std::memcpy(&profile->image.deviceKeyMap[SlotCellOffset[launchSlot]], launch, 4);
        std::filesystem::create_directories(data.path() / "Configure");
        ASSERT_TRUE(WriteConfigurationFile(data.path() / "Configure" / (std::string(name) + ".bin"), profile->image,
                                           profile->keys));
    }
    size_t snapshots() const { return SnapshotStore(snapshotFolder(data.path())).list().size(); }
    std::vector<uint8_t> keymapFile() const { return test::readAll(KeymapFilePath(data.path())); }

    test::TempFolder data;
    VirtualClock clock;
    SimKeyboard keyboard;
    DeviceSession session;
    std::unique_ptr<AppState> state;
    std::unique_ptr<CTarvinDlg> window;
    std::unique_ptr<CtlCommandHandler> handler;
    std::unique_ptr<DBusBridge> bridge;
    QStringList warnings;
    QStringList applied;
};

// What a front end's request left behind, for comparing two programs.
void expectSameOutcome(const Program& a, const Program& b, bool sameUndoSteps = true) {
    EXPECT_EQ(a.keyboard.config(), b.keyboard.config());
    EXPECT_EQ(a.state->image, b.state->image);
    EXPECT_EQ(a.state->shadow, b.state->shadow);
    EXPECT_TRUE(a.state->keys == b.state->keys);
    EXPECT_EQ(a.keymapFile(), b.keymapFile());
    EXPECT_EQ(a.snapshots(), b.snapshots());
    if (sameUndoSteps) {
        EXPECT_EQ(a.window->history().position(), b.window->history().position());
    }
    EXPECT_EQ(a.window->slider(kBrightnessSliderId)->value(), b.window->slider(kBrightnessSliderId)->value());
    EXPECT_EQ(a.applied, b.applied);
    EXPECT_EQ(a.warnings, b.warnings);
}

TEST(FrontEnds, SettingsThroughTheSocketAndDBusLeaveTheSameKeyboardFilesAndHistory) {
    Program socket, dbus;
    EXPECT_EQ(socket.socket("set\tbrightness=5\teffect=breathing\trate=500").first, 0);
    EXPECT_EQ(dbus.dbusSet({"brightness=5", "effect=breathing", "rate=500"}).first, QString());
    EXPECT_EQ(socket.keyboard.config().ledBrightness, 5);
    expectSameOutcome(socket, dbus);
    // Undo in the window takes either request back the same way.
    socket.window->undo();
    dbus.window->undo();
    expectSameOutcome(socket, dbus);
    EXPECT_TRUE(socket.window->hasUnsavedChanges());
}

TEST(FrontEnds, TheWindowsSaveAndASocketRequestKeepTheSameHistory) {
    // The same edit saved with the window's Save (Ctrl+S) and asked for by vandrelctl.
    // (The window's slider makes its undo step when it comes to rest.)
    Program window, socket;
    window.window->slider(kBrightnessSliderId)->setValue(3);
    QCoreApplication::processEvents();
    QTest::keyClick(window.window.get(), Qt::Key_S, Qt::ControlModifier);
    test::waitWhileBusy(window.window->service());
    EXPECT_EQ(socket.socket("set\tbrightness=3").first, 0);
    EXPECT_EQ(window.keyboard.config().ledBrightness, 3);
    EXPECT_EQ(window.snapshots(), 1u);
    expectSameOutcome(window, socket, false);
}

TEST(FrontEnds, AProfileAppliedThroughTheSocketOrDBusIsTheSameAndAnnouncedOnce) {
    Program socket, dbus;
    socket.writeProfile("Night", 13, 20);
    dbus.writeProfile("Night", 13, 20);
    EXPECT_EQ(socket.socket("apply\tNight").first, 0);
    EXPECT_EQ(dbus.dbusApply("Night").first, QString());
    EXPECT_EQ(socket.keyboard.config().ledEffect, 13);
    EXPECT_EQ(socket.state->keys[20].type, 5);
    EXPECT_EQ(socket.applied, QStringList{"Night/request"});
    expectSameOutcome(socket, dbus);
}

TEST(FrontEnds, ARuleSwitchPutsOnTheKeyboardWhatApplyingTheProfilePutsThere) {
    // The same profile through the profile follower and through vandrelctl:
    // the same keyboard and window; the switch alone keeps no undo step and
    // no history snapshot, and says why it was applied.
    Program rule, socket;
    rule.writeProfile("Night", 13, 20);
    socket.writeProfile("Night", 13, 20);
    const QString settings = QString::fromStdString((rule.data.path() / "Vandrel.conf").string());
    RuleSet rules;
    rules.rules = {{"shooter", "", "", "Night"}};
    RuleSettings(settings).setRules(rules);
    RealClock clock;
    ProfileSwitchController follower(rule.window->service(), clock,
                                     QString::fromStdString((rule.data.path() / "Configure").string()),
                                     rule.data.path(), RuleSettings(settings));
    auto backend = std::make_unique<test::ScriptedDesktop>();
    test::ScriptedDesktop* desktop = backend.get();
    follower.start(std::move(backend), QStringLiteral("test"));
    desktop->focus("shooter");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rule.applied.isEmpty() && !rule.window->busy(); }, 5000));
    EXPECT_EQ(socket.socket("apply\tNight").first, 0);

    EXPECT_EQ(rule.keyboard.config(), socket.keyboard.config());
    EXPECT_EQ(rule.state->image, socket.state->image);
    EXPECT_TRUE(rule.state->keys == socket.state->keys);
    EXPECT_EQ(rule.keymapFile(), socket.keymapFile());
    EXPECT_EQ(rule.window->slider(kBrightnessSliderId)->value(), socket.window->slider(kBrightnessSliderId)->value());
    EXPECT_EQ(rule.applied, QStringList{"Night/rule"});
    EXPECT_EQ(socket.applied, QStringList{"Night/request"});
    EXPECT_FALSE(rule.window->history().canUndo());
    EXPECT_EQ(rule.snapshots(), 0u);
    EXPECT_TRUE(socket.window->history().canUndo());
}

TEST(FrontEnds, RefusalsHaveTheSameKindAndTextThroughEitherFrontEnd) {
    struct Case {
        const char* what;
        std::function<void(Program&)> prepare;
        QByteArray request;
        QStringList assignments;
        int exitCode;
        const char* errorName;
    };
    const std::vector<Case> cases = {
        {"unsaved edits", [](Program& p) { p.state->image.ledSpeed = 2; }, "set\tbrightness=7", {"brightness=7"}, 1,
         dbuserror::kRefused},
        {"a value out of range", [](Program&) {}, "set\tbrightness=70", {"brightness=70"}, 2, dbuserror::kInvalidArgs},
        {"a colour the effect does not take",
         [](Program& p) {
             ASSERT_EQ(p.socket("set\teffect=wave").first, 0);  // multicolour only
             p.keyboard.clearRecord();
         },
         "set\tcolour=3", {"colour=3"}, 1, dbuserror::kRefused},
        {"no keyboard", [](Program& p) { p.window->deviceRemoved(); }, "set\tbrightness=7", {"brightness=7"}, 3,
         dbuserror::kNoKeyboard},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Program socket, dbus;
        c.prepare(socket);
        c.prepare(dbus);
        const auto [code, message] = socket.socket(c.request);
        const auto [name, text] = dbus.dbusSet(c.assignments);
        EXPECT_EQ(code, c.exitCode);
        EXPECT_EQ(name, QString::fromLatin1(c.errorName));
        EXPECT_EQ(QString::fromStdString(message), text);
        EXPECT_FALSE(text.isEmpty());
        EXPECT_TRUE(socket.keyboard.events().empty());
        EXPECT_TRUE(dbus.keyboard.events().empty());
    }
}

TEST(FrontEnds, TheConfigurationReadsTheSameThroughTheSocketAndDBus) {
    Program p;
    p.writeProfile("Night", 13, 20);
    ASSERT_EQ(p.socket("apply\tNight").first, 0);
    // An unsaved edit is not the keyboard's: neither front end tells it.
    p.state->image.ledBrightness = 1;
    std::string json;
    ASSERT_EQ(p.socket("configuration", &json).first, 0);
    EXPECT_EQ(QString::fromStdString(json), p.dbusState());
    EXPECT_NE(json.find("\"effect\""), std::string::npos);
}

// The command bytes of the frames that write (those below 0x80), in order.
std::vector<std::string> writeCommands(const SimKeyboard& keyboard) {
    std::vector<std::string> writes;
    for (const std::string& f : test::framesOf(keyboard.events()))
        if (f.substr(3, 2) < "80") writes.push_back(f.substr(3, 2));
    return writes;
}

TEST(FrontEnds, APaintThroughTheSocketOrTheServiceIsOneUndoStepThatWritesOnlyItsMap) {
    Program socket, direct;
    const std::vector<int>& wasd = diyZoneSlots(DiyZone::Wasd);
    const DeviceImage before = socket.keyboard.config();
    EXPECT_EQ(socket.socket("diy\tfill\t2\twasd\t#FF0000"), std::make_pair(0, std::string("DIY2: 4 keys changed.")));
    std::optional<ServiceResult> result;
    direct.window->service().paintDiy(
        [&wasd](DeviceImage& image) { return fillDiyKeys(image, 1, wasd, Rgb{255, 0, 0}); },
        [&result](const ServiceResult& r) { result = r; });
    while (!result) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    test::waitWhileBusy(direct.window->service());
    ASSERT_TRUE(result->ok()) << result->message;
    expectSameOutcome(socket, direct);

    for (int slot : wasd) EXPECT_EQ(diyKeyColour(socket.keyboard.config(), 1, slot), (Rgb{255, 0, 0}));
    DeviceImage expected = before;
    fillDiyKeys(expected, 1, wasd, Rgb{255, 0, 0});
    EXPECT_EQ(socket.keyboard.config(), expected);
    // The lighting frames around one custom map, and nothing else.
    EXPECT_EQ(writeCommands(socket.keyboard), (std::vector<std::string>{"08", "12", "08"}));
    EXPECT_FALSE(socket.window->hasUnsavedChanges());

    // One undo takes the four keys back; the window then holds them unsaved.
    socket.window->undo();
    EXPECT_EQ(socket.state->image, before);
    EXPECT_FALSE(socket.window->history().canUndo());

    // A paint that changes nothing writes nothing and keeps no undo step.
    direct.keyboard.clearRecord();
    EXPECT_EQ(direct.socket("diy\tset\t2\tW=#FF0000"), std::make_pair(0, std::string("DIY2: nothing changed.")));
    EXPECT_TRUE(direct.keyboard.events().empty());
    direct.window->undo();
    EXPECT_FALSE(direct.window->history().canUndo());
}

TEST(FrontEnds, SetAndCopyThroughTheSocketChangeTheMapsBytes) {
    Program p;
    EXPECT_EQ(p.socket("diy\tset\t1\tEsc=#010203\tkeypad 1=#A0B0C0").first, 0);
    EXPECT_EQ(p.socket("diy\tcopy\t1\t5").second, "DIY5: 2 keys changed.");
    const DeviceImage& kb = p.keyboard.config();
    const uint8_t esc[4] = {0, 1, 2, 3};
    EXPECT_EQ(0, std::memcmp(kb.diyMaps[4] + SlotCellOffset[0], esc, 4));
    EXPECT_EQ(0, std::memcmp(kb.diyMaps[0], kb.diyMaps[4], kDiyMapBytes));
    EXPECT_TRUE(p.keyboard.violations().empty());
}

TEST(FrontEnds, PaintsTheProgramRefusesLeaveTheKeyboardAlone) {
    const struct {
        const char* what;
        std::function<void(Program&)> prepare;
        QByteArray request;
        int exitCode;
        const char* named;
    } cases[] = {
        {"unsaved edits", [](Program& p) { p.state->image.ledSpeed = 2; }, "diy\tset\t1\tW=#FF0000", 1, "unsaved"},
        {"no keyboard", [](Program& p) { p.window->deviceRemoved(); }, "diy\tfill\t1\tall\t#FF0000", 3, "keyboard"},
        {"a media key", [](Program&) {}, "diy\tset\t1\tMute=#FF0000", 2, "'Mute'"},
        {"a sixth map", [](Program&) {}, "diy\tcopy\t1\t6", 2, "'6'"},
        {"a missing picture", [](Program&) {}, "diy\timport\t1\t@/missing.png", 6, "no such file"},
        {"show, which the tool does itself", [](Program&) {}, "diy\tshow\t1", 2, "set, fill"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Program p;
        c.prepare(p);
        QByteArray request = c.request;
        request.replace('@', p.data.path().string().c_str());
        const auto [code, message] = p.socket(request);
        EXPECT_EQ(code, c.exitCode);
        EXPECT_NE(message.find(c.named), std::string::npos) << message;
        EXPECT_TRUE(p.keyboard.events().empty());
    }
}

TEST(FrontEnds, RequestsOfBothFrontEndsWaitForATransferAndRunInTurn) {
    // A save of the window's runs; a socket and a D-Bus request arrive
    // meanwhile. Each waits in the service's queue and then runs alone.
    Program p;
    p.state->image.ledSpeed = 2;
    p.window->service().save();
    ASSERT_TRUE(p.window->busy());
    std::optional<QByteArray> socketAnswer;
    std::optional<DBusOutcome> dbusAnswer;
    p.handler->handle("set\tbrightness=5", [&](const QByteArray& line) { socketAnswer = line; });
    p.bridge->setSettings({"brightness=6"}, [&](const DBusOutcome& o) { dbusAnswer = o; });
    EXPECT_FALSE(socketAnswer);
    EXPECT_FALSE(dbusAnswer);
    while (!socketAnswer || !dbusAnswer) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    test::waitWhileBusy(p.window->service());
    EXPECT_EQ(*socketAnswer, "0\t");
    EXPECT_TRUE(dbusAnswer->errorName.isEmpty());
    EXPECT_EQ(p.keyboard.config().ledSpeed, 2);
    EXPECT_EQ(p.keyboard.config().ledBrightness, 6);
    EXPECT_TRUE(p.keyboard.violations().empty());
}

}  // namespace
}  // namespace vandrel

// Profiles that follow the focused window, in the program: the window on the
// simulated keyboard, a desktop that reports focus changes, the rules in a
// settings file that another process may edit.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QSignalSpy>
#include <QTest>

#include "app/ui/CRulesDlg.h"
#include "app/ui/CTarvinDlg.h"
#include "app/ui/ProfileSwitchController.h"
#include "device/Clock.h"
#include "device/DeviceSession.h"
#include "keymap/KeymapFile.h"
#include "platform/focus/FocusBackend.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualClock.h"
#include "util/AtomicFile.h"
#include "tests/app/TempFolder.h"

namespace vandrel {
namespace {

// A desktop the test speaks for.
class ScriptedDesktop : public FocusBackend {
public:
    QString name() const override { return QStringLiteral("test"); }
    bool start(QString*) override { return true; }
    KeyState keyState() override { return keys; }
    void focus(const char* cls) {
        FocusEvent e;
        e.windowClass = cls;
        emit focusChanged(e);
    }
    KeyState keys = KeyState::Free;
};

class ProfileSwitchTest : public ::testing::Test {
protected:
    ProfileSwitchTest() : keyboard(keyboardClock), session(keyboard, keyboardClock), state(std::make_unique<AppState>()) {}

    void SetUp() override {
        WindowPaths paths;
        paths.programFolder = QString::fromStdString(data.path().string());
        paths.dataFolder = data.path();
        window = std::make_unique<CTarvinDlg>(*state, session, paths);
        window->hooks().warn = [](QWidget*, const QString&, const QString&) {};
        window->initialise();
        window->waitWhileBusy();
        start = state->shadow;
        writeProfile("FPS", 40);
        settingsFile = QString::fromStdString((data.path() / "Vandrel.conf").string());
        RuleSet rules;
        rules.rules = {{"shooter", "", "", "FPS"}};
        RuleSettings(settingsFile).setRules(rules);
        controller = std::make_unique<ProfileSwitchController>(
            *window, clock, QString::fromStdString((data.path() / "Configure").string()), RuleSettings(settingsFile));
        auto backend = std::make_unique<ScriptedDesktop>();
        desktop = backend.get();
        controller->start(std::move(backend), QStringLiteral("test"));
    }
    void TearDown() override { window->shutDown(); }

    void writeProfile(const char* name, uint8_t brightness) {
        auto profile = std::make_unique<AppState>();
        profile->image = state->shadow;
        profile->image.ledBrightness = brightness;
        profile->keys = state->shadowKeys;
        std::filesystem::create_directories(data.path() / "Configure");
        ASSERT_TRUE(WriteConfigurationFile(data.path() / "Configure" / (std::string(name) + ".bin"), profile->image,
                                           profile->keys));
    }
    bool brightnessBecomes(uint8_t value, int ms = 3000) {
        return QTest::qWaitFor([&] { return keyboard.config().ledBrightness == value && !window->busy(); }, ms);
    }

    test::TempFolder data;
    VirtualClock keyboardClock;
    RealClock clock;
    SimKeyboard keyboard;
    DeviceSession session;
    std::unique_ptr<AppState> state;
    std::unique_ptr<CTarvinDlg> window;
    DeviceImage start{};
    QString settingsFile;
    std::unique_ptr<ProfileSwitchController> controller;
    ScriptedDesktop* desktop = nullptr;
};

TEST_F(ProfileSwitchTest, TheFocusedGameGetsItsProfileAndTheProgramsWindowTheConfigurationBefore) {
    QSignalSpy applied(controller.get(), &ProfileSwitchController::profileApplied);
    desktop->focus("shooter");
    EXPECT_EQ(controller->status().focusClass, "shooter");  // the rules window shows it
    ASSERT_TRUE(brightnessBecomes(40));
    EXPECT_EQ(state->image.ledBrightness, 40);  // the window shows it
    EXPECT_FALSE(window->hasUnsavedChanges());
    // No history snapshot and no undo step for a switch.
    EXPECT_FALSE(std::filesystem::exists(data.path() / "History"));
    EXPECT_FALSE(window->history().canUndo());

    desktop->focus("Vandrel");
    ASSERT_TRUE(brightnessBecomes(start.ledBrightness));
    EXPECT_EQ(keyboard.config(), start);
    ASSERT_EQ(applied.count(), 2);
    EXPECT_EQ(applied[0][0].toString(), QStringLiteral("FPS"));
    EXPECT_EQ(applied[0][1].toString(), QStringLiteral("rule"));
    EXPECT_EQ(applied[1][1].toString(), QStringLiteral("revert"));
    EXPECT_EQ(controller->totalWrites(), 2);
}

TEST_F(ProfileSwitchTest, UnsavedEditsAndHeldKeysHoldTheSwitch) {
    state->image.ledSpeed = 3;  // an edit in the window, not saved
    desktop->focus("shooter");
    QTest::qWait(600);
    EXPECT_EQ(controller->switcher().hold(), SwitchHold::UnsavedChanges);
    EXPECT_NE(keyboard.config().ledBrightness, 40);
    state->image = state->shadow;  // cancelled
    desktop->keys = KeyState::Held;
    QTest::qWait(600);
    EXPECT_EQ(controller->switcher().hold(), SwitchHold::KeyHeld);
    EXPECT_NE(keyboard.config().ledBrightness, 40);
    desktop->keys = KeyState::Free;
    ASSERT_TRUE(brightnessBecomes(40));
}

TEST_F(ProfileSwitchTest, RulesEditedByAnotherProcessAreFollowed) {
    writeProfile("Night", 7);
    RuleSet rules = RuleSettings(settingsFile).rules();
    rules.rules.push_back({"browser", "", "", "Night"});
    ASSERT_TRUE(RuleSettings(settingsFile).setRules(rules));  // as vandrelctl rule add does
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->switcher().rules().rules.size() == 2; }, 3000));
    desktop->focus("browser");
    ASSERT_TRUE(brightnessBecomes(7));
}

TEST_F(ProfileSwitchTest, AChangeMadeWhileAGameHasTheFocusStays) {
    desktop->focus("shooter");
    ASSERT_TRUE(brightnessBecomes(40));
    // vandrelctl set, or a save in the window, while the game has the focus.
    bool saved = false;
    window->saveExternalChange([](AppState& s) { s.image.ledBrightness = 22; }, [&](const WriteResult&) { saved = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return saved && !window->busy(); }, 3000));
    QTest::qWait(500);
    EXPECT_EQ(keyboard.config().ledBrightness, 22);
    // It is what the keyboard goes back to after the next switch.
    desktop->focus("editor");
    desktop->focus("shooter");
    ASSERT_TRUE(brightnessBecomes(40));
    desktop->focus("editor");
    ASSERT_TRUE(brightnessBecomes(22));
}

// A switch has nobody to ask: a profile the keyboard cannot take (an old
// blank one, an impossible value, every key disabled) is not written, and
// the rules window has the reason.
TEST_F(ProfileSwitchTest, AProfileTheKeyboardCannotTakeIsNotSwitchedTo) {
    const auto profilePath = [&](const char* name) { return data.path() / "Configure" / (std::string(name) + ".bin"); };
    const std::vector<uint8_t> blank(sizeof(DeviceImage), 0);
    ASSERT_EQ(writeFileAtomic(profilePath("Blank"), {{blank.data(), blank.size()}}), FileResult::Ok);
    auto bad = std::make_unique<AppState>();
    bad->image = state->shadow;
    bad->image.ledEffect = 200;
    ASSERT_TRUE(WriteConfigurationFile(profilePath("Bad"), bad->image, state->shadowKeys));
    bad->image = state->shadow;
    std::fill(std::begin(bad->image.keyMask), std::end(bad->image.keyMask), 0);
    ASSERT_TRUE(WriteConfigurationFile(profilePath("NoKeys"), bad->image, state->shadowKeys));
    RuleSet rules = RuleSettings(settingsFile).rules();
    rules.rules.push_back({"blank", "", "", "Blank"});
    rules.rules.push_back({"bad", "", "", "Bad"});
    rules.rules.push_back({"nokeys", "", "", "NoKeys"});
    ASSERT_TRUE(RuleSettings(settingsFile).setRules(rules));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->switcher().rules().rules.size() == 4; }, 3000));

    for (const char* cls : {"blank", "bad", "nokeys"}) {
        desktop->focus(cls);
        ASSERT_TRUE(QTest::qWaitFor([&] { return controller->switcher().hold() == SwitchHold::Failed; }, 3000)) << cls;
        EXPECT_FALSE(controller->switcher().failure().empty()) << cls;
        QTest::qWait(300);
        EXPECT_EQ(keyboard.config(), start) << cls;
        EXPECT_EQ(state->image, start) << cls;
        // A profile the keyboard takes still switches afterwards.
        desktop->focus("shooter");
        ASSERT_TRUE(brightnessBecomes(40)) << cls;
        desktop->focus("Vandrel");
        ASSERT_TRUE(brightnessBecomes(start.ledBrightness)) << cls;
    }
}

TEST_F(ProfileSwitchTest, TheRulesWindowStoresRulesAndSaysWhyASwitchWaits) {
    writeProfile("Night", 7);
    CRulesDlg rules(*controller);
    ASSERT_EQ(rules.table()->rowCount(), 1);
    ASSERT_EQ(rules.profileBox()->count(), 2);
    // Without a class nothing is stored, and the window says why.
    rules.profileBox()->setCurrentText(QStringLiteral("Night"));
    rules.addFromForm();
    EXPECT_FALSE(rules.messageLabel()->text().isEmpty());
    rules.classField()->setText(QStringLiteral("browser"));
    rules.titleField()->setText(QStringLiteral("Twitch"));
    rules.addFromForm();
    EXPECT_TRUE(rules.messageLabel()->text().isEmpty());
    EXPECT_EQ(rules.table()->rowCount(), 2);
    // Stored at once, where vandrelctl rule list reads them, and followed.
    const RuleSet stored = RuleSettings(settingsFile).rules();
    ASSERT_EQ(stored.rules.size(), 2u);
    EXPECT_EQ(stored.rules[1], (ProfileRule{"browser", "Twitch", "", "Night"}));
    rules.defaultBox()->setCurrentIndex(rules.defaultBox()->findData(QStringLiteral("FPS")));
    EXPECT_EQ(RuleSettings(settingsFile).rules().defaultProfile, "FPS");
    EXPECT_EQ(controller->switcher().rules().defaultProfile, "FPS");

    // A switch held by unsaved edits is explained in the status box.
    state->image.ledSpeed = 3;
    desktop->focus("shooter");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return rules.statusLabel()->text().contains(QStringLiteral("未保存")); }, 3000));
    EXPECT_TRUE(rules.statusLabel()->text().contains(QStringLiteral("test")));
}

}  // namespace
}  // namespace vandrel

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// Profiles that follow the focused window, in the program: the window on the
// simulated keyboard, a desktop that reports focus changes, the rules in a
// settings file that another process may edit.

#include <gtest/gtest.h>

#include <cmath>

#include <QApplication>
#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QSignalSpy>
#include <QTest>

#include "app/ui/CRulesDlg.h"
#include "app/ui/CTarvinDlg.h"
#include "app/frontends/ProfileSwitchController.h"
#include "app/ui/access/Accessibility.h"
#include "platform/UiTheme.h"
#include "device/Clock.h"
#include "device/DeviceSession.h"
#include "keymap/KeymapFile.h"
#include "platform/focus/FocusBackend.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualClock.h"
#include "util/AtomicFile.h"
#include "tests/app/TempFolder.h"
#include "tests/support/ScriptedDesktop.h"
#include "tests/support/QuietWindow.h"
#include "tests/support/WaitWhileBusy.h"

namespace vandrel {
namespace {

class ProfileSwitchTest : public ::testing::Test {
protected:
    ProfileSwitchTest() : keyboard(keyboardClock), session(keyboard, keyboardClock), state(std::make_unique<AppState>()) {}

    void SetUp() override {
        openWindow();
        start = state->shadow;
        startKeys = state->shadowKeys;
        writeProfile("FPS", 40);
        settingsFile = QString::fromStdString((data.path() / "Vandrel.conf").string());
        RuleSet rules;
        rules.rules = {{"shooter", "", "", "FPS"}};
        RuleSettings(settingsFile).setRules(rules);
        startSwitching();
    }
    void TearDown() override { window->shutDown(); }

    void openWindow() {
        window = test::startQuietWindow(*state, session, data.path());
    }
    void startSwitching() {
        controller = std::make_unique<ProfileSwitchController>(
            window->service(), clock, QString::fromStdString((data.path() / "Configure").string()), data.path(),
            RuleSettings(settingsFile));
        auto backend = std::make_unique<test::ScriptedDesktop>();
        desktop = backend.get();
        controller->start(std::move(backend), QStringLiteral("test"));
    }
    // The program ends without a word (kill -9, or a SIGTERM, which leaves
    // the keyboard as it is) and starts again on the same keyboard and files.
    void restartProgram() {
        controller.reset();
        window->shutDown();
        window.reset();
        state = std::make_unique<AppState>();
        openWindow();
        startSwitching();
    }

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
    KeyRecordTable startKeys{};
    QString settingsFile;
    std::unique_ptr<ProfileSwitchController> controller;
    test::ScriptedDesktop* desktop = nullptr;
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

// The relative luminance of a colour, as contrast ratios are computed.
double luminance(const QColor& c) {
    const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

TEST_F(ProfileSwitchTest, TheRulesWindowNamesItsControlsAndItsCloseIconShowsOnTheDarkLook) {
    installAccessibility();
    const QPalette before = QApplication::palette();
    QApplication::setPalette(skinPalette());
    writeProfile("Night", 7);
    CRulesDlg rules(*controller);
    rules.profileBox()->setCurrentText(QStringLiteral("Night"));
    const auto name = [](QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
    // Named by their labels, not by the profile they show.
    EXPECT_EQ(name(rules.profileBox()), QString::fromUtf8("配置"));
    EXPECT_EQ(name(rules.defaultBox()), QString::fromUtf8("其他窗口"));
    EXPECT_FALSE(name(rules.table()).isEmpty());
    QAccessibleInterface* profile = QAccessible::queryAccessibleInterface(rules.profileBox());
    EXPECT_EQ(profile->text(QAccessible::Value), QStringLiteral("Night"));
    ASSERT_NE(profile->textInterface(), nullptr);
    EXPECT_EQ(profile->textInterface()->text(0, -1), QStringLiteral("Night"));

    auto* box = rules.findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    QPushButton* close = box->button(QDialogButtonBox::Close);
    ASSERT_NE(close, nullptr);
    const QImage icon = close->icon().pixmap(16, 16).toImage();
    ASSERT_FALSE(icon.isNull());
    // The icon's strongest contrast with the button's face, over its opaque pixels.
    const double face = luminance(close->palette().color(QPalette::Button));
    double best = 1;
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x) {
            const QColor c = icon.pixelColor(x, y);
            if (c.alpha() < 200) continue;
            const double l = luminance(c);
            best = std::max(best, (std::max(l, face) + 0.05) / (std::min(l, face) + 0.05));
        }
    EXPECT_GE(best, 4.5);
    QApplication::setPalette(before);
}

// A restart while a rule's profile is on the keyboard (a logout's SIGTERM,
// kill -9) must not make that profile the user's configuration.
TEST_F(ProfileSwitchTest, ARestartWhileARulesProfileIsOnTheKeyboardGivesTheUsersConfigurationBack) {
    desktop->focus("shooter");
    ASSERT_TRUE(brightnessBecomes(40));
    const std::filesystem::path kept = ProfileSwitchController::returnFile(data.path());
    EXPECT_TRUE(std::filesystem::exists(kept));
    restartProgram();
    // Back before any focus is reported, records included; the file goes.
    ASSERT_TRUE(brightnessBecomes(start.ledBrightness));
    EXPECT_EQ(keyboard.config(), start);
    EXPECT_TRUE(state->shadowKeys == startKeys);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !std::filesystem::exists(kept); }, 3000));
    EXPECT_FALSE(controller->switcher().switched());

    // Killed again while switched, and started with the game still focused:
    // the way back stays on disk until it is used.
    desktop->focus("shooter");
    ASSERT_TRUE(brightnessBecomes(40));
    restartProgram();
    desktop->focus("shooter");
    QTest::qWait(600);
    ASSERT_TRUE(brightnessBecomes(40));
    EXPECT_TRUE(std::filesystem::exists(kept));
    desktop->focus("editor");
    ASSERT_TRUE(brightnessBecomes(start.ledBrightness));
    EXPECT_EQ(keyboard.config(), start);
    EXPECT_FALSE(std::filesystem::exists(kept));
    // The switches' writes were kept for the limit of the next run.
    std::vector<uint8_t> log;
    ASSERT_EQ(readFilePrefix(data.path() / "SwitchWrites.txt", 4096, log), FileResult::Ok);
    EXPECT_GE(std::count(log.begin(), log.end(), '\n'), 3);
}

// A save of the user's own while switched is the configuration to return to:
// nothing from before it comes back at the next start.
TEST_F(ProfileSwitchTest, AChangeOfTheUsersWhileSwitchedIsNotUndoneByARestart) {
    desktop->focus("shooter");
    ASSERT_TRUE(brightnessBecomes(40));
    bool saved = false;
    window->saveExternalChange([](AppState& s) { s.image.ledBrightness = 22; }, [&](const WriteResult&) { saved = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return saved && !window->busy(); }, 3000));
    QTest::qWait(200);
    EXPECT_FALSE(std::filesystem::exists(ProfileSwitchController::returnFile(data.path())));
    restartProgram();
    QTest::qWait(600);
    EXPECT_EQ(keyboard.config().ledBrightness, 22);
}

// A rule whose profile was deleted: the window counts as unmatched (the
// user's configuration comes back) and the reason is told everywhere.
TEST_F(ProfileSwitchTest, ARuleWhoseProfileIsGoneGivesTheUsersConfigurationAndSaysWhy) {
    writeProfile("Night", 7);
    RuleSet rules = RuleSettings(settingsFile).rules();
    rules.rules.push_back({"browser", "", "", "Night"});
    ASSERT_TRUE(RuleSettings(settingsFile).setRules(rules));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->switcher().rules().rules.size() == 2; }, 3000));
    std::filesystem::remove(data.path() / "Configure" / "Night.bin");
    QSignalSpy missing(controller.get(), &ProfileSwitchController::ruleProfileMissing);

    desktop->focus("shooter");
    ASSERT_TRUE(brightnessBecomes(40));
    desktop->focus("browser");
    ASSERT_TRUE(brightnessBecomes(start.ledBrightness));
    EXPECT_EQ(keyboard.config(), start);
    ASSERT_GE(missing.count(), 1);
    EXPECT_EQ(missing[0][0].toString(), QStringLiteral("Night"));
    EXPECT_NE(controller->switcher().hold(), SwitchHold::Failed);

    CRulesDlg dialog(*controller);
    EXPECT_TRUE(dialog.statusLabel()->text().contains(QStringLiteral("Night"))) << dialog.statusLabel()->text().toStdString();
    ASSERT_EQ(dialog.table()->rowCount(), 2);
    EXPECT_TRUE(dialog.table()->item(0, 3)->toolTip().isEmpty());
    EXPECT_FALSE(dialog.table()->item(1, 3)->toolTip().isEmpty());
    EXPECT_TRUE(dialog.table()->item(1, 3)->text().contains(QStringLiteral("不存在")));
}

TEST_F(ProfileSwitchTest, EnterInTheRulesWindowRemovesNothingAndRemoveAsks) {
    writeProfile("Night", 7);
    CRulesDlg dialog(*controller);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) EXPECT_FALSE(b->isDefault()) << b->text().toStdString();
    dialog.table()->setFocus();
    dialog.table()->selectRow(0);
    QTest::keyClick(dialog.table(), Qt::Key_Return);
    QTest::keyClick(dialog.table(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(dialog.table()->rowCount(), 1);
    EXPECT_EQ(RuleSettings(settingsFile).rules().rules.size(), 1u);

    QString asked;
    bool answer = false;
    dialog.confirmRemove = [&](QWidget*, const QString& question) {
        asked = question;
        return answer;
    };
    dialog.removeSelected();
    EXPECT_TRUE(asked.contains(QStringLiteral("shooter")));
    EXPECT_EQ(RuleSettings(settingsFile).rules().rules.size(), 1u);
    answer = true;
    dialog.removeSelected();
    EXPECT_TRUE(RuleSettings(settingsFile).rules().rules.empty());
    EXPECT_EQ(dialog.table()->rowCount(), 0);
}

// vandrelctl rule add while the rules window is open: the window shows the
// new rule, and its next edit is made to the file's list, not its own.
TEST_F(ProfileSwitchTest, TheRulesWindowFollowsTheFileAndNeverWritesAnOlderList) {
    writeProfile("Night", 7);
    CRulesDlg dialog(*controller);
    dialog.show();
    const auto addElsewhere = [&](ProfileRule r) {
        RuleSet rules = RuleSettings(settingsFile).rules();
        rules.rules.push_back(r);
        ASSERT_TRUE(RuleSettings(settingsFile).setRules(rules));
    };
    addElsewhere({"browser", "", "", "Night"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.table()->rowCount() == 2; }, 3000));
    EXPECT_EQ(dialog.table()->item(1, 0)->text(), QStringLiteral("browser"));

    // Added elsewhere just before an edit in the window, before any notice.
    addElsewhere({"editor", "", "", "FPS"});
    dialog.classField()->setText(QStringLiteral("mail"));
    dialog.profileBox()->setCurrentText(QStringLiteral("Night"));
    dialog.addFromForm();
    RuleSet stored = RuleSettings(settingsFile).rules();
    ASSERT_EQ(stored.rules.size(), 4u);
    EXPECT_EQ(stored.rules[2].windowClass, "editor");
    EXPECT_EQ(stored.rules[3].windowClass, "mail");
    EXPECT_EQ(dialog.table()->rowCount(), 4);

    // Removing a rule another program moved meanwhile removes that rule.
    dialog.confirmRemove = [](QWidget*, const QString&) { return true; };
    dialog.table()->selectRow(1);  // browser
    RuleSet reordered = stored;
    std::swap(reordered.rules[0], reordered.rules[1]);
    ASSERT_TRUE(RuleSettings(settingsFile).setRules(reordered));
    dialog.removeSelected();
    stored = RuleSettings(settingsFile).rules();
    ASSERT_EQ(stored.rules.size(), 3u);
    EXPECT_EQ(stored.rules[0].windowClass, "shooter");
    EXPECT_EQ(stored.rules[1].windowClass, "editor");
}

}  // namespace
}  // namespace vandrel

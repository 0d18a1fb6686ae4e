// Profiles that follow the focused window, on the simulated keyboard with a
// virtual clock: which rule matches, when a switch is written, what it
// writes, and what it waits for.

#include <gtest/gtest.h>

#include <map>

#include "device/DeviceSession.h"
#include "profile/ProfileRules.h"
#include "profile/ProfileSwitcher.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualClock.h"

namespace vandrel {
namespace {

FocusEvent window(const char* cls, const char* title = "", const char* exe = "", const char* instance = "") {
    FocusEvent f;
    f.windowClass = cls;
    f.title = title;
    f.exe = exe;
    f.instance = instance;
    return f;
}

FocusEvent desktop() {
    FocusEvent f;
    f.isDesktop = true;
    return f;
}

TEST(ProfileRules, WhichWindowsARuleMatches) {
    const ProfileRule byClass{"xmessage", "", "", "FPS"};
    EXPECT_TRUE(ruleMatches(byClass, window("Xmessage")));
    EXPECT_TRUE(ruleMatches(byClass, window("Other", "", "", "xmessage")));  // the instance name
    EXPECT_FALSE(ruleMatches(byClass, window("xmessage2")));
    EXPECT_FALSE(ruleMatches(byClass, desktop()));

    const ProfileRule byTitle{"steam_app_1", "counter.*strike", "", "FPS"};
    EXPECT_TRUE(ruleMatches(byTitle, window("steam_app_1", "Counter-Strike 2")));
    EXPECT_FALSE(ruleMatches(byTitle, window("steam_app_1", "Steam")));

    const ProfileRule byPath{"game", "", "/opt/game/bin/game", "FPS"};
    const ProfileRule byName{"game", "", "game", "FPS"};
    EXPECT_TRUE(ruleMatches(byPath, window("game", "", "/opt/game/bin/game")));
    EXPECT_FALSE(ruleMatches(byPath, window("game", "", "/usr/bin/game")));
    EXPECT_TRUE(ruleMatches(byName, window("game", "", "/usr/bin/game")));
    // A desktop that cannot tell the executable matches no rule that names one.
    EXPECT_FALSE(ruleMatches(byName, window("game")));

    RuleSet set;
    set.rules = {byTitle, {"steam_app_1", "", "", "Other"}};
    EXPECT_EQ(matchingRule(set, window("steam_app_1", "Counter-Strike 2")), 0);
    EXPECT_EQ(matchingRule(set, window("steam_app_1", "Steam")), 1);
    EXPECT_EQ(matchingRule(set, window("firefox")), -1);

    EXPECT_EQ(ruleProblem(byTitle), "");
    EXPECT_NE(ruleProblem({"game", "(unclosed", "", "FPS"}), "");
    EXPECT_NE(ruleProblem({"", "", "", "FPS"}), "");
    EXPECT_NE(ruleProblem({"game", "", "", ""}), "");
    EXPECT_EQ(describeRule({"steam_app_1", "Counter Strike", "", "FPS"}),
              "--class steam_app_1 --title 'Counter Strike' --profile FPS");
}

// The switcher driving the simulated keyboard, as the program drives it:
// each request is written with writeAll against the keyboard's configuration.
class SwitchingTest : public ::testing::Test {
protected:
    SwitchingTest() : keyboard(clock), session(keyboard, clock), switcher(clock) {}

    void SetUp() override {
        ASSERT_TRUE(session.openChannels().commandOpened);
        FirmwareVersion firmware;
        shadow.clear();
        ASSERT_EQ(session.initialRead(shadow, firmware), TransferOutcome::Completed);
        start = shadow;
        // Profiles that differ from the keyboard only in their lighting.
        profiles["FPS"] = start;
        profiles["FPS"].ledBrightness = 40;
        profiles["MOBA"] = start;
        profiles["MOBA"].ledEffect = 2;
        profiles["Desk"] = start;
        profiles["Desk"].ledBrightness = 5;
        RuleSet rules;
        rules.rules = {{"shooter", "", "", "FPS"}, {"arena", "", "", "MOBA"}, {"broken", "", "", "Missing"}};
        switcher.setRules(rules);
        keyboard.clearRecord();
    }
    void TearDown() override { session.closeChannels(); }

    // Moves time on by `ms`, carrying out every request when it is due.
    void run(int64_t ms) {
        const int64_t end = clock.nowMs() + ms;
        for (;;) {
            const int64_t next = switcher.nextPollMs();
            if (next < 0 || next > end) break;
            if (next > clock.nowMs()) clock.sleepMs(next - clock.nowMs());
            if (auto request = switcher.poll(conditions)) carryOut(*request);
        }
        if (end > clock.nowMs()) clock.sleepMs(end - clock.nowMs());
    }

    void carryOut(const SwitchRequest& r) {
        requests.push_back(r);
        if (r.keepConfiguration) kept = shadow;
        if (!r.revert && !profiles.count(r.profile)) {
            switcher.finished(SwitchOutcome::Failed, "no profile " + r.profile);
            return;
        }
        DeviceImage next = r.revert ? kept : profiles[r.profile];
        firstWriteMs.push_back(clock.nowMs());
        const WriteResult w = session.writeAll(next, shadow);
        switcher.finished(!w.ok() ? SwitchOutcome::Failed
                                  : w.stepsTotal ? SwitchOutcome::Written : SwitchOutcome::NothingToWrite);
    }

    int blocksWritten() const {
        int n = 0;
        for (const SimEvent& e : keyboard.events()) n += e.kind == SimEvent::Kind::WriteBlock;
        return n;
    }

    VirtualClock clock;
    SimKeyboard keyboard;
    DeviceSession session;
    ProfileSwitcher switcher;
    SwitchConditions conditions;
    ShadowImage shadow{};
    DeviceImage start{};
    DeviceImage kept{};
    std::map<std::string, DeviceImage> profiles;
    std::vector<SwitchRequest> requests;
    std::vector<int64_t> firstWriteMs;
};

TEST_F(SwitchingTest, AMatchedWindowGetsItsProfileAndAnyOtherWindowTheConfigurationBefore) {
    const int64_t focusedAt = clock.nowMs();
    switcher.focusChanged(window("shooter"));
    run(1000);
    EXPECT_EQ(keyboard.config().ledBrightness, 40);
    ASSERT_EQ(firstWriteMs.size(), 1u);
    EXPECT_LE(firstWriteMs[0] - focusedAt, 300);
    // Only the lighting differs, so no bulk section is written.
    EXPECT_EQ(blocksWritten(), 0);
    EXPECT_EQ(switcher.activeProfile(), "FPS");

    // From one game to the other, then to a window no rule names: back to
    // what the keyboard held before the first switch, not to the first game's.
    switcher.focusChanged(window("arena"));
    run(1000);
    EXPECT_EQ(keyboard.config().ledEffect, 2);
    EXPECT_EQ(keyboard.config().ledBrightness, start.ledBrightness);
    switcher.focusChanged(window("editor"));
    run(1000);
    EXPECT_EQ(keyboard.config(), start);
    EXPECT_FALSE(switcher.switched());
    EXPECT_EQ(switcher.writes(), 3);

    // The desktop reverts too; with a default profile, that one is applied instead.
    switcher.focusChanged(window("shooter"));
    run(1000);
    switcher.focusChanged(desktop());
    run(1000);
    EXPECT_EQ(keyboard.config(), start);
    RuleSet withDefault = switcher.rules();
    withDefault.defaultProfile = "Desk";
    switcher.setRules(withDefault);
    run(1000);
    EXPECT_EQ(keyboard.config().ledBrightness, 5);
    EXPECT_EQ(requests.back().reason, SwitchReason::Default);
}

TEST_F(SwitchingTest, ASwitchWaitsUntilNoKeyIsHeld) {
    conditions.keys = KeyState::Held;
    switcher.focusChanged(window("shooter"));
    run(3000);
    EXPECT_TRUE(keyboard.events().empty());
    EXPECT_EQ(switcher.hold(), SwitchHold::KeyHeld);
    const int64_t releasedAt = clock.nowMs();
    conditions.keys = KeyState::Free;
    run(1000);
    EXPECT_EQ(keyboard.config().ledBrightness, 40);
    ASSERT_EQ(firstWriteMs.size(), 1u);
    EXPECT_LE(firstWriteMs[0] - releasedAt, 20);

    // Where held keys cannot be seen, the focus must have rested a while.
    conditions.keys = KeyState::Unknown;
    const int64_t focusedAt = clock.nowMs();
    switcher.focusChanged(window("editor"));
    run(1000);
    ASSERT_EQ(firstWriteMs.size(), 2u);
    EXPECT_GE(firstWriteMs[1] - focusedAt, 250);
    EXPECT_LE(firstWriteMs[1] - focusedAt, 300);
}

TEST_F(SwitchingTest, RapidFocusChangesAreCoalesced) {
    // Alt+Tab through several windows: only where it stops counts.
    for (const char* cls : {"shooter", "arena", "editor", "shooter", "broken", "arena"}) {
        switcher.focusChanged(window(cls));
        run(30);
    }
    run(1000);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].profile, "MOBA");
    EXPECT_EQ(switcher.writes(), 1);

    // Away and straight back: nothing is written at all.
    keyboard.clearRecord();
    switcher.focusChanged(window("editor"));
    run(40);
    switcher.focusChanged(window("arena"));
    run(1000);
    EXPECT_TRUE(keyboard.events().empty());

    // A burst that never rests is still decided within its longest wait.
    const int64_t burstStart = clock.nowMs();
    for (int i = 0; i < 20; ++i) {
        switcher.focusChanged(window(i % 2 ? "shooter" : "editor"));
        run(50);
    }
    ASSERT_GE(firstWriteMs.size(), 2u);
    EXPECT_LE(firstWriteMs[1] - burstStart, 300);
}

TEST_F(SwitchingTest, WritesAreLimitedAndCounted) {
    // Twelve writes in ten minutes; the thirteenth waits until the oldest is
    // ten minutes old, and then the window focused by then gets its profile.
    for (int i = 0; i < 12; ++i) {
        switcher.focusChanged(window(i % 2 ? "editor" : "shooter"));
        run(1000);
    }
    EXPECT_EQ(switcher.writes(), 12);
    switcher.focusChanged(window("shooter"));
    run(1000);
    switcher.focusChanged(window("arena"));
    run(60'000);
    EXPECT_EQ(switcher.writes(), 12);
    EXPECT_EQ(switcher.hold(), SwitchHold::WriteLimit);
    EXPECT_EQ(keyboard.config(), start);
    run(10 * 60'000);
    EXPECT_EQ(switcher.writes(), 13);
    EXPECT_EQ(keyboard.config().ledEffect, 2);
}

TEST_F(SwitchingTest, NoSwitchWhileTheWindowHasUnsavedChangesOrTheKeyboardIsBusyOrAbsent) {
    for (auto [hold, set] : std::vector<std::pair<SwitchHold, bool SwitchConditions::*>>{
             {SwitchHold::UnsavedChanges, &SwitchConditions::unsaved}, {SwitchHold::Busy, &SwitchConditions::busy}}) {
        conditions.*set = true;
        switcher.focusChanged(window(switcher.switched() ? "editor" : "shooter"));
        run(2000);
        EXPECT_EQ(switcher.hold(), hold);
        EXPECT_TRUE(keyboard.events().empty());
        conditions.*set = false;
        run(1000);
        EXPECT_FALSE(keyboard.events().empty());
        keyboard.clearRecord();
    }
    conditions.ready = false;
    switcher.focusChanged(window("shooter"));
    run(2000);
    EXPECT_EQ(switcher.hold(), SwitchHold::NotReady);
    EXPECT_TRUE(keyboard.events().empty());
}

TEST_F(SwitchingTest, AChangeMadeElsewhereIsKeptAndBecomesWhatTheKeyboardReturnsTo) {
    switcher.focusChanged(window("shooter"));
    run(1000);
    // vandrelctl set while the game has the focus: the user's own choice stays.
    DeviceImage chosen = keyboard.config();
    chosen.ledSpeed = 1;
    ASSERT_TRUE(session.writeAll(chosen, shadow).ok());
    switcher.configurationChangedElsewhere();
    run(1000);
    EXPECT_EQ(keyboard.config().ledSpeed, 1);
    EXPECT_FALSE(switcher.switched());
    // The next game switch keeps that configuration to return to.
    switcher.focusChanged(window("arena"));
    run(1000);
    switcher.focusChanged(window("editor"));
    run(1000);
    EXPECT_EQ(keyboard.config(), chosen);
}

TEST_F(SwitchingTest, AFailedSwitchIsNotRetriedUntilTheFocusMoves) {
    switcher.focusChanged(window("broken"));
    run(5000);
    EXPECT_EQ(requests.size(), 1u);
    EXPECT_EQ(switcher.hold(), SwitchHold::Failed);
    EXPECT_EQ(switcher.failure(), "no profile Missing");
    switcher.focusChanged(window("broken", "another title"));
    run(1000);
    EXPECT_EQ(requests.size(), 2u);
    switcher.focusChanged(window("shooter"));
    run(1000);
    EXPECT_EQ(keyboard.config().ledBrightness, 40);
    EXPECT_EQ(switcher.failure(), "");
}

TEST_F(SwitchingTest, SwitchedOffTheKeyboardGoesBackAndStays) {
    switcher.focusChanged(window("shooter"));
    run(1000);
    switcher.setEnabled(false);
    run(1000);
    EXPECT_EQ(keyboard.config(), start);
    switcher.focusChanged(window("arena"));
    run(1000);
    EXPECT_EQ(keyboard.config(), start);
}

}  // namespace
}  // namespace vandrel

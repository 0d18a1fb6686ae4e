// Profiles that follow the focused window, on the simulated keyboard with a
// virtual clock: which rule matches, when a switch is written, what it
// writes, and what it waits for.

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "device/DeviceSession.h"
#include "profile/OwnDataFiles.h"
#include "profile/ProfileRules.h"
#include "profile/ProfileSwitcher.h"
#include "profile/SwitchWriteLog.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualClock.h"
#include "tests/support/TempFolder.h"

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

// A page sets its own title and anybody can type a pattern: neither may
// hang or crash the program. (A backtracking engine takes 2^30 steps on the
// first case and overflows its stack on the second; the test's time limit
// in CTest turns such a hang into a failure.)
TEST(ProfileRules, HostileTitlesAndPatternsAreMatchedInLinearTime) {
    const ProfileRule nested{"t", "(a+)+$", "", "FPS"};
    EXPECT_EQ(ruleProblem(nested), "");
    EXPECT_FALSE(ruleMatches(nested, window("t", (std::string(30, 'a') + "b").c_str())));
    EXPECT_TRUE(ruleMatches(nested, window("t", std::string(30, 'a').c_str())));

    const ProfileRule alternation{"t", "(a|b)*c", "", "FPS"};
    std::string huge;
    for (int i = 0; i < 60'000; ++i) huge += i % 3 ? 'a' : 'b';
    EXPECT_FALSE(ruleMatches(alternation, window("t", huge.c_str())));
    // Only the start of a title is looked at: a match past it does not count.
    EXPECT_FALSE(ruleMatches(alternation, window("t", (huge + "c").c_str())));
    EXPECT_TRUE(ruleMatches({"t", "^game", "", "FPS"}, window("t", ("Game " + huge).c_str())));

    // The same through a compiled rule set, as the switcher matches.
    RuleSet set;
    set.rules = {nested, alternation, {"t", "", "", "Any"}};
    const RuleMatcher matcher(set);
    const auto none = [](size_t) { return false; };
    EXPECT_EQ(matcher.first(set, window("t", huge.c_str()), none), 2);
    EXPECT_EQ(matcher.first(set, window("t", "xxc"), none), 1);
    EXPECT_EQ(matcher.first(set, window("t", "xxc"), [](size_t i) { return i == 1; }), 2);
}

TEST(ProfileRules, PatternsTheMatcherCannotTakeAreRefusedAndMatchNothing) {
    for (const std::string& pattern : {std::string("(unclosed"), std::string(R"((a)\1)"), std::string("(?=lookahead)"),
                                       std::string("(?<!x)y"), std::string("((a{1000}){1000}){1000}"),
                                       std::string(kMaxPatternBytes + 1, 'a')}) {
        EXPECT_NE(ruleProblem({"t", pattern, "", "FPS"}), "") << pattern;
        // A rule stored by an earlier version with such a pattern is kept, and never matches.
        EXPECT_FALSE(ruleMatches({"t", pattern, "", "FPS"}, window("t", "lookahead (a)a y aaaa"))) << pattern;
    }
    // Letter case aside, as before.
    EXPECT_TRUE(ruleMatches({"t", "counter.*STRIKE", "", "FPS"}, window("t", "Counter-Strike 2")));
}

TEST(ProfileRules, ALongTitleIsCutBetweenCharacters) {
    std::string title;
    for (int i = 0; i < 2000; ++i) title += "\xC3\xA9";  // é, two bytes
    const std::string cut = matchedPartOfTitle(title);
    EXPECT_EQ(cut.size(), kMaxTitleBytes);
    title = "x" + title;  // now the limit falls inside a character
    EXPECT_EQ(matchedPartOfTitle(title).size(), kMaxTitleBytes - 1);
    EXPECT_TRUE(ruleMatches({"t", "^xé+$", "", "FPS"}, window("t", title.c_str())));
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
            switcher.finished(missingIsReported ? SwitchOutcome::ProfileMissing : SwitchOutcome::Failed,
                              "no profile " + r.profile);
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
    bool missingIsReported = false;  // a missing profile is told apart from a failed write
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

TEST_F(SwitchingTest, AWindowWhoseRuleHasNoProfileIsTreatedAsUnmatched) {
    missingIsReported = true;
    switcher.focusChanged(window("shooter"));
    run(1000);
    ASSERT_EQ(keyboard.config().ledBrightness, 40);
    // The rule's profile was deleted: the user's configuration comes back,
    // and the reason is kept for the rules window.
    switcher.focusChanged(window("broken"));
    run(1000);
    EXPECT_EQ(keyboard.config(), start);
    EXPECT_FALSE(switcher.switched());
    ASSERT_EQ(switcher.missingProfiles().count("Missing"), 1u);
    EXPECT_EQ(switcher.missingProfiles().at("Missing"), "no profile Missing");
    EXPECT_NE(switcher.hold(), SwitchHold::Failed);
    // With a default profile, that one is what an unmatched window gets.
    RuleSet withDefault = switcher.rules();
    withDefault.defaultProfile = "Desk";
    switcher.setRules(withDefault);
    switcher.focusChanged(window("broken", "again"));
    run(1000);
    EXPECT_EQ(keyboard.config().ledBrightness, 5);
    // Put back, the profile is used at the next focus change.
    profiles["Missing"] = profiles["MOBA"];
    switcher.focusChanged(window("broken", "once more"));
    run(1000);
    EXPECT_EQ(keyboard.config().ledEffect, 2);
    EXPECT_TRUE(switcher.missingProfiles().empty());
}

// The write limit counts the writes of an earlier run, read back from the
// file the program keeps them in, whatever the wall clock did meanwhile.
TEST_F(SwitchingTest, TheWriteLimitHoldsOverARestart) {
    for (int i = 0; i < 12; ++i) {
        switcher.focusChanged(window(i % 2 ? "editor" : "shooter"));
        run(1000);
    }
    ASSERT_EQ(switcher.writes(), 12);
    test::TempFolder dir;
    const std::filesystem::path log = dir.path() / kSwitchWriteLogName;
    const int64_t wallNow = 1'800'000'000'000;
    ASSERT_TRUE(writeSwitchWriteAges(log, switcher.recentWriteAgesMs(), wallNow));

    // Started again five seconds later.
    const auto restarted = [&](const std::vector<int64_t>& ages) {
        auto s = std::make_unique<ProfileSwitcher>(clock);
        s->setRules(switcher.rules());
        s->restoreWriteAges(ages);
        s->focusChanged(window("shooter"));
        clock.sleepMs(1000);
        const bool requested = s->poll(conditions).has_value();
        return std::make_pair(requested, s->hold());
    };
    EXPECT_EQ(restarted(readSwitchWriteAges(log, wallNow + 5000)),
              std::make_pair(false, SwitchHold::WriteLimit));
    // Ten minutes on, the limit is over.
    EXPECT_EQ(restarted(readSwitchWriteAges(log, wallNow + 11 * 60'000)), std::make_pair(true, SwitchHold::None));

    // The wall clock went back an hour: the writes look as if made in the
    // future, and count as made now (never as a limit without end).
    std::vector<int64_t> ages = readSwitchWriteAges(log, wallNow - 3'600'000);
    ASSERT_EQ(ages.size(), 12u);
    EXPECT_EQ(restarted(ages), std::make_pair(false, SwitchHold::WriteLimit));
    auto s = std::make_unique<ProfileSwitcher>(clock);
    s->restoreWriteAges(ages);
    EXPECT_EQ(s->writeLimitEndsMs(), clock.nowMs() + 10 * 60'000);

    // A garbage file gives no writes and no crash; good lines among garbage count.
    {
        std::ofstream out(log, std::ios::binary | std::ios::trunc);
        out << "garbage\n-5\n99999999999999999999999\n\x01\x02\n" << wallNow - 1000 << "\r\n\n";
    }
    EXPECT_EQ(readSwitchWriteAges(log, wallNow), (std::vector<int64_t>{1000}));
    EXPECT_TRUE(readSwitchWriteAges(dir.path() / "none", wallNow).empty());
    // No export or profile save may replace it, nor the way back beside it.
    const OwnDataFiles own({dir.path()}, {});
    EXPECT_TRUE(own.contains(log));
    EXPECT_TRUE(own.contains(dir.path() / kSwitchReturnFileName));
}

TEST_F(SwitchingTest, AKeyboardLeftSwitchedByAnEarlierRunGoesBackFirst) {
    // The last run ended with FPS on the keyboard; what it returns to was kept.
    ASSERT_TRUE(session.writeAll(profiles["FPS"], shadow).ok());
    kept = start;
    switcher.focusChanged(window("arena"));
    switcher.resumeSwitched();
    run(1000);
    ASSERT_GE(requests.size(), 1u);
    EXPECT_TRUE(requests[0].revert);
    EXPECT_FALSE(switcher.returnPending());
    // Then the focused window's rule is followed, keeping the way back.
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].profile, "MOBA");
    EXPECT_TRUE(requests[1].keepConfiguration);
    switcher.focusChanged(window("editor"));
    run(1000);
    EXPECT_EQ(keyboard.config(), start);
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

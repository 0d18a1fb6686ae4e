#pragma once
// When to apply which profile as the focus moves between windows. The
// desktop's focus changes come in; out come requests to apply a rule's
// profile or to go back to the configuration the keyboard held before the
// first switch (or to apply the default profile). A request is made only
// when it is safe and worth it:
//
// - a burst of focus changes (Alt+Tab through several windows) is settled
//   first: a change counts once no other followed for quietMs, and never
//   later than longestBurstMs after the first of the burst;
// - no key may be held down, or the keyboard would send the release of a
//   key under its new assignment and the old one would stick; where held
//   keys cannot be seen, the switch waits settleWithoutKeysMs after the last
//   focus change instead;
// - not while the keyboard is absent or not yet read, while the program is
//   busy with the keyboard or a dialog, nor while its window holds unsaved
//   changes (those would be written with the profile, or lost);
// - at most writesPerWindow writes in any writeWindowMs: the keyboard keeps
//   its settings in non-volatile memory, which wears with every write. The
//   times of earlier writes, kept over a restart, count too.
//
// A rule whose profile is missing or unreadable is passed over, as if the
// window matched no rule, until the focus moves or the rules change.
//
// A request that nothing else overtook is carried out by the caller, who
// reports back with finished(). Time comes from a Clock, so tests run on a
// virtual one.

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "device/Clock.h"
#include "profile/ProfileRules.h"

namespace vandrel {

enum class KeyState { Free, Held, Unknown };

// What the program and the keyboard are doing, asked at each decision.
struct SwitchConditions {
    bool ready = true;     // the keyboard is connected and its configuration read
    bool busy = false;     // a transfer runs, or a dialog of the program's is open
    bool unsaved = false;  // the program's window holds unsaved changes
    KeyState keys = KeyState::Free;
};

// Why a switch that is due has not happened (yet).
enum class SwitchHold { None, Settling, KeyHeld, NotReady, Busy, UnsavedChanges, WriteLimit, Failed };

enum class SwitchReason { Rule, Default, Revert };

struct SwitchRequest {
    bool revert = false;       // back to the configuration kept before the first switch
    std::string profile;       // otherwise: the profile to apply
    SwitchReason reason = SwitchReason::Rule;
    // The keyboard carries no switch yet: keep its configuration first, to
    // go back to it later.
    bool keepConfiguration = false;
};

enum class SwitchOutcome {
    Written,         // the keyboard has the configuration; something was written
    NothingToWrite,  // the keyboard had it already
    Failed,          // the keyboard did not take it, or the profile is unfit to be written
    ProfileMissing,  // the profile file is missing or unreadable: the window counts as unmatched
};

class ProfileSwitcher {
public:
    struct Limits {
        int64_t quietMs = 100;
        int64_t longestBurstMs = 250;
        int64_t settleWithoutKeysMs = 250;
        int64_t keyPollMs = 20;
        int64_t retryMs = 250;  // looking again while busy, unsaved or not ready
        int writesPerWindow = 12;
        int64_t writeWindowMs = 10 * 60 * 1000;
    };

    explicit ProfileSwitcher(Clock& clock);
    ProfileSwitcher(Clock& clock, Limits limits);

    const Limits& limits() const { return m_limits; }
    void setRules(RuleSet rules);
    const RuleSet& rules() const { return m_rules; }
    // Switched off, the keyboard goes back to its own configuration and stays.
    void setEnabled(bool on);
    bool enabled() const { return m_enabled; }

    void focusChanged(const FocusEvent& focus);
    const FocusEvent& focus() const { return m_focus; }
    // The keyboard's configuration was changed by someone else (a save in the
    // window, vandrelctl, D-Bus): that is now the configuration to return
    // to, and the focused window keeps it until the focus moves.
    void configurationChangedElsewhere();
    // The keyboard carries a switched configuration left by an earlier run
    // (the configuration to return to was kept on disk): going back to it
    // comes first, before any rule is followed.
    void resumeSwitched();
    bool returnPending() const { return m_returnFirst; }

    // The request to carry out now, if one is due. Call it at nextPollMs(),
    // and whenever the conditions may have changed.
    std::optional<SwitchRequest> poll(const SwitchConditions& conditions);
    // The outcome of the last request; `why` says what failed.
    void finished(SwitchOutcome outcome, const std::string& why = {});

    // When poll() should run next (clock milliseconds); -1 when nothing waits.
    int64_t nextPollMs() const { return m_pending && !m_inFlight ? m_wakeMs : -1; }
    SwitchHold hold() const { return m_hold; }
    bool busy() const { return m_inFlight.has_value(); }
    // Whether the keyboard carries a switched configuration, and which profile.
    bool switched() const { return m_switched; }
    const std::string& activeProfile() const { return m_active; }
    // Writes made by switching in this run, and when the next may be made
    // while the limit holds.
    int writes() const { return m_writeCount; }
    int64_t writeLimitEndsMs() const;
    const std::string& failure() const { return m_failure; }
    // A write made for switching outside a request (the configuration to
    // return to, put back at start-up): it counts towards the limit.
    void noteWrite();
    // How long ago (ms) each write within the limit's window was made, to
    // keep over a restart; and taking such ages back. An age below zero (the
    // wall clock went back) counts as a write made now.
    std::vector<int64_t> recentWriteAgesMs() const;
    void restoreWriteAges(const std::vector<int64_t>& agesMs);
    // Profiles of rules that were passed over for the focused window, with
    // the reason (the file is missing or unreadable).
    const std::map<std::string, std::string>& missingProfiles() const { return m_missing; }

private:
    struct Target {
        bool revert = true;
        std::string profile;
        SwitchReason reason = SwitchReason::Revert;
        bool operator==(const Target& o) const { return revert == o.revert && profile == o.profile; }
    };
    Target target() const;
    bool satisfied(const Target& t) const;
    std::optional<SwitchRequest> holdFor(SwitchHold why, int64_t wakeMs);
    void wakeNow();

    Clock& m_clock;
    Limits m_limits;
    RuleSet m_rules;
    RuleMatcher m_matcher;
    std::map<std::string, std::string> m_missing;
    // The rule the focused window matches, found once per focus change
    // rather than at every poll (polls come every few ms while a key is held).
    mutable std::optional<int> m_matched;
    bool m_enabled = true;
    FocusEvent m_focus;
    bool m_haveFocus = false;

    bool m_pending = false;
    bool m_keepUntilFocusMoves = false;
    int64_t m_burstStartMs = 0;
    int64_t m_lastFocusMs = 0;
    int64_t m_wakeMs = 0;
    SwitchHold m_hold = SwitchHold::None;

    std::optional<SwitchRequest> m_inFlight;
    std::optional<Target> m_failedTarget;
    std::string m_failure;

    bool m_switched = false;
    bool m_returnFirst = false;
    std::string m_active;
    std::deque<int64_t> m_writeTimes;  // within the last window
    int m_writeCount = 0;
};

}  // namespace vandrel

#include "profile/ProfileSwitcher.h"

#include <algorithm>

namespace vandrel {

ProfileSwitcher::ProfileSwitcher(Clock& clock) : ProfileSwitcher(clock, Limits{}) {}

ProfileSwitcher::ProfileSwitcher(Clock& clock, Limits limits) : m_clock(clock), m_limits(limits) {}

void ProfileSwitcher::wakeNow() {
    // Not a focus change: due at once, past the settling of a burst.
    const int64_t now = m_clock.nowMs();
    m_pending = true;
    m_wakeMs = now;
    m_burstStartMs = std::min(m_burstStartMs, now - m_limits.longestBurstMs);
    m_lastFocusMs = std::min(m_lastFocusMs, now - std::max(m_limits.quietMs, m_limits.settleWithoutKeysMs));
}

void ProfileSwitcher::setRules(RuleSet rules) {
    if (rules == m_rules) return;
    m_rules = std::move(rules);
    m_matcher = RuleMatcher(m_rules);
    m_missing.clear();
    m_matched.reset();
    m_failedTarget.reset();
    m_keepUntilFocusMoves = false;
    wakeNow();
}

void ProfileSwitcher::setEnabled(bool on) {
    if (on == m_enabled) return;
    m_enabled = on;
    m_failedTarget.reset();
    m_keepUntilFocusMoves = false;
    wakeNow();
}

void ProfileSwitcher::focusChanged(const FocusEvent& focus) {
    const int64_t now = m_clock.nowMs();
    m_focus = focus;
    m_haveFocus = true;
    m_keepUntilFocusMoves = false;
    m_failedTarget.reset();
    // A profile put back meanwhile is used again.
    m_missing.clear();
    m_matched.reset();
    if (!m_pending || m_hold != SwitchHold::Settling) m_burstStartMs = now;
    m_lastFocusMs = now;
    m_pending = true;
    m_wakeMs = std::min(m_lastFocusMs + m_limits.quietMs, m_burstStartMs + m_limits.longestBurstMs);
    m_hold = SwitchHold::Settling;
}

void ProfileSwitcher::configurationChangedElsewhere() {
    m_switched = false;
    m_returnFirst = false;
    m_active.clear();
    m_keepUntilFocusMoves = true;
    m_failedTarget.reset();
    m_hold = SwitchHold::None;
}

void ProfileSwitcher::resumeSwitched() {
    m_switched = true;
    m_active.clear();
    m_returnFirst = true;
    m_keepUntilFocusMoves = false;
    m_failedTarget.reset();
    wakeNow();
}

ProfileSwitcher::Target ProfileSwitcher::target() const {
    Target t;
    if (!m_enabled || !m_haveFocus || m_returnFirst) return t;
    if (!m_matched)
        m_matched = m_matcher.first(m_rules, m_focus,
                                    [this](size_t i) { return m_missing.count(m_rules.rules[i].profile) > 0; });
    const int rule = *m_matched;
    if (rule >= 0) {
        t.revert = false;
        t.profile = m_rules.rules[rule].profile;
        t.reason = SwitchReason::Rule;
    } else if (!m_rules.defaultProfile.empty() && !m_missing.count(m_rules.defaultProfile)) {
        t.revert = false;
        t.profile = m_rules.defaultProfile;
        t.reason = SwitchReason::Default;
    }
    return t;
}

bool ProfileSwitcher::satisfied(const Target& t) const {
    // Nothing switched: the keyboard holds the configuration to return to.
    if (t.revert) return !m_switched;
    return m_switched && m_active == t.profile;
}

std::optional<SwitchRequest> ProfileSwitcher::holdFor(SwitchHold why, int64_t wakeMs) {
    m_hold = why;
    m_wakeMs = wakeMs;
    return std::nullopt;
}

int64_t ProfileSwitcher::writeLimitEndsMs() const {
    if (static_cast<int>(m_writeTimes.size()) < m_limits.writesPerWindow || m_writeTimes.empty()) return -1;
    return m_writeTimes[m_writeTimes.size() - m_limits.writesPerWindow] + m_limits.writeWindowMs;
}

std::optional<SwitchRequest> ProfileSwitcher::poll(const SwitchConditions& c) {
    if (m_inFlight || !m_pending) return std::nullopt;
    const Target t = target();
    if (satisfied(t) || m_keepUntilFocusMoves) {
        m_pending = false;
        m_hold = SwitchHold::None;
        return std::nullopt;
    }
    // A switch that failed is not tried again until something changes.
    if (m_failedTarget && *m_failedTarget == t) {
        m_pending = false;
        m_hold = SwitchHold::Failed;
        return std::nullopt;
    }
    const int64_t now = m_clock.nowMs();
    const int64_t due = std::min(m_lastFocusMs + m_limits.quietMs, m_burstStartMs + m_limits.longestBurstMs);
    if (now < due) return holdFor(SwitchHold::Settling, due);
    if (!c.ready) return holdFor(SwitchHold::NotReady, now + m_limits.retryMs);
    if (c.busy) return holdFor(SwitchHold::Busy, now + m_limits.retryMs);
    if (c.unsaved) return holdFor(SwitchHold::UnsavedChanges, now + m_limits.retryMs);
    if (c.keys == KeyState::Held) return holdFor(SwitchHold::KeyHeld, now + m_limits.keyPollMs);
    if (c.keys == KeyState::Unknown && now < m_lastFocusMs + m_limits.settleWithoutKeysMs)
        return holdFor(SwitchHold::Settling, m_lastFocusMs + m_limits.settleWithoutKeysMs);
    while (!m_writeTimes.empty() && m_writeTimes.front() + m_limits.writeWindowMs <= now) m_writeTimes.pop_front();
    const int64_t limitEnds = writeLimitEndsMs();
    if (limitEnds > now) return holdFor(SwitchHold::WriteLimit, limitEnds);

    SwitchRequest r;
    r.revert = t.revert;
    r.profile = t.profile;
    r.reason = t.reason;
    r.keepConfiguration = !m_switched && !t.revert;
    m_inFlight = r;
    m_hold = SwitchHold::None;
    return r;
}

void ProfileSwitcher::finished(SwitchOutcome outcome, const std::string& why) {
    if (!m_inFlight) return;
    const SwitchRequest r = *m_inFlight;
    m_inFlight.reset();
    // Whatever happened, the focus may have moved on meanwhile: look again.
    m_pending = true;
    m_wakeMs = m_clock.nowMs();
    if (outcome == SwitchOutcome::ProfileMissing && !r.revert) {
        // Nothing was written: the window is looked at again without it.
        m_missing[r.profile] = why;
        m_matched.reset();
        m_hold = SwitchHold::None;
        return;
    }
    if (outcome == SwitchOutcome::Failed || outcome == SwitchOutcome::ProfileMissing) {
        Target t;
        t.revert = r.revert;
        t.profile = r.profile;
        m_failedTarget = t;
        m_failure = why;
        m_hold = SwitchHold::Failed;
        return;
    }
    m_failure.clear();
    if (outcome == SwitchOutcome::Written) noteWrite();
    m_switched = !r.revert;
    m_active = r.revert ? std::string() : r.profile;
    if (r.revert) m_returnFirst = false;
}

void ProfileSwitcher::noteWrite() {
    m_writeTimes.push_back(m_clock.nowMs());
    ++m_writeCount;
}

std::vector<int64_t> ProfileSwitcher::recentWriteAgesMs() const {
    const int64_t now = m_clock.nowMs();
    std::vector<int64_t> ages;
    for (int64_t t : m_writeTimes)
        if (now - t < m_limits.writeWindowMs) ages.push_back(std::max<int64_t>(0, now - t));
    return ages;
}

void ProfileSwitcher::restoreWriteAges(const std::vector<int64_t>& agesMs) {
    const int64_t now = m_clock.nowMs();
    std::vector<int64_t> times(m_writeTimes.begin(), m_writeTimes.end());
    for (int64_t age : agesMs)
        if (age < m_limits.writeWindowMs) times.push_back(now - std::max<int64_t>(0, age));
    std::sort(times.begin(), times.end());
    // Only the latest writesPerWindow can hold a switch back.
    const size_t keep = static_cast<size_t>(std::max(0, m_limits.writesPerWindow));
    if (times.size() > keep) times.erase(times.begin(), times.end() - static_cast<long>(keep));
    m_writeTimes.assign(times.begin(), times.end());
}

}  // namespace vandrel

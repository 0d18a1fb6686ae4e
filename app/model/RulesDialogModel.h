#pragma once
// The rules window: the rules of automatic profile switching with their
// default profile and switches, edited as a list, and the status of the
// switching (which desktop, what the keyboard carries, why a switch waits,
// how often it wrote). Texts in Chinese, marked for translation; the
// window translates them.

#include <string>
#include <utility>
#include <vector>

#include "profile/ProfileRules.h"
#include "profile/ProfileSwitcher.h"
#include "util/TextLookup.h"

namespace vandrel {

// What the switching is doing, as the program knows it.
struct SwitchStatus {
    std::string desktop;       // "X11", ...; empty: no display
    bool following = false;    // the desktop reports the focus
    std::string unavailable;   // why not (English, from the backend)
    bool enabled = true;
    bool switched = false;
    std::string activeProfile;
    SwitchHold hold = SwitchHold::None;
    std::string failure;       // the last switch's failure
    long long writes = 0;      // over every run
    // Profiles of rules passed over for the focused window, and why (the
    // file is missing or unreadable).
    std::vector<std::pair<std::string, std::string>> missingProfiles;
    // The window the desktop reported last, so that a rule can be written
    // for it where no tool shows a window's class (Wayland).
    std::string focusClass;
    std::string focusInstance;
    std::string focusTitle;
};

class RulesDialogModel {
public:
    RulesDialogModel(RuleSet rules, std::vector<std::string> profiles);

    const RuleSet& rules() const { return m_rules; }
    const std::vector<std::string>& profiles() const { return m_profiles; }

    // Adds a rule at the end; an empty string when done, else why not
    // (translated through `tr`).
    std::string add(const ProfileRule& rule, const TextLookup& tr = {});
    bool remove(int row);
    // Removes the rule wherever it now is; false when it is gone already.
    bool remove(const ProfileRule& rule);
    // Moves a rule one place up (-1) or down (+1): the first match wins.
    bool move(int row, int by);
    // The profile for other windows; empty: back to the configuration before.
    void setDefault(const std::string& profile) { m_rules.defaultProfile = profile; }

    // The rules as the settings file now holds them (vandrelctl rule and
    // other programs edit it too): taken over when they differ, so that an
    // edit is made to the file's list, never to an older one. True when
    // the list changed.
    bool follow(const RuleSet& stored);
    void setProfiles(std::vector<std::string> profiles) { m_profiles = std::move(profiles); }
    // Whether the profile folder lists the profile (a rule naming one it
    // does not is marked, and passed over when switching).
    bool profileListed(const std::string& profile) const;
    // What a row of the list says of its rule beside its fields: a missing
    // profile, an unusable title pattern; empty when nothing is wrong.
    std::string rowWarning(int row, const TextLookup& tr = {}) const;
    // The question Remove asks.
    std::string removeQuestion(int row, const TextLookup& tr = {}) const;

    // The lines of the status box.
    static std::vector<std::string> statusLines(const SwitchStatus& s, const TextLookup& tr = {});
    // The tray icon's tooltip: the program, and the profile the keyboard carries.
    static std::string trayToolTip(const SwitchStatus& s, const TextLookup& tr = {});
    // The desktop notification of a switch (name empty: back to the configuration before).
    static std::string notificationText(const std::string& profile, const TextLookup& tr = {});
    // The desktop notification of a rule passed over because its profile is missing.
    static std::string missingProfileText(const std::string& profile, const TextLookup& tr = {});

private:
    RuleSet m_rules;
    std::vector<std::string> m_profiles;
};

}  // namespace vandrel

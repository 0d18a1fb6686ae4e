#pragma once
// Rules that choose a profile for the window that has the keyboard focus: a
// window class (WM_CLASS, a Wayland application id), optionally a pattern
// for the title and the program's executable, and the profile to apply. The
// first rule that matches wins; an unmatched window, or the desktop, gets
// the default profile when one is set.

#include <cstdint>
#include <string>
#include <vector>

namespace vandrel {

// What the desktop reports about the window that took the focus.
struct FocusEvent {
    std::string windowClass;  // WM_CLASS class, Wayland app id, KWin resource class
    std::string instance;     // WM_CLASS instance (resource name); may be empty
    std::string title;
    std::string exe;          // full path of the executable; empty when not known
    int64_t pid = 0;          // 0 when not known
    bool isDesktop = false;   // the desktop, or no window, has the focus

    bool operator==(const FocusEvent& o) const {
        return windowClass == o.windowClass && instance == o.instance && title == o.title && exe == o.exe &&
               pid == o.pid && isDesktop == o.isDesktop;
    }
};

struct ProfileRule {
    std::string windowClass;  // the class or the instance name, letter case aside
    std::string title;        // a regular expression (ECMAScript) found anywhere in the title; empty: any
    std::string exe;          // a full path, or a file name matched against the executable's; empty: any
    std::string profile;      // a profile of the profile folder

    bool operator==(const ProfileRule& o) const {
        return windowClass == o.windowClass && title == o.title && exe == o.exe && profile == o.profile;
    }
};

struct RuleSet {
    std::vector<ProfileRule> rules;
    std::string defaultProfile;  // empty: back to the configuration from before the first switch

    bool operator==(const RuleSet& o) const { return rules == o.rules && defaultProfile == o.defaultProfile; }
};

// What is wrong with a rule as typed (no class, no profile, a title pattern
// that is no regular expression); empty when it can be stored.
std::string ruleProblem(const ProfileRule& rule);

// Whether the rule matches the window. Class and title are compared without
// regard to letter case; the desktop matches no rule.
bool ruleMatches(const ProfileRule& rule, const FocusEvent& focus);

// The index of the first rule that matches, or -1.
int matchingRule(const RuleSet& rules, const FocusEvent& focus);

// A rule as vandrelctl takes it: --class xmessage --title 'Game.*' --profile FPS.
std::string describeRule(const ProfileRule& rule);

}  // namespace vandrel

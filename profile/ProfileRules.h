#pragma once
// Rules that choose a profile for the window that has the keyboard focus: a
// window class (WM_CLASS, a Wayland application id), optionally a pattern
// for the title and the program's executable, and the profile to apply. The
// first rule that matches wins; an unmatched window, or the desktop, gets
// the default profile when one is set.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace re2 {
class RE2;
}

namespace vandrel {

// Titles are matched in time linear in their length whatever the pattern (a
// web page sets its own title, and a naive pattern like (a+)+$ must not turn
// that into minutes), and only their first kMaxTitleBytes bytes are looked
// at; a pattern may be kMaxPatternBytes long. With both bounds an ordinary
// pattern takes microseconds, and the costliest one that can be stored (a
// counted repetition near RE2's limit of 1000) some tens of milliseconds.
inline constexpr size_t kMaxTitleBytes = 1024;
inline constexpr size_t kMaxPatternBytes = 1000;

// A title pattern, compiled once: RE2 syntax (Perl's, without
// back-references and look-around), found anywhere in the title, letter case
// aside. An unusable pattern matches nothing and says why.
class TitlePattern {
public:
    explicit TitlePattern(const std::string& pattern);
    ~TitlePattern();
    TitlePattern(const TitlePattern&);
    TitlePattern& operator=(const TitlePattern&);

    bool usable() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    // An empty pattern matches every title.
    bool matches(const std::string& title) const;

private:
    std::shared_ptr<const re2::RE2> m_re;
    std::string m_error;
};

// The title as far as it is matched: its first kMaxTitleBytes bytes, cut
// before a character that would not fit whole.
std::string matchedPartOfTitle(const std::string& title);

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
    std::string title;        // a TitlePattern found anywhere in the title; empty: any
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
// that cannot be used); empty when it can be stored.
std::string ruleProblem(const ProfileRule& rule);
// What is wrong with the title pattern alone; empty when it can be used.
std::string titlePatternProblem(const std::string& pattern);

// Whether the rule matches the window. Class and title are compared without
// regard to letter case; the desktop matches no rule, nor does a rule whose
// title pattern cannot be used.
bool ruleMatches(const ProfileRule& rule, const FocusEvent& focus);

// The index of the first rule that matches, or -1.
int matchingRule(const RuleSet& rules, const FocusEvent& focus);

// A rule set with its title patterns compiled, for matching at every focus
// change. `skip(i)` leaves rule i out, as if it matched nothing.
class RuleMatcher {
public:
    RuleMatcher() = default;
    explicit RuleMatcher(const RuleSet& rules);
    template <typename Skip>
    int first(const RuleSet& rules, const FocusEvent& focus, Skip skip) const {
        for (size_t i = 0; i < rules.rules.size() && i < m_titles.size(); ++i)
            if (!skip(i) && matches(rules.rules[i], i, focus)) return static_cast<int>(i);
        return -1;
    }

private:
    bool matches(const ProfileRule& rule, size_t index, const FocusEvent& focus) const;
    std::vector<TitlePattern> m_titles;
};

// A rule as vandrelctl takes it: --class xmessage --title 'Game.*' --profile FPS.
std::string describeRule(const ProfileRule& rule);

}  // namespace vandrel

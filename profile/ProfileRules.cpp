#include "profile/ProfileRules.h"

#include <algorithm>
#include <cctype>
#include <regex>

namespace vandrel {

namespace {

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string fileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The title pattern; false when it is none. A pattern so complex that the
// matcher gives up counts as no match rather than an error.
bool titleMatches(const std::string& pattern, const std::string& title, bool& valid) {
    valid = true;
    if (pattern.empty()) return true;
    try {
        const std::regex re(pattern, std::regex::ECMAScript | std::regex::icase);
        return std::regex_search(title, re);
    } catch (const std::regex_error& e) {
        valid = e.code() == std::regex_constants::error_complexity || e.code() == std::regex_constants::error_stack;
        return false;
    }
}

std::string quoted(const std::string& s) {
    if (!s.empty() && s.find_first_of(" \t'\"\\$`*?[]()|&;<>{}!#~") == std::string::npos) return s;
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

std::string ruleProblem(const ProfileRule& rule) {
    if (rule.windowClass.empty()) return "a rule needs a window class (--class)";
    if (rule.profile.empty()) return "a rule needs a profile (--profile)";
    bool valid = true;
    titleMatches(rule.title, std::string(), valid);
    if (!valid) return "the title pattern '" + rule.title + "' is not a regular expression";
    return {};
}

bool ruleMatches(const ProfileRule& rule, const FocusEvent& focus) {
    if (focus.isDesktop) return false;
    if (!sameIgnoringCase(rule.windowClass, focus.windowClass) &&
        (focus.instance.empty() || !sameIgnoringCase(rule.windowClass, focus.instance)))
        return false;
    if (!rule.exe.empty()) {
        if (focus.exe.empty()) return false;
        const bool byPath = rule.exe.find('/') != std::string::npos;
        if (byPath ? rule.exe != focus.exe : rule.exe != fileNameOf(focus.exe)) return false;
    }
    bool valid = true;
    return titleMatches(rule.title, focus.title, valid);
}

int matchingRule(const RuleSet& rules, const FocusEvent& focus) {
    for (size_t i = 0; i < rules.rules.size(); ++i)
        if (ruleMatches(rules.rules[i], focus)) return static_cast<int>(i);
    return -1;
}

std::string describeRule(const ProfileRule& rule) {
    std::string s = "--class " + quoted(rule.windowClass);
    if (!rule.title.empty()) s += " --title " + quoted(rule.title);
    if (!rule.exe.empty()) s += " --exe " + quoted(rule.exe);
    return s + " --profile " + quoted(rule.profile);
}

}  // namespace vandrel

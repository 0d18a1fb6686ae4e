#include "profile/ProfileRules.h"

#include <re2/re2.h>

#include <algorithm>
#include <cctype>

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

// Whether the class, instance and executable fit; the title is the pattern's.
bool windowFits(const ProfileRule& rule, const FocusEvent& focus) {
    if (focus.isDesktop) return false;
    if (!sameIgnoringCase(rule.windowClass, focus.windowClass) &&
        (focus.instance.empty() || !sameIgnoringCase(rule.windowClass, focus.instance)))
        return false;
    if (!rule.exe.empty()) {
        if (focus.exe.empty()) return false;
        const bool byPath = rule.exe.find('/') != std::string::npos;
        if (byPath ? rule.exe != focus.exe : rule.exe != fileNameOf(focus.exe)) return false;
    }
    return true;
}

std::string quoted(const std::string& s) {
    if (!s.empty() && s.find_first_of(" \t'\"\\$`*?[]()|&;<>{}!#~") == std::string::npos) return s;
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

TitlePattern::TitlePattern(const std::string& pattern) {
    if (pattern.empty()) return;
    if (pattern.size() > kMaxPatternBytes) {
        m_error = "it is longer than " + std::to_string(kMaxPatternBytes) + " bytes";
        return;
    }
    RE2::Options options;
    options.set_case_sensitive(false);
    options.set_log_errors(false);
    options.set_never_capture(true);
    // Bounds the compiled program and the matcher's cache, so a pattern like
    // (a{100}){100} is refused instead of taking memory. The cache is large
    // enough that counted repetitions (a.{900}x) stay on the fast automaton:
    // with a smaller one they fall back to the slower linear matcher.
    options.set_max_mem(16 << 20);
    auto re = std::make_shared<const RE2>(pattern, options);
    if (!re->ok()) {
        m_error = re->error();
        if (m_error.empty()) m_error = "RE2 cannot take it";
        return;
    }
    m_re = std::move(re);
}

TitlePattern::~TitlePattern() = default;
TitlePattern::TitlePattern(const TitlePattern&) = default;
TitlePattern& TitlePattern::operator=(const TitlePattern&) = default;

bool TitlePattern::matches(const std::string& title) const {
    if (!usable()) return false;
    if (!m_re) return true;
    const std::string cut = matchedPartOfTitle(title);
    return RE2::PartialMatch(cut, *m_re);
}

std::string matchedPartOfTitle(const std::string& title) {
    if (title.size() <= kMaxTitleBytes) return title;
    size_t end = kMaxTitleBytes;
    // Back to the start of the character the cut falls into (UTF-8
    // continuation bytes are 10xxxxxx).
    while (end > 0 && (static_cast<unsigned char>(title[end]) & 0xC0) == 0x80) --end;
    return title.substr(0, end);
}

std::string titlePatternProblem(const std::string& pattern) {
    const TitlePattern p(pattern);
    if (p.usable()) return {};
    return "the title pattern '" + pattern + "' cannot be used (" + p.error() +
           "); patterns are RE2's, without back-references or look-around";
}

std::string ruleProblem(const ProfileRule& rule) {
    if (rule.windowClass.empty()) return "a rule needs a window class (--class)";
    if (rule.profile.empty()) return "a rule needs a profile (--profile)";
    return titlePatternProblem(rule.title);
}

bool ruleMatches(const ProfileRule& rule, const FocusEvent& focus) {
    return windowFits(rule, focus) && TitlePattern(rule.title).matches(focus.title);
}

RuleMatcher::RuleMatcher(const RuleSet& rules) {
    m_titles.reserve(rules.rules.size());
    for (const ProfileRule& r : rules.rules) m_titles.emplace_back(r.title);
}

bool RuleMatcher::matches(const ProfileRule& rule, size_t index, const FocusEvent& focus) const {
    return windowFits(rule, focus) && m_titles[index].matches(focus.title);
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

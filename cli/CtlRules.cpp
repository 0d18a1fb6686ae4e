#include "cli/CtlRules.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <ostream>

#include "platform/RuleSettings.h"
#include "profile/ProfileStore.h"
#include "util/Utf16.h"

namespace vandrel::ctl {

namespace {

// Whether the profile dialog lists a profile of that name.
bool profileListed(const std::filesystem::path& folder, const std::string& name) {
    ProfileStore store(folder);
    store.scanProfiles();
    return store.findRow(utf8ToUtf16(name)).has_value();
}

int missingProfile(const std::filesystem::path& folder, const std::string& name, std::ostream& err) {
    err << "vandrelctl: there is no profile '" << name << "' in " << folder.string()
        << " (save one with 'vandrelctl save " << name << "' or in the profile dialog).\n";
    return kExitBadFile;
}

int notWritten(const RuleSettings& settings, std::ostream& err) {
    err << "vandrelctl: " << settings.file().toStdString() << " could not be written"
        << (settings.usable() ? "" : " (it is not a regular file, and is left alone)") << ".\n";
    return kExitFailed;
}

// What keeps a stored rule from being followed, as `rule list` flags it.
std::string ruleFlags(const ProfileRule& r, bool profileThere) {
    std::string flags;
    if (!profileThere) flags += "  [profile missing: windows it matches are treated as unmatched]";
    if (!titlePatternProblem(r.title).empty()) flags += "  [title pattern unusable: the rule matches nothing]";
    return flags;
}

void list(const RuleSet& set, const std::filesystem::path& folder, bool json, std::ostream& out) {
    const bool defaultThere = set.defaultProfile.empty() || profileListed(folder, set.defaultProfile);
    if (json) {
        QJsonArray rules;
        for (const ProfileRule& r : set.rules)
            rules.append(QJsonObject{{QStringLiteral("class"), QString::fromStdString(r.windowClass)},
                                     {QStringLiteral("title"), QString::fromStdString(r.title)},
                                     {QStringLiteral("exe"), QString::fromStdString(r.exe)},
                                     {QStringLiteral("profile"), QString::fromStdString(r.profile)},
                                     {QStringLiteral("profileMissing"), !profileListed(folder, r.profile)},
                                     {QStringLiteral("titleUsable"), titlePatternProblem(r.title).empty()}});
        QJsonObject o{{QStringLiteral("rules"), rules},
                      {QStringLiteral("default"), set.defaultProfile.empty()
                                                      ? QJsonValue()
                                                      : QJsonValue(QString::fromStdString(set.defaultProfile))}};
        if (!defaultThere) o.insert(QStringLiteral("defaultMissing"), true);
        out << QJsonDocument(o).toJson(QJsonDocument::Indented).toStdString();
        return;
    }
    if (set.rules.empty()) out << "No rules.\n";
    for (size_t i = 0; i < set.rules.size(); ++i)
        out << i + 1 << "  " << describeRule(set.rules[i])
            << ruleFlags(set.rules[i], profileListed(folder, set.rules[i].profile)) << "\n";
    out << "Default: "
        << (set.defaultProfile.empty() ? "none (other windows get the configuration from before the first switch)"
                                       : set.defaultProfile)
        << (defaultThere ? "" : "  [profile missing: other windows get the configuration from before the first switch]")
        << "\n";
}

}  // namespace

int runRuleCommand(const Options& o, RuleSettings& settings, const std::filesystem::path& profileFolder,
                   std::ostream& out, std::ostream& err) {
    RuleSet set = settings.rules();
    if (!settings.usable())
        err << "vandrelctl: " << settings.file().toStdString()
            << " is not a regular file; no rules are read from it.\n";
    const std::string& sub = o.args.at(0);
    if (sub == "list") {
        list(set, profileFolder, o.json, out);
        return kExitDone;
    }
    if (sub == "add") {
        if (!profileListed(profileFolder, o.rule.profile)) return missingProfile(profileFolder, o.rule.profile, err);
        for (size_t i = 0; i < set.rules.size(); ++i)
            if (set.rules[i] == o.rule) {
                out << "Rule " << i + 1 << " is already " << describeRule(o.rule) << "\n";
                return kExitDone;
            }
        set.rules.push_back(o.rule);
        if (!settings.setRules(set)) return notWritten(settings, err);
        out << "Rule " << set.rules.size() << ": " << describeRule(o.rule) << "\n";
        return kExitDone;
    }
    if (sub == "remove") {
        const size_t n = std::stoul(o.args.at(1));
        if (n < 1 || n > set.rules.size()) {
            err << "vandrelctl: there is no rule " << n << " ("
                << (set.rules.empty() ? std::string("there are none") : "1.." + std::to_string(set.rules.size()))
                << "); see 'vandrelctl rule list'.\n";
            return kExitUsage;
        }
        set.rules.erase(set.rules.begin() + static_cast<long>(n - 1));
        return settings.setRules(set) ? kExitDone : notWritten(settings, err);
    }
    // default
    const std::string& name = o.args.at(1);
    if (name == "none") set.defaultProfile.clear();
    else if (!profileListed(profileFolder, name)) return missingProfile(profileFolder, name, err);
    else set.defaultProfile = name;
    return settings.setRules(set) ? kExitDone : notWritten(settings, err);
}

}  // namespace vandrel::ctl

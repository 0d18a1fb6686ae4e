#include "app/model/RulesDialogModel.h"

#include <algorithm>

#include "util/TrNoop.h"

namespace vandrel {

namespace {

constexpr const char* kContext = "vandrel::RulesDialogModel";

std::string text(const TextLookup& tr, const char* source, int n = -1) { return lookUpText(tr, kContext, source, n); }

}  // namespace

RulesDialogModel::RulesDialogModel(RuleSet rules, std::vector<std::string> profiles)
    : m_rules(std::move(rules)), m_profiles(std::move(profiles)) {}

std::string RulesDialogModel::add(const ProfileRule& rule, const TextLookup& tr) {
    if (rule.windowClass.empty()) return text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "请填写窗口类。"));
    if (std::find(m_profiles.begin(), m_profiles.end(), rule.profile) == m_profiles.end())
        return text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "请选择一个配置。"));
    if (!ruleProblem(rule).empty())
        return text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "标题不是有效的正则表达式。"));
    if (std::find(m_rules.rules.begin(), m_rules.rules.end(), rule) == m_rules.rules.end())
        m_rules.rules.push_back(rule);
    return {};
}

bool RulesDialogModel::remove(int row) {
    if (row < 0 || row >= static_cast<int>(m_rules.rules.size())) return false;
    m_rules.rules.erase(m_rules.rules.begin() + row);
    return true;
}

bool RulesDialogModel::remove(const ProfileRule& rule) {
    const auto at = std::find(m_rules.rules.begin(), m_rules.rules.end(), rule);
    if (at == m_rules.rules.end()) return false;
    m_rules.rules.erase(at);
    return true;
}

bool RulesDialogModel::follow(const RuleSet& stored) {
    if (stored == m_rules) return false;
    m_rules = stored;
    return true;
}

bool RulesDialogModel::profileListed(const std::string& profile) const {
    return std::find(m_profiles.begin(), m_profiles.end(), profile) != m_profiles.end();
}

std::string RulesDialogModel::rowWarning(int row, const TextLookup& tr) const {
    if (row < 0 || row >= static_cast<int>(m_rules.rules.size())) return {};
    const ProfileRule& r = m_rules.rules[row];
    std::string warning;
    if (!profileListed(r.profile))
        warning = fillPlaceholders(
            text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "配置“%1”不存在：匹配的窗口按未匹配处理。")),
            {r.profile});
    if (!titlePatternProblem(r.title).empty())
        warning += text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "标题不是可用的正则表达式：此规则不匹配任何窗口。"));
    return warning;
}

std::string RulesDialogModel::removeQuestion(int row, const TextLookup& tr) const {
    if (row < 0 || row >= static_cast<int>(m_rules.rules.size())) return {};
    return fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "删除规则 %1（%2）吗？")),
                            {std::to_string(row + 1), describeRule(m_rules.rules[row])});
}

bool RulesDialogModel::move(int row, int by) {
    const int to = row + by;
    const int n = static_cast<int>(m_rules.rules.size());
    if (row < 0 || row >= n || to < 0 || to >= n) return false;
    std::swap(m_rules.rules[row], m_rules.rules[to]);
    return true;
}

std::vector<std::string> RulesDialogModel::statusLines(const SwitchStatus& s, const TextLookup& tr) {
    std::vector<std::string> lines;
    if (!s.following) {
        // Said plainly: on this desktop nothing switches.
        lines.push_back(fillPlaceholders(
            text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "此桌面（%1）上无法按前台窗口切换配置：%2")),
            {s.desktop.empty() ? text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "无显示")) : s.desktop,
             s.unavailable}));
    } else {
        lines.push_back(fillPlaceholders(
            text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "桌面：%1，按前台窗口切换配置。")), {s.desktop}));
    }
    if (s.following && !(s.focusClass.empty() && s.focusTitle.empty()))
        lines.push_back(fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel",
                                                                  "前台窗口：类“%1”，实例“%2”，标题“%3”")),
                                         {s.focusClass, s.focusInstance, s.focusTitle}));
    if (!s.enabled) lines.push_back(text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "自动切换已关闭。")));
    lines.push_back(s.switched ? fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel",
                                                                           "键盘当前使用配置“%1”。")),
                                                  {s.activeProfile})
                               : text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "键盘当前使用切换前的配置。")));
    for (const auto& [profile, why] : s.missingProfiles)
        lines.push_back(fillPlaceholders(
            text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel",
                                     "规则的配置“%1”不存在或无法读取，当前窗口按未匹配处理：%2")),
            {profile, why}));
    switch (s.hold) {
    case SwitchHold::UnsavedChanges:
        lines.push_back(text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel",
                                                 "暂不切换：主窗口中有未保存的更改，请先保存或取消。")));
        break;
    case SwitchHold::KeyHeld:
        lines.push_back(text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "等待松开所有按键后切换。")));
        break;
    case SwitchHold::WriteLimit:
        lines.push_back(text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel",
                                                 "切换过于频繁：为保护键盘存储，稍后再切换。")));
        break;
    case SwitchHold::NotReady:
        lines.push_back(text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "暂不切换：键盘未连接或尚未读取。")));
        break;
    case SwitchHold::Busy:
        lines.push_back(text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "暂不切换：程序正忙或有对话框打开。")));
        break;
    case SwitchHold::Failed:
        lines.push_back(fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "切换失败：%1")),
                                         {s.failure}));
        break;
    default: break;
    }
    lines.push_back(text(tr, VANDREL_TR_N_NOOP("vandrel::RulesDialogModel", "自动切换共写入键盘 %n 次。"),
                         static_cast<int>(std::min<long long>(s.writes, 2'000'000'000))));
    return lines;
}

std::string RulesDialogModel::trayToolTip(const SwitchStatus& s, const TextLookup& tr) {
    std::string tip = "Vandrel";
    if (s.switched)
        tip += "\n" + fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "配置：%1")), {s.activeProfile});
    if (s.hold == SwitchHold::UnsavedChanges)
        tip += "\n" + text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "未自动切换：有未保存的更改"));
    for (const auto& missing : s.missingProfiles)
        tip += "\n" + fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "规则的配置“%1”不存在")),
                                       {missing.first});
    return tip;
}

std::string RulesDialogModel::notificationText(const std::string& profile, const TextLookup& tr) {
    if (profile.empty())
        return text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "键盘已恢复切换前的配置"));
    return fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel", "键盘已切换到配置“%1”")), {profile});
}

}  // namespace vandrel

namespace vandrel {

std::string RulesDialogModel::missingProfileText(const std::string& profile, const TextLookup& tr) {
    return fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::RulesDialogModel",
                                                     "规则的配置“%1”不存在或无法读取：该窗口按未匹配处理")),
                            {profile});
}

}  // namespace vandrel

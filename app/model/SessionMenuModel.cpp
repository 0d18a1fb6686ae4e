#include "app/model/SessionMenuModel.h"

#include <algorithm>
#include <array>

#include "util/TrNoop.h"

namespace vandrel {

namespace {
constexpr std::array<int, 4> kIdleMinutes = {5, 10, 15, 30};
}  // namespace

std::vector<SessionMenuRow> sessionMenuRows(const SessionLightingChoice& c) {
    using G = SessionMenuRow::Group;
    std::vector<SessionMenuRow> rows = {
        {G::Lock, VANDREL_TR_NOOP("SessionMenu", "保持灯光"), static_cast<int>(LockLighting::Keep)},
        {G::Lock, VANDREL_TR_NOOP("SessionMenu", "调暗"), static_cast<int>(LockLighting::Dim)},
        {G::Lock, VANDREL_TR_NOOP("SessionMenu", "关灯"), static_cast<int>(LockLighting::Off)},
        {G::Idle, VANDREL_TR_NOOP("SessionMenu", "从不"), 0},
    };
    std::vector<int> minutes(kIdleMinutes.begin(), kIdleMinutes.end());
    if (c.idleMinutes > 0 && std::find(minutes.begin(), minutes.end(), c.idleMinutes) == minutes.end()) {
        minutes.push_back(c.idleMinutes);
        std::sort(minutes.begin(), minutes.end());
    }
    for (int m : minutes) rows.push_back({G::Idle, VANDREL_TR_N_NOOP("SessionMenu", "%n 分钟后"), m});
    rows.push_back({G::Sleep, VANDREL_TR_NOOP("SessionMenu", "保持灯光"), static_cast<int>(SleepLighting::Keep)});
    rows.push_back({G::Sleep, VANDREL_TR_NOOP("SessionMenu", "关灯"), static_cast<int>(SleepLighting::Off)});
    for (SessionMenuRow& r : rows) {
        switch (r.group) {
        case G::Lock: r.checked = r.value == static_cast<int>(c.lock); break;
        case G::Idle: r.checked = r.value == c.idleMinutes; break;
        case G::Sleep: r.checked = r.value == static_cast<int>(c.sleep); break;
        }
    }
    return rows;
}

const char* sessionMenuHeading(SessionMenuRow::Group group) {
    switch (group) {
    case SessionMenuRow::Group::Lock: return VANDREL_TR_NOOP("SessionMenu", "锁定时");
    case SessionMenuRow::Group::Idle: return VANDREL_TR_NOOP("SessionMenu", "空闲时");
    case SessionMenuRow::Group::Sleep: break;
    }
    return VANDREL_TR_NOOP("SessionMenu", "睡眠前");
}

SessionLightingChoice sessionChoiceAfter(const SessionLightingChoice& choice, const SessionMenuRow& row) {
    SessionLightingChoice c = choice;
    switch (row.group) {
    case SessionMenuRow::Group::Lock: c.lock = static_cast<LockLighting>(row.value); break;
    case SessionMenuRow::Group::Idle: c.idleMinutes = row.value; break;
    case SessionMenuRow::Group::Sleep: c.sleep = static_cast<SleepLighting>(row.value); break;
    }
    return c;
}

}  // namespace vandrel

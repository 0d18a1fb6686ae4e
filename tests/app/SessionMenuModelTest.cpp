// The notification area's session-lighting section: exactly the current
// choice is checked in each group, and a pick changes its own group alone.

#include <gtest/gtest.h>

#include <map>

#include "app/model/SessionMenuModel.h"

namespace vandrel {
namespace {

using Group = SessionMenuRow::Group;

std::map<Group, int> checkedValues(const std::vector<SessionMenuRow>& rows) {
    std::map<Group, int> checked;
    for (const SessionMenuRow& r : rows) {
        if (!r.checked) continue;
        EXPECT_EQ(checked.count(r.group), 0u) << "two rows checked in one group";
        checked[r.group] = r.value;
    }
    return checked;
}

TEST(SessionMenu, EveryPickIsCheckedAfterwardsAndLeavesTheOtherGroupsAlone) {
    SessionLightingChoice start;
    start.lock = LockLighting::Dim;
    start.dim = 7;
    start.idleMinutes = 10;
    start.sleep = SleepLighting::Off;
    for (const SessionMenuRow& row : sessionMenuRows(start)) {
        const SessionLightingChoice after = sessionChoiceAfter(start, row);
        const std::map<Group, int> checked = checkedValues(sessionMenuRows(after));
        ASSERT_EQ(checked.size(), 3u);
        EXPECT_EQ(checked.at(row.group), row.value);
        // The dim level is no row of its own and stays as set.
        EXPECT_EQ(after.dim, 7);
        if (row.group != Group::Lock) {
            EXPECT_EQ(after.lock, LockLighting::Dim);
        }
        if (row.group != Group::Idle) {
            EXPECT_EQ(after.idleMinutes, 10);
        }
        if (row.group != Group::Sleep) {
            EXPECT_EQ(after.sleep, SleepLighting::Off);
        }
    }
}

TEST(SessionMenu, TheDefaultKeepsEverythingAndAHandSetIdleTimeShows) {
    const std::map<Group, int> defaults = checkedValues(sessionMenuRows(SessionLightingChoice()));
    EXPECT_EQ(defaults.at(Group::Lock), static_cast<int>(LockLighting::Keep));
    EXPECT_EQ(defaults.at(Group::Idle), 0);
    EXPECT_EQ(defaults.at(Group::Sleep), static_cast<int>(SleepLighting::Keep));

    // `vandrelctl session set idle=7` is none of the offered times: the menu
    // shows it checked, in order, rather than no idle row at all.
    SessionLightingChoice handSet;
    handSet.idleMinutes = 7;
    std::vector<int> idle;
    for (const SessionMenuRow& r : sessionMenuRows(handSet))
        if (r.group == Group::Idle) idle.push_back(r.value);
    EXPECT_EQ(idle, (std::vector<int>{0, 5, 7, 10, 15, 30}));
    EXPECT_EQ(checkedValues(sessionMenuRows(handSet)).at(Group::Idle), 7);
}

}  // namespace
}  // namespace vandrel

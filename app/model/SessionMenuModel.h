#pragma once
// The notification-area menu's section for the session's lighting: what the
// keyboard's lights do when the session is locked, idle or asleep. Each row
// is one choice of a group; the checked row of each group is the current
// choice. The texts are the Chinese sources, translated where they are shown
// (context "SessionMenu").

#include <vector>

#include "profile/SessionLightingChoice.h"

namespace vandrel {

struct SessionMenuRow {
    enum class Group { Lock, Idle, Sleep };
    Group group;
    const char* text;  // "%n" stands for the minutes of an idle row
    int value;         // LockLighting, the idle minutes (0: never) or SleepLighting
    bool checked = false;
};

// The rows for `choice`, group by group; an idle time set by hand that is
// none of the offered ones gets a row of its own.
std::vector<SessionMenuRow> sessionMenuRows(const SessionLightingChoice& choice);
// The group headings.
const char* sessionMenuHeading(SessionMenuRow::Group group);
// The choice after the user picked `row`.
SessionLightingChoice sessionChoiceAfter(const SessionLightingChoice& choice, const SessionMenuRow& row);

}  // namespace vandrel

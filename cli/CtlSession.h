#pragma once
// vandrelctl session: what the keyboard's lights do while the desktop
// session is locked, asleep or idle. The choice lives in the program's
// settings; a running program follows the change at once.

#include <iosfwd>

#include "cli/CtlOptions.h"
#include "platform/SessionEventSource.h"

namespace vandrel {
class RuleSettings;
}

namespace vandrel::ctl {

// show [--json], set lock=off|dim|keep idle=MINUTES|never sleep=off|keep
// dim=0..50. With `offers` (what this desktop reports) the settings it
// cannot follow are marked. Returns the exit code.
int runSessionCommand(const Options& options, RuleSettings& settings, std::ostream& out, std::ostream& err,
                      const SessionEventSource::Offers* offers = nullptr);

}  // namespace vandrel::ctl

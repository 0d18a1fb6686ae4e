#pragma once
// vandrelctl rule: the rules that make the running program apply a profile
// while a window has the focus. They live in the program's settings; a
// running program follows the change at once.

#include <filesystem>
#include <iosfwd>

#include "cli/CtlOptions.h"

namespace vandrel {
class RuleSettings;
}

namespace vandrel::ctl {

// add, list, remove, default. A rule's profile must be one the profile
// dialog lists (a name of the profile folder). Returns the exit code.
int runRuleCommand(const Options& options, RuleSettings& settings, const std::filesystem::path& profileFolder,
                   std::ostream& out, std::ostream& err);

}  // namespace vandrel::ctl

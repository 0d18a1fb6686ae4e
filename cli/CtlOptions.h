#pragma once
// The command line of vandrelctl: which command, its arguments and the
// switches, checked before anything touches the keyboard or a file.

#include <string>
#include <vector>

#include "platform/Handoff.h"
#include "profile/ProfileRules.h"

namespace vandrel::ctl {

// The documented exit codes, which the running program answers with too.
using handoff::ExitCode;
using handoff::kExitDone;
using handoff::kExitFailed;
using handoff::kExitUsage;
using handoff::kExitNoKeyboard;
using handoff::kExitNoAccess;
using handoff::kExitNoAck;
using handoff::kExitBadFile;
using handoff::kExitNoAnswer;

enum class Command { None, Help, Version, List, Show, Set, Apply, Save, Reset, Export, Import, Watch, Rule, Session, Doctor, Diy };

struct Options {
    Command command = Command::None;
    std::vector<std::string> args;  // KEY=VALUE for set; diy's action and its words; the profile or file otherwise
    bool json = false;
    bool yes = false;
    bool demo = false;
    bool force = false;  // save: replace an existing file that is not a profile
    // rule add: --class, --title, --exe and --profile.
    ProfileRule rule;
    bool ruleFields = false;
};

struct ParseResult {
    Options options;
    std::string error;  // empty when the command line is good
    bool ok() const { return error.empty(); }
};

ParseResult parseCommandLine(const std::vector<std::string>& argv);

// The command's name as typed, for messages and the hand-off.
const char* commandName(Command c);

// Whether the command changes the keyboard (and so is one a running program
// must carry out itself).
bool changesKeyboard(Command c);

std::string helpText();
std::string versionText();

}  // namespace vandrel::ctl

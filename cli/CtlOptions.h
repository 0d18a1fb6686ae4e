#pragma once
// The command line of vandrelctl: which command, its arguments and the
// switches, checked before anything touches the keyboard or a file.

#include <string>
#include <vector>

#include "profile/ProfileRules.h"

namespace vandrel::ctl {

// The documented exit codes.
enum ExitCode : int {
    kExitDone = 0,
    kExitFailed = 1,      // refused or failed otherwise (a file could not be written, ...)
    kExitUsage = 2,       // the command line is wrong
    kExitNoKeyboard = 3,  // no keyboard found, or it went away
    kExitNoAccess = 4,    // the keyboard is there but its hidraw nodes cannot be opened
    kExitNoAck = 5,       // the keyboard did not acknowledge a write
    kExitBadFile = 6,     // a profile or JSON file is missing, unreadable or malformed
    kExitNoAnswer = 7,    // the running program did not answer in time, or takes no connection
};

enum class Command { None, Help, Version, List, Show, Set, Apply, Save, Reset, Export, Import, Watch, Rule, Session, Doctor };

struct Options {
    Command command = Command::None;
    std::vector<std::string> args;  // KEY=VALUE for set; the profile or file otherwise
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

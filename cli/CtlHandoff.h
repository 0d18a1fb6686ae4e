#pragma once
// Handing a command to the running program over its single-instance socket
// (the protocol of platform/Handoff.h), and deciding who carries a command out.

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/CtlOptions.h"
#include "config/ConfigJson.h"
#include "platform/Handoff.h"

namespace vandrel {
class SingleInstance;
}

namespace vandrel::ctl {

// handToRunningProgram's result when no program answered.
constexpr int kHandoffNobody = -1;
// The protocol's words and lines.
using handoff::kConfigurationWord;
using handoff::kDemoWord;
using handoff::kYesWord;
using handoff::encodeRequest;
using handoff::decodeRequest;
using handoff::encodeAnswer;
using handoff::decodeAnswer;

// How long a second vandrelctl waits for the first one to finish.
constexpr int kLockWaitMs = 30000;
// How long the program may take to carry a command out (a read and a write).
constexpr int kAnswerWaitMs = 60000;
// How long the program may take to describe its configuration: it answers
// from memory once its own transfer, if any, is over.
constexpr int kReadAnswerWaitMs = kLockWaitMs + 5000;

// Asks the running program to carry out a command that changes the keyboard
// (set, apply, and diy set, fill, import and copy); refuses the others with a
// message, except that the commands of readsFromRunningProgram never come
// here while it listens. Returns the exit code, or kHandoffNobody when no
// program listens (another vandrelctl holds the lock).
int handToRunningProgram(SingleInstance& instance, const Options& options, std::ostream& out, std::ostream& err);

// Whether a command writes to the keyboard or to a file (all but list, show
// and diy show).
bool writesAnything(const Options& o);

// How this process may go on with a command.
struct Access {
    bool exclusive = false;    // it holds the instance lock: it alone talks to the keyboard and writes the files
    bool fromProgram = false;  // show, save and export take the running program's configuration
};
// Decides who carries out a command, before it runs: returns kHandoffNobody
// when this process goes on (`access` says how), or the exit code once the
// running program carried it out, or after saying why it cannot run: no
// private folder for the lock (only list and show run then), a program that
// takes no connection (7), the lock still held after `lockWaitMs`.
int arrangeAccess(SingleInstance& instance, const Options& options, Access& access, std::ostream& out,
                  std::ostream& err, int lockWaitMs = kLockWaitMs);

// The commands that only read the keyboard's configuration (show, save,
// export, diy show and diy export): while the program runs they take it from
// the program, which holds what it last read from or wrote to the keyboard.
bool readsFromRunningProgram(const Options& o);
// The running program's configuration. Returns an exit code, after saying
// why on `err` when it is not kExitDone.
int configurationFromProgram(const SingleInstance& instance, bool demo, config::Configuration& config, std::ostream& err,
                             int waitMs = kReadAnswerWaitMs);

}  // namespace vandrel::ctl

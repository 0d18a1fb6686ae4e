#pragma once
// Runs one vandrelctl command against a transport (the keyboard through
// hidapi, or the simulated keyboard) and the data folder, printing to the
// given streams. Returns the exit code.

#include <filesystem>
#include <functional>
#include <iosfwd>

#include "cli/CtlOptions.h"
#include "device/Clock.h"
#include "device/DeviceSession.h"
#include "device/Transport.h"
#include "keymap/KeyRecord.h"

namespace vandrel::ctl {

struct Environment {
    Transport& transport;
    Clock& clock;
    std::filesystem::path dataFolder;     // keymap.bin, MacroDefine.bin
    std::filesystem::path profileFolder;  // the profiles
    std::ostream& out;
    std::ostream& err;
    // Progress of a write on `err` (a terminal).
    bool progress = false;
    // Asks before a factory reset; empty when there is nobody to ask.
    std::function<bool()> confirmReset;
    SessionOptions session;
};

int runCommand(const Options& options, Environment& env);

// Where a PROFILE argument points: a path when it names an existing file or
// contains a separator or ends in ".bin", else <profileFolder>/<name>.bin.
// Empty when the name cannot be a profile.
std::filesystem::path profilePath(const std::string& argument, const std::filesystem::path& profileFolder);

// Loads a profile file: exactly keymap.bin's size. False with a message otherwise.
bool loadProfileFile(const std::filesystem::path& file, DeviceImage& image, KeyRecordTable& records,
                     std::string& error);

// The exit code of a transfer that did not complete.
int exitCodeOf(TransferOutcome outcome);

}  // namespace vandrel::ctl

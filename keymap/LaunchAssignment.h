#pragma once
// Keys with a launch assignment: the keyboard reports the key's home code on the
// listening channel and the desktop starts the file, program or folder stored
// in the key's record.

#include <cstdint>
#include <optional>
#include <string>

#include "keymap/KeyRecord.h"

namespace vandrel {

// What the user interface provides to open a file in a folder (documents and
// folders with their default application, programs started in that folder).
// It does not wait for the started program and reports no failure.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void startFile(const std::u16string& folder, const std::u16string& file) = 0;
};

struct LaunchTarget {
    std::u16string folder;
    std::u16string file;
};

// Splits a stored path at its last backslash or slash: the folder before it and
// the file after it. Without a separator the whole path is the folder and the
// file is empty. A separator at the very start stays as the folder (the root).
LaunchTarget SplitLaunchPath(const std::u16string& path);

// The first slot (0..254) whose record is a launch assignment (types 4..7) for
// the low byte of `code`; none when no record matches.
std::optional<int> FindLaunchSlot(uint32_t code, const KeyRecordTable& records);

// The record's launch path, read inside its 256-unit field whatever the bytes.
std::u16string LaunchPathOf(const KeyRecord& record);

// Looks the code up and hands the stored path to the shell. Returns whether a
// launch record was found; with none, the shell is not called.
bool RunLaunchAssignment(uint32_t code, const KeyRecordTable& records, Shell& shell);

}  // namespace vandrel

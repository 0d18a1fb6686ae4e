#pragma once
// A profile on disk: how a profile name becomes its file, what a PROFILE
// argument (a name or a path) names, and loading a profile file into a
// configuration. The command-line tool, the profile dialog, the D-Bus
// interface and automatic switching all go through these.

#include <filesystem>
#include <string>

#include "device/DeviceImage.h"
#include "keymap/KeyRecord.h"

namespace vandrel {

// The file of the profile named `utf8Name` in `folder`: <folder>/<name>.bin,
// in the file system's own encoding. The name is taken as it is.
std::filesystem::path profileFilePath(const std::filesystem::path& folder, const std::string& utf8Name);
// The same for a name in UTF-16, as the profile list holds it.
std::filesystem::path profileFilePath(const std::filesystem::path& folder, const std::u16string& name);

// Why a PROFILE argument names no file.
enum class ProfileTargetProblem {
    None,
    NotAName,  // a bare name that cannot be a profile name
    TooLong,   // a file name longer than the file system takes
};

// What a PROFILE argument names. A bare name is the profile of that name:
// <profileFolder>/<name>.bin. A name with a folder in it, or ending in ".bin",
// is a file path as typed.
struct ProfileTarget {
    std::filesystem::path file;    // empty when the argument names nothing
    bool inProfileFolder = false;  // a bare name
    ProfileTargetProblem problem = ProfileTargetProblem::None;
    std::string error;  // why it names nothing, for the user
    bool ok() const { return !file.empty(); }
};
ProfileTarget profileTarget(const std::string& argument, const std::filesystem::path& folder);
// Whether a PROFILE argument is a file path rather than a profile name.
bool namesAFile(const std::string& argument);

// How reading a profile file went.
enum class ProfileFileRead {
    Loaded,
    Missing,
    Unreadable,   // there, but it cannot be read (a folder, no permission, ...)
    NotAProfile,  // of no size a profile has
};

// Loads a profile file: keymap.bin's size, or the image block alone (the
// key records then stay as they were). The key records' home codes are
// restored and the records reconciled with the image. On failure nothing
// changes and `error` says why.
ProfileFileRead readProfileFile(const std::filesystem::path& file, DeviceImage& image, KeyRecordTable& records,
                                std::string& error);
// The same, true when it loaded.
bool loadProfileFile(const std::filesystem::path& file, DeviceImage& image, KeyRecordTable& records,
                     std::string& error);

}  // namespace vandrel

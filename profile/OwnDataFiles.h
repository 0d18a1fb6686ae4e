#pragma once
// The program's own data files, which no export, profile save or other
// user-chosen target may replace: keymap.bin, MacroDefine.bin, the
// remembered game mode, the profile switching's way back and write times,
// the simulated keyboard's DemoKeyboard.bin and its lock file in a data
// folder, VER.bin in the program folder (and in a data folder, which is
// the demo window's program folder in a build tree), and every file of a data
// folder's History folder. Written
// over by a profile or a JSON file, they would come back as garbage at the
// next start.

#include <filesystem>
#include <vector>

namespace vandrel {

// The simulated keyboard's memory, beside the demo's data files.
inline constexpr const char* kDemoStateFileName = "DemoKeyboard.bin";
// The simulated keyboard's lock beside it (SimStateFile::lockPath): replaced,
// it would let a second writer in beside the one holding the old file.
inline constexpr const char* kDemoLockFileName = "DemoKeyboard.lock";

class OwnDataFiles {
public:
    OwnDataFiles() = default;
    OwnDataFiles(const std::vector<std::filesystem::path>& dataFolders, const std::filesystem::path& programFolder);

    // Whether `file` is one of them: the same file reached another way (a
    // link, another spelling of the folder) or, when it does not exist yet,
    // the same name in the same folder. Never throws.
    bool contains(const std::filesystem::path& file) const;

private:
    std::vector<std::filesystem::path> m_files;
    std::vector<std::filesystem::path> m_folders;
};

}  // namespace vandrel

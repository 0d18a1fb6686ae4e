#include "profile/OwnDataFiles.h"

#include <system_error>

#include "keymap/KeymapFile.h"
#include "macro/MacroStoreFile.h"
#include "profile/GameModeMemory.h"
#include "profile/SnapshotStore.h"
#include "profile/SwitchWriteLog.h"
#include "update/AppVersion.h"

namespace vandrel {

namespace fs = std::filesystem;

namespace {

// The path with its links and "." and ".." resolved as far as it exists; as
// given when even that fails. A link to a file not made yet is followed too:
// writing through it would make that file.
fs::path resolved(const fs::path& p) {
    std::error_code ec;
    fs::path at = fs::absolute(p, ec);
    if (ec) at = p;
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(at, ec)); ++hops) {
        const fs::path target = fs::read_symlink(at, ec);
        if (ec) break;
        at = target.is_absolute() ? target : at.parent_path() / target;
    }
    ec.clear();
    fs::path out = fs::weakly_canonical(at, ec);
    if (ec || out.empty()) out = at;
    return out;
}

bool sameEntry(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;
    return resolved(a) == resolved(b);
}

}  // namespace

OwnDataFiles::OwnDataFiles(const std::vector<fs::path>& dataFolders, const fs::path& programFolder) {
    for (const fs::path& folder : dataFolders) {
        if (folder.empty()) continue;
        // VER.bin too: in a build tree the demo window's data folder is its
        // program folder.
        for (const char* name : {kKeymapFileName, kMacroFileName, kSavedMacroFileName, kDemoStateFileName,
                                 GameModeMemory::kFileName, kVersionFileName, kSwitchReturnFileName,
                                 kSwitchWriteLogName})
            m_files.push_back(folder / name);
        m_folders.push_back(folder / kSnapshotFolderName);
        m_files.push_back(folder / kDemoLockFileName);
    }
    if (!programFolder.empty()) m_files.push_back(programFolder / kVersionFileName);
}

bool OwnDataFiles::contains(const fs::path& file) const {
    if (file.empty()) return false;
    for (const fs::path& own : m_files)
        if (sameEntry(file, own)) return true;
    fs::path folder = resolved(file).parent_path();
    for (const fs::path& own : m_folders)
        if (sameEntry(folder, own)) return true;
    return false;
}

}  // namespace vandrel

#include "profile/OwnDataFiles.h"

#include <system_error>

#include "keymap/KeymapFile.h"
#include "macro/MacroStoreFile.h"
#include "profile/SnapshotStore.h"
#include "update/AppVersion.h"

namespace vandrel {

namespace fs = std::filesystem;

namespace {

// The path with its links and "." and ".." resolved as far as it exists; as
// given when even that fails.
fs::path resolved(const fs::path& p) {
    std::error_code ec;
    fs::path out = fs::weakly_canonical(p, ec);
    if (ec || out.empty()) {
        ec.clear();
        out = fs::absolute(p, ec);
        if (ec) out = p;
    }
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
        for (const char* name : {kKeymapFileName, kMacroFileName, kDemoStateFileName}) m_files.push_back(folder / name);
        m_folders.push_back(folder / kSnapshotFolderName);
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

#include "macro/MacroStoreFile.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "util/AtomicFile.h"

namespace vandrel {

void loadMacroStoreBytes(MacroStore& store, const uint8_t* data, size_t size) {
    store.clear();
    std::memcpy(store.bytes(), data, std::min(size, sizeof(MacroStore)));
}

MacroLoad LoadMacroStore(MacroStore& store, const std::filesystem::path& folder, std::error_code* why) {
    const std::filesystem::path path = folder / kMacroFileName;
    std::vector<uint8_t> bytes;
    switch (readFilePrefix(path, sizeof(MacroStore), bytes, why)) {
    case FileResult::Ok:
        loadMacroStoreBytes(store, bytes.data(), bytes.size());
        return MacroLoad::Loaded;
    case FileResult::Missing:
        store.clear();
        return writeFileAtomic(path, {{store.bytes(), sizeof(MacroStore)}}, why) == FileResult::Ok
                   ? MacroLoad::Created
                   : MacroLoad::CreateFailed;
    default:
        // An existing file that cannot be read is left alone rather than replaced
        // by an empty store.
        store.clear();
        return MacroLoad::ReadFailed;
    }
}

bool SaveMacroStore(const MacroStore& store, const std::filesystem::path& folder, std::error_code* why) {
    return writeFileAtomic(folder / kMacroFileName, {{store.bytes(), sizeof(MacroStore)}}, why) == FileResult::Ok;
}

bool SaveMacroBaseline(const MacroStore& store, const std::filesystem::path& folder, std::error_code* why) {
    const std::filesystem::path path = folder / kSavedMacroFileName;
    if (writeFileAtomic(path, {{store.bytes(), sizeof(MacroStore)}}, why) == FileResult::Ok) return true;
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return false;
}

bool SaveMacroStoreAsSaved(const MacroStore& store, const std::filesystem::path& folder, std::error_code* why) {
    if (!SaveMacroStore(store, folder, why)) return false;
    return SaveMacroBaseline(store, folder, why);
}

MacroBaselineCheck CheckMacroBaseline(MacroStore& store, const std::filesystem::path& folder, std::error_code* why) {
    std::vector<uint8_t> bytes;
    switch (readFilePrefix(folder / kSavedMacroFileName, sizeof(MacroStore), bytes, why)) {
    case FileResult::Ok: break;
    case FileResult::Missing:
        return SaveMacroBaseline(store, folder, why) ? MacroBaselineCheck::Taken : MacroBaselineCheck::Failed;
    default: return MacroBaselineCheck::Failed;
    }
    // Only a whole copy is trusted; anything else is replaced by the store as it is.
    if (bytes.size() != sizeof(MacroStore))
        return SaveMacroBaseline(store, folder, why) ? MacroBaselineCheck::Taken : MacroBaselineCheck::Failed;
    auto saved = std::make_unique<MacroStore>();
    loadMacroStoreBytes(*saved, bytes.data(), bytes.size());
    if (*saved == store) return MacroBaselineCheck::Same;
    if (!SaveMacroStore(*saved, folder, why)) return MacroBaselineCheck::Failed;
    store = *saved;
    return MacroBaselineCheck::Restored;
}

}  // namespace vandrel

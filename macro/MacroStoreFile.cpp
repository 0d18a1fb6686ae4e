#include "macro/MacroStoreFile.h"

#include <algorithm>
#include <cstring>
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

}  // namespace vandrel

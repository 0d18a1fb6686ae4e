// Puts the input into a profile folder as a profile, an import file and a new
// profile name, beside a good profile, then scans, loads, copies and renames.
// Input of a size no profile has is left out of the list. Nothing may appear
// outside the profile folder.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "profile/ProfileStore.h"

namespace fs = std::filesystem;
using namespace vandrel;

namespace {

void writeFile(const fs::path& p, const uint8_t* data, size_t size) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    struct WorkFolder {
        fs::path path = fs::temp_directory_path() / ("vandrel-fuzz-profile-" + std::to_string(getpid()));
        ~WorkFolder() {
            std::error_code ec;
            fs::remove_all(path, ec);
        }
    };
    static const WorkFolder work;
    const fs::path& root = work.path;
    const fs::path folder = root / "Configure";
    std::error_code ec;
    fs::remove_all(root, ec);
    fs::create_directories(folder);

    writeFile(folder / "A.bin", data, size);
    static const DeviceImage factory = FactoryImage();
    writeFile(folder / "Z.bin", factory.bytes(), sizeof factory);
    writeFile(root / "import.dat", data, size);

    // The first bytes, read as UTF-16 code units, are the new name.
    std::u16string name;
    for (size_t i = 0; i + 1 < size && i < 64; i += 2)
        name.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));

    ProfileStore store(folder);
    store.scanProfiles();
    const bool sizeFits = IsProfileFileSize(size);
    if (store.count() != (sizeFits ? 2u : 1u) || store.leftOut().size() != (sizeFits ? 0u : 1u)) std::abort();
    static DeviceImage image;
    static KeyRecordTable records;
    const DeviceImage before = image;
    const ProfileResult loaded = store.loadProfile(0, root / "import.dat", image, records);
    if (!sizeFits && loaded != ProfileResult::NotAProfile) std::abort();
    if (sizeFits && loaded != ProfileResult::Done && loaded != ProfileResult::BlankProfile &&
        loaded != ProfileResult::BadValue && loaded != ProfileResult::EveryKeyDisabled)
        std::abort();
    // A refused file leaves memory as it was; a taken one holds values the keyboard takes.
    if (loaded != ProfileResult::Done && image != before) std::abort();
    if (loaded == ProfileResult::Done && FindBadSetting(image)) std::abort();
    for (int s = 0; s < kPhysicalSlots && loaded == ProfileResult::Done; ++s)
        if (records[s].homeVk != SlotHomeVk[s]) std::abort();
    store.copyProfile(0);
    store.renameProfile(0, name);
    store.newProfile();
    if (store.count() > kMaxProfiles) std::abort();

    size_t outside = 0;
    for (const auto& e : fs::directory_iterator(root)) outside += e.path().filename() != "Configure" &&
                                                                  e.path().filename() != "import.dat";
    if (outside) std::abort();
    return 0;
}

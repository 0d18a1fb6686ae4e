// Writes the input as keymap.bin, loads it (with and without the image), derives
// the flags, looks every code up as a launch key and saves the result again.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "keymap/KeymapFile.h"
#include "keymap/LaunchAssignment.h"

namespace fs = std::filesystem;
using namespace vandrel;

namespace {

struct CheckingShell : Shell {
    void startFile(const std::u16string& folder, const std::u16string& file) override {
        if (folder.size() + file.size() > kKeyRecordPathUnits) std::abort();
    }
};

struct WorkFolder {
    fs::path path = fs::temp_directory_path() / ("vandrel-fuzz-keymap-" + std::to_string(getpid()));
    WorkFolder() { fs::create_directories(path); }
    ~WorkFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

const fs::path& workFolder() {
    static const WorkFolder folder;
    return folder.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path folder = workFolder();
    {
        std::ofstream f(KeymapFilePath(folder), std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    static DeviceImage image;
    static KeyRecordTable records;
    static ReassignedFlags flags;
    for (bool skip : {true, false}) {
        bool flag = skip;
        if (LoadKeymapFile(folder, image, records, flag) != KeymapLoadResult::Loaded) std::abort();
        if (flag) std::abort();
        for (int s = 0; s < kPhysicalSlots; ++s)
            if (records[s].homeVk != SlotHomeVk[s]) std::abort();
    }
    DeriveReassignedFlags(image, records, flags);
    if (flags[kFnSlot] != 0) std::abort();

    CheckingShell shell;
    for (uint32_t code = 0; code < 256; ++code) RunLaunchAssignment(code, records, shell);

    if (!SaveKeymapFile(folder, image, records)) std::abort();
    static DeviceImage image2;
    static KeyRecordTable records2;
    bool flag = false;
    LoadKeymapFile(folder, image2, records2, flag);
    if (!(image2 == image) || !(records2 == records)) std::abort();
    return 0;
}

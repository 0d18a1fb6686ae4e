#include "keymap/KeymapFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "keymap/KeyState.h"
#include "util/AtomicFile.h"

namespace vandrel {

std::filesystem::path KeymapFilePath(const std::filesystem::path& dataFolder) {
    return dataFolder / kKeymapFileName;
}

void ApplyConfigurationBytes(const uint8_t* data, size_t size, DeviceImage* image, KeyRecordTable& records) {
    const size_t imageBytes = std::min(size, sizeof(DeviceImage));
    if (image && imageBytes) std::memcpy(image->bytes(), data, imageBytes);
    if (size > sizeof(DeviceImage)) {
        const size_t recordBytes = std::min(size - sizeof(DeviceImage), sizeof(KeyRecordTable));
        std::memcpy(records.bytes(), data + sizeof(DeviceImage), recordBytes);
    }
}

bool WriteConfigurationFile(const std::filesystem::path& file, const DeviceImage& image,
                            const KeyRecordTable& records, std::error_code* why) {
    return writeFileAtomic(file, {{image.bytes(), sizeof(DeviceImage)}, {records.bytes(), sizeof(KeyRecordTable)}},
                           why) == FileResult::Ok;
}

KeymapLoadResult LoadKeymapFile(const std::filesystem::path& dataFolder, DeviceImage& image,
                                KeyRecordTable& records, bool& skipImageOnNextLoad, std::error_code* why) {
    const bool skipImage = skipImageOnNextLoad;
    skipImageOnNextLoad = false;
    const std::filesystem::path file = KeymapFilePath(dataFolder);

    std::vector<uint8_t> bytes;
    KeymapLoadResult result;
    switch (readFilePrefix(file, kKeymapFileBytes, bytes, why)) {
        case FileResult::Ok:
            ApplyConfigurationBytes(bytes.data(), bytes.size(), skipImage ? nullptr : &image, records);
            result = KeymapLoadResult::Loaded;
            break;
        case FileResult::Missing:
            records.clear();
            result = WriteConfigurationFile(file, image, records, why) ? KeymapLoadResult::Created
                                                                  : KeymapLoadResult::CreateFailed;
            break;
        default:
            // Something is there that cannot be read (no permission, a folder):
            // replacing it would destroy whatever it holds.
            result = KeymapLoadResult::Unreadable;
            break;
    }
    records.restoreHomeCodes();
    return result;
}

bool SaveKeymapFile(const std::filesystem::path& dataFolder, const DeviceImage& image,
                    const KeyRecordTable& records, std::error_code* why) {
    return WriteConfigurationFile(KeymapFilePath(dataFolder), image, records, why);
}

bool DeriveReassignedFlag(const DeviceImage& image, const KeyRecordTable& records, int s) {
    if (s < 0 || s >= kPhysicalSlots || s == kFnSlot) return false;
    const uint8_t* e = &image.deviceKeyMap[SlotCellOffset[s]];
    const uint8_t* f = &FactoryKeyTable[SlotCellOffset[s]];
    const KeyRecord& r = records[s];
    return e[2] != f[2] || r.type != 0 || (r.data[0] != SlotHomeVk[s] && r.length == 1) || !IsKeyEnabled(image, s);
}

void DeriveReassignedFlags(const DeviceImage& image, const KeyRecordTable& records, ReassignedFlags& flags) {
    for (int s = 0; s < kPhysicalSlots; ++s) flags[s] = DeriveReassignedFlag(image, records, s) ? 1 : 0;
    flags[kFnSlot] = 0;
}

}  // namespace vandrel

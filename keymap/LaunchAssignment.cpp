#include "keymap/LaunchAssignment.h"

#include "keymap/KeyAssignment.h"
#include "util/Utf16.h"

namespace vandrel {

LaunchTarget SplitLaunchPath(const std::u16string& path) {
    const size_t sep = path.find_last_of(u"\\/");
    if (sep == std::u16string::npos) return {path, u""};
    // "/song.mp3" lives in the root, not in an empty (current) folder.
    if (sep == 0) return {path.substr(0, 1), path.substr(1)};
    return {path.substr(0, sep), path.substr(sep + 1)};
}

std::optional<int> FindLaunchSlot(uint32_t code, const KeyRecordTable& records) {
    const uint8_t c = static_cast<uint8_t>(code & 0xFF);
    for (int s = 0; s < kRecordSlots; ++s) {
        const KeyRecord& r = records[s];
        if (isLaunchType(r.type) && r.homeVk == c) return s;
    }
    return std::nullopt;
}

std::u16string LaunchPathOf(const KeyRecord& record) { return readUtf16Field(record.path, kKeyRecordPathUnits); }

bool RunLaunchAssignment(uint32_t code, const KeyRecordTable& records, Shell& shell) {
    const std::optional<int> slot = FindLaunchSlot(code, records);
    if (!slot) return false;
    const LaunchTarget target = SplitLaunchPath(LaunchPathOf(records[*slot]));
    shell.startFile(target.folder, target.file);
    return true;
}

}  // namespace vandrel

#pragma once
// The configuration history: before a save changes the keyboard, the
// configuration it replaces (image, key records, macros) is kept as a
// snapshot file, so that an earlier configuration can be brought back.
//
// A snapshot is "snapshot-<time>.bin" in its own folder, <time> being the
// milliseconds since 1970 in 16 digits, so that names sort by time. The file
// is keymap.bin's layout followed by MacroDefine.bin's, byte for byte. Files
// are written atomically; the newest `maxCount` are kept, and older ones go
// while the folder holds more than `maxBytes`. A file of another size, a
// temporary file left by a write that was cut short, or any other name is
// never listed.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "device/DeviceImage.h"
#include "keymap/KeyRecord.h"
#include "macro/MacroRecord.h"

namespace vandrel {

struct Snapshot {
    DeviceImage image;
    KeyRecordTable keys;
    MacroStore macros;
};

struct SnapshotEntry {
    int64_t takenMs = 0;  // when it was taken, milliseconds since 1970 (UTC)
    std::filesystem::path path;
};

constexpr size_t kSnapshotFileBytes = sizeof(DeviceImage) + sizeof(KeyRecordTable) + sizeof(MacroStore);

class SnapshotStore {
public:
    static constexpr size_t kDefaultCount = 20;
    static constexpr uintmax_t kDefaultBytes = 10u * 1024 * 1024;

    explicit SnapshotStore(std::filesystem::path folder, size_t maxCount = kDefaultCount,
                           uintmax_t maxBytes = kDefaultBytes);

    const std::filesystem::path& folder() const { return m_folder; }

    // Writes a snapshot taken at `takenMs` (the folder is created when
    // missing), then drops the oldest beyond the limits and the temporary
    // files of writes that were cut short. False when it could
    // not be written; the earlier snapshots are untouched then.
    bool add(const Snapshot& snapshot, int64_t takenMs);
    // Newest first.
    std::vector<SnapshotEntry> list() const;
    // False when the file is gone or not a whole snapshot.
    bool load(const SnapshotEntry& entry, Snapshot& out) const;

private:
    void prune() const;

    std::filesystem::path m_folder;
    size_t m_maxCount;
    uintmax_t m_maxBytes;
};

}  // namespace vandrel

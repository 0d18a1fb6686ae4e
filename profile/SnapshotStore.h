#pragma once
// The configuration history: before something replaces the keyboard's
// configuration (a save, a factory reset, a profile applied or imported) or
// the one being edited (a profile loaded in the window), the configuration
// replaced (image, key records, macros) is kept as a snapshot file, so that an
// earlier configuration can be brought back.
//
// A snapshot is "snapshot-<n>-<time>.bin" in its own folder: <n> counts the
// snapshots in the order they were taken (12 digits) and <time> is the
// milliseconds since 1970 (16 digits) when it was taken. The order comes from
// <n>, never from the time, so that a clock set wrong or corrected backwards
// cannot make a new snapshot look old. Files named by the time alone
// ("snapshot-<time>.bin", from before the count) are older than every counted
// one and ordered by their time. The file is keymap.bin's layout followed by
// MacroDefine.bin's, byte for byte. Files are written atomically; the newest
// `maxCount` are kept, and older ones go while the folder holds more than
// `maxBytes`. A snapshot file of the wrong size or kind is listed as
// incomplete (it cannot be read); a temporary file left by a write that was
// cut short, or any other name, is never listed.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <system_error>
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
    uint64_t sequence = 0;  // the order of taking; 0 for a file named by its time alone
    int64_t takenMs = 0;    // when it was taken, milliseconds since 1970 (UTC)
    std::filesystem::path path;
    bool complete = true;   // a regular file of a snapshot's size; otherwise it cannot be read
};

constexpr size_t kSnapshotFileBytes = sizeof(DeviceImage) + sizeof(KeyRecordTable) + sizeof(MacroStore);

// The snapshot folder's name inside the data folder.
constexpr const char* kSnapshotFolderName = "History";

// The first setting of a snapshot's configuration that no keyboard holds (a
// value outside what the program and vandrelctl set, or every key disabled),
// by its vandrelctl name; null when every value is possible. A snapshot that
// fails this is damaged and is not offered for restoring.
const char* firstImpossibleSnapshotValue(const DeviceImage& image);

class SnapshotStore {
public:
    static constexpr size_t kDefaultCount = 20;
    static constexpr uintmax_t kDefaultBytes = 10u * 1024 * 1024;

    explicit SnapshotStore(std::filesystem::path folder, size_t maxCount = kDefaultCount,
                           uintmax_t maxBytes = kDefaultBytes);

    const std::filesystem::path& folder() const { return m_folder; }

    // Writes a snapshot taken at `takenMs` as the newest (the folder is
    // created when missing), then drops the oldest beyond the limits and the
    // temporary files of writes that were cut short. The one just written is
    // never dropped. False when it could not be written, with the reason in
    // `why`; the earlier snapshots are untouched then.
    bool add(const Snapshot& snapshot, int64_t takenMs, std::error_code* why = nullptr);
    // The same, unless the newest snapshot already holds this configuration
    // (then nothing is written). True when it is in the history afterwards.
    bool keep(const Snapshot& snapshot, int64_t takenMs, std::error_code* why = nullptr);
    // Newest first, by the order they were taken; incomplete files included.
    std::vector<SnapshotEntry> list() const;
    // False when the file is gone or not a whole snapshot.
    bool load(const SnapshotEntry& entry, Snapshot& out) const;

private:
    void prune(const std::filesystem::path& keep) const;

    std::filesystem::path m_folder;
    size_t m_maxCount;
    uintmax_t m_maxBytes;
};

}  // namespace vandrel

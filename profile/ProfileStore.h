#pragma once
// Profiles: whole configurations (DeviceImage and KeyRecordTable) kept as
// "<name>.bin" files in one folder, at most six of them. The store lists them,
// creates, copies, renames and deletes the files, stores the configuration in
// memory into a profile and loads a chosen file into memory. It never talks to
// the keyboard and writes every file atomically.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "device/DeviceImage.h"
#include "keymap/KeyRecord.h"
#include "profile/ConfigurationCheck.h"
#include "util/TrNoop.h"

namespace vandrel {

constexpr size_t kMaxProfiles = 6;
constexpr int kNoRow = -1;

// What an operation did, so the dialog can say the right thing.
enum class ProfileResult {
    Done,
    Full,          // six profiles already: nothing created
    NoSelection,   // no row, or a row that does not exist
    OnlyOneLeft,   // the last profile is never deleted
    NameRefused,   // the name is empty, "." or "..", or holds a separator or a character files cannot carry
    NameInUse,     // another profile or file already has that name: no file changed
    Unchanged,     // renamed to its own name: no file changed
    RenameFailed,  // the file could not be renamed: both names as they were
    ReadFailed,    // the source could not be read: nothing changed
    NotAProfile,   // the file's size is not that of a profile: nothing changed
    BlankProfile,  // the file's image is all zero (an earlier version's "new"): nothing changed
    BadValue,      // a setting of the file's image is one the keyboard cannot take: nothing changed
    EveryKeyDisabled,  // the file disables every key and that was not confirmed: nothing changed
    WriteFailed,   // a file could not be written (for a load: memory was loaded, the profile not stored)
    ExportFailed,  // a save stored the profile, but its export file could not be written
    DeleteFailed,  // the file could not be removed: the row stays
};

// What a copy's name starts with; the window gives it in its own language.
inline constexpr const char16_t* kCopyProfilePrefix = VANDREL_TR_NOOP16("vandrel::ProfileStore", "复制 ");

struct ProfileEntry {
    std::u16string name;          // what the list shows: the file name without ".bin"
    std::filesystem::path path;   // the file itself
};

class ProfileStore {
public:
    explicit ProfileStore(std::filesystem::path folder);

    const std::filesystem::path& folder() const { return m_folder; }

    // Lists the folder again: regular "*.bin" files of a profile's size in
    // file-name order; the seventh file ends the listing, so it and the files
    // after it are not listed. Rows are sorted by name. A missing folder gives
    // an empty list. Other "*.bin" entries (an empty file, a huge one, a
    // folder, a FIFO) are left out and named by leftOut().
    void scanProfiles();

    const std::vector<ProfileEntry>& profiles() const { return m_rows; }
    // The file names of the last scan's "*.bin" entries that are not
    // profiles, in file-name order.
    const std::vector<std::u16string>& leftOut() const { return m_leftOut; }
    size_t count() const { return m_rows.size(); }
    std::optional<int> findRow(const std::u16string& name) const;

    // Every operation that changes the folder ends with a fresh scan. Rows are
    // indices into profiles() as it was before the call; kNoRow = no selection.
    // A new profile holds only the image block, `content`: a configuration
    // the keyboard takes, so that loading it never empties the keyboard.
    ProfileResult newProfile(const DeviceImage& content = FactoryImage());
    ProfileResult copyProfile(int row);
    void setCopyPrefix(std::u16string prefix) { m_copyPrefix = std::move(prefix); }
    ProfileResult renameProfile(int row, const std::u16string& newText);
    ProfileResult deleteProfile(int row);
    // Stores the configuration into the row's file and, when given, into the
    // export file too; each is tried whatever became of the other. WriteFailed
    // when the profile was not stored, ExportFailed when only the export was
    // not; `why` receives the reasons.
    struct SaveErrors {
        std::error_code profile;
        std::error_code exported;
    };
    ProfileResult saveProfile(int row, const DeviceImage& image, const KeyRecordTable& records,
                              const std::optional<std::filesystem::path>& exportPath = std::nullopt,
                              SaveErrors* why = nullptr);
    // Reads a profile file into memory, then stores memory into the row's
    // file. A file holding only the image (a new profile) leaves the key
    // records as they were. Anything that is not the image followed by whole
    // key records is refused before memory is touched, and so is an image
    // that is blank or holds a setting the keyboard cannot take (the first
    // one goes to `bad`). An image that disables every key is taken only when
    // `confirmEveryKeyDisabled` says yes.
    ProfileResult loadProfile(int row, const std::filesystem::path& importPath, DeviceImage& image,
                              KeyRecordTable& records, const std::function<bool()>& confirmEveryKeyDisabled = {},
                              BadSetting* bad = nullptr);

private:
    bool validRow(int row) const { return row >= 0 && static_cast<size_t>(row) < m_rows.size(); }
    std::vector<std::u16string> names() const;
    std::vector<std::u16string> namesInFolder() const;
    // The first name `make` gives that no entry of the folder has.
    std::u16string freeName(const std::function<std::u16string(const std::vector<std::u16string>&)>& make) const;

    std::filesystem::path m_folder;
    std::vector<ProfileEntry> m_rows;
    std::vector<std::u16string> m_leftOut;
    std::u16string m_copyPrefix = kCopyProfilePrefix;
};

// "Profile_1" .. "Profile_9", "Profile010" .. "Profile098", "Profile99", ...:
// the first that no name in `taken` equals.
std::u16string NextProfileName(const std::vector<std::u16string>& taken);

// "复制 <source>", or "复制 <source> <n>" with the lowest n from 1 that is free.
std::u16string CopyProfileName(const std::u16string& source, const std::vector<std::u16string>& taken,
                               const std::u16string& prefix = kCopyProfilePrefix);

// Whether a file of this size can be a profile: the 10060-byte image followed
// by up to 255 whole key records.
bool IsProfileFileSize(size_t size);

// Whether a name can be a profile file in the folder (see NameRefused).
bool IsValidProfileName(const std::u16string& name);

// The order of the profile list: letters compared without case, then by code unit.
bool ProfileNameLess(const std::u16string& a, const std::u16string& b);

// Paths and UTF-16 texts, in the file system's own encoding.
std::filesystem::path PathFromUtf16(const std::u16string& text);
std::u16string Utf16FromPath(const std::filesystem::path& path);

}  // namespace vandrel

#include "profile/ProfileStore.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <system_error>

#include "keymap/KeyRecordReconcile.h"
#include "keymap/KeymapFile.h"
#include "profile/ProfileFile.h"
#include "util/AtomicFile.h"
#include "util/Utf16.h"

namespace vandrel {

namespace fs = std::filesystem;

namespace {

const std::u16string kExtension = u".bin";

bool endsWithExtension(const std::u16string& s) {
    return s.size() >= kExtension.size() && s.compare(s.size() - kExtension.size(), kExtension.size(), kExtension) == 0;
}

std::u16string number(unsigned n) { return decimalUtf16(n); }

bool contains(const std::vector<std::u16string>& names, const std::u16string& n) {
    return std::find(names.begin(), names.end(), n) != names.end();
}

}  // namespace

fs::path PathFromUtf16(const std::u16string& text) {
#ifdef _WIN32
    return fs::path(std::wstring(text.begin(), text.end()));
#else
    return fs::path(utf16ToUtf8(text));
#endif
}

std::u16string Utf16FromPath(const fs::path& path) {
#ifdef _WIN32
    const std::wstring w = path.wstring();
    return std::u16string(w.begin(), w.end());
#else
    return utf8ToUtf16(path.string());
#endif
}

bool ProfileNameLess(const std::u16string& a, const std::u16string& b) { return compareFoldedNames(a, b) < 0; }

std::u16string NextProfileName(const std::vector<std::u16string>& taken) {
    for (unsigned i = 1;; ++i) {
        std::u16string name;
        if (i <= 9)
            name = u"Profile_" + number(i);
        else if (i <= 98)
            name = u"Profile0" + number(i);
        else
            name = u"Profile" + number(i);
        if (!contains(taken, name)) return name;
    }
}

std::u16string CopyProfileName(const std::u16string& source, const std::vector<std::u16string>& taken,
                               const std::u16string& prefix) {
    const std::u16string base = prefix + source;
    if (!contains(taken, base)) return base;
    for (unsigned i = 1;; ++i) {
        std::u16string name = base + u" " + number(i);
        if (!contains(taken, name)) return name;
    }
}

// Invisible format characters: the soft hyphen, zero-width spaces and joiners,
// direction marks, embeddings, overrides and isolates, invisible operators,
// the byte-order mark, interlinear annotation marks. A name holding one shows
// as another name, or shows its text reversed.
static bool isInvisibleFormat(char16_t c) {
    return c == 0x00AD || c == 0x061C || c == 0x180E || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF ||
           (c >= 0xFFF9 && c <= 0xFFFB);
}

bool IsValidProfileName(const std::u16string& name) {
    // Names of only dots or spaces are no names ("." and ".." would even leave
    // the folder), and a leading dot hides the file.
    if (name.empty() || name[0] == u'.') return false;
    if (name.find_first_not_of(u" .") == std::u16string::npos) return false;
    // Separators would leave the folder; the rest cannot be carried by a file
    // name on every system the profiles travel to, or cannot be seen.
    for (size_t i = 0; i < name.size(); ++i) {
        const char16_t c = name[i];
        if (c < 0x20 || c == 0x7F || isInvisibleFormat(c)) return false;
        if (std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos) return false;
        // Tag characters U+E0000..U+E007F, written as a surrogate pair.
        if (c == 0xDB40 && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDC7F) return false;
    }
    return true;
}

bool IsProfileFileSize(size_t size) {
    if (size < sizeof(DeviceImage) || size > kKeymapFileBytes) return false;
    return (size - sizeof(DeviceImage)) % sizeof(KeyRecord) == 0;
}

ProfileStore::ProfileStore(fs::path folder) : m_folder(std::move(folder)) {}

std::vector<std::u16string> ProfileStore::names() const {
    std::vector<std::u16string> out;
    out.reserve(m_rows.size());
    for (const ProfileEntry& e : m_rows) out.push_back(e.name);
    return out;
}

std::vector<std::u16string> ProfileStore::namesInFolder() const {
    // Every "<name>.bin" entry of the folder, listed or not: a file left out
    // of the list (another size, a link, a folder) is still somebody's file.
    std::vector<std::u16string> out = names();
    std::error_code ec;
    for (fs::directory_iterator it(m_folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::u16string fileName = Utf16FromPath(it->path().filename());
        if (endsWithExtension(fileName)) out.push_back(fileName.substr(0, fileName.size() - kExtension.size()));
    }
    return out;
}

std::u16string ProfileStore::freeName(const std::function<std::u16string(const std::vector<std::u16string>&)>& make) const {
    std::vector<std::u16string> taken = namesInFolder();
    // A name the listing did not give may still be taken: the same file under
    // another spelling on a case-insensitive file system, or one made since.
    for (;;) {
        std::u16string name = make(taken);
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(profileFilePath(m_folder, name), ec))) return name;
        taken.push_back(std::move(name));
    }
}

std::optional<int> ProfileStore::findRow(const std::u16string& name) const {
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].name == name) return static_cast<int>(i);
    return std::nullopt;
}

void ProfileStore::scanProfiles() {
    m_rows.clear();
    m_leftOut.clear();
    std::error_code ec;
    fs::directory_iterator it(m_folder, ec);
    if (ec) return;

    std::vector<std::pair<std::u16string, fs::path>> files;  // file name, path
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        std::u16string fileName = Utf16FromPath(it->path().filename());
        if (!endsWithExtension(fileName) || fileName.size() == kExtension.size()) continue;
        // Only what a load would take: a regular file of a profile's size.
        std::error_code typeEc;
        const bool regular = it->is_regular_file(typeEc);
        const uintmax_t size = regular ? it->file_size(typeEc) : 0;
        if (!regular || typeEc || !IsProfileFileSize(static_cast<size_t>(std::min<uintmax_t>(size, SIZE_MAX)))) {
            m_leftOut.push_back(std::move(fileName));
            continue;
        }
        files.emplace_back(std::move(fileName), it->path());
    }
    std::sort(files.begin(), files.end(),
              [](const auto& a, const auto& b) { return ProfileNameLess(a.first, b.first); });
    std::sort(m_leftOut.begin(), m_leftOut.end(), ProfileNameLess);

    // A seventh file ends the listing: it and every file after it stay unlisted.
    for (size_t i = 0; i < files.size() && i < kMaxProfiles; ++i) {
        std::u16string name = files[i].first.substr(0, files[i].first.size() - kExtension.size());
        m_rows.push_back({std::move(name), files[i].second});
    }
    std::sort(m_rows.begin(), m_rows.end(),
              [](const ProfileEntry& a, const ProfileEntry& b) { return ProfileNameLess(a.name, b.name); });
}

ProfileResult ProfileStore::newProfile(const DeviceImage& content) {
    if (m_rows.size() >= kMaxProfiles) return ProfileResult::Full;
    const std::u16string name = freeName(NextProfileName);
    const FileResult written = writeFileAtomic(profileFilePath(m_folder, name), {{content.bytes(), sizeof content}});
    scanProfiles();
    return written == FileResult::Ok ? ProfileResult::Done : ProfileResult::WriteFailed;
}

ProfileResult ProfileStore::copyProfile(int row) {
    if (!validRow(row)) return ProfileResult::NoSelection;
    if (m_rows.size() >= kMaxProfiles) return ProfileResult::Full;

    std::vector<uint8_t> bytes;
    if (readFilePrefix(m_rows[row].path, kKeymapFileBytes, bytes) != FileResult::Ok) return ProfileResult::ReadFailed;
    // What the source does not hold stays zero; the copy is always full size.
    bytes.resize(kKeymapFileBytes, 0);

    const std::u16string& source = m_rows[row].name;
    const std::u16string name = freeName(
        [&](const std::vector<std::u16string>& taken) { return CopyProfileName(source, taken, m_copyPrefix); });
    const FileResult written = writeFileAtomic(profileFilePath(m_folder, name), {{bytes.data(), bytes.size()}});
    scanProfiles();
    return written == FileResult::Ok ? ProfileResult::Done : ProfileResult::WriteFailed;
}

ProfileResult ProfileStore::renameProfile(int row, const std::u16string& newText) {
    if (!validRow(row)) return ProfileResult::NoSelection;
    const std::u16string name = endsWithExtension(newText) ? newText.substr(0, newText.size() - kExtension.size()) : newText;
    if (!IsValidProfileName(name)) return ProfileResult::NameRefused;

    const fs::path oldPath = m_rows[row].path;
    const fs::path newPath = profileFilePath(m_folder, name);
    if (newPath == oldPath) {
        scanProfiles();
        return ProfileResult::Unchanged;
    }
    std::error_code ec;
    bool taken = std::any_of(m_rows.begin(), m_rows.end(), [&](const ProfileEntry& e) { return e.path == newPath; });
    // An unlisted file of that name is not overwritten either; only the same
    // file under another spelling (a case-insensitive file system) may be renamed.
    if (!taken && fs::exists(fs::symlink_status(newPath, ec))) taken = !fs::equivalent(oldPath, newPath, ec);
    if (taken) {
        scanProfiles();
        return ProfileResult::NameInUse;
    }
    fs::rename(oldPath, newPath, ec);
    scanProfiles();
    return ec ? ProfileResult::RenameFailed : ProfileResult::Done;
}

ProfileResult ProfileStore::deleteProfile(int row) {
    if (m_rows.size() == 1) return ProfileResult::OnlyOneLeft;
    if (!validRow(row)) return ProfileResult::NoSelection;
    std::error_code ec;
    fs::remove(m_rows[row].path, ec);  // a file that is already gone counts as deleted
    scanProfiles();
    return ec ? ProfileResult::DeleteFailed : ProfileResult::Done;
}

ProfileResult ProfileStore::saveProfile(int row, const DeviceImage& image, const KeyRecordTable& records,
                                        const std::optional<fs::path>& exportPath, SaveErrors* why) {
    if (!validRow(row)) return ProfileResult::NoSelection;
    SaveErrors errors;
    const bool stored = WriteConfigurationFile(m_rows[row].path, image, records, &errors.profile);
    const bool exported = !exportPath || WriteConfigurationFile(*exportPath, image, records, &errors.exported);
    if (why) *why = errors;
    if (!stored) return ProfileResult::WriteFailed;
    return exported ? ProfileResult::Done : ProfileResult::ExportFailed;
}

ProfileResult ProfileStore::loadProfile(int row, const fs::path& importPath, DeviceImage& image,
                                        KeyRecordTable& records, const std::function<bool()>& confirmEveryKeyDisabled,
                                        BadSetting* bad) {
    if (!validRow(row)) return ProfileResult::NoSelection;
    // Loaded beside memory first: nothing changes unless every check passes.
    DeviceImage loaded = image;
    KeyRecordTable loadedRecords = records;
    std::string error;
    switch (readProfileFile(importPath, loaded, loadedRecords, error)) {
    case ProfileFileRead::Loaded: break;
    case ProfileFileRead::NotAProfile: return ProfileResult::NotAProfile;
    case ProfileFileRead::Missing:
    case ProfileFileRead::Unreadable: return ProfileResult::ReadFailed;
    }
    if (IsBlankImage(loaded)) return ProfileResult::BlankProfile;
    if (const std::optional<BadSetting> found = FindBadSetting(loaded)) {
        if (bad) *bad = *found;
        return ProfileResult::BadValue;
    }
    if (DisablesEveryKey(loaded) && !(confirmEveryKeyDisabled && confirmEveryKeyDisabled()))
        return ProfileResult::EveryKeyDisabled;
    image = loaded;
    records = loadedRecords;
    return WriteConfigurationFile(m_rows[row].path, image, records) ? ProfileResult::Done
                                                                     : ProfileResult::WriteFailed;
}

}  // namespace vandrel

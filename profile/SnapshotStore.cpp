#include "profile/SnapshotStore.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>
#include <type_traits>

#include "util/AtomicFile.h"

namespace vandrel {

static_assert(std::is_trivially_copyable_v<Snapshot>, "snapshots are stored as raw records");
static_assert(kSnapshotFileBytes == 206920 + 169860, "keymap.bin followed by MacroDefine.bin");

namespace {

const std::string kPrefix = "snapshot-";
const std::string kSuffix = ".bin";
constexpr size_t kDigits = 16;

std::string fileName(int64_t ms) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%016lld", static_cast<long long>(std::max<int64_t>(ms, 0)));
    return kPrefix + digits + kSuffix;
}

// The time of a snapshot's file name; false for any other name.
bool parseName(const std::string& name, int64_t& ms) {
    if (name.size() != kPrefix.size() + kDigits + kSuffix.size()) return false;
    if (name.compare(0, kPrefix.size(), kPrefix) != 0) return false;
    if (name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0) return false;
    ms = 0;
    for (size_t i = kPrefix.size(); i < kPrefix.size() + kDigits; ++i) {
        if (name[i] < '0' || name[i] > '9') return false;
        ms = ms * 10 + (name[i] - '0');
    }
    return true;
}

}  // namespace

SnapshotStore::SnapshotStore(std::filesystem::path folder, size_t maxCount, uintmax_t maxBytes)
    : m_folder(std::move(folder)), m_maxCount(std::max<size_t>(maxCount, 1)), m_maxBytes(maxBytes) {}

bool SnapshotStore::add(const Snapshot& s, int64_t takenMs) {
    const auto started = std::filesystem::file_time_type::clock::now();
    std::error_code ec;
    std::filesystem::create_directories(m_folder, ec);
    // Two saves within one millisecond keep both snapshots.
    std::filesystem::path path = m_folder / fileName(takenMs);
    while (std::filesystem::exists(path, ec)) path = m_folder / fileName(++takenMs);
    const FileResult r = writeFileAtomic(path, {{&s.image, sizeof s.image}, {&s.keys, sizeof s.keys},
                                                {&s.macros, sizeof s.macros}});
    if (r != FileResult::Ok) return false;
    // What a write killed earlier left behind goes with the oldest snapshots.
    removeStaleTemporaries(m_folder, started);
    prune();
    return true;
}

std::vector<SnapshotEntry> SnapshotStore::list() const {
    std::vector<SnapshotEntry> out;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(m_folder, ec), end; !ec && it != end; it.increment(ec)) {
        SnapshotEntry e;
        if (!parseName(it->path().filename().string(), e.takenMs)) continue;
        std::error_code sizeError;
        if (!it->is_regular_file(sizeError) || it->file_size(sizeError) != kSnapshotFileBytes || sizeError) continue;
        e.path = it->path();
        out.push_back(e);
    }
    std::sort(out.begin(), out.end(), [](const SnapshotEntry& a, const SnapshotEntry& b) { return a.takenMs > b.takenMs; });
    return out;
}

bool SnapshotStore::load(const SnapshotEntry& entry, Snapshot& out) const {
    std::vector<uint8_t> bytes;
    if (readFilePrefix(entry.path, kSnapshotFileBytes + 1, bytes) != FileResult::Ok) return false;
    if (bytes.size() != kSnapshotFileBytes) return false;
    const uint8_t* p = bytes.data();
    std::memcpy(&out.image, p, sizeof out.image);
    std::memcpy(&out.keys, p + sizeof out.image, sizeof out.keys);
    std::memcpy(&out.macros, p + sizeof out.image + sizeof out.keys, sizeof out.macros);
    return true;
}

void SnapshotStore::prune() const {
    const std::vector<SnapshotEntry> all = list();
    uintmax_t total = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        total += kSnapshotFileBytes;
        // The newest always stays.
        if (i > 0 && (i >= m_maxCount || total > m_maxBytes)) {
            std::error_code ec;
            std::filesystem::remove(all[i].path, ec);
        }
    }
}

}  // namespace vandrel

#include "profile/SnapshotStore.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <type_traits>

#include "profile/ConfigurationCheck.h"
#include "util/AtomicFile.h"

namespace vandrel {

static_assert(std::is_trivially_copyable_v<Snapshot>, "snapshots are stored as raw records");
static_assert(kSnapshotFileBytes == 206920 + 169860, "keymap.bin followed by MacroDefine.bin");

namespace {

const std::string kPrefix = "snapshot-";
const std::string kSuffix = ".bin";
constexpr size_t kTimeDigits = 16;
constexpr size_t kSequenceDigits = 12;

std::string fileName(uint64_t sequence, int64_t ms) {
    char digits[48];
    std::snprintf(digits, sizeof digits, "%012llu-%016lld", static_cast<unsigned long long>(sequence),
                  static_cast<long long>(std::max<int64_t>(ms, 0)));
    return kPrefix + digits + kSuffix;
}

bool parseDigits(const std::string& s, size_t from, size_t count, uint64_t& out) {
    out = 0;
    for (size_t i = from; i < from + count; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        out = out * 10 + static_cast<uint64_t>(s[i] - '0');
    }
    return true;
}

// The order and time of a snapshot's file name; false for any other name.
bool parseName(const std::string& name, uint64_t& sequence, int64_t& ms) {
    const size_t oldSize = kPrefix.size() + kTimeDigits + kSuffix.size();
    const size_t newSize = kPrefix.size() + kSequenceDigits + 1 + kTimeDigits + kSuffix.size();
    if (name.size() != oldSize && name.size() != newSize) return false;
    if (name.compare(0, kPrefix.size(), kPrefix) != 0) return false;
    if (name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0) return false;
    size_t at = kPrefix.size();
    sequence = 0;
    if (name.size() == newSize) {
        if (!parseDigits(name, at, kSequenceDigits, sequence) || name[at + kSequenceDigits] != '-') return false;
        at += kSequenceDigits + 1;
    }
    uint64_t t = 0;
    if (!parseDigits(name, at, kTimeDigits, t)) return false;
    ms = static_cast<int64_t>(t);
    return true;
}

void setWhy(std::error_code* why, const std::error_code& ec) {
    if (why) *why = ec;
}

}  // namespace

const char* firstImpossibleSnapshotValue(const DeviceImage& im) {
    if (const std::optional<BadSetting> bad = FindBadSetting(im)) return SettingName(bad->setting);
    if (DisablesEveryKey(im)) return "keys";
    return nullptr;
}

SnapshotStore::SnapshotStore(std::filesystem::path folder, size_t maxCount, uintmax_t maxBytes)
    : m_folder(std::move(folder)), m_maxCount(std::max<size_t>(maxCount, 1)), m_maxBytes(maxBytes) {}

bool SnapshotStore::add(const Snapshot& s, int64_t takenMs, std::error_code* why) {
    const auto started = std::filesystem::file_time_type::clock::now();
    std::error_code ec;
    std::filesystem::create_directories(m_folder, ec);
    if (ec) {
        setWhy(why, ec);
        return false;
    }
    // The next in the order of taking, whatever the clock says.
    uint64_t sequence = 1;
    for (const SnapshotEntry& e : list()) sequence = std::max(sequence, e.sequence + 1);
    std::filesystem::path path = m_folder / fileName(sequence, takenMs);
    while (std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found)
        path = m_folder / fileName(++sequence, takenMs);
    const FileResult r = writeFileAtomic(path, {{&s.image, sizeof s.image}, {&s.keys, sizeof s.keys},
                                                {&s.macros, sizeof s.macros}}, &ec);
    if (r != FileResult::Ok) {
        setWhy(why, ec ? ec : std::make_error_code(std::errc::io_error));
        return false;
    }
    // What a write killed earlier left behind goes with the oldest snapshots.
    removeStaleTemporaries(m_folder, started);
    prune(path);
    return true;
}

bool SnapshotStore::keep(const Snapshot& s, int64_t takenMs, std::error_code* why) {
    const std::vector<SnapshotEntry> all = list();
    if (!all.empty() && all.front().complete) {
        auto newest = std::make_unique<Snapshot>();
        if (load(all.front(), *newest) && std::memcmp(newest.get(), &s, sizeof s) == 0) return true;
    }
    return add(s, takenMs, why);
}

std::vector<SnapshotEntry> SnapshotStore::list() const {
    std::vector<SnapshotEntry> out;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(m_folder, ec), end; !ec && it != end; it.increment(ec)) {
        SnapshotEntry e;
        if (!parseName(it->path().filename().string(), e.sequence, e.takenMs)) continue;
        std::error_code sizeError;
        e.complete = it->is_regular_file(sizeError) && it->file_size(sizeError) == kSnapshotFileBytes && !sizeError;
        e.path = it->path();
        out.push_back(e);
    }
    std::sort(out.begin(), out.end(), [](const SnapshotEntry& a, const SnapshotEntry& b) {
        if (a.sequence != b.sequence) return a.sequence > b.sequence;
        if (a.takenMs != b.takenMs) return a.takenMs > b.takenMs;
        return a.path.filename() > b.path.filename();
    });
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

void SnapshotStore::prune(const std::filesystem::path& keep) const {
    const std::vector<SnapshotEntry> all = list();
    uintmax_t total = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        std::error_code ec;
        const uintmax_t size = all[i].complete ? kSnapshotFileBytes : std::filesystem::file_size(all[i].path, ec);
        total += ec ? 0 : size;
        // The newest and the one just written always stay.
        if (i == 0 || all[i].path == keep) continue;
        if (i >= m_maxCount || total > m_maxBytes) std::filesystem::remove(all[i].path, ec);
    }
}

}  // namespace vandrel

#include "sim/SimStateFile.h"

#include <cstring>
#include <ctime>
#include <ostream>
#include <string>
#include <vector>

#include "sim/SimKeyboard.h"
#include "util/Endian.h"

namespace vandrel {

namespace {

constexpr char kMagic[8] = {'V', 'D', 'S', 'I', 'M', 'K', 'B', '1'};
constexpr size_t kFileBytes = sizeof(kMagic) + sizeof(DeviceImage) + 4;

uint32_t crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

void writeLe32(uint8_t* p, uint32_t v) {
    writeLe16(p, static_cast<uint16_t>(v & 0xFFFF));
    writeLe16(p + 2, static_cast<uint16_t>(v >> 16));
}

uint32_t readLe32(const uint8_t* p) { return readLe16(p) | (static_cast<uint32_t>(readLe16(p + 2)) << 16); }

// Moves a damaged file aside under "<name>.damaged-<yyyymmdd-hhmmss>" (a
// number follows when that name is taken). Empty when it could not be moved.
std::filesystem::path moveAside(const std::filesystem::path& file) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = file.filename().string() + ".damaged-" + stamp;
    std::error_code ec;
    for (int n = 1; n < 100; ++n) {
        const std::filesystem::path kept = file.parent_path() / (n == 1 ? base : base + "-" + std::to_string(n));
        if (std::filesystem::symlink_status(kept, ec).type() != std::filesystem::file_type::not_found) continue;
        std::filesystem::rename(file, kept, ec);
        return ec ? std::filesystem::path() : kept;
    }
    return {};
}

}  // namespace

std::optional<DeviceImage> SimStateFile::read() const {
    std::vector<uint8_t> bytes;
    // One byte more than the layout: a longer file is damaged too.
    if (readFilePrefix(m_path, kFileBytes + 1, bytes) != FileResult::Ok) return std::nullopt;
    if (bytes.size() != kFileBytes || std::memcmp(bytes.data(), kMagic, sizeof(kMagic)) != 0) return std::nullopt;
    const uint8_t* image = bytes.data() + sizeof(kMagic);
    if (readLe32(image + sizeof(DeviceImage)) != crc32(image, sizeof(DeviceImage))) return std::nullopt;
    DeviceImage config;
    std::memcpy(config.bytes(), image, sizeof(DeviceImage));
    return config;
}

FileResult SimStateFile::write(const DeviceImage& config) const {
    uint8_t crc[4];
    writeLe32(crc, crc32(config.bytes(), sizeof(DeviceImage)));
    return writeFileAtomic(m_path,
                           {{kMagic, sizeof(kMagic)}, {config.bytes(), sizeof(DeviceImage)}, {crc, sizeof(crc)}});
}

SimStateFile::Load SimStateFile::restore(SimKeyboard& keyboard, std::ostream& err,
                                         std::filesystem::path* keptAs) const {
    if (keptAs) keptAs->clear();
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(m_path, ec);
    if (status.type() == std::filesystem::file_type::not_found) return Load::Missing;
    if (ec || !std::filesystem::is_regular_file(status)) {
        keyboard.restoreFactory();
        err << "The simulated keyboard's state file " << m_path.string()
            << " is not a regular file; it is left alone, and the simulated keyboard starts in its factory state "
               "and keeps nothing between runs.\n";
        return Load::NotAFile;
    }
    const std::optional<DeviceImage> config = read();
    if (!config) {
        keyboard.restoreFactory();
        const std::filesystem::path kept = moveAside(m_path);
        err << "The simulated keyboard's saved state in " << m_path.string()
            << " is damaged; it starts in its factory state. ";
        if (kept.empty()) err << "The damaged file could not be moved aside.\n";
        else err << "The damaged file is kept as " << kept.string() << ".\n";
        if (keptAs) *keptAs = kept;
        return Load::Damaged;
    }
    keyboard.setConfig(*config);
    return Load::Restored;
}

FileResult SimStateFile::resetToFactory(SimKeyboard& keyboard) const {
    keyboard.restoreFactory();
    return write(keyboard.config());
}

std::filesystem::path SimStateFile::lockPath() const {
    std::filesystem::path lock = m_path;
    return lock.replace_extension(".lock");
}

void SimStateFile::attach(SimKeyboard& keyboard) const {
    const std::filesystem::path path = m_path;
    keyboard.setWriteObserver([path](const DeviceImage& config) { SimStateFile(path).write(config); });
}

}  // namespace vandrel

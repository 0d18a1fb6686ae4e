#include "update/AppVersion.h"

#include <vector>

#include "util/AtomicFile.h"

namespace vandrel {

static bool digitAt(const uint8_t* data, size_t offset, uint8_t& out) {
    const uint8_t c = data[offset];
    if (c < '0' || c > '9') return false;
    out = static_cast<uint8_t>(c - '0');
    return true;
}

AppVersion parseAppVersion(const uint8_t* data, size_t size) {
    AppVersion v;
    if (data == nullptr || size <= kVersionMinorOffset) return v;
    AppVersion parsed;
    if (!digitAt(data, kVersionMajorOffset, parsed.major) || !digitAt(data, kVersionMinorOffset, parsed.minor))
        return v;
    return parsed;
}

AppVersion loadAppVersion(const std::filesystem::path& versionFile) {
    std::vector<uint8_t> bytes;
    if (readFilePrefix(versionFile, kVersionFileBytes, bytes) != FileResult::Ok) return AppVersion{};
    return parseAppVersion(bytes.data(), bytes.size());
}

bool firmwareOlder(const AppVersion& app, const FirmwareVersion& fw) {
    if (app.major != fw.major) return app.major > fw.major;
    return app.minor > fw.minor;
}

std::filesystem::path updaterPath(const std::filesystem::path& programFolder) {
    return programFolder / kUpdaterFileName;
}

}  // namespace vandrel

#pragma once
// The program's own version, read from VER.bin beside the executable, and the
// rule that decides whether the keyboard's firmware should be updated.

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "device/DeviceImage.h"

namespace vandrel {

// Major and minor version digit, as delivered with the program: major, minor, 0, 0.
struct AppVersion {
    uint8_t major = 0;
    uint8_t minor = 0;
    uint8_t reserved[2] = {0, 0};
};
static_assert(sizeof(AppVersion) == 4);
static_assert(offsetof(AppVersion, major) == 0);
static_assert(offsetof(AppVersion, minor) == 1);

// VER.bin is 12 bytes of text such as "Ver: 1.1": the major digit is byte 5, the
// minor digit byte 7; the other bytes are not interpreted.
constexpr size_t kVersionFileBytes = 12;
constexpr size_t kVersionMajorOffset = 5;
constexpr size_t kVersionMinorOffset = 7;
constexpr const char* kVersionFileName = "VER.bin";

// Takes the two digits from the file's bytes. Fewer than 8 bytes, or a byte at
// either position that is not an ASCII digit, gives 0.0: the program then never
// offers a firmware update, rather than comparing against a nonsense version.
AppVersion parseAppVersion(const uint8_t* data, size_t size);

// Reads VER.bin (the first 12 bytes at most); a missing or unreadable file is 0.0.
AppVersion loadAppVersion(const std::filesystem::path& versionFile);

// True when the keyboard's firmware is older than the program: a higher major
// digit, or the same major and a higher minor. A keyboard newer than the
// program is never offered a downgrade, and version 0.0 never offers anything.
bool firmwareOlder(const AppVersion& app, const FirmwareVersion& fw);

// The external firmware updater lies in the program folder.
#ifdef _WIN32
constexpr const char* kUpdaterFileName = "Vandrel_Update.exe";
#else
constexpr const char* kUpdaterFileName = "Vandrel_Update";
#endif
std::filesystem::path updaterPath(const std::filesystem::path& programFolder);

}  // namespace vandrel

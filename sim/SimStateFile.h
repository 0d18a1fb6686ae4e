#pragma once
// The simulated keyboard's memory between runs: its configuration kept in a
// file, so that the demo keyboard still holds what was saved to it when the
// demo starts again, as a real keyboard would. The caller chooses the file;
// tests that never attach one keep a fresh keyboard.
//
// File layout: the 8 bytes "VDSIMKB1", the 10060-byte configuration, and a
// CRC-32 (little-endian) of the configuration. Anything else is damaged.

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>

#include "device/DeviceImage.h"
#include "util/AtomicFile.h"

namespace vandrel {

class SimKeyboard;

class SimStateFile {
public:
    explicit SimStateFile(std::filesystem::path path) : m_path(std::move(path)) {}

    enum class Load { Restored, Missing, Damaged, NotAFile };
    // Gives the keyboard the saved configuration. A missing file leaves the
    // keyboard in its factory state; a damaged one too, with a line on `err`.
    // The damaged file is kept beside it as "<name>.damaged-<local time>"
    // (its new path goes to `keptAs`, left empty when it could not be moved),
    // so that the next completed write does not destroy it. Something that is
    // not a regular file (a device, a FIFO, a folder, a loop of links) is
    // never read nor replaced: the keyboard starts in its factory state, keeps
    // nothing between runs, and `err` says so.
    Load restore(SimKeyboard& keyboard, std::ostream& err, std::filesystem::path* keptAs = nullptr) const;
    // Replaces the file with the keyboard's factory state: a fresh start.
    FileResult resetToFactory(SimKeyboard& keyboard) const;
    // From now on the file is replaced (atomically) after every write the
    // keyboard completes.
    void attach(SimKeyboard& keyboard) const;

    // The configuration the file holds, or nothing when it is missing or damaged.
    std::optional<DeviceImage> read() const;
    FileResult write(const DeviceImage& config) const;

    const std::filesystem::path& path() const { return m_path; }
    // The lock file that stands for the simulated keyboard (see DeviceLock):
    // beside the state file, named after it with ".lock" ("DemoKeyboard.lock"
    // beside "DemoKeyboard.bin"). It is never replaced, while the state file
    // is replaced at every write.
    std::filesystem::path lockPath() const;

private:
    std::filesystem::path m_path;
};

}  // namespace vandrel

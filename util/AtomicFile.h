#pragma once
// Whole-file reads and atomic whole-file replacement for the data files.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace vandrel {

enum class FileResult {
    Ok,
    Missing,      // the file does not exist
    ReadFailed,   // it exists but could not be opened or read
    WriteFailed,  // the temporary file could not be created, written or flushed
    RenameFailed  // the temporary file could not replace the target
};

// Reads at most `maxBytes` bytes of the file into `out` (resized to what was read).
FileResult readFilePrefix(const std::filesystem::path& path, size_t maxBytes, std::vector<uint8_t>& out);

// Replaces `path` with the concatenation of the given blocks: writes a temporary
// file in the same folder, flushes it to disk and renames it over the target, so
// that a crash or a full disk never leaves a truncated file behind. On failure
// the old file is untouched and the temporary file is removed.
struct ByteBlock {
    const void* data;
    size_t size;
};
FileResult writeFileAtomic(const std::filesystem::path& path, std::initializer_list<ByteBlock> blocks);

}  // namespace vandrel

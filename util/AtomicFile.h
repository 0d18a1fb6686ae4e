#pragma once
// Whole-file reads and atomic whole-file replacement for the data files.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <system_error>
#include <vector>

namespace vandrel {

enum class FileResult {
    Ok,
    Missing,      // the file does not exist
    ReadFailed,   // it exists but could not be opened or read, or is no regular file
    WriteFailed,  // the target is read-only, or the temporary file could not be created, written or flushed
    RenameFailed  // the temporary file could not replace the target
};

// Reasons of our own, beside the system's error numbers.
enum class FileError {
    NotRegular = 1,  // a folder, a device, a socket: never read as a file, never replaced
    ReadOnly,        // the file is marked read-only
    NoReader,        // a FIFO that nobody reads: writing would wait for ever
};

// The longest file name (one path component) the file systems take, in bytes.
constexpr size_t kMaxFileNameBytes = 255;
const std::error_category& fileErrorCategory();
std::error_code make_error_code(FileError e);

// Reads at most `maxBytes` bytes of the file into `out` (resized to what was
// read). The file is opened without blocking and must be a regular file, so a
// FIFO or a device at the path never stalls the caller. `why`, when given,
// receives the reason of a failure.
FileResult readFilePrefix(const std::filesystem::path& path, size_t maxBytes, std::vector<uint8_t>& out,
                          std::error_code* why = nullptr);

// Writes the concatenation of the given blocks to `path`. Only a regular file
// (or a missing one) is replaced: a temporary file in the same folder is
// written, flushed to disk, renamed over the target and the folder flushed, so
// that neither a crash nor a full disk nor a power cut leaves a truncated or
// lost file. A symbolic link keeps pointing at the file it names, which is the
// one replaced; the replaced file's permission bits are kept. A target marked
// read-only is not replaced.
// Anything else at the path is never replaced: a FIFO that somebody reads gets
// the bytes written into it (giving up when the reader takes nothing for a
// while); a FIFO nobody reads (FileError::NoReader), a device, a socket, a
// folder or a loop of links (FileError::NotRegular, or the system's reason)
// are refused before anything is written. On failure the old file is
// untouched and the temporary file is removed.
struct ByteBlock {
    const void* data;
    size_t size;
};
FileResult writeFileAtomic(const std::filesystem::path& path, std::initializer_list<ByteBlock> blocks,
                           std::error_code* why = nullptr);

// Whether `fileName` is one of the temporary files writeFileAtomic makes:
// "<target name>.vandrel-tmp-<8 hex digits>", or ".vandrel-tmp-<8 hex digits>"
// alone when the target's name is too long to take the suffix.
bool isAtomicTemporaryName(const std::filesystem::path& fileName);

// Removes, from `folder` only, the temporary files a save killed part-way left
// behind: names of writeFileAtomic's own pattern, last changed before
// `startedAt`, so that a save running now is never touched. Returns how many
// were removed.
int removeStaleTemporaries(const std::filesystem::path& folder, std::filesystem::file_time_type startedAt);

}  // namespace vandrel

namespace std {
template <>
struct is_error_code_enum<vandrel::FileError> : true_type {};
}  // namespace std

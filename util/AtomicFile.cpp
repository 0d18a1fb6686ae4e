#include "util/AtomicFile.h"

#include <cstdio>
#include <random>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vandrel {

// Opens with the native path type so that non-ASCII names work on Windows too.
static std::FILE* openFile(const std::filesystem::path& path, bool write) {
#ifdef _WIN32
    return _wfopen(path.c_str(), write ? L"wb" : L"rb");
#else
    return std::fopen(path.c_str(), write ? "wb" : "rb");
#endif
}

FileResult readFilePrefix(const std::filesystem::path& path, size_t maxBytes, std::vector<uint8_t>& out) {
    out.clear();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return FileResult::Missing;
    if (std::filesystem::is_directory(path, ec)) return FileResult::ReadFailed;
    std::FILE* f = openFile(path, false);
    if (!f) return FileResult::ReadFailed;
    out.resize(maxBytes);
    size_t got = maxBytes ? std::fread(out.data(), 1, maxBytes, f) : 0;
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    out.resize(got);
    return failed ? FileResult::ReadFailed : FileResult::Ok;
}

static bool flushToDisk(std::FILE* f) {
    if (std::fflush(f) != 0) return false;
#ifdef _WIN32
    return _commit(_fileno(f)) == 0;
#else
    return fsync(fileno(f)) == 0;
#endif
}

FileResult writeFileAtomic(const std::filesystem::path& path, std::initializer_list<ByteBlock> blocks) {
    std::random_device rd;
    const std::filesystem::path tmp =
        path.parent_path() / (path.filename().native() + std::filesystem::path(".tmp" + std::to_string(rd() & 0xFFFFFF)).native());
    std::FILE* f = openFile(tmp, true);
    if (!f) return FileResult::WriteFailed;
    bool ok = true;
    for (const ByteBlock& b : blocks) {
        if (b.size && std::fwrite(b.data, 1, b.size, f) != b.size) {
            ok = false;
            break;
        }
    }
    ok = ok && flushToDisk(f);
    ok = (std::fclose(f) == 0) && ok;
    std::error_code ec;
    if (!ok) {
        std::filesystem::remove(tmp, ec);
        return FileResult::WriteFailed;
    }
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
        std::filesystem::remove(tmp, ec);
        return FileResult::RenameFailed;
    }
    return FileResult::Ok;
}

}  // namespace vandrel

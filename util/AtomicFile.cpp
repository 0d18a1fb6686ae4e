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

FileResult readFilePrefix(const std::filesystem::path& path, size_t maxBytes, std::vector<uint8_t>& out) {
    out.clear();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return FileResult::Missing;
    if (std::filesystem::is_directory(path, ec)) return FileResult::ReadFailed;
    std::FILE* f = std::fopen(path.string().c_str(), "rb");
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
        path.parent_path() / (path.filename().string() + ".tmp" + std::to_string(rd() & 0xFFFFFF));
    std::FILE* f = std::fopen(tmp.string().c_str(), "wb");
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

#include "util/AtomicFile.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#endif

namespace vandrel {

namespace fs = std::filesystem;

namespace {

// First buffer of a read: the reported size and one byte more, within the cap.
size_t initialReadBuffer(uint64_t reportedSize, size_t maxBytes) {
    const uint64_t wanted = reportedSize + 1;
    return wanted < maxBytes ? static_cast<size_t>(wanted) : maxBytes;
}

// The next buffer when the file holds more than the last one: doubled, at
// least 4 KiB, within the cap.
size_t grownReadBuffer(size_t current, size_t maxBytes) {
    const size_t doubled = current < 4096 ? 4096 : current * 2;
    return doubled < maxBytes && doubled > current ? doubled : maxBytes;
}

class FileErrorCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "vandrel-file"; }
    std::string message(int c) const override {
        switch (static_cast<FileError>(c)) {
        case FileError::NotRegular: return "not a regular file (a device, a socket or a folder is never replaced)";
        case FileError::ReadOnly: return "the file is read-only";
        case FileError::NoReader: return "a FIFO that nobody reads";
        }
        return "file error";
    }
};

void setWhy(std::error_code* why, std::error_code ec) {
    if (why) *why = ec;
}

std::error_code lastError() { return std::error_code(errno, std::generic_category()); }

// Temporary files are "<target name>.vandrel-tmp-<8 hex digits>" beside the
// target, or ".vandrel-tmp-<8 hex digits>" when the target's name leaves no
// room for the suffix: a name that fits must never fail for its temporary.
const std::string kTempMarker = ".vandrel-tmp-";

// Eight hex digits that differ between processes, calls and attempts; an
// existing name is simply tried again with the next attempt. (No
// random_device: it can throw, for example when no descriptor is left.)
std::string temporarySuffix(unsigned attempt) {
    static const char* kHex = "0123456789abcdef";
    const uint64_t now = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
#ifdef _WIN32
    const uint64_t pid = static_cast<uint64_t>(_getpid());
#else
    const uint64_t pid = static_cast<uint64_t>(::getpid());
#endif
    // splitmix64 over the clock, the process and the attempt.
    uint64_t z = now ^ (pid << 40) ^ (static_cast<uint64_t>(attempt) * 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    std::string suffix = kTempMarker;
    for (int i = 7; i >= 0; --i) suffix += kHex[(z >> (i * 4)) & 0xF];
    return suffix;
}

fs::path temporaryFor(const fs::path& target, unsigned attempt) {
    const fs::path suffix(temporarySuffix(attempt));
    fs::path::string_type name = target.filename().native() + suffix.native();
    // In bytes on Unix; Windows counts UTF-16 units, which never makes a fitting name longer.
    if (name.size() > kMaxFileNameBytes) name = suffix.native();
    return target.parent_path() / name;
}

// Follows symbolic links to the file they name, so that a save replaces that
// file and the link stays. A loop of links ends on a link, which the writer
// refuses as it refuses everything that is not a regular file.
fs::path resolveLinks(fs::path p) {
    std::error_code ec;
    for (int depth = 0; depth < 40 && fs::is_symlink(p, ec); ++depth) {
        const fs::path target = fs::read_symlink(p, ec);
        if (ec) break;
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return p;
}

}  // namespace

const std::error_category& fileErrorCategory() {
    static const FileErrorCategory category;
    return category;
}

std::error_code make_error_code(FileError e) { return std::error_code(static_cast<int>(e), fileErrorCategory()); }

#ifdef _WIN32

FileResult readFilePrefix(const fs::path& path, size_t maxBytes, std::vector<uint8_t>& out, std::error_code* why) {
    out.clear();
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (!fs::exists(st)) return FileResult::Missing;
    if (!fs::is_regular_file(st)) return setWhy(why, FileError::NotRegular), FileResult::ReadFailed;
    std::FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return setWhy(why, lastError()), FileResult::ReadFailed;
    std::error_code sizeError;
    const uintmax_t reported = fs::file_size(path, sizeError);
    out.resize(initialReadBuffer(sizeError ? 0 : static_cast<uint64_t>(reported), maxBytes));
    size_t got = 0;
    while (got < maxBytes) {
        if (got == out.size()) out.resize(grownReadBuffer(out.size(), maxBytes));
        const size_t n = std::fread(out.data() + got, 1, out.size() - got, f);
        got += n;
        if (n == 0) break;
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    out.resize(got);
    if (failed) setWhy(why, std::make_error_code(std::errc::io_error));
    return failed ? FileResult::ReadFailed : FileResult::Ok;
}

FileResult writeFileAtomic(const fs::path& requested, std::initializer_list<ByteBlock> blocks, std::error_code* why) {
    const fs::path path = resolveLinks(requested);
    struct _stat64 st {};
    if (_wstat64(path.c_str(), &st) == 0) {
        if (!(st.st_mode & _S_IFREG)) return setWhy(why, FileError::NotRegular), FileResult::WriteFailed;
        if (!(st.st_mode & _S_IWRITE)) return setWhy(why, FileError::ReadOnly), FileResult::WriteFailed;
    }
    std::FILE* f = nullptr;
    fs::path tmp;
    for (unsigned attempt = 0; !f && attempt < 16; ++attempt) {
        tmp = temporaryFor(path, attempt);
        f = _wfopen(tmp.c_str(), L"wbx");
        if (!f && errno != EEXIST) break;
    }
    if (!f) return setWhy(why, lastError()), FileResult::WriteFailed;
    bool ok = true;
    for (const ByteBlock& b : blocks)
        if (ok && b.size && std::fwrite(b.data, 1, b.size, f) != b.size) ok = false;
    ok = ok && std::fflush(f) == 0 && _commit(_fileno(f)) == 0;
    if (!ok) setWhy(why, lastError());
    ok = (std::fclose(f) == 0) && ok;
    std::error_code ec;
    if (!ok) {
        fs::remove(tmp, ec);
        return FileResult::WriteFailed;
    }
    fs::rename(tmp, path, ec);
    if (ec) {
        setWhy(why, ec);
        fs::remove(tmp, ec);
        return FileResult::RenameFailed;
    }
    return FileResult::Ok;
}

#else

FileResult readFilePrefix(const fs::path& path, size_t maxBytes, std::vector<uint8_t>& out, std::error_code* why) {
    out.clear();
    // Without O_NONBLOCK the open of a FIFO would wait for a writer for ever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const std::error_code ec = lastError();
        if (errno == ENOENT || errno == ENOTDIR) return FileResult::Missing;
        setWhy(why, ec);
        return FileResult::ReadFailed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        setWhy(why, make_error_code(FileError::NotRegular));
        ::close(fd);
        return FileResult::ReadFailed;
    }
    // The buffer starts at the size the file reports plus one byte (so the end
    // is seen without growing) and grows only for a file that lengthens while
    // it is read or reports no size (sysfs): the cap can be far larger than the
    // file, and filling a cap-sized buffer costs more than the read itself.
    out.resize(initialReadBuffer(static_cast<uint64_t>(st.st_size), maxBytes));
    size_t got = 0;
    bool failed = false;
    while (got < maxBytes) {
        if (got == out.size()) out.resize(grownReadBuffer(out.size(), maxBytes));
        const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            setWhy(why, lastError());
            failed = true;
            break;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    out.resize(got);
    return failed ? FileResult::ReadFailed : FileResult::Ok;
}

static bool writeAll(int fd, const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// After a rename the new directory entry reaches the disk only when the folder
// itself is flushed; a power cut before that could bring back the old file.
static void syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// How long a FIFO's reader may take nothing before the write gives up.
constexpr int kFifoStallMs = 10000;

// Writes into a FIFO that somebody reads, without ever waiting for a reader
// that is not there or that stopped reading. A reader that leaves mid-way
// gives EPIPE, not the signal that would end the process.
static FileResult writeIntoFifo(const fs::path& path, std::initializer_list<ByteBlock> blocks, std::error_code* why) {
    // Non-blocking, so that a FIFO without a reader is refused at once (ENXIO)
    // instead of waiting for one.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENXIO) return setWhy(why, FileError::NoReader), FileResult::WriteFailed;
        return setWhy(why, lastError()), FileResult::WriteFailed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISFIFO(st.st_mode)) {
        ::close(fd);
        return setWhy(why, FileError::NotRegular), FileResult::WriteFailed;
    }
    sigset_t pipeSignal, previousMask, pending;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previousMask);
    sigpending(&pending);
    const bool pipeSignalWasPending = sigismember(&pending, SIGPIPE) == 1;

    std::error_code failure;
    for (const ByteBlock& b : blocks) {
        const auto* p = static_cast<const uint8_t*>(b.data);
        size_t left = b.size;
        while (left && !failure) {
            const ssize_t n = ::write(fd, p, left);
            if (n > 0) {
                p += n;
                left -= static_cast<size_t>(n);
            } else if (n < 0 && errno == EAGAIN) {
                pollfd pfd{fd, POLLOUT, 0};
                const int ready = ::poll(&pfd, 1, kFifoStallMs);
                if (ready == 0) failure = std::make_error_code(std::errc::timed_out);
                else if (ready > 0 && (pfd.revents & (POLLERR | POLLHUP)) && !(pfd.revents & POLLOUT))
                    failure = std::make_error_code(std::errc::broken_pipe);
                else if (ready < 0 && errno != EINTR) failure = lastError();
            } else if (n < 0 && errno != EINTR) {
                failure = lastError();
            }
        }
        if (failure) break;
    }
    ::close(fd);
    // The SIGPIPE a write raised goes with the write; one that was already
    // waiting stays for its owner.
    if (failure == std::errc::broken_pipe && !pipeSignalWasPending) {
        const timespec zero{0, 0};
        sigtimedwait(&pipeSignal, nullptr, &zero);
    }
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    if (failure) return setWhy(why, failure), FileResult::WriteFailed;
    return FileResult::Ok;
}

FileResult writeFileAtomic(const fs::path& requested, std::initializer_list<ByteBlock> blocks, std::error_code* why) {
    // What the path names, through its links: only a regular file is
    // replaced. A device node, a socket or a folder is left as it is, and a
    // FIFO only gets the bytes written into it.
    struct stat named {};
    if (::stat(requested.c_str(), &named) == 0) {
        if (S_ISFIFO(named.st_mode)) return writeIntoFifo(requested, blocks, why);
        if (!S_ISREG(named.st_mode)) return setWhy(why, FileError::NotRegular), FileResult::WriteFailed;
    } else if (errno != ENOENT) {
        // A loop of links, a name too long, a folder that cannot be searched.
        return setWhy(why, lastError()), FileResult::WriteFailed;
    }
    const fs::path path = resolveLinks(requested);

    // The replaced file's permission bits carry over; a file the user may not
    // write, or one marked read-only (which root could otherwise overwrite),
    // is refused rather than silently made writable. Checked on the file
    // itself, not through links, so that whatever the rename replaces is a
    // regular file or nothing.
    struct stat old {};
    bool replacing = false;
    if (::lstat(path.c_str(), &old) == 0) {
        if (!S_ISREG(old.st_mode)) return setWhy(why, FileError::NotRegular), FileResult::WriteFailed;
        replacing = true;
        if (::access(path.c_str(), W_OK) != 0) return setWhy(why, lastError()), FileResult::WriteFailed;
        if ((old.st_mode & 0222) == 0) return setWhy(why, FileError::ReadOnly), FileResult::WriteFailed;
    } else if (errno != ENOENT) {
        return setWhy(why, lastError()), FileResult::WriteFailed;
    }

    fs::path tmp;
    int fd = -1;
    for (unsigned attempt = 0; fd < 0 && attempt < 16; ++attempt) {
        tmp = temporaryFor(path, attempt);
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return setWhy(why, lastError()), FileResult::WriteFailed;
    bool ok = !replacing || ::fchmod(fd, old.st_mode & 07777) == 0;
    for (const ByteBlock& b : blocks)
        if (ok && b.size) ok = writeAll(fd, b.data, b.size);
    ok = ok && ::fsync(fd) == 0;
    if (!ok) setWhy(why, lastError());
    if (::close(fd) != 0 && ok) {
        setWhy(why, lastError());
        ok = false;
    }
    std::error_code ec;
    if (!ok) {
        fs::remove(tmp, ec);
        return FileResult::WriteFailed;
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        setWhy(why, lastError());
        fs::remove(tmp, ec);
        return FileResult::RenameFailed;
    }
    syncFolder(path.parent_path());
    return FileResult::Ok;
}

#endif

bool isAtomicTemporaryName(const fs::path& fileName) {
    const std::string name = fileName.filename().string();
    const size_t at = name.rfind(kTempMarker);
    if (at != std::string::npos && name.size() == at + kTempMarker.size() + 8)
        return name.find_first_not_of("0123456789abcdef", at + kTempMarker.size()) == std::string::npos;
    // Earlier builds named them "<name>.bin.tmp<decimal digits>".
    const size_t old = name.rfind(".bin.tmp");
    if (old == std::string::npos || old == 0) return false;
    const size_t digits = old + 8;
    return name.size() > digits && name.size() <= digits + 8 &&
           name.find_first_not_of("0123456789", digits) == std::string::npos;
}

int removeStaleTemporaries(const fs::path& folder, fs::file_time_type startedAt) {
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code fileEc;
        if (!isAtomicTemporaryName(it->path().filename())) continue;
        if (!it->is_regular_file(fileEc) || it->is_symlink(fileEc)) continue;
        const fs::file_time_type changed = it->last_write_time(fileEc);
        if (fileEc || changed >= startedAt) continue;
        if (fs::remove(it->path(), fileEc)) ++removed;
    }
    return removed;
}

}  // namespace vandrel

#include "device/DeviceLock.h"

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace vandrel {

DeviceLock::~DeviceLock() { release(); }

#ifndef _WIN32

DeviceLock::Result DeviceLock::acquire(const DeviceLockFile& file, std::error_code* why) {
    release();
    if (why) why->clear();
    // Read-only is enough for flock. Without blocking, so that a FIFO at the
    // path never stalls the caller; a lock file of our own making is never a
    // link, so that it cannot be used to create a file elsewhere.
    int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    if (file.create) flags |= O_CREAT | O_NOFOLLOW;
    int fd;
    do fd = ::open(file.path.c_str(), flags, 0600);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (why) *why = std::error_code(errno, std::generic_category());
        return Result::Failed;
    }
    int rc;
    do rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) return Result::Busy;
        if (why) *why = std::error_code(error, std::generic_category());
        return Result::Failed;
    }
    m_fd = fd;
    m_path = file.path;
    return Result::Acquired;
}

void DeviceLock::release() {
    if (m_fd < 0) return;
    // Closing the only descriptor of the open file gives the lock back.
    ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}

#else

DeviceLock::Result DeviceLock::acquire(const DeviceLockFile& file, std::error_code* why) {
    if (why) why->clear();
    m_fd = 0;
    m_path = file.path;
    return Result::Acquired;
}

void DeviceLock::release() {
    m_fd = -1;
    m_path.clear();
}

#endif

bool DeviceLock::heldElsewhere(const DeviceLockFile& file) {
    if (file.path.empty()) return false;
    // Probing never makes the lock file.
    DeviceLock probe;
    return probe.acquire({file.path, false}) == Result::Busy;
}

}  // namespace vandrel

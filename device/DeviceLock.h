#pragma once
// One writer per keyboard, whatever the environment of the processes that
// want to talk to it. Whoever talks to the keyboard (the program, a
// vandrelctl run) holds an exclusive advisory lock (flock) tied to the device
// for as long as it does: on the keyboard's hidraw node itself for a real
// keyboard (opened read-only, only for the lock), and for the simulated
// keyboard on a lock file beside its state file, which is never replaced.
// The system gives the lock back when its holder ends, however it ends, so a
// crash or a kill -9 never leaves the keyboard locked.
//
// A lock is held per open file, so two DeviceLock objects of one process on
// one path exclude each other as two processes do. Where flock does not
// exist (Windows) every lock is granted.

#include <string>
#include <system_error>

namespace vandrel {

// The file whose lock stands for a keyboard.
struct DeviceLockFile {
    std::string path;     // empty: this keyboard has no lock (a test's simulated one)
    bool create = false;  // a lock file made when missing; a device node never is
};

class DeviceLock {
public:
    DeviceLock() = default;
    ~DeviceLock();
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

    enum class Result {
        Acquired,  // this object holds the lock
        Busy,      // somebody else holds it
        Failed,    // the file cannot be opened (`why` tells the reason)
    };
    // Takes the lock without waiting. A lock this object held before is given
    // back first.
    Result acquire(const DeviceLockFile& file, std::error_code* why = nullptr);
    void release();
    bool held() const { return m_fd >= 0; }
    const std::string& path() const { return m_path; }

    // Whether somebody holds the lock on `file` at this moment: takes it and
    // gives it back at once. False when nobody does, or it cannot be opened.
    static bool heldElsewhere(const DeviceLockFile& file);

private:
    int m_fd = -1;
    std::string m_path;
};

}  // namespace vandrel

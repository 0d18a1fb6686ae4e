#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#ifndef _WIN32
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vandrel {

#ifndef _WIN32
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

// What the handler reaches: a signal handler has no object to go through,
// so the pipes' write ends live here, set only while an instance is installed.
std::atomic<int> g_writeFd{-1};
std::atomic<int> g_watchFd{-1};
// Whether a signal reached the handler while a watchdog waits.
std::atomic<bool> g_watchdogArmed{false};
static_assert(std::atomic<int>::is_always_lock_free, "the handler must not take a lock");
static_assert(std::atomic<bool>::is_always_lock_free, "the handler must not take a lock");
struct sigaction g_previous[kSignalCount];

extern "C" void onTerminationSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a signal to report: nothing is lost.
    if (const int fd = g_writeFd.load(std::memory_order_relaxed); fd >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    if (const int fd = g_watchFd.load(std::memory_order_relaxed); fd >= 0) {
        g_watchdogArmed.store(true, std::memory_order_relaxed);
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

// The watchdog's thread: a 0 byte ends it; a signal's number starts the
// count-down that ends the process.
void watch(int readFd, int deadlineMs) {
    unsigned char byte = 0;
    ssize_t n;
    do n = ::read(readFd, &byte, 1);
    while (n < 0 && errno == EINTR);
    if (n != 1 || byte == 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(deadlineMs));
    char text[160];
    const int length = std::snprintf(text, sizeof text,
                                     "Vandrel: signal %d: the program did not end within %d ms; it ends now.\n",
                                     static_cast<int>(byte), deadlineMs);
    if (length > 0) {
        [[maybe_unused]] const ssize_t w = ::write(STDERR_FILENO, text, static_cast<size_t>(length));
    }
    ::_exit(128 + byte);
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : TerminationSignals(-1, parent) {}

TerminationSignals::TerminationSignals(int watchdogMs, QObject* parent) : QObject(parent) {
    int fds[2];
    if (g_writeFd.load() >= 0 || ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    m_readFd = fds[0];
    m_writeFd = fds[1];
    g_writeFd.store(m_writeFd);
    m_notifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::onReadable);
    if (watchdogMs >= 0) startWatchdog(watchdogMs);

    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &action, &g_previous[i]);
    m_handlersSet = true;
    m_installed = true;
}

void TerminationSignals::startWatchdog(int watchdogMs) {
    // The thread blocks on its read end; the handler's writes never block.
    if (::pipe2(m_watchFds, O_CLOEXEC) != 0) return;
    ::fcntl(m_watchFds[1], F_SETFL, O_NONBLOCK);
    g_watchdogArmed.store(false);
    m_watchdog = std::thread(watch, m_watchFds[0], watchdogMs);
    g_watchFd.store(m_watchFds[1]);
}

TerminationSignals::~TerminationSignals() {
    if (!m_installed) return;
    restoreHandlers();
    g_writeFd.store(-1);
    g_watchFd.store(-1);
    if (m_watchdog.joinable()) {
        if (g_watchdogArmed.load()) {
            // Counting down: it ends the process unless the process ends
            // first. Its pipe stays open for it.
            m_watchdog.detach();
        } else {
            const unsigned char stop = 0;
            [[maybe_unused]] const ssize_t n = ::write(m_watchFds[1], &stop, 1);
            m_watchdog.join();
            ::close(m_watchFds[0]);
            ::close(m_watchFds[1]);
        }
    }
    delete m_notifier;
    ::close(m_readFd);
    ::close(m_writeFd);
}

void TerminationSignals::restoreHandlers() {
    if (!m_handlersSet) return;
    for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &g_previous[i], nullptr);
    m_handlersSet = false;
}

void TerminationSignals::onReadable() {
    unsigned char bytes[16];
    ssize_t n;
    int last = 0;
    while ((n = ::read(m_readFd, bytes, sizeof bytes)) > 0) last = bytes[n - 1];
    if (last == 0) return;
    // A second signal takes its usual course.
    restoreHandlers();
    emit received(last);
}

#else

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {}
TerminationSignals::TerminationSignals(int, QObject* parent) : QObject(parent) {}
TerminationSignals::~TerminationSignals() = default;
void TerminationSignals::restoreHandlers() {}
void TerminationSignals::onReadable() {}
void TerminationSignals::startWatchdog(int) {}

#endif

}  // namespace vandrel

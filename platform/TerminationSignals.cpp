#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#ifndef _WIN32
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vandrel {

#ifndef _WIN32
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

// What the handler reaches: a signal handler has no object to go through,
// so the pipe's write end lives here, set only while an instance is installed.
std::atomic<int> g_writeFd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "the handler must not take a lock");
struct sigaction g_previous[kSignalCount];

extern "C" void onTerminationSignal(int signalNumber) {
    const int savedErrno = errno;
    const int fd = g_writeFd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        // A full pipe already holds a signal to report: nothing is lost.
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    int fds[2];
    if (g_writeFd.load() >= 0 || ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    m_readFd = fds[0];
    m_writeFd = fds[1];
    g_writeFd.store(m_writeFd);
    m_notifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::onReadable);

    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &action, &g_previous[i]);
    m_handlersSet = true;
    m_installed = true;
}

TerminationSignals::~TerminationSignals() {
    if (!m_installed) return;
    restoreHandlers();
    g_writeFd.store(-1);
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
TerminationSignals::~TerminationSignals() = default;
void TerminationSignals::restoreHandlers() {}
void TerminationSignals::onReadable() {}

#endif

}  // namespace vandrel

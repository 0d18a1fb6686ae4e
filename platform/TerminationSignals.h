#pragma once
// The signals that ask the program to end (SIGTERM at logout or from a
// service manager, SIGINT from a terminal's Ctrl+C, SIGHUP when the terminal
// goes), turned into a Qt signal on the event loop. The handler only writes
// the signal's number to a pipe, the one thing a signal handler may safely
// do; a socket notifier on the pipe's other end reports it to the window
// thread. After the first one the earlier handlers are back, so that a second
// signal ends a program that no longer answers.
//
// With a watchdog, the first signal also sets a deadline that does not
// depend on the window thread: a thread of its own, waiting on a second
// pipe, ends the process with _exit(128 + signal) once the deadline has
// passed, should the orderly end not have finished by then (the window
// thread frozen, a transfer that does not end).
//
// One instance at a time (a process has one set of handlers). Where these
// signals do not exist (Windows), it does nothing.

#include <QObject>
#include <thread>

class QSocketNotifier;

namespace vandrel {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    // With a watchdog that ends the process `watchdogMs` after the first
    // signal.
    explicit TerminationSignals(int watchdogMs, QObject* parent = nullptr);
    // Puts the handlers back as they were. A watchdog already counting down
    // keeps counting: the process is on its way out.
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // Whether the handlers are installed (false for a second instance).
    bool installed() const { return m_installed; }

signals:
    void received(int signalNumber);

private:
    void restoreHandlers();
    void onReadable();
    void startWatchdog(int watchdogMs);

    bool m_installed = false;
    bool m_handlersSet = false;
    int m_readFd = -1;
    int m_writeFd = -1;
    QSocketNotifier* m_notifier = nullptr;
    int m_watchFds[2] = {-1, -1};
    std::thread m_watchdog;
};

}  // namespace vandrel

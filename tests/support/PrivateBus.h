#pragma once
// A session bus of the test's own: a dbus-daemon started for the test and
// ended with it, so that no test touches the desktop's bus. Connections are
// made by name; each test object makes its own.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QUuid>

namespace vandrel::test {

class PrivateBus {
public:
    PrivateBus() {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!m_daemon.waitForStarted(5000)) return;
        QElapsedTimer t;
        t.start();
        while (!m_daemon.canReadLine() && t.elapsed() < 5000) m_daemon.waitForReadyRead(100);
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        for (const QString& name : m_names) QDBusConnection::disconnectFromBus(name);
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(3000)) m_daemon.kill();
        m_daemon.waitForFinished(1000);
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool ok() const { return !m_address.isEmpty(); }
    const QString& address() const { return m_address; }

    // A new connection of its own to the bus.
    QDBusConnection connect() {
        const QString name = QStringLiteral("test-") + QUuid::createUuid().toString(QUuid::Id128);
        m_names << name;
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QProcess m_daemon;
    QString m_address;
    QStringList m_names;
};

// Runs the event loop until the call is answered: the service answers on
// this thread, so a blocking wait would never see its answer.
inline bool awaitCall(const QDBusPendingCall& call, int timeoutMs = 20000) {
    QElapsedTimer t;
    t.start();
    while (!call.isFinished() && t.elapsed() < timeoutMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return call.isFinished();
}

// Runs the event loop until `done()` or the time is up.
template <class F>
bool spinUntil(F done, int timeoutMs = 20000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

}  // namespace vandrel::test

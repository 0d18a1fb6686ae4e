#pragma once
// A desktop service of python3-dbusmock on a bus of the test's own (a
// template such as "logind", or a bare object to add methods to), and a
// blocking call to it. VANDREL_DBUSMOCK_PYTHON names the Python that has
// dbusmock (cmake/DBusMock.cmake).

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QVariantList>

#include "tests/support/PrivateBus.h"

namespace vandrel::test {

class MockService {
public:
    MockService(const PrivateBus& bus, bool systemBus, const QStringList& what) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(systemBus ? QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS") : QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   bus.address());
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList args{QStringLiteral("-m"), QStringLiteral("dbusmock")};
        if (systemBus) args << QStringLiteral("--system");
        m_process.start(QStringLiteral(VANDREL_DBUSMOCK_PYTHON), args + what);
    }
    ~MockService() {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) m_process.kill();
        m_process.waitForFinished(1000);
    }
    MockService(const MockService&) = delete;
    MockService& operator=(const MockService&) = delete;

private:
    QProcess m_process;
};

inline QDBusMessage callOn(QDBusConnection bus, const QString& service, const QString& path, const QString& interface,
                           const QString& method, const QVariantList& args = {}) {
    QDBusMessage m = QDBusMessage::createMethodCall(service, path, interface, method);
    m.setArguments(args);
    return bus.call(m, QDBus::Block, 5000);
}

}  // namespace vandrel::test

#include "cli/CtlWatch.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QDateTime>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <ostream>

#include "cli/CtlOptions.h"
#include "platform/DBusService.h"

namespace vandrel::ctl {

namespace {

// Receives the signals and prints them.
class Printer : public QObject {
    Q_OBJECT
public:
    Printer(std::ostream& out, int maxEvents, QEventLoop& loop) : m_out(out), m_left(maxEvents), m_loop(loop) {}
    bool failed() const { return m_failed; }

public slots:
    void configurationChanged() { print({{QStringLiteral("event"), QStringLiteral("ConfigurationChanged")}}); }
    void profileApplied(const QString& name, const QString& reason) {
        print({{QStringLiteral("event"), QStringLiteral("ProfileApplied")},
               {QStringLiteral("name"), name},
               {QStringLiteral("reason"), reason}});
    }
    void deviceAdded() { print({{QStringLiteral("event"), QStringLiteral("DeviceAdded")}}); }
    void deviceRemoved() { print({{QStringLiteral("event"), QStringLiteral("DeviceRemoved")}}); }
    void programStarted() { print({{QStringLiteral("event"), QStringLiteral("ProgramStarted")}}); }
    void programEnded() { print({{QStringLiteral("event"), QStringLiteral("ProgramEnded")}}); }

private:
    void print(QJsonObject o) {
        o.insert(QStringLiteral("time"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
        m_out << QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString() << '\n' << std::flush;
        // A reader that went away (a closed pipe) ends the watch.
        if (!m_out) {
            m_failed = true;
            m_loop.quit();
            return;
        }
        if (m_left > 0 && --m_left == 0) m_loop.quit();
    }

    std::ostream& m_out;
    int m_left;
    QEventLoop& m_loop;
    bool m_failed = false;
};

}  // namespace

int runWatch(QDBusConnection bus, std::ostream& out, std::ostream& err, int maxEvents) {
    if (!bus.isConnected()) {
        err << "vandrelctl: watch needs the desktop session's D-Bus, and there is none here ("
            << (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ? "DBUS_SESSION_BUS_ADDRESS is not set"
                                                                          : "the session bus cannot be reached")
            << "). The program sends its events only over D-Bus; the other commands work without it.\n";
        return kExitFailed;
    }
    QEventLoop loop;
    Printer printer(out, maxEvents, loop);
    const QString service = QString::fromLatin1(kDBusServiceName);
    const QString path = QString::fromLatin1(kDBusObjectPath);
    const QString iface = QString::fromLatin1(kDBusInterface);
    const bool connected =
        bus.connect(service, path, iface, QStringLiteral("ConfigurationChanged"), &printer,
                    SLOT(configurationChanged())) &&
        bus.connect(service, path, iface, QStringLiteral("ProfileApplied"), &printer,
                    SLOT(profileApplied(QString, QString))) &&
        bus.connect(service, path, iface, QStringLiteral("DeviceAdded"), &printer, SLOT(deviceAdded())) &&
        bus.connect(service, path, iface, QStringLiteral("DeviceRemoved"), &printer, SLOT(deviceRemoved()));
    if (!connected) {
        err << "vandrelctl: could not subscribe to the program's events: " << bus.lastError().message().toStdString()
            << "\n";
        return kExitFailed;
    }
    QDBusServiceWatcher watcher(service, bus,
                                QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceRegistered, &printer, &Printer::programStarted);
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceUnregistered, &printer, &Printer::programEnded);
    if (!bus.interface() || !bus.interface()->isServiceRegistered(service))
        err << "vandrelctl: the Vandrel program is not running; waiting for it.\n";
    loop.exec();
    return printer.failed() ? kExitFailed : kExitDone;
}

}  // namespace vandrel::ctl

#include "CtlWatch.moc"

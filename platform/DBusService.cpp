#include "platform/DBusService.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <cmath>

namespace vandrel {

namespace {

// org.vandrel.Configurator1.Focus on the same object. Each report goes out
// with its sender's unique name: only the compositor's own reports count.
class FocusReportAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.vandrel.Configurator1.Focus")
public:
    explicit FocusReportAdaptor(DBusService* service) : QDBusAbstractAdaptor(service), m_service(service) {}

public slots:
    Q_NOREPLY void WindowActivated(const QString& windowClass, const QString& instance, const QString& title,
                                   const QString& pid, const QString& kind) {
        m_service->focusReported(DBusService::focusFromReport(windowClass, instance, title, pid, kind));
    }

private:
    DBusService* m_service;
};

}  // namespace

DBusService::DBusService(ConfiguratorBackend& backend, QObject* parent)
    : QObject(parent), m_backend(backend), m_bus(QString()) {
    new FocusReportAdaptor(this);
}

FocusEvent DBusService::focusFromReport(const QString& windowClass, const QString& instance, const QString& title,
                                        const QString& pid, const QString& kind) {
    FocusEvent e;
    e.isDesktop = kind == QLatin1String("desktop");
    if (e.isDesktop) return e;
    e.windowClass = windowClass.toStdString();
    e.instance = instance.toStdString();
    e.title = title.toStdString();
    bool ok = false;
    const qlonglong n = pid.toLongLong(&ok);
    e.pid = ok && n > 0 ? n : 0;
    return e;
}

DBusService::~DBusService() { withdraw(); }

void DBusService::focusReported(const FocusEvent& focus) {
    // The bus puts the call's context on the adaptor's object, this one.
    emit windowReported(focus, calledFromDBus() ? message().service() : QString());
}

bool DBusService::publish(QDBusConnection bus, QString* why) {
    withdraw();
    auto fail = [why](const QString& reason) {
        if (why) *why = reason;
        return false;
    };
    if (!bus.isConnected()) return fail(QStringLiteral("no session bus"));
    if (!bus.registerObject(QString::fromLatin1(kDBusObjectPath), this,
                            QDBusConnection::ExportScriptableContents | QDBusConnection::ExportAdaptors))
        return fail(QStringLiteral("the object path is taken: ") + bus.lastError().message());
    // One program per user runs, so the name is free unless another user's
    // program shares this bus; queued requests would make that one's calls
    // land here later, so the name is asked for once, without a queue.
    QDBusConnectionInterface* names = bus.interface();
    const auto reply = names ? names->registerService(QString::fromLatin1(kDBusServiceName),
                                                      QDBusConnectionInterface::DontQueueService,
                                                      QDBusConnectionInterface::DontAllowReplacement)
                             : QDBusReply<QDBusConnectionInterface::RegisterServiceReply>();
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        bus.unregisterObject(QString::fromLatin1(kDBusObjectPath));
        return fail(QStringLiteral("the name %1 is taken").arg(QLatin1String(kDBusServiceName)));
    }
    m_bus = bus;
    m_published = true;
    return true;
}

void DBusService::withdraw() {
    if (!m_published) return;
    m_published = false;
    m_bus.unregisterService(QString::fromLatin1(kDBusServiceName));
    m_bus.unregisterObject(QString::fromLatin1(kDBusObjectPath));
}

bool DBusService::settingsToAssignments(const QVariantMap& settings, QStringList& assignments, QString& error) {
    assignments.clear();
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        QVariant value = it.value();
        if (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
            value = value.value<QDBusVariant>().variant();
        QString text;
        switch (value.metaType().id()) {
        case QMetaType::QString: text = value.toString(); break;
        case QMetaType::Bool: text = value.toBool() ? QStringLiteral("on") : QStringLiteral("off"); break;
        case QMetaType::UChar:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong: text = QString::number(value.toLongLong()); break;
        case QMetaType::ULongLong: text = QString::number(value.toULongLong()); break;
        case QMetaType::Double: {
            // Scripting languages send every number as a double.
            const double d = value.toDouble();
            if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15) {
                text = QString::number(static_cast<long long>(d));
                break;
            }
            error = QStringLiteral("%1: %2 is not a whole number").arg(it.key()).arg(d);
            return false;
        }
        default:
            error = QStringLiteral("%1: give the value as a string, a whole number or a boolean").arg(it.key());
            return false;
        }
        assignments << it.key() + u'=' + text;
    }
    return true;
}

void DBusService::GetState(QString&) {
    setDelayedReply(true);
    const QDBusMessage call = message();
    QDBusConnection bus = connection();
    m_backend.state([call, bus](const DBusOutcome& outcome, const QString& json) mutable {
        bus.send(outcome.ok() ? call.createReply(json) : call.createErrorReply(outcome.errorName, outcome.message));
    });
}

void DBusService::ListProfiles(QStringList& profiles) { profiles = m_backend.profiles(); }

void DBusService::ApplyProfile(const QString& name, bool&, QStringList&) {
    setDelayedReply(true);
    const QDBusMessage call = message();
    QDBusConnection bus = connection();
    m_backend.applyProfile(name, [call, bus](const DBusOutcome& outcome, bool applied,
                                             const QStringList& sections) mutable {
        bus.send(outcome.ok() ? call.createReply(QVariantList{applied, sections})
                              : call.createErrorReply(outcome.errorName, outcome.message));
    });
}

void DBusService::SetSettings(const QVariantMap& settings) {
    QStringList assignments;
    QString error;
    if (settings.isEmpty()) error = QStringLiteral("no setting given");
    if (!error.isEmpty() || !settingsToAssignments(settings, assignments, error)) {
        sendErrorReply(QString::fromLatin1(dbuserror::kInvalidArgs), error);
        return;
    }
    setDelayedReply(true);
    const QDBusMessage call = message();
    QDBusConnection bus = connection();
    m_backend.setSettings(assignments, [call, bus](const DBusOutcome& outcome) mutable {
        bus.send(outcome.ok() ? call.createReply() : call.createErrorReply(outcome.errorName, outcome.message));
    });
}

}  // namespace vandrel

#include "DBusService.moc"

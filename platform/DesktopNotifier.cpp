#include "platform/DesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace vandrel {

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QObject* parent) : QObject(parent), m_bus(std::move(bus)) {}

void DesktopNotifier::show(const QString& summary, const QString& body) {
    if (!m_bus.isConnected()) return;
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // A switch is news for a moment, not for the notification history.
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("vandrel")},
                            {QStringLiteral("transient"), true},
                            {QStringLiteral("urgency"), QVariant::fromValue<uchar>(0)}};
    notify << QStringLiteral("Vandrel") << m_lastId << QStringLiteral("vandrel") << summary << body << QStringList()
           << hints << 3000;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        QDBusPendingReply<uint> id = *watcher;
        if (!id.isError()) m_lastId = id.value();
        watcher->deleteLater();
    });
}

}  // namespace vandrel

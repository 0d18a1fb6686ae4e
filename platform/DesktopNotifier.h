#pragma once
// Desktop notifications through org.freedesktop.Notifications: one at a
// time, each replacing the program's previous one, so that a run of profile
// switches leaves one bubble, not a pile.

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace vandrel {

class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(QDBusConnection bus, QObject* parent = nullptr);

    // Shows `summary`; nothing happens where no notification server runs.
    void show(const QString& summary, const QString& body = {});

private:
    QDBusConnection m_bus;
    uint m_lastId = 0;
};

}  // namespace vandrel

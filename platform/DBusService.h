#pragma once
// The running program on the session bus: org.vandrel.Configurator at
// /org/vandrel/Configurator, interface org.vandrel.Configurator1 (its
// introspection is platform/dbus/org.vandrel.Configurator1.xml). This class
// is only the bus side: it turns calls into requests to a backend, which
// answers later (a write to the keyboard takes seconds), and carries the
// program's signals out.

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <functional>

#include "profile/ProfileRules.h"

namespace vandrel {

inline constexpr const char* kDBusServiceName = "org.vandrel.Configurator";
inline constexpr const char* kDBusObjectPath = "/org/vandrel/Configurator";
inline constexpr const char* kDBusInterface = "org.vandrel.Configurator1";
inline constexpr const char* kDBusInterfaceVersion = "1.0";
inline constexpr const char* kDBusFocusInterface = "org.vandrel.Configurator1.Focus";

// Error names of the interface.
namespace dbuserror {
inline constexpr const char* kInvalidArgs = "org.freedesktop.DBus.Error.InvalidArgs";
inline constexpr const char* kNoKeyboard = "org.vandrel.Configurator1.Error.NoKeyboard";
inline constexpr const char* kNoSuchProfile = "org.vandrel.Configurator1.Error.NoSuchProfile";
inline constexpr const char* kBadProfile = "org.vandrel.Configurator1.Error.BadProfile";
inline constexpr const char* kRefused = "org.vandrel.Configurator1.Error.Refused";
inline constexpr const char* kWriteFailed = "org.vandrel.Configurator1.Error.WriteFailed";
inline constexpr const char* kFailed = "org.vandrel.Configurator1.Error.Failed";
}  // namespace dbuserror

// How a call ended: no error name on success.
struct DBusOutcome {
    QString errorName;
    QString message;
    bool ok() const { return errorName.isEmpty(); }
    static DBusOutcome success() { return {}; }
    static DBusOutcome failure(const char* name, QString why) { return {QString::fromLatin1(name), std::move(why)}; }
};

// What the program does for a call. Each `done` is called once, on the
// thread of the event loop, when the work is over.
class ConfiguratorBackend {
public:
    virtual ~ConfiguratorBackend() = default;
    virtual void state(std::function<void(const DBusOutcome&, const QString& json)> done) = 0;
    virtual QStringList profiles() = 0;
    virtual void applyProfile(const QString& name,
                              std::function<void(const DBusOutcome&, bool applied, const QStringList& differing)> done) = 0;
    // `assignments` are vandrelctl's KEY=VALUE words.
    virtual void setSettings(const QStringList& assignments, std::function<void(const DBusOutcome&)> done) = 0;
};

class DBusService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.vandrel.Configurator1")
    Q_PROPERTY(QString Version READ version)

public:
    explicit DBusService(ConfiguratorBackend& backend, QObject* parent = nullptr);
    ~DBusService() override;

    // Exports the object on `bus` and takes the bus name. False, with the
    // reason in `why`, when the bus is not there or the name is taken.
    bool publish(QDBusConnection bus, QString* why = nullptr);
    // Gives the name and the object back.
    void withdraw();

    QString version() const { return QString::fromLatin1(kDBusInterfaceVersion); }

    // A{sv} of SetSettings as vandrelctl's KEY=VALUE words: strings as they
    // are, whole numbers in decimal, booleans as on/off. False with the reason
    // for a value of another type.
    static bool settingsToAssignments(const QVariantMap& settings, QStringList& assignments, QString& error);

    // Passes a report of the Focus interface on with its sender.
    void focusReported(const FocusEvent& focus);

public slots:
    // The out parameters name the answers in the introspection; the answers
    // themselves go out later, when the backend is done.
    Q_SCRIPTABLE void GetState(QString& configuration);
    Q_SCRIPTABLE void ListProfiles(QStringList& profiles);
    Q_SCRIPTABLE void ApplyProfile(const QString& name, bool& applied, QStringList& differing);
    Q_SCRIPTABLE void SetSettings(const QVariantMap& settings);

    // A focus report of the desktop's script or extension, as it came.
    static FocusEvent focusFromReport(const QString& windowClass, const QString& instance, const QString& title,
                                      const QString& pid, const QString& kind);

signals:
    // Not on the bus: a focus report arrived (org.vandrel.Configurator1.Focus)
    // from the connection with the unique name `sender`.
    void windowReported(const vandrel::FocusEvent& focus, const QString& sender);

    Q_SCRIPTABLE void ConfigurationChanged();
    Q_SCRIPTABLE void ProfileApplied(const QString& name, const QString& reason);
    Q_SCRIPTABLE void DeviceAdded();
    Q_SCRIPTABLE void DeviceRemoved();
    Q_SCRIPTABLE void RuleProfileMissing(const QString& name, const QString& reason);

private:
    ConfiguratorBackend& m_backend;
    QDBusConnection m_bus;
    bool m_published = false;
};

}  // namespace vandrel

#pragma once
// The program's answers to its D-Bus interface: typed calls go straight into
// the configuration service, so a call is checked, shown and saved exactly as
// a vandrelctl command or a click in the window is, and waits for a transfer
// under way instead of interleaving with it.

#include <QObject>
#include <QString>
#include <string>

#include "device/Transfers.h"
#include "platform/DBusService.h"

namespace vandrel {

class ConfigurationService;
enum class ServiceStatus;

class DBusBridge : public QObject, public ConfiguratorBackend {
    Q_OBJECT
public:
    // `profileFolder`: the profiles ApplyProfile names and Profiles lists.
    DBusBridge(ConfigurationService& service, QString profileFolder, QObject* parent = nullptr);

    void state(std::function<void(const DBusOutcome&, const QString& json)> done) override;
    QStringList profiles() override;
    void applyProfile(const QString& name,
                      std::function<void(const DBusOutcome&, bool applied, const QStringList& differing)> done) override;
    void setSettings(const QStringList& assignments, std::function<void(const DBusOutcome&)> done) override;

    // The interface's error for a status of the service.
    static const char* errorNameFor(ServiceStatus status);

private:
    ConfigurationService& m_service;
    QString m_profileFolder;
};

// The names the interface gives the sections of a configuration:
// "lighting", "palette", ..., "macroSlot1".."macroSlot32", "diyMap1".."diyMap5".
QStringList sectionNames(const ChangeFlags& sections);

}  // namespace vandrel

#pragma once
// The program's answers to its D-Bus interface: every call that reads or
// changes the keyboard goes through the same command handler as vandrelctl,
// so a call is checked, shown and saved exactly as a vandrelctl command is,
// and never interleaves with the window's own transfers.

#include <QObject>
#include <QString>
#include <string>

#include "device/Transfers.h"
#include "platform/DBusService.h"

namespace vandrel {

class CTarvinDlg;
class CtlCommandHandler;

class DBusBridge : public QObject, public ConfiguratorBackend {
    Q_OBJECT
public:
    // `simulated`: the program runs on the simulated keyboard.
    DBusBridge(CtlCommandHandler& handler, CTarvinDlg& window, QString profileFolder, bool simulated,
               QObject* parent = nullptr);

    void state(std::function<void(const DBusOutcome&, const QString& json)> done) override;
    QStringList profiles() override;
    void applyProfile(const QString& name,
                      std::function<void(const DBusOutcome&, bool applied, const QStringList& differing)> done) override;
    void setSettings(const QStringList& assignments, std::function<void(const DBusOutcome&)> done) override;

    // The interface's error for an exit code of the command handler.
    static const char* errorNameFor(int exitCode);

signals:
    // A profile was applied on request (ApplyProfile).
    void profileApplied(const QString& name);

private:
    using Answer = std::function<void(int code, const std::string& message, const std::string& output)>;
    void request(std::vector<std::string> words, Answer answer);

    CtlCommandHandler& m_handler;
    CTarvinDlg& m_window;
    QString m_profileFolder;
    bool m_simulated;
};

// The names the interface gives the sections of a configuration:
// "lighting", "palette", ..., "macroSlot1".."macroSlot32", "diyMap1".."diyMap5".
QStringList sectionNames(const ChangeFlags& sections);

}  // namespace vandrel

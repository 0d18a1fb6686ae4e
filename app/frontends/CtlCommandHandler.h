#pragma once
// The running program's side of vandrelctl: a command that reaches it over
// the single-instance socket is decoded, handed to the configuration service
// (which checks it, shows it in the window and saves it to the keyboard), and
// answered with the exit code and a message. Commands wait in the service's
// queue while a transfer runs.

#include <QObject>
#include <QString>
#include <string>
#include <vector>

#include "platform/SingleInstance.h"

namespace vandrel {

class ConfigurationService;
enum class ServiceStatus;

class CtlCommandHandler : public QObject {
    Q_OBJECT
public:
    // `simulated`: the program runs on the simulated keyboard (the demo).
    CtlCommandHandler(ConfigurationService& service, bool simulated = false, QObject* parent = nullptr);

    // Carries out one request; `reply` gets the answer line.
    void handle(const QByteArray& request, const SingleInstance::CommandReply& reply);

    // The tool's exit code for a status of the service.
    static int exitCodeFor(ServiceStatus status);

private:
    // diy set, fill, import and copy, through the service's paint entry.
    void paintDiy(const std::vector<std::string>& args, const SingleInstance::CommandReply& reply);

    ConfigurationService& m_service;
    bool m_simulated;
};

}  // namespace vandrel

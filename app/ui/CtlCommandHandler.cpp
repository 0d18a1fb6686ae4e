#include "app/ui/CtlCommandHandler.h"

#include "app/service/ConfigurationService.h"
#include "cli/CtlHandoff.h"

namespace vandrel {

CtlCommandHandler::CtlCommandHandler(ConfigurationService& service, bool simulated, QObject* parent)
    : QObject(parent), m_service(service), m_simulated(simulated) {}

int CtlCommandHandler::exitCodeFor(ServiceStatus status) {
    switch (status) {
    case ServiceStatus::Done: return ctl::kExitDone;
    case ServiceStatus::Refused: return ctl::kExitFailed;
    case ServiceStatus::Usage: return ctl::kExitUsage;
    case ServiceStatus::NoKeyboard: return ctl::kExitNoKeyboard;
    case ServiceStatus::NoAccess: return ctl::kExitNoAccess;
    case ServiceStatus::NoAck: return ctl::kExitNoAck;
    case ServiceStatus::BadFile: return ctl::kExitBadFile;
    }
    return ctl::kExitFailed;
}

void CtlCommandHandler::handle(const QByteArray& request, const SingleInstance::CommandReply& reply) {
    std::vector<std::string> words = ctl::decodeRequest(request);
    auto answer = [reply](const ServiceResult& r) { reply(ctl::encodeAnswer(exitCodeFor(r.status), r.message)); };
    // A command for the demo keyboard never reaches a real one, nor the other way round.
    const bool forDemo = !words.empty() && words[0] == ctl::kDemoWord;
    if (forDemo) words.erase(words.begin());
    if (forDemo != m_simulated) {
        reply(ctl::encodeAnswer(ctl::kExitFailed, m_simulated
                                                      ? "the running program is the demo; close it to use the keyboard"
                                                      : "the running program uses the keyboard; close it to use --demo"));
        return;
    }
    const std::string command = words.empty() ? std::string() : words[0];
    const std::vector<std::string> args(words.empty() ? words.end() : words.begin() + 1, words.end());

    if (command == ctl::kConfigurationWord) {
        m_service.readConfiguration([reply](const ServiceResult& r, const KeyboardConfiguration* keyboard) {
            if (!keyboard) {
                reply(ctl::encodeAnswer(exitCodeFor(r.status), r.message));
                return;
            }
            reply(ctl::encodeAnswer(ctl::kExitDone, "", keyboardConfigurationJson(*keyboard)));
        });
        return;
    }
    if (command == "set") {
        m_service.setSettings(args, answer);
        return;
    }
    if (command == "apply") {
        const bool yes = args.size() == 2 && args[1] == ctl::kYesWord;
        if (args.size() != 1 && !yes) {
            reply(ctl::encodeAnswer(ctl::kExitUsage, "usage: vandrelctl apply PROFILE [--yes]"));
            return;
        }
        m_service.applyProfile(args[0], yes, answer);
        return;
    }
    reply(ctl::encodeAnswer(ctl::kExitUsage, "the program carries out only set and apply, and tells its configuration"));
}

}  // namespace vandrel

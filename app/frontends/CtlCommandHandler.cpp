#include "app/frontends/CtlCommandHandler.h"

#include "app/draw/DiyPicture.h"
#include "app/model/DiyCommand.h"
#include "app/service/ConfigurationService.h"
#include "platform/Handoff.h"

namespace vandrel {

CtlCommandHandler::CtlCommandHandler(ConfigurationService& service, bool simulated, QObject* parent)
    : QObject(parent), m_service(service), m_simulated(simulated) {}

int CtlCommandHandler::exitCodeFor(ServiceStatus status) {
    switch (status) {
    case ServiceStatus::Done: return handoff::kExitDone;
    case ServiceStatus::Refused: return handoff::kExitFailed;
    case ServiceStatus::Usage: return handoff::kExitUsage;
    case ServiceStatus::NoKeyboard: return handoff::kExitNoKeyboard;
    case ServiceStatus::NoAccess: return handoff::kExitNoAccess;
    case ServiceStatus::NoAck: return handoff::kExitNoAck;
    case ServiceStatus::BadFile: return handoff::kExitBadFile;
    }
    return handoff::kExitFailed;
}

void CtlCommandHandler::handle(const QByteArray& request, const SingleInstance::CommandReply& reply) {
    std::vector<std::string> words = handoff::decodeRequest(request);
    auto answer = [reply](const ServiceResult& r) { reply(handoff::encodeAnswer(exitCodeFor(r.status), r.message)); };
    // A command for the demo keyboard never reaches a real one, nor the other way round.
    const bool forDemo = !words.empty() && words[0] == handoff::kDemoWord;
    if (forDemo) words.erase(words.begin());
    if (forDemo != m_simulated) {
        reply(handoff::encodeAnswer(handoff::kExitFailed, m_simulated
                                                      ? "the running program is the demo; close it to use the keyboard"
                                                      : "the running program uses the keyboard; close it to use --demo"));
        return;
    }
    const std::string command = words.empty() ? std::string() : words[0];
    const std::vector<std::string> args(words.empty() ? words.end() : words.begin() + 1, words.end());

    if (command == handoff::kConfigurationWord) {
        m_service.readConfiguration([reply](const ServiceResult& r, const KeyboardConfiguration* keyboard) {
            if (!keyboard) {
                reply(handoff::encodeAnswer(exitCodeFor(r.status), r.message));
                return;
            }
            reply(handoff::encodeAnswer(handoff::kExitDone, "", keyboardConfigurationJson(*keyboard)));
        });
        return;
    }
    if (command == "set") {
        m_service.setSettings(args, answer);
        return;
    }
    if (command == "apply") {
        const bool yes = args.size() == 2 && args[1] == handoff::kYesWord;
        if (args.size() != 1 && !yes) {
            reply(handoff::encodeAnswer(handoff::kExitUsage, "usage: vandrelctl apply PROFILE [--yes]"));
            return;
        }
        m_service.applyProfile(args[0], yes, answer);
        return;
    }
    if (command == "diy") {
        paintDiy(args, reply);
        return;
    }
    reply(handoff::encodeAnswer(handoff::kExitUsage,
                                "the program carries out only set, apply and diy, and tells its configuration"));
}

void CtlCommandHandler::paintDiy(const std::vector<std::string>& args, const SingleInstance::CommandReply& reply) {
    const DiyParse parsed = parseDiyCommand(args);
    if (!parsed.ok()) {
        reply(handoff::encodeAnswer(handoff::kExitUsage, parsed.error));
        return;
    }
    const DiyRequest request = parsed.request;
    // Show and export take the program's configuration and run in the tool.
    if (!diyChangesMaps(request.action)) {
        reply(handoff::encodeAnswer(handoff::kExitUsage, "the program carries out diy set, fill, import and copy"));
        return;
    }
    std::optional<std::array<Rgb, kPhysicalSlots>> picture;
    if (request.action == DiyAction::Import) {
        QString error;
        picture = loadDiyPicture(QString::fromStdString(request.path), &error);
        if (!picture) {
            reply(handoff::encodeAnswer(handoff::kExitBadFile, error.toStdString()));
            return;
        }
    }
    auto changed = std::make_shared<int>(0);
    m_service.paintDiy(
        [request, picture, changed](DeviceImage& image) {
            return *changed = paintDiyRequest(image, request, picture ? &*picture : nullptr);
        },
        [request, changed, reply](const ServiceResult& r) {
            reply(handoff::encodeAnswer(exitCodeFor(r.status), r.ok() ? diyChangeSummary(request, *changed) : r.message));
        });
}

}  // namespace vandrel

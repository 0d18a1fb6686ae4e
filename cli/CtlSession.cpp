#include "cli/CtlSession.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <ostream>

#include "platform/RuleSettings.h"
#include "profile/SessionLightingChoice.h"

namespace vandrel::ctl {

namespace {

void show(const SessionLightingChoice& c, bool json, std::ostream& out) {
    if (json) {
        const QJsonObject o{{QStringLiteral("lock"), QString::fromLatin1(lockLightingName(c.lock))},
                            {QStringLiteral("dim"), c.dim},
                            {QStringLiteral("idle"), c.idleMinutes > 0 ? QJsonValue(c.idleMinutes)
                                                                       : QJsonValue(QStringLiteral("never"))},
                            {QStringLiteral("sleep"), QString::fromLatin1(sleepLightingName(c.sleep))}};
        out << QJsonDocument(o).toJson(QJsonDocument::Indented).toStdString();
        return;
    }
    out << "lock=" << lockLightingName(c.lock) << "   lights while the screen is locked\n"
        << "idle=" << idleText(c.idleMinutes) << "   minutes without input before the lights go as when locked"
        << (c.lock == LockLighting::Keep ? " (dimmed)" : "") << "\n"
        << "sleep=" << sleepLightingName(c.sleep) << "   lights while the computer sleeps\n"
        << "dim=" << c.dim << "   the brightness when dimmed (0..50)\n";
}

}  // namespace

int runSessionCommand(const Options& o, RuleSettings& settings, std::ostream& out, std::ostream& err) {
    if (!settings.usable())
        err << "vandrelctl: " << settings.file().toStdString()
            << " is not a regular file; the session settings are not read from it.\n";
    SessionLightingChoice choice = settings.sessionLighting();
    if (o.args.at(0) == "show") {
        show(choice, o.json, out);
        return kExitDone;
    }
    std::string error;
    if (!applySessionAssignments({o.args.begin() + 1, o.args.end()}, choice, error)) {
        err << "vandrelctl: " << error << "\n";
        return kExitUsage;
    }
    if (!settings.setSessionLighting(choice)) {
        err << "vandrelctl: " << settings.file().toStdString() << " could not be written"
            << (settings.usable() ? "" : " (it is not a regular file, and is left alone)") << ".\n";
        return kExitFailed;
    }
    show(choice, false, out);
    return kExitDone;
}

}  // namespace vandrel::ctl

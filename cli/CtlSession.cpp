#include "cli/CtlSession.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <ostream>

#include "platform/RuleSettings.h"
#include "profile/SessionLightingChoice.h"

namespace vandrel::ctl {

namespace {

void show(const SessionLightingChoice& c, bool json, std::ostream& out, const SessionEventSource::Offers* offers) {
    if (json) {
        QJsonObject o{{QStringLiteral("lock"), QString::fromLatin1(lockLightingName(c.lock))},
                      {QStringLiteral("dim"), c.dim},
                      {QStringLiteral("idle"), c.idleMinutes > 0 ? QJsonValue(c.idleMinutes)
                                                                 : QJsonValue(QStringLiteral("never"))},
                      {QStringLiteral("sleep"), QString::fromLatin1(sleepLightingName(c.sleep))}};
        if (offers)
            o.insert(QStringLiteral("offered"), QJsonObject{{QStringLiteral("lock"), offers->lockOffered()},
                                                            {QStringLiteral("idle"), offers->idleOffered()},
                                                            {QStringLiteral("sleep"), offers->sleepOffered()}});
        out << QJsonDocument(o).toJson(QJsonDocument::Indented).toStdString();
        return;
    }
    // Unknown (no offers given) counts as offered.
    const auto unless = [](bool offered) { return offered ? "" : " - this desktop does not offer it (vandrelctl doctor)"; };
    out << "lock=" << lockLightingName(c.lock) << "   lights while the screen is locked"
        << unless(!offers || offers->lockOffered()) << "\n"
        << "idle=" << idleText(c.idleMinutes) << "   minutes without input before the lights go as when locked"
        << (c.lock == LockLighting::Keep ? " (dimmed)" : "") << unless(!offers || offers->idleOffered()) << "\n"
        << "sleep=" << sleepLightingName(c.sleep) << "   lights while the computer sleeps"
        << unless(!offers || offers->sleepOffered()) << "\n"
        << "dim=" << c.dim << "   the brightness when dimmed (0..50)\n";
}

}  // namespace

int runSessionCommand(const Options& o, RuleSettings& settings, std::ostream& out, std::ostream& err,
                      const SessionEventSource::Offers* offers) {
    if (!settings.usable())
        err << "vandrelctl: " << settings.file().toStdString()
            << " is not a regular file; the session settings are not read from it.\n";
    SessionLightingChoice choice = settings.sessionLighting();
    if (o.args.at(0) == "show") {
        show(choice, o.json, out, offers);
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
    show(choice, false, out, offers);
    return kExitDone;
}

}  // namespace vandrel::ctl

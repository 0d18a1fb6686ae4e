#include "app/frontends/DBusBridge.h"

#include <QDir>
#include <QFileInfo>

#include "app/service/ConfigurationService.h"
#include "profile/ProfileFile.h"
#include "profile/ProfileStore.h"

namespace vandrel {

DBusBridge::DBusBridge(ConfigurationService& service, QString profileFolder, QObject* parent)
    : QObject(parent), m_service(service), m_profileFolder(std::move(profileFolder)) {}

const char* DBusBridge::errorNameFor(ServiceStatus status) {
    switch (status) {
    case ServiceStatus::Usage: return dbuserror::kInvalidArgs;
    case ServiceStatus::NoKeyboard:
    case ServiceStatus::NoAccess: return dbuserror::kNoKeyboard;
    case ServiceStatus::NoAck: return dbuserror::kWriteFailed;
    case ServiceStatus::BadFile: return dbuserror::kBadProfile;
    case ServiceStatus::Refused: return dbuserror::kRefused;
    case ServiceStatus::Done: break;
    }
    return dbuserror::kFailed;
}

namespace {
DBusOutcome outcomeOf(const ServiceResult& r) {
    return r.ok() ? DBusOutcome::success()
                  : DBusOutcome::failure(DBusBridge::errorNameFor(r.status), QString::fromStdString(r.message));
}
}  // namespace

void DBusBridge::state(std::function<void(const DBusOutcome&, const QString& json)> done) {
    m_service.readConfiguration([done](const ServiceResult& r, const KeyboardConfiguration* keyboard) {
        if (!keyboard) {
            done(outcomeOf(r), {});
            return;
        }
        done(DBusOutcome::success(), QString::fromStdString(keyboardConfigurationJson(*keyboard)));
    });
}

QStringList DBusBridge::profiles() {
    ProfileStore store(std::filesystem::path(m_profileFolder.toStdU16String()));
    store.scanProfiles();
    QStringList names;
    for (const ProfileEntry& e : store.profiles()) names << QString::fromStdU16String(e.name);
    return names;
}

void DBusBridge::applyProfile(const QString& name,
                              std::function<void(const DBusOutcome&, bool, const QStringList&)> done) {
    // Only the profiles of the program's own folder, by name.
    if (!IsValidProfileName(name.toStdU16String())) {
        done(DBusOutcome::failure(dbuserror::kInvalidArgs, QStringLiteral("'%1' cannot be a profile name").arg(name)),
             false, {});
        return;
    }
    const std::filesystem::path path =
        profileFilePath(std::filesystem::path(m_profileFolder.toStdU16String()), name.toStdU16String());
    const QString file = QFileInfo(QString::fromStdU16String(path.u16string())).absoluteFilePath();
    if (!QFileInfo(file).isFile()) {
        done(DBusOutcome::failure(dbuserror::kNoSuchProfile,
                                  QStringLiteral("there is no profile '%1' in %2").arg(name, m_profileFolder)),
             false, {});
        return;
    }
    m_service.applyProfile(file.toStdString(), false, [done](const ServiceResult& r) {
        if (r.ok()) {
            done(DBusOutcome::success(), true, {});
            return;
        }
        // A save whose check found other bytes on the keyboard is an answer,
        // not an error: the sections that differ.
        if (r.saved && r.write.outcome == TransferOutcome::Mismatch) {
            done(DBusOutcome::success(), false, sectionNames(r.check.differing));
            return;
        }
        done(outcomeOf(r), false, {});
    });
}

void DBusBridge::setSettings(const QStringList& assignments, std::function<void(const DBusOutcome&)> done) {
    std::vector<std::string> words;
    for (const QString& a : assignments) words.push_back(a.toStdString());
    m_service.setSettings(words, [done](const ServiceResult& r) { done(outcomeOf(r)); });
}

QStringList sectionNames(const ChangeFlags& f) {
    QStringList names;
    if (f.lighting) names << QStringLiteral("lighting");
    if (f.palette) names << QStringLiteral("palette");
    if (f.gameMode) names << QStringLiteral("gameMode");
    if (f.reportRate) names << QStringLiteral("reportRate");
    if (f.responseTime) names << QStringLiteral("responseTime");
    if (f.keyMap) names << QStringLiteral("keyMap");
    if (f.keyMask) names << QStringLiteral("keyMask");
    for (size_t s = 0; s < kMacroSlotCount; ++s)
        if (f.macro[s]) names << QStringLiteral("macroSlot%1").arg(s + 1);
    for (size_t m = 0; m < kDiyMapCount; ++m)
        if (f.diy[m]) names << QStringLiteral("diyMap%1").arg(m + 1);
    return names;
}

}  // namespace vandrel

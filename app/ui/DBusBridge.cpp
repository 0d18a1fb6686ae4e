#include "app/ui/DBusBridge.h"

#include <QDir>
#include <QFileInfo>

#include "app/ui/CTarvinDlg.h"
#include "app/ui/CtlCommandHandler.h"
#include "platform/Handoff.h"
#include "profile/ProfileFile.h"
#include "profile/ProfileStore.h"

namespace vandrel {

DBusBridge::DBusBridge(CtlCommandHandler& handler, CTarvinDlg& window, QString profileFolder, bool simulated,
                       QObject* parent)
    : QObject(parent),
      m_handler(handler),
      m_window(window),
      m_profileFolder(std::move(profileFolder)),
      m_simulated(simulated) {}

const char* DBusBridge::errorNameFor(int exitCode) {
    switch (exitCode) {
    case handoff::kExitUsage: return dbuserror::kInvalidArgs;
    case handoff::kExitNoKeyboard:
    case handoff::kExitNoAccess: return dbuserror::kNoKeyboard;
    case handoff::kExitNoAck: return dbuserror::kWriteFailed;
    case handoff::kExitBadFile: return dbuserror::kBadProfile;
    case handoff::kExitFailed: return dbuserror::kRefused;
    default: return dbuserror::kFailed;
    }
}

void DBusBridge::request(std::vector<std::string> words, Answer answer) {
    if (m_simulated) words.insert(words.begin(), handoff::kDemoWord);
    QByteArray line;
    if (!handoff::encodeRequest(words, line)) {
        answer(handoff::kExitUsage, "a value holds a tab or a line break", {});
        return;
    }
    m_handler.handle(line, [answer](const QByteArray& reply) {
        int code = handoff::kExitFailed;
        std::string message, output;
        if (!handoff::decodeAnswer(reply, code, message, output)) {
            answer(handoff::kExitFailed, "the program gave no usable answer", {});
            return;
        }
        answer(code, message, output);
    });
}

void DBusBridge::state(std::function<void(const DBusOutcome&, const QString& json)> done) {
    request({handoff::kConfigurationWord}, [done](int code, const std::string& message, const std::string& output) {
        if (code != handoff::kExitDone) {
            done(DBusOutcome::failure(errorNameFor(code), QString::fromStdString(message)), {});
            return;
        }
        done(DBusOutcome::success(), QString::fromStdString(output));
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
    const QString file = QString::fromStdU16String(Utf16FromPath(
        profileFilePath(std::filesystem::path(QDir(m_profileFolder).absolutePath().toStdU16String()), name.toStdString())));
    if (!QFileInfo(file).isFile()) {
        done(DBusOutcome::failure(dbuserror::kNoSuchProfile,
                                  QStringLiteral("there is no profile '%1' in %2").arg(name, m_profileFolder)),
             false, {});
        return;
    }
    const int savesBefore = m_window.savesFinished();
    request({"apply", file.toStdString()},
            [this, name, done, savesBefore](int code, const std::string& message, const std::string&) {
                if (code == handoff::kExitDone) {
                    emit profileApplied(name);
                    done(DBusOutcome::success(), true, {});
                    return;
                }
                // A save whose check found other bytes on the keyboard is an
                // answer, not an error: the sections that differ.
                const bool saved = m_window.savesFinished() != savesBefore;
                if (saved && m_window.lastSave().outcome == TransferOutcome::Mismatch) {
                    done(DBusOutcome::success(), false, sectionNames(m_window.lastSaveCheck().differing));
                    return;
                }
                done(DBusOutcome::failure(errorNameFor(code), QString::fromStdString(message)), false, {});
            });
}

void DBusBridge::setSettings(const QStringList& assignments, std::function<void(const DBusOutcome&)> done) {
    std::vector<std::string> words{"set"};
    for (const QString& a : assignments) words.push_back(a.toStdString());
    request(std::move(words), [done](int code, const std::string& message, const std::string&) {
        done(code == handoff::kExitDone ? DBusOutcome::success()
                                    : DBusOutcome::failure(errorNameFor(code), QString::fromStdString(message)));
    });
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

#include "platform/RuleSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

namespace vandrel {

namespace {

const QString kRules = QStringLiteral("switchingRules");
const QString kDefault = QStringLiteral("switching/default");
const QString kEnabled = QStringLiteral("switching/enabled");
const QString kNotify = QStringLiteral("switching/notify");
const QString kWrites = QStringLiteral("switching/writes");
const QString kSessionLock = QStringLiteral("session/lock");
const QString kSessionDim = QStringLiteral("session/dim");
const QString kSessionIdle = QStringLiteral("session/idle");
const QString kSessionSleep = QStringLiteral("session/sleep");

std::string u8(const QVariant& v) { return v.toString().toStdString(); }

bool written(QSettings& s) {
    s.sync();
    return s.status() == QSettings::NoError;
}

}  // namespace

// Where QSettings keeps the application's settings, found without opening
// them (which would read whatever is there).
RuleSettings::RuleSettings()
    : m_file(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
             QCoreApplication::organizationName() + u'/' + QCoreApplication::applicationName() +
             QStringLiteral(".conf")) {}

RuleSettings::RuleSettings(QString file) : m_file(std::move(file)) {}

bool RuleSettings::usable() const {
    std::error_code ec;
    const std::filesystem::file_status st =
        std::filesystem::status(std::filesystem::path(QFile::encodeName(m_file).toStdString()), ec);
    if (st.type() == std::filesystem::file_type::not_found) return true;
    return !ec && st.type() == std::filesystem::file_type::regular;
}

bool RuleSettings::flag(const QString& key, bool fallback) const {
    return usable() ? QSettings(m_file, QSettings::IniFormat).value(key, fallback).toBool() : fallback;
}

bool RuleSettings::setFlag(const QString& key, bool on) {
    if (!usable()) return false;
    QSettings s(m_file, QSettings::IniFormat);
    s.setValue(key, on);
    return written(s);
}

RuleSet RuleSettings::rules() const {
    if (!usable()) return {};
    QSettings s(m_file, QSettings::IniFormat);
    RuleSet set;
    const int n = s.beginReadArray(kRules);
    for (int i = 0; i < n; ++i) {
        s.setArrayIndex(i);
        ProfileRule r;
        r.windowClass = u8(s.value(QStringLiteral("class")));
        r.title = u8(s.value(QStringLiteral("title")));
        r.exe = u8(s.value(QStringLiteral("exe")));
        r.profile = u8(s.value(QStringLiteral("profile")));
        // A rule without a class or a profile is left out. One whose title
        // pattern cannot be used (an earlier version took look-around and
        // back-references) is kept, matching nothing, so that a write of
        // the list does not lose it.
        if (!r.windowClass.empty() && !r.profile.empty()) set.rules.push_back(r);
    }
    s.endArray();
    set.defaultProfile = u8(s.value(kDefault));
    return set;
}

bool RuleSettings::setRules(const RuleSet& set) {
    if (!usable()) return false;
    QSettings s(m_file, QSettings::IniFormat);
    s.remove(kRules);
    s.beginWriteArray(kRules, static_cast<int>(set.rules.size()));
    for (size_t i = 0; i < set.rules.size(); ++i) {
        const ProfileRule& r = set.rules[i];
        s.setArrayIndex(static_cast<int>(i));
        s.setValue(QStringLiteral("class"), QString::fromStdString(r.windowClass));
        s.setValue(QStringLiteral("title"), QString::fromStdString(r.title));
        s.setValue(QStringLiteral("exe"), QString::fromStdString(r.exe));
        s.setValue(QStringLiteral("profile"), QString::fromStdString(r.profile));
    }
    s.endArray();
    if (set.defaultProfile.empty()) s.remove(kDefault);
    else s.setValue(kDefault, QString::fromStdString(set.defaultProfile));
    return written(s);
}

bool RuleSettings::enabled() const { return flag(kEnabled, true); }

bool RuleSettings::setEnabled(bool on) { return setFlag(kEnabled, on); }

bool RuleSettings::notify() const { return flag(kNotify, true); }

bool RuleSettings::setNotify(bool on) { return setFlag(kNotify, on); }

long long RuleSettings::writes() const {
    return usable() ? QSettings(m_file, QSettings::IniFormat).value(kWrites, 0).toLongLong() : 0;
}

bool RuleSettings::addWrites(int count) {
    if (!usable()) return false;
    QSettings s(m_file, QSettings::IniFormat);
    s.setValue(kWrites, s.value(kWrites, 0).toLongLong() + count);
    return written(s);
}

SessionLightingChoice RuleSettings::sessionLighting() const {
    SessionLightingChoice c;
    if (!usable()) return c;
    // A value edited by hand into something unknown counts as never set.
    const QSettings s(m_file, QSettings::IniFormat);
    if (const auto l = lockLightingNamed(u8(s.value(kSessionLock)))) c.lock = *l;
    if (const auto l = sleepLightingNamed(u8(s.value(kSessionSleep)))) c.sleep = *l;
    if (const auto m = idleNamed(u8(s.value(kSessionIdle)))) c.idleMinutes = *m;
    bool number = false;
    const int dim = s.value(kSessionDim).toInt(&number);
    if (number && dim >= 0 && dim <= SessionLightingChoice::kMaxDim) c.dim = dim;
    return c;
}

bool RuleSettings::setSessionLighting(const SessionLightingChoice& c) {
    if (!usable()) return false;
    QSettings s(m_file, QSettings::IniFormat);
    s.setValue(kSessionLock, QString::fromLatin1(lockLightingName(c.lock)));
    s.setValue(kSessionDim, c.dim);
    s.setValue(kSessionIdle, QString::fromStdString(idleText(c.idleMinutes)));
    s.setValue(kSessionSleep, QString::fromLatin1(sleepLightingName(c.sleep)));
    return written(s);
}

}  // namespace vandrel

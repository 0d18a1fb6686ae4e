#include "cli/RuleSettings.h"

#include <QSettings>

namespace vandrel {

namespace {

const QString kRules = QStringLiteral("switchingRules");
const QString kDefault = QStringLiteral("switching/default");
const QString kEnabled = QStringLiteral("switching/enabled");
const QString kNotify = QStringLiteral("switching/notify");
const QString kWrites = QStringLiteral("switching/writes");

std::string u8(const QVariant& v) { return v.toString().toStdString(); }

bool written(QSettings& s) {
    s.sync();
    return s.status() == QSettings::NoError;
}

}  // namespace

RuleSettings::RuleSettings() : m_file(QSettings().fileName()) {}

RuleSettings::RuleSettings(QString file) : m_file(std::move(file)) {}

RuleSet RuleSettings::rules() const {
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
        // A rule edited by hand into something unusable is left out.
        if (ruleProblem(r).empty()) set.rules.push_back(r);
    }
    s.endArray();
    set.defaultProfile = u8(s.value(kDefault));
    return set;
}

bool RuleSettings::setRules(const RuleSet& set) {
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

bool RuleSettings::enabled() const { return QSettings(m_file, QSettings::IniFormat).value(kEnabled, true).toBool(); }

bool RuleSettings::setEnabled(bool on) {
    QSettings s(m_file, QSettings::IniFormat);
    s.setValue(kEnabled, on);
    return written(s);
}

bool RuleSettings::notify() const { return QSettings(m_file, QSettings::IniFormat).value(kNotify, true).toBool(); }

bool RuleSettings::setNotify(bool on) {
    QSettings s(m_file, QSettings::IniFormat);
    s.setValue(kNotify, on);
    return written(s);
}

long long RuleSettings::writes() const {
    return QSettings(m_file, QSettings::IniFormat).value(kWrites, 0).toLongLong();
}

bool RuleSettings::addWrites(int count) {
    QSettings s(m_file, QSettings::IniFormat);
    s.setValue(kWrites, s.value(kWrites, 0).toLongLong() + count);
    return written(s);
}

}  // namespace vandrel

#pragma once
// The rules of automatic profile switching and its switches, kept with the
// program's settings (~/.config/Vandrel/Vandrel.conf), where vandrelctl
// rule and the program's rules window both edit them; the running program
// follows changes to the file.

#include <QString>

#include "profile/ProfileRules.h"

namespace vandrel {

class RuleSettings {
public:
    // The settings file of the running application (its organisation and
    // application names), or another file (tests).
    RuleSettings();
    explicit RuleSettings(QString file);

    const QString& file() const { return m_file; }

    RuleSet rules() const;
    // False when the file cannot be written.
    bool setRules(const RuleSet& rules);

    // Whether profiles follow the focused window at all.
    bool enabled() const;
    bool setEnabled(bool on);
    // Whether a switch is announced with a desktop notification.
    bool notify() const;
    bool setNotify(bool on);
    // Writes made by switching, over every run.
    long long writes() const;
    bool addWrites(int count);

private:
    QString m_file;
};

}  // namespace vandrel

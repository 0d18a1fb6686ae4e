#pragma once
// The rules of automatic profile switching and its switches, kept with the
// program's settings (~/.config/Vandrel/Vandrel.conf), where vandrelctl
// rule and the program's rules window both edit them; the running program
// follows changes to the file. The program keeps its other switches there
// too (flag()).
//
// The file is read and written only while it is missing or a regular file
// (or a link to one): a FIFO would stall every reader, and a device would be
// replaced by the settings. Otherwise reads give the defaults and writes fail.

#include <QString>

#include "profile/ProfileRules.h"
#include "profile/SessionLightingChoice.h"

namespace vandrel {

class RuleSettings {
public:
    // The settings file of the running application (its organisation and
    // application names), or another file (tests).
    RuleSettings();
    explicit RuleSettings(QString file);

    const QString& file() const { return m_file; }
    // Whether the file may be read and written: missing, or a regular file.
    bool usable() const;

    // One of the program's on/off settings, `fallback` when it was never set.
    bool flag(const QString& key, bool fallback) const;
    bool setFlag(const QString& key, bool on);

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

    // What the lights do while the session is locked, asleep or idle.
    SessionLightingChoice sessionLighting() const;
    bool setSessionLighting(const SessionLightingChoice& choice);

private:
    QString m_file;
};

}  // namespace vandrel

#pragma once
// Starting the program with the desktop session: an XDG autostart entry
// (<config>/autostart/vandrel.desktop) that runs this executable with
// --hidden, so that it waits in the notification area instead of opening its
// window. Turning it off removes the entry.

#include <QString>

namespace vandrel {

class Autostart {
public:
    // The flag the entry passes: start without showing the window.
    static constexpr const char* kHiddenFlag = "--hidden";

    // `configFolder` is the user's configuration folder (~/.config);
    // `program` the executable the entry starts.
    Autostart(QString configFolder, QString program);
    // The current user's ~/.config (or $XDG_CONFIG_HOME) and this executable.
    static Autostart forCurrentUser();

    QString entryPath() const;
    // True when the entry exists and the desktop is not told to skip it.
    bool enabled() const;
    // Writes or removes the entry; false when the file system refused.
    bool setEnabled(bool on) const;

    // The Exec= value that starts `program` hidden, quoted for a desktop entry.
    static QString execLine(const QString& program);

private:
    QString m_configFolder;
    QString m_program;
};

}  // namespace vandrel

#pragma once
// Opens the files of launch keys through a Launcher: the desktop side of a key
// whose assignment starts a file, a program or a folder.

#include "keymap/LaunchAssignment.h"
#include "platform/Launcher.h"

namespace vandrel {

class LauncherShell : public Shell {
public:
    explicit LauncherShell(Launcher& launcher) : m_launcher(launcher) {}
    void startFile(const std::u16string& folder, const std::u16string& file) override;
    // Whether the last startFile() started something.
    bool lastStarted() const { return m_lastStarted; }

private:
    Launcher& m_launcher;
    bool m_lastStarted = false;
};

}  // namespace vandrel

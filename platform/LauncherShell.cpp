#include "platform/LauncherShell.h"

namespace vandrel {

void LauncherShell::startFile(const std::u16string& folder, const std::u16string& file) {
    m_lastStarted = launchFile(m_launcher, QString::fromStdU16String(folder), QString::fromStdU16String(file));
}

}  // namespace vandrel

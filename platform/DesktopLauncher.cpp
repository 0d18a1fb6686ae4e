#include "platform/DesktopLauncher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>

namespace vandrel {

bool DesktopLauncher::startProgram(const QString& program, const QString& workingFolder) {
    if (!QFileInfo(program).isFile()) return false;
    // Detached: the program outlives us and we never wait for it.
    return QProcess::startDetached(program, {}, workingFolder);
}

bool DesktopLauncher::openPath(const QString& path) {
    if (!QFileInfo::exists(path)) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool DesktopLauncher::openWebPage(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) return false;
    return QDesktopServices::openUrl(url);
}

}  // namespace vandrel

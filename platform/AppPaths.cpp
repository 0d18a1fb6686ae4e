#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace vandrel {

bool folderWritable(const QString& folder) {
    if (!QFileInfo(folder).isDir()) return false;
    // Permission bits do not tell the whole story (read-only mounts, ACLs):
    // try it.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".vandrel-write-XXXXXX")));
    return probe.open();
}

namespace {
// A program installed by the package manager lives under /usr; its folder
// belongs to the package even when the user (root) could write to it.
bool packageFolder(const QString& folder) {
    return folder.startsWith(QLatin1String("/usr/"));
}
}  // namespace

AppPaths resolveAppPaths(const QString& programFolder, const QString& userDataFolder,
                         const std::function<bool(const QString&)>& writable) {
    AppPaths paths;
    paths.programFolder = QDir::cleanPath(programFolder);
    paths.dataFolder = paths.programFolder;
    if ((packageFolder(paths.programFolder) || !writable(paths.programFolder)) && !userDataFolder.isEmpty()) {
        const QString data = QDir::cleanPath(userDataFolder);
        if (QDir().mkpath(QDir(data).filePath(QString::fromLatin1(kProfileFolderName)))) paths.dataFolder = data;
    }
    paths.profileFolder = QDir(paths.dataFolder).filePath(QString::fromLatin1(kProfileFolderName));
    return paths;
}

AppPaths currentAppPaths() {
    return resolveAppPaths(QCoreApplication::applicationDirPath(),
                           QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

}  // namespace vandrel

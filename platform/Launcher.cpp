#include "platform/Launcher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vandrel {

namespace {

bool isProgram(const QFileInfo& info) {
    if (!info.isFile() || !info.isExecutable()) return false;
#ifdef Q_OS_WIN
    const QString suffix = info.suffix().toLower();
    return suffix == QLatin1String("exe") || suffix == QLatin1String("com") || suffix == QLatin1String("bat") ||
           suffix == QLatin1String("cmd");
#else
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = file.read(4);
    return head == QByteArray("\x7f" "ELF", 4) || head.startsWith("#!");
#endif
}

}  // namespace

LaunchPlan planLaunch(const QString& folderPath, const QString& file) {
    LaunchPlan plan;
    QString folder = folderPath;
#ifdef Q_OS_WIN
    if (folder.size() == 2 && folder[1] == u':') folder += u'\\';  // "C:" alone is a relative path
#endif
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder) || !QFileInfo(folder).isDir()) return plan;
    plan.workingFolder = folder;

    if (file.isEmpty()) {
        plan.kind = LaunchPlan::Kind::Folder;
        plan.target = folder;
        return plan;
    }
    const QFileInfo info(QDir(folder).filePath(file));
    plan.target = info.filePath();
    if (info.isDir())
        plan.kind = LaunchPlan::Kind::Folder;
    else if (isProgram(info))
        plan.kind = LaunchPlan::Kind::Program;
    else if (info.exists())
        plan.kind = LaunchPlan::Kind::Document;
    else
        plan = LaunchPlan{};
    return plan;
}

bool launchFile(Launcher& launcher, const QString& folder, const QString& file) {
    const LaunchPlan plan = planLaunch(folder, file);
    switch (plan.kind) {
    case LaunchPlan::Kind::Program:
        return launcher.startProgram(plan.target, plan.workingFolder);
    case LaunchPlan::Kind::Document:
    case LaunchPlan::Kind::Folder:
        return launcher.openPath(plan.target);
    case LaunchPlan::Kind::Nothing:
        break;
    }
    return false;
}

QUrl vendorWebSite() { return QUrl(QStringLiteral("https://www.vandrel.example/")); }

}  // namespace vandrel

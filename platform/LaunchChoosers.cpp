#include "platform/LaunchChoosers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace vandrel {

namespace {

struct RowFilter {
    const char* filter;
    const char* suffix;
};
constexpr RowFilter kRowFilters[3] = {
    {"mp3 Files(*.mp3)", "mp3"},
    {"exe Files(*.exe)", "exe"},
    {"txt Files(*.txt)", "txt"},
};
constexpr int kProgramRow = 1;
constexpr int kFolderRow = 3;

bool isProgram(const QString& path) {
    const QFileInfo info(path);
    return info.suffix().compare(QLatin1String("exe"), Qt::CaseInsensitive) == 0 ||
           (info.isFile() && info.isExecutable());
}

}  // namespace

FileChooserRequest launchFileRequest(int row, const QString& folder) {
    FileChooserRequest r;
    const QString suffix = QString::fromLatin1(kRowFilters[row].suffix);
    r.filter = QString::fromLatin1(kRowFilters[row].filter);
    r.namePattern = QStringLiteral("*.") + suffix;
#ifdef Q_OS_WIN
    r.defaultSuffix = suffix;
#else
    // Stored files name Windows programs, but here a program is any executable,
    // and "tool" must not be looked for as "tool.exe".
    if (row == kProgramRow) r.filter += QStringLiteral(";;All Files(*)");
#endif
    r.folder = folder;
    return r;
}

QString launchStartFolder(const QString& current) {
    if (!current.isEmpty()) {
        const QFileInfo info(current);
        if (info.isDir()) return info.absoluteFilePath();
        if (info.dir().exists()) return info.absolutePath();
    }
    return QDir::homePath();
}

std::optional<QString> chooseLaunchPath(int row, const QString& current, QWidget* parent,
                                        const LaunchChooserServices& services) {
    const QString folder = launchStartFolder(current);
    if (row == kFolderRow) {
        if (!services.browseFolder) return std::nullopt;
        const auto chosen = services.browseFolder(parent, QStringLiteral("modification path"), folder);
        if (!chosen) return std::nullopt;
        if (chosen->isEmpty()) {
            if (services.message) services.message(parent, QCoreApplication::translate("vandrel::LaunchChoosers", "请选择文件夹\n"));
            return std::nullopt;
        }
        return QDir::toNativeSeparators(*chosen);
    }
    if (row < 0 || row > 2 || !services.openFile) return std::nullopt;
    const QString path = services.openFile(parent, launchFileRequest(row, folder));
    if (path.isEmpty()) return std::nullopt;
    // Only a program may be started by the program row.
    if (row == kProgramRow && !isProgram(path)) {
        if (services.message)
            services.message(parent, QCoreApplication::translate("vandrel::LaunchChoosers", "请选择可执行程序\n"));
        return std::nullopt;
    }
    return QDir::toNativeSeparators(path);
}

LaunchChooserServices desktopLaunchChoosers() {
    LaunchChooserServices s;
    s.openFile = [](QWidget* parent, const FileChooserRequest& request) {
        QFileDialog dialog(parent, QString(), request.folder, request.filter);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setDefaultSuffix(request.defaultSuffix);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        // The name field starts with the pattern of the files the row takes.
        dialog.selectFile(request.namePattern);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
        return dialog.selectedFiles().constFirst();
    };
    s.browseFolder = [](QWidget* parent, const QString& title, const QString& folder) -> std::optional<QString> {
        QFileDialog dialog(parent, title, folder);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty() || !QFileInfo(chosen.constFirst()).isDir()) return QString();
        return chosen.constFirst();
    };
    s.message = [](QWidget* parent, const QString& text) { QMessageBox::information(parent, QString(), text); };
    return s;
}

}  // namespace vandrel

#include "platform/Autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

#include <filesystem>
#include <system_error>
#include <vector>

#include "util/AtomicFile.h"

namespace vandrel {

namespace {

// An entry is a few hundred bytes; more is not read.
constexpr size_t kMaxEntryBytes = 64 * 1024;

std::filesystem::path nativePath(const QString& path) { return std::filesystem::path(QFile::encodeName(path).toStdString()); }

}  // namespace

Autostart::Autostart(QString configFolder, QString program)
    : m_configFolder(std::move(configFolder)), m_program(std::move(program)) {}

Autostart Autostart::forCurrentUser() {
    return Autostart(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                     QCoreApplication::applicationFilePath());
}

QString Autostart::entryPath() const {
    return QDir(m_configFolder).filePath(QStringLiteral("autostart/vandrel.desktop"));
}

bool Autostart::enabled() const {
    // Read without blocking: a FIFO or a device at the entry's place is no entry.
    std::vector<uint8_t> bytes;
    if (readFilePrefix(nativePath(entryPath()), kMaxEntryBytes, bytes) != FileResult::Ok) return false;
    // A desktop's own session settings switch an entry off with Hidden=true.
    const QByteArray text(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false") return false;
    }
    return true;
}

bool Autostart::setEnabled(bool on) const {
    const QString path = entryPath();
    const std::filesystem::path native = nativePath(path);
    std::error_code ec;
    const std::filesystem::file_type type = std::filesystem::symlink_status(native, ec).type();
    // Only the entry itself (or a link) is removed; anything else at its
    // place is not the program's to remove.
    if (!on)
        return type == std::filesystem::file_type::not_found ||
               ((type == std::filesystem::file_type::regular || type == std::filesystem::file_type::symlink) &&
                std::filesystem::remove(native, ec));

    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    QByteArray content;
    QTextStream out(&content);
    out << "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Vandrel\n"
           "Comment=Keeps the Vandrel keyboard utility in the notification area\n"
           "Comment[zh_CN]=在通知区域中运行游戏键盘设置程序\n"
        << "Exec=" << execLine(m_program) << "\n"
        << "Icon=vandrel\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
    out.flush();
    // Replaced whole like the data files; a FIFO or a device is never replaced.
    return writeFileAtomic(native, {{content.constData(), static_cast<size_t>(content.size())}}) == FileResult::Ok;
}

QString Autostart::execLine(const QString& program) {
    // An argument with a reserved character is double-quoted, with ", `, $
    // and \ escaped by a backslash inside the quotes; the value itself then
    // doubles every backslash, % is written %% (field codes) and a line
    // break \\n, so that no path can add lines to the entry.
    static const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = program.isEmpty();
    for (const QChar c : program) quote = quote || kReserved.contains(c);
    QString arg;
    if (quote) {
        arg = QStringLiteral("\"");
        for (const QChar c : program) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                arg += QLatin1Char('\\');
            arg += c;
        }
        arg += QLatin1Char('"');
    } else {
        arg = program;
    }
    arg.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    arg.replace(QLatin1Char('%'), QStringLiteral("%%"));
    arg.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return arg + QLatin1Char(' ') + QLatin1String(kHiddenFlag);
}

}  // namespace vandrel

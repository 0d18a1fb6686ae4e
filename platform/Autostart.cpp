#include "platform/Autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

namespace vandrel {

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
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    // A desktop's own session settings switch an entry off with Hidden=true.
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false") return false;
    }
    return true;
}

bool Autostart::setEnabled(bool on) const {
    const QString path = entryPath();
    if (!on) return !QFile::exists(path) || QFile::remove(path);

    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
    QTextStream out(&file);
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
    return file.commit();
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

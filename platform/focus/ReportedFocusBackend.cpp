#include "platform/focus/ReportedFocusBackend.h"

#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "util/AtomicFile.h"

namespace vandrel {

namespace {

std::string exeOfPid(int64_t pid) {
    std::error_code ec;
    const std::filesystem::path exe =
        std::filesystem::read_symlink(std::filesystem::path("/proc") / std::to_string(pid) / "exe", ec);
    return ec ? std::string() : exe.string();
}

// Runs `then` with the reply of an asynchronous call.
template <class F>
void whenAnswered(const QDBusPendingCall& call, QObject* context, F then) {
    auto* watcher = new QDBusPendingCallWatcher(call, context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [watcher, then] {
        watcher->deleteLater();
        then(*watcher);
    });
}

}  // namespace

ReportedFocusBackend::ReportedFocusBackend(QDBusConnection bus, QObject* parent)
    : FocusBackend(parent), m_bus(std::move(bus)) {}

void ReportedFocusBackend::report(FocusEvent focus) {
    if (!m_started) return;
    m_reporting = true;
    if (focus.pid > 0 && focus.exe.empty()) focus.exe = exeOfPid(focus.pid);
    emit focusChanged(focus);
}

// ---- KWin -------------------------------------------------------------------

KWinFocusBackend::KWinFocusBackend(QDBusConnection bus, QString scriptFile, QObject* parent)
    : ReportedFocusBackend(std::move(bus), parent), m_script(std::move(scriptFile)) {}

KWinFocusBackend::~KWinFocusBackend() {
    // The script would go on calling a program that is gone.
    if (m_loaded) {
        QDBusMessage unload = scripting("unloadScript");
        unload << QString::fromLatin1(kPluginName);
        m_bus.send(unload);
    }
}

QDBusMessage KWinFocusBackend::scripting(const char* method) const {
    return QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"), QStringLiteral("/Scripting"),
                                          QStringLiteral("org.kde.kwin.Scripting"), QString::fromLatin1(method));
}

bool KWinFocusBackend::start(QString* why) {
    if (!m_bus.isConnected()) {
        if (why) *why = QStringLiteral("there is no session bus to reach KWin");
        return false;
    }
    if (!QFile::exists(m_script)) {
        if (why) *why = QStringLiteral("the KWin script %1 is missing").arg(m_script);
        return false;
    }
    m_started = true;
    // A script left loaded by an earlier run is replaced, then the new one runs.
    QDBusMessage unload = scripting("unloadScript");
    unload << QString::fromLatin1(kPluginName);
    whenAnswered(m_bus.asyncCall(unload), this, [this](QDBusPendingCallWatcher&) {
        QDBusMessage load = scripting("loadScript");
        load << m_script << QString::fromLatin1(kPluginName);
        whenAnswered(m_bus.asyncCall(load), this, [this](QDBusPendingCallWatcher& w) {
            QDBusPendingReply<int> id = w;
            if (id.isError() || id.value() < 0) {
                m_started = false;
                emit stopped(id.isError() ? QStringLiteral("KWin did not load the script: ") + id.error().message()
                                          : QStringLiteral("KWin did not load the script"));
                return;
            }
            m_loaded = true;
            whenAnswered(m_bus.asyncCall(scripting("start")), this, [this](QDBusPendingCallWatcher& started) {
                if (started.isError()) {
                    m_started = false;
                    emit stopped(QStringLiteral("KWin did not start the script: ") + started.error().message());
                }
            });
        });
    });
    return true;
}

// ---- GNOME ------------------------------------------------------------------

GnomeFocusBackend::GnomeFocusBackend(QDBusConnection bus, QString shippedFolder, QString extensionsFolder,
                                     QObject* parent)
    : ReportedFocusBackend(std::move(bus), parent),
      m_shipped(std::move(shippedFolder)),
      m_extensions(extensionsFolder.isEmpty()
                       ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                             QStringLiteral("/gnome-shell/extensions")
                       : std::move(extensionsFolder)) {}

QString GnomeFocusBackend::variantFor(const QString& shellVersion) {
    bool ok = false;
    const int major = shellVersion.section(u'.', 0, 0).toInt(&ok);
    if (!ok || major < 43 || major > 47) return {};
    // GNOME 45 made extensions ES modules: two versions of the same extension.
    return major < 45 ? QStringLiteral("43") : QStringLiteral("45");
}

bool GnomeFocusBackend::install(const QString& variant, QString* why) const {
    const QDir from(m_shipped + u'/' + variant);
    const QString to = m_extensions + u'/' + QString::fromLatin1(kUuid);
    if (!QDir().mkpath(to)) {
        if (why) *why = QStringLiteral("%1 cannot be created").arg(to);
        return false;
    }
    for (const QString& name : {QStringLiteral("metadata.json"), QStringLiteral("extension.js")}) {
        QFile source(from.filePath(name));
        if (!source.open(QIODevice::ReadOnly)) {
            if (why) *why = QStringLiteral("the extension's %1 is missing").arg(source.fileName());
            return false;
        }
        const QByteArray content = source.readAll();
        // Read without blocking and replaced whole: a FIFO or a device at the
        // target's place neither stalls the start nor gets the file.
        const QString targetName = to + u'/' + name;
        const std::filesystem::path target(QFile::encodeName(targetName).toStdString());
        std::vector<uint8_t> current;
        if (readFilePrefix(target, static_cast<size_t>(content.size()) + 1, current) == FileResult::Ok &&
            current.size() == static_cast<size_t>(content.size()) &&
            std::equal(current.begin(), current.end(), content.begin()))
            continue;
        std::error_code ec;
        if (writeFileAtomic(target, {{content.constData(), static_cast<size_t>(content.size())}}, &ec) !=
            FileResult::Ok) {
            if (why) *why = QStringLiteral("%1 cannot be written (%2)").arg(targetName, QString::fromStdString(ec ? ec.message() : std::string("not written")));
            return false;
        }
    }
    return true;
}

bool GnomeFocusBackend::start(QString* why) {
    if (!m_bus.isConnected()) {
        if (why) *why = QStringLiteral("there is no session bus to reach GNOME Shell");
        return false;
    }
    m_started = true;
    QDBusMessage get = QDBusMessage::createMethodCall(QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell"),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << QStringLiteral("org.gnome.Shell") << QStringLiteral("ShellVersion");
    whenAnswered(m_bus.asyncCall(get), this, [this](QDBusPendingCallWatcher& w) {
        QDBusPendingReply<QDBusVariant> version = w;
        checkExtension(version.isError() ? QString() : version.value().variant().toString());
    });
    return true;
}

void GnomeFocusBackend::checkExtension(const QString& shellVersion) {
    const QString variant = variantFor(shellVersion);
    if (variant.isEmpty()) {
        emit stopped(shellVersion.isEmpty() ? QStringLiteral("GNOME Shell did not tell its version")
                                            : QStringLiteral("GNOME Shell %1 is not supported (43 to 47 are)").arg(shellVersion));
        return;
    }
    QString why;
    if (!install(variant, &why)) {
        emit stopped(why);
        return;
    }
    QDBusMessage info = QDBusMessage::createMethodCall(QStringLiteral("org.gnome.Shell.Extensions"),
                                                       QStringLiteral("/org/gnome/Shell/Extensions"),
                                                       QStringLiteral("org.gnome.Shell.Extensions"),
                                                       QStringLiteral("GetExtensionInfo"));
    info << QString::fromLatin1(kUuid);
    whenAnswered(m_bus.asyncCall(info), this, [this](QDBusPendingCallWatcher& w) {
        QDBusPendingReply<QVariantMap> reply = w;
        // The Shell's extension states: 1 enabled, the others not running.
        const double state = reply.isError() ? -1 : reply.value().value(QStringLiteral("state")).toDouble();
        if (state == 1 || reporting()) return;
        emit stopped(QStringLiteral("the GNOME Shell extension %1 is not enabled: run 'gnome-extensions enable %1' "
                                    "(or turn it on in the Extensions app), then log out and back in")
                         .arg(QLatin1String(kUuid)));
    });
}

}  // namespace vandrel

#include "platform/focus/ReportedFocusBackend.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTimer>
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

ReportedFocusBackend::ReportedFocusBackend(QDBusConnection bus, QString compositorName, QObject* parent)
    : FocusBackend(parent), m_bus(std::move(bus)), m_name(std::move(compositorName)) {
    m_firstReport = new QTimer(this);
    m_firstReport->setSingleShot(true);
    connect(m_firstReport, &QTimer::timeout, this, [this] {
        if (!m_reporting) emit stopped(m_noReportWhy);
    });
}

void ReportedFocusBackend::report(FocusEvent focus, const QString& sender) {
    if (!m_started || m_owner.isEmpty() || sender != m_owner) return;
    m_reporting = true;
    m_firstReport->stop();
    if (focus.pid > 0 && focus.exe.empty()) focus.exe = exeOfPid(focus.pid);
    emit focusChanged(focus);
}

void ReportedFocusBackend::watchCompositor() {
    if (!m_watcher) {
        m_watcher = new QDBusServiceWatcher(m_name, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString&, const QString&, const QString& owner) {
                    if (owner == m_owner) return;
                    m_owner = owner;
                    m_reporting = false;
                    m_firstReport->stop();
                    compositorChanged(owner);
                });
    }
    // Asked of the bus itself, which answers at once.
    const QDBusReply<QString> owner = m_bus.interface() ? m_bus.interface()->serviceOwner(m_name)
                                                        : QDBusReply<QString>();
    m_owner = owner.isValid() ? owner.value() : QString();
}

void ReportedFocusBackend::expectReport(const QString& why) {
    m_reporting = false;
    m_noReportWhy = why;
    m_firstReport->start(m_firstReportMs);
}

// ---- KWin -------------------------------------------------------------------

KWinFocusBackend::KWinFocusBackend(QDBusConnection bus, QString scriptFile, QObject* parent)
    : ReportedFocusBackend(std::move(bus), QStringLiteral("org.kde.KWin"), parent),
      m_script(std::move(scriptFile)),
      // The user's runtime folder (XDG_RUNTIME_DIR): private to the user and
      // seen by KWin, which runs as the same user.
      m_copyFolder(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
                   QStringLiteral("/vandrel-kwin-XXXXXX")) {}

KWinFocusBackend::~KWinFocusBackend() {
    // The script would go on calling a program that is gone. Waited for,
    // briefly: a message merely sent may still be queued when the
    // connection closes at exit.
    if (m_loaded && !compositor().isEmpty()) {
        QDBusMessage unload = scripting("unloadScript");
        unload << QString::fromLatin1(kPluginName);
        m_bus.call(unload, QDBus::Block, 1000);
    }
}

QDBusMessage KWinFocusBackend::scripting(const char* method) const {
    return QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"), QStringLiteral("/Scripting"),
                                          QStringLiteral("org.kde.kwin.Scripting"), QString::fromLatin1(method));
}

QByteArray KWinFocusBackend::scriptFor(const QByteArray& shipped, const QString& destination) {
    static const QByteArray line = QByteArrayLiteral("var SERVICE = \"org.vandrel.Configurator\";");
    const qsizetype at = shipped.indexOf(line);
    if (at < 0 || destination.isEmpty()) return {};
    // A unique name is ":" followed by digits, dots, letters, "-" and "_":
    // nothing that needs quoting in a script string.
    QByteArray copy = shipped;
    copy.replace(at, line.size(), "var SERVICE = \"" + destination.toLatin1() + "\";");
    return copy;
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
    if (!m_copyFolder.isValid()) {
        if (why) *why = QStringLiteral("no temporary folder for the KWin script: %1").arg(m_copyFolder.errorString());
        return false;
    }
    m_started = true;
    watchCompositor();
    compositorChanged(compositor());
    return true;
}

void KWinFocusBackend::compositorChanged(const QString& owner) {
    m_loaded = false;
    if (owner.isEmpty()) {
        // Plasma starts KWin again after a crash; the script is loaded then.
        QTimer::singleShot(0, this, [this] {
            if (compositor().isEmpty()) emit stopped(QStringLiteral("KWin is not on the session bus"));
        });
        return;
    }
    load();
}

void KWinFocusBackend::load() {
    // Written for this connection alone: the reports never reach another
    // program that takes the program's bus name.
    QFile shipped(m_script);
    const QByteArray script =
        shipped.open(QIODevice::ReadOnly) ? scriptFor(shipped.readAll(), m_bus.baseService()) : QByteArray();
    const QString copy = m_copyFolder.filePath(QStringLiteral("vandrel-focus.js"));
    std::error_code ec;
    if (script.isEmpty() ||
        writeFileAtomic(QFile::encodeName(copy).toStdString(), {{script.constData(), static_cast<size_t>(script.size())}},
                        &ec) != FileResult::Ok) {
        QTimer::singleShot(0, this, [this] { emit stopped(QStringLiteral("the KWin script %1 cannot be prepared").arg(m_script)); });
        return;
    }
    // Answers to an earlier KWin's calls no longer count.
    const int generation = ++m_generation;
    // A script left loaded by an earlier run is replaced, then the new one runs.
    QDBusMessage unload = scripting("unloadScript");
    unload << QString::fromLatin1(kPluginName);
    whenAnswered(m_bus.asyncCall(unload), this, [this, copy, generation](QDBusPendingCallWatcher&) {
        if (generation != m_generation) return;
        QDBusMessage load = scripting("loadScript");
        load << copy << QString::fromLatin1(kPluginName);
        whenAnswered(m_bus.asyncCall(load), this, [this, generation](QDBusPendingCallWatcher& w) {
            if (generation != m_generation) return;
            QDBusPendingReply<int> id = w;
            if (id.isError() || id.value() < 0) {
                emit stopped(id.isError() ? QStringLiteral("KWin did not load the script: ") + id.error().message()
                                          : QStringLiteral("KWin did not load the script"));
                return;
            }
            m_loaded = true;
            whenAnswered(m_bus.asyncCall(scripting("start")), this, [this, generation](QDBusPendingCallWatcher& started) {
                if (generation != m_generation) return;
                if (started.isError()) {
                    emit stopped(QStringLiteral("KWin did not start the script: ") + started.error().message());
                    return;
                }
                // The script reports once as it starts; a script KWin could
                // not run reports nothing, and KWin does not say so.
                expectReport(QStringLiteral("KWin loaded the script but it does not report; KWin's messages are "
                                            "in the journal (journalctl --user -b)"));
            });
        });
    });
}

// ---- GNOME ------------------------------------------------------------------

GnomeFocusBackend::GnomeFocusBackend(QDBusConnection bus, QString shippedFolder, QString extensionsFolder,
                                     QObject* parent)
    : ReportedFocusBackend(std::move(bus), QStringLiteral("org.gnome.Shell"), parent),
      m_shipped(std::move(shippedFolder)),
      m_extensions(extensionsFolder.isEmpty()
                       ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                             QStringLiteral("/gnome-shell/extensions")
                       : std::move(extensionsFolder)) {}

QString GnomeFocusBackend::variantFor(const QString& shellVersion) {
    bool ok = false;
    const int major = shellVersion.section(u'.', 0, 0).toInt(&ok);
    if (!ok || major < 43) return {};
    // GNOME 45 made extensions ES modules: two versions of the same
    // extension. What it calls has not changed since.
    return major < 45 ? QStringLiteral("43") : QStringLiteral("45");
}

bool GnomeFocusBackend::install(const QString& variant, QString* why, bool* changed) const {
    if (changed) *changed = false;
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
        if (changed) *changed = true;
    }
    return true;
}

bool GnomeFocusBackend::start(QString* why) {
    if (!m_bus.isConnected()) {
        if (why) *why = QStringLiteral("there is no session bus to reach GNOME Shell");
        return false;
    }
    m_started = true;
    watchCompositor();
    compositorChanged(compositor());
    return true;
}

void GnomeFocusBackend::compositorChanged(const QString& owner) {
    if (owner.isEmpty()) {
        QTimer::singleShot(0, this, [this] {
            if (compositor().isEmpty()) emit stopped(QStringLiteral("GNOME Shell is not on the session bus"));
        });
        return;
    }
    askVersion();
}

void GnomeFocusBackend::askVersion() {
    QDBusMessage get = QDBusMessage::createMethodCall(QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell"),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << QStringLiteral("org.gnome.Shell") << QStringLiteral("ShellVersion");
    whenAnswered(m_bus.asyncCall(get), this, [this](QDBusPendingCallWatcher& w) {
        QDBusPendingReply<QDBusVariant> version = w;
        checkExtension(version.isError() ? QString() : version.value().variant().toString());
    });
}

QString GnomeFocusBackend::advice(const QVariantMap& info, bool userExtensionsEnabled) {
    const QString uuid = QString::fromLatin1(kUuid);
    const QString enable = QStringLiteral("run 'gnome-extensions enable %1' (or turn it on in the Extensions app)").arg(uuid);
    // The Shell's extension states: 1 enabled, 2 disabled, 3 error, 4 out of
    // date, 5 downloading, 6 initialised (never enabled), 7 disabling,
    // 8 enabling, 99 uninstalled. An extension it does not know: no state.
    if (!info.contains(QStringLiteral("state")))
        return QStringLiteral("GNOME Shell has not found the extension %1 yet: it looks for new extensions only at "
                              "login. Log out and in again, then %2")
            .arg(uuid, enable);
    const int state = qRound(info.value(QStringLiteral("state")).toDouble());
    switch (state) {
    case 1:
    case 8: return {};
    case 3: {
        const QString error = info.value(QStringLiteral("error")).toString();
        return QStringLiteral("GNOME Shell could not run the extension %1%2; its messages are in the journal "
                              "(journalctl -b -o cat /usr/bin/gnome-shell)")
            .arg(uuid, error.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(error));
    }
    case 4:
    case 99:
        return QStringLiteral("GNOME Shell still holds an older copy of the extension %1: log out and in again").arg(uuid);
    default: break;
    }
    if (!userExtensionsEnabled)
        return QStringLiteral("all GNOME Shell extensions are switched off: turn extensions on in the Extensions app, "
                              "then make sure %1 is on")
            .arg(uuid);
    return QStringLiteral("the GNOME Shell extension %1 is not enabled: %2").arg(uuid, enable);
}

void GnomeFocusBackend::checkExtension(const QString& shellVersion) {
    const QString variant = variantFor(shellVersion);
    if (variant.isEmpty()) {
        emit stopped(shellVersion.isEmpty() ? QStringLiteral("GNOME Shell did not tell its version")
                                            : QStringLiteral("GNOME Shell %1 is not supported (43 and later are)").arg(shellVersion));
        return;
    }
    QString why;
    bool changed = false;
    if (!install(variant, &why, &changed)) {
        emit stopped(why);
        return;
    }
    const QString extensions = QStringLiteral("org.gnome.Shell.Extensions");
    const QString path = QStringLiteral("/org/gnome/Shell/Extensions");
    QDBusMessage info = QDBusMessage::createMethodCall(extensions, path, extensions, QStringLiteral("GetExtensionInfo"));
    info << QString::fromLatin1(kUuid);
    QDBusMessage userEnabled = QDBusMessage::createMethodCall(
        extensions, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    userEnabled << extensions << QStringLiteral("UserExtensionsEnabled");
    const QDBusPendingCall switchedOn = m_bus.asyncCall(userEnabled);
    whenAnswered(m_bus.asyncCall(info), this, [this, switchedOn, changed](QDBusPendingCallWatcher& w) {
        QDBusPendingReply<QVariantMap> reply = w;
        if (reporting()) return;
        if (reply.isError()) {
            emit stopped(QStringLiteral("GNOME Shell did not tell the extension's state: ") + reply.error().message());
            return;
        }
        // Asked before the state, so answered by now; a Shell without the
        // property has user extensions on.
        QDBusPendingReply<QDBusVariant> on = switchedOn;
        const bool userExtensionsOn = on.isError() || on.value().variant().toBool();
        QString what = advice(reply.value(), userExtensionsOn);
        if (what.isEmpty()) {
            // A copy just updated runs from the next login on.
            expectReport(changed ? QStringLiteral("the GNOME Shell extension was updated: log out and in again")
                                 : QStringLiteral("the GNOME Shell extension is on but does not report: log out and "
                                                  "in again; its messages are in the journal "
                                                  "(journalctl -b -o cat /usr/bin/gnome-shell)"));
            return;
        }
        emit stopped(what);
    });
}

}  // namespace vandrel

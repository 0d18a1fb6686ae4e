#include "platform/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QWidget>
#include <QtGlobal>

#ifdef Q_OS_WIN
#include <QCryptographicHash>
#else
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vandrel {

namespace {
// What a later start sends to the first one.
constexpr char kShowRequest[] = "show\n";
constexpr qint64 kMaxRequestBytes = 64;

#ifndef Q_OS_WIN
// A socket path must fit sockaddr_un.
constexpr int kMaxSocketPath = 100;

bool ownedByUser(const struct stat& st) { return st.st_uid == ::getuid(); }

// A folder the user owns, not a link, that nobody else can enter.
bool isPrivateFolder(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) && ownedByUser(st) &&
           (st.st_mode & 077) == 0;
}

// Creates the folder with mode 0700, or tightens one of the user's own.
bool makePrivateFolder(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || !ownedByUser(st)) return false;
    if ((st.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0) return false;
    return isPrivateFolder(path);
}

// Whether what lies at `path` is a file of the user's own of the given type.
bool isUsersOwn(const QString& path, mode_t type) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && (st.st_mode & S_IFMT) == type &&
           ownedByUser(st);
}
#endif

QString socketPathFor(const QString& name) {
#ifdef Q_OS_WIN
    return name;
#else
    const QString folder = SingleInstance::runtimeFolder();
    return folder.isEmpty() ? name : folder + u'/' + name;
#endif
}

}  // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent), m_serverName(socketPathFor(serverNameFor(key, currentUserId()))) {}

QString SingleInstance::runtimeFolder() {
#ifdef Q_OS_WIN
    return QDir::tempPath();
#else
    const QString runtime = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
    if (runtime.startsWith(u'/') && runtime.size() < kMaxSocketPath - 60 && isPrivateFolder(runtime)) return runtime;
    // A folder of the user's own: in the home folder, else in the temporary
    // folder under a name of the user's; one that somebody else made is
    // never used.
    const QString home = QDir::homePath() + QStringLiteral("/.cache");
    QDir().mkpath(home);
    const QString user = QString::number(static_cast<qulonglong>(::getuid()));
    for (const QString& candidate : {home + QStringLiteral("/vandrel-") + user,
                                     QDir::tempPath() + QStringLiteral("/vandrel-") + user}) {
        if (candidate.startsWith(u'/') && candidate.size() < kMaxSocketPath - 60 && makePrivateFolder(candidate))
            return candidate;
    }
    return {};
#endif
}

SingleInstance::~SingleInstance() {
    if (m_server) m_server->close();
    if (m_lock) m_lock->unlock();
}

QString SingleInstance::serverNameFor(const QString& key, const QString& userId) {
    QString name = QStringLiteral("vandrel-");
    for (QChar c : key) {
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-') name += c;
    }
    name += u'-';
    for (QChar c : userId) {
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')) name += c;
    }
    return name;
}

QString SingleInstance::currentUserId() {
#ifdef Q_OS_WIN
    // Pipe names are machine-wide: tell users apart by their home folder.
    return QString::fromLatin1(
        QCryptographicHash::hash(QDir::homePath().toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
#else
    return QString::number(static_cast<qulonglong>(::getuid()));
#endif
}

bool SingleInstance::tryBecomePrimary(int timeoutMs) {
    if (m_primary) return true;

    // The lock decides who is first; it is released by the system when the
    // holder dies, and a lock whose holder no longer runs is taken over.
    const QString lockPath = m_serverName + QStringLiteral(".lock");
#ifndef Q_OS_WIN
    // Only the user's own lock and socket are obeyed; without a private
    // folder there is no lock at all rather than one another user can hold.
    const bool privateFolder = m_serverName.contains(u'/');
    if (privateFolder && QFile::exists(lockPath) && !isUsersOwn(lockPath, S_IFREG)) QFile::remove(lockPath);
    const bool socketOurs = isUsersOwn(m_serverName, S_IFSOCK);
#else
    const bool privateFolder = true;
    const bool socketOurs = true;
#endif
    if (privateFolder) {
        m_lock = std::make_unique<QLockFile>(lockPath);
        m_lock->setStaleLockTime(0);
        if (m_lock->tryLock(0)) {
            QFile::setPermissions(lockPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        } else {
            const bool heldByOther = m_lock->error() == QLockFile::LockFailedError;
            m_lock.reset();
            // Without a usable lock the socket alone decides.
            if ((socketOurs && notifyPrimary(heldByOther ? timeoutMs : qMin(timeoutMs, 300))) || heldByOther)
                return false;
        }
    } else if (socketOurs && notifyPrimary(qMin(timeoutMs, 300))) {
        return false;
    }

    m_primary = true;
    // A socket file left by a crashed first instance would make listen() fail.
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server->listen(m_serverName)) {
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    } else {
        qWarning("Single instance: cannot listen on %s: %s", qPrintable(m_serverName),
                 qPrintable(m_server->errorString()));
    }
    return true;
}

bool SingleInstance::notifyPrimary(int timeoutMs) {
    // The first instance may hold the lock but not listen yet: retry until the deadline.
    QDeadlineTimer deadline(timeoutMs);
    do {
        QLocalSocket socket;
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(qBound(1, static_cast<int>(deadline.remainingTime()), 250))) {
            socket.write(kShowRequest, sizeof(kShowRequest) - 1);
            const bool sent = socket.waitForBytesWritten(qMax(1, static_cast<int>(deadline.remainingTime())));
            socket.disconnectFromServer();
            if (sent || socket.bytesToWrite() == 0) return true;
        }
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return false;
}

void SingleInstance::onNewConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        auto handle = [this, socket]() {
            if (socket->canReadLine()) {
                const QByteArray line = socket->readLine(kMaxRequestBytes);
                if (line == kShowRequest) emit activationRequested();
                socket->disconnectFromServer();
            } else if (socket->bytesAvailable() > kMaxRequestBytes) {
                socket->abort();  // not one of ours
            }
        };
        connect(socket, &QLocalSocket::readyRead, socket, handle);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // The request may already be buffered when the connection is accepted.
        if (socket->bytesAvailable() > 0) handle();
    }
}

void SingleInstance::bringToFront(QWidget* window) {
    if (!window) return;
    window->showNormal();
    window->raise();
    window->activateWindow();
}

}  // namespace vandrel

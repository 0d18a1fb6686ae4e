#include "platform/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <QtGlobal>
#include <memory>

#ifdef Q_OS_WIN
#include <QCryptographicHash>
#else
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vandrel {

namespace {
// What a later start sends to the first one: "show", then a blank and its
// activation token when it has one, then a line break.
constexpr char kShowRequest[] = "show\n";
constexpr char kShowWithToken[] = "show ";

// Tokens are opaque printable text of the compositor's making.
bool plausibleToken(const QByteArray& token) {
    if (token.isEmpty() || token.size() > SingleInstance::kMaxTokenBytes) return false;
    for (char c : token)
        if (c <= ' ' || c > '~') return false;
    return true;
}
// A command request: this prefix, the request, a line break. The answer is
// one line too.
constexpr char kCommandPrefix[] = "ctl ";
constexpr qint64 kMaxRequestBytes = 64 * 1024;
// An answer may carry a command's whole output (a configuration as JSON).
constexpr qint64 kMaxAnswerBytes = 8 * 1024 * 1024;

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

// Whether the socket at `path` may be obeyed: one of the user's own.
bool socketIsUsers(const QString& path) {
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return true;
#else
    return isUsersOwn(path, S_IFSOCK);
#endif
}

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
    const bool socketOurs = socketIsUsers(m_serverName);
    if (makeLock()) {
        if (!m_lock->tryLock(0)) {
            const bool heldByOther = m_lock->error() == QLockFile::LockFailedError;
            // Without a usable lock the socket alone decides.
            if (socketOurs && notifyPrimary(heldByOther ? timeoutMs : qMin(timeoutMs, 300))) {
                m_lock.reset();
                return false;
            }
            // Held without a listener: the command-line tool talking to the
            // keyboard for a moment. The program starts once it is done.
            if (heldByOther && !m_lock->tryLock(timeoutMs)) {
                m_lock.reset();
                return false;
            }
            if (!heldByOther) m_lock.reset();
        }
    } else if (socketOurs && notifyPrimary(qMin(timeoutMs, 300))) {
        return false;
    }

    // The lock file tells its holder's process id: for the user only.
    if (m_lock && m_lock->isLocked()) QFile::setPermissions(m_lockPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
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

bool SingleInstance::makeLock() {
    if (m_lock) return true;
#ifdef Q_OS_WIN
    const QString path = QDir::temp().filePath(m_serverName + QStringLiteral(".lock"));
#else
    // Beside the socket in the private folder; without one there is no lock
    // at all rather than one that another user could hold.
    if (!m_serverName.contains(u'/')) return false;
    const QString path = m_serverName + QStringLiteral(".lock");
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink())
        if (!isUsersOwn(path, S_IFREG)) QFile::remove(path);
#endif
    m_lockPath = path;
    m_lock = std::make_unique<QLockFile>(path);
    m_lock->setStaleLockTime(0);
    return true;
}

bool SingleInstance::notifyPrimary(int timeoutMs) {
    // The first instance may hold the lock but not listen yet: retry until the deadline.
    QDeadlineTimer deadline(timeoutMs);
    QByteArray request(kShowRequest);
    bool tokenAsked = false;
    do {
        QLocalSocket socket;
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(qBound(1, static_cast<int>(deadline.remainingTime()), 250))) {
            if (!tokenAsked && activationToken) {
                tokenAsked = true;
                const QByteArray token = activationToken();
                if (plausibleToken(token)) request = kShowWithToken + token + '\n';
            }
            socket.write(request);
            const bool sent = socket.waitForBytesWritten(qMax(1, static_cast<int>(deadline.remainingTime())));
            socket.disconnectFromServer();
            if (sent || socket.bytesToWrite() == 0) return true;
        }
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return false;
}


bool SingleInstance::tryLockOnly(int waitMs) {
    if (!m_lock && !makeLock()) return !serverListening();
    if (m_lock->isLocked()) return true;
    // A folder without a usable lock leaves nothing to order by.
    if (m_lock->tryLock(waitMs)) return true;
    return m_lock->error() != QLockFile::LockFailedError && !serverListening();
}

bool SingleInstance::serverListening(int timeoutMs) const {
    if (!socketIsUsers(m_serverName)) return false;
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    const bool connected = socket.waitForConnected(timeoutMs);
    socket.abort();
    return connected;
}

std::optional<QByteArray> SingleInstance::sendCommand(const QByteArray& request, int timeoutMs, NoAnswer* why) const {
    auto fail = [why](NoAnswer reason) -> std::optional<QByteArray> {
        if (why) *why = reason;
        return std::nullopt;
    };
    if (!socketIsUsers(m_serverName)) return fail(NoAnswer::NotListening);
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(qMin(timeoutMs, 1000))) return fail(NoAnswer::NotListening);
    socket.write(kCommandPrefix + request + '\n');
    if (!socket.waitForBytesWritten(qMax(1, static_cast<int>(deadline.remainingTime()))))
        return fail(socket.state() == QLocalSocket::ConnectedState ? NoAnswer::TimedOut : NoAnswer::Dropped);
    while (!socket.canReadLine()) {
        if (socket.state() != QLocalSocket::ConnectedState) return fail(NoAnswer::Dropped);
        if (deadline.hasExpired()) return fail(NoAnswer::TimedOut);
        // An answer without its line break within the limit is not one of ours.
        if (socket.bytesAvailable() > kMaxAnswerBytes) return fail(NoAnswer::Dropped);
        socket.waitForReadyRead(qMax(1, static_cast<int>(qMin<qint64>(deadline.remainingTime(), 1000))));
    }
    QByteArray answer = socket.readLine(kMaxAnswerBytes + 1);
    if (answer.endsWith('\n')) answer.chop(1);
    return answer;
}

void SingleInstance::onNewConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        auto handle = [this, socket]() {
            if (socket->property("vandrelRequestTaken").toBool()) return;
            if (socket->canReadLine()) {
                const QByteArray line = socket->readLine(kMaxRequestBytes);
                if (line == kShowRequest) emit activationRequested({});
                if (line.startsWith(kShowWithToken) && line.endsWith('\n')) {
                    const QByteArray token = line.mid(sizeof(kShowWithToken) - 1).chopped(1);
                    emit activationRequested(plausibleToken(token) ? token : QByteArray());
                }
                if (line.startsWith(kCommandPrefix)) {
                    socket->setProperty("vandrelRequestTaken", true);
                    const QPointer<QLocalSocket> peer(socket);
                    auto answered = std::make_shared<bool>(false);
                    CommandReply reply = [peer, answered](const QByteArray& answer) {
                        if (*answered || !peer) return;
                        *answered = true;
                        peer->write(answer + '\n');
                        peer->flush();
                        peer->disconnectFromServer();
                    };
                    QByteArray request = line.mid(sizeof(kCommandPrefix) - 1);
                    request.chop(1);  // the line break; blanks may belong to an argument
                    if (m_commandHandler) m_commandHandler(request, reply);
                    else reply(QByteArrayLiteral("1\tthe running program takes no commands"));
                    return;
                }
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

}  // namespace vandrel

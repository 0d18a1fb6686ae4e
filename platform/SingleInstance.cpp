#include "platform/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QSocketNotifier>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <QtGlobal>
#include <memory>

#include <QCryptographicHash>

#ifndef Q_OS_WIN
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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
// How long accepting pauses when the process has no descriptor left.
constexpr int kAcceptRetryMs = 250;

#ifndef Q_OS_WIN
// Connections waiting to be accepted; beyond them a client is turned away at once.
constexpr int kListenBacklog = 64;

bool ownedByUser(const struct stat& st) { return st.st_uid == ::getuid(); }

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Why `path` is not a folder of the user's own that nobody else can enter;
// empty when it is one. Links are not followed.
QString folderProblem(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return QStringLiteral("cannot be used (%1)").arg(systemError(errno));
    if (S_ISLNK(st.st_mode)) return QStringLiteral("is a symbolic link");
    if (!S_ISDIR(st.st_mode)) return QStringLiteral("is not a folder");
    if (!ownedByUser(st)) return QStringLiteral("belongs to another user");
    if ((st.st_mode & 077) != 0)
        return QStringLiteral("can be entered by other users (mode %1)").arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'));
    return {};
}

// Creates the folder with mode 0700, or tightens one of the user's own.
// Returns why it cannot be had; empty when it can.
QString makePrivateFolder(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return QStringLiteral("cannot be created (%1)").arg(systemError(errno));
    struct stat st {};
    if (::lstat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode) && ownedByUser(st) && (st.st_mode & 077) != 0)
        ::chmod(native.constData(), 0700);
    return folderProblem(path);
}

// Whether what lies at `path` is a file of the user's own of the given type.
bool isUsersOwn(const QString& path, mode_t type) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && (st.st_mode & S_IFMT) == type &&
           ownedByUser(st);
}

bool socketAddress(const QString& path, sockaddr_un& address) {
    const QByteArray native = QFile::encodeName(path);
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (native.size() >= static_cast<int>(sizeof address.sun_path)) return false;
    std::memcpy(address.sun_path, native.constData(), static_cast<size_t>(native.size()));
    return true;
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

// Closes a client for good; its place goes to the next one waiting.
void drop(QLocalSocket* socket) {
    socket->abort();
    socket->deleteLater();
}

}  // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : SingleInstance(key, FolderPlaces::current(), parent) {}

SingleInstance::SingleInstance(const QString& key, const FolderPlaces& places, QObject* parent) : QObject(parent) {
#ifdef Q_OS_WIN
    Q_UNUSED(places);
    m_serverName = serverNameFor(key, currentUserId());
#else
    const QString folder = runtimeFolder(places, &m_folderProblem);
    if (!folder.isEmpty()) m_serverName = folder + u'/' + socketNameFor(key);
#endif
}

SingleInstance::FolderPlaces SingleInstance::FolderPlaces::current() {
    FolderPlaces places;
    places.runtimeDir = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
    places.home = QDir::homePath();
    places.temp = QDir::tempPath();
    return places;
}

QString SingleInstance::runtimeFolder(QString* why) { return runtimeFolder(FolderPlaces::current(), why); }

QString SingleInstance::runtimeFolder(const FolderPlaces& places, QString* why) {
#ifdef Q_OS_WIN
    Q_UNUSED(places);
    if (why) why->clear();
    return QDir::tempPath();
#else
    // Every candidate is an absolute path of its own, so that the program and
    // the tool agree whatever their working folders.
    QStringList problems;
    // Every key's socket name has the same length.
    const QString socketName = socketNameFor(QString::fromLatin1(kInstanceKey));
    // `what` names the path in the message.
    auto usable = [&problems, &socketName](const QString& what, const QString& path) {
        if (!path.startsWith(u'/')) problems << what + QStringLiteral(" is not an absolute path");
        else if (!fitsSocketAddress(path + u'/' + socketName))
            problems << what + QStringLiteral(" is too long a path for a socket");
        else return true;
        return false;
    };
    const QString& runtime = places.runtimeDir;
    if (runtime.isEmpty()) {
        problems << QStringLiteral("XDG_RUNTIME_DIR is not set");
    } else if (usable(QStringLiteral("XDG_RUNTIME_DIR (%1)").arg(runtime), runtime)) {
        const QString problem = folderProblem(runtime);
        if (problem.isEmpty()) {
            if (why) why->clear();
            return runtime;
        }
        problems << QStringLiteral("XDG_RUNTIME_DIR (%1) %2").arg(runtime, problem);
    }
    const QString user = QString::number(static_cast<qulonglong>(::getuid()));
    // The runtime folder the system made for the user's sessions: what the
    // desktop's programs have as XDG_RUNTIME_DIR. It is only used, never
    // made or changed.
    if (!places.userRuntimeRoot.isEmpty()) {
        const QString own = QDir::cleanPath(places.userRuntimeRoot + u'/' + user);
        if (own != QDir::cleanPath(runtime) && usable(own, own)) {
            const QString problem = folderProblem(own);
            if (problem.isEmpty()) {
                if (why) why->clear();
                return own;
            }
            problems << own + u' ' + problem;
        }
    }
    // A folder of the user's own: in the home folder, else in the temporary
    // folder under a name of the user's; one that somebody else made is
    // never used.
    const QString cache = QDir::cleanPath(places.home + QStringLiteral("/.cache"));
    if (cache.startsWith(u'/')) QDir().mkpath(cache);
    for (const QString& candidate : {cache + QStringLiteral("/vandrel-") + user,
                                     QDir::cleanPath(places.temp + QStringLiteral("/vandrel-") + user)}) {
        if (!usable(candidate, candidate)) continue;
        const QString problem = makePrivateFolder(candidate);
        if (problem.isEmpty()) {
            if (why) why->clear();
            return candidate;
        }
        problems << candidate + u' ' + problem;
    }
    if (why) *why = QStringLiteral("no private folder for the lock and the socket: ") + problems.join(QStringLiteral("; "));
    return {};
#endif
}

SingleInstance::~SingleInstance() {
#ifdef Q_OS_WIN
    if (m_server) m_server->close();
#else
    if (m_listenFd >= 0) {
        delete m_acceptNotifier;
        ::close(m_listenFd);
        ::unlink(QFile::encodeName(m_serverName).constData());
    }
#endif
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

QString SingleInstance::socketNameFor(const QString& key) {
    // Eight hexadecimal digits of the key tell instances apart (tests run
    // their own beside the program's).
    const QByteArray digest = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    return QStringLiteral("vandrel-") + QString::fromLatin1(digest);
}

bool SingleInstance::fitsSocketAddress(const QString& path) {
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return true;
#else
    // The closing zero, and one byte more: the toolkit's local socket, which
    // connects to it, keeps room for the leading zero of an abstract name.
    return QFile::encodeName(path).size() + 2 <= static_cast<qsizetype>(sizeof(sockaddr_un::sun_path));
#endif
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

void SingleInstance::setClientLimits(int maxClients, int requestTimeoutMs) {
    m_maxClients = qMax(1, maxClients);
    m_requestTimeoutMs = qMax(1, requestTimeoutMs);
}

bool SingleInstance::tryBecomePrimary(int timeoutMs) {
    if (m_primary) return true;
    // Without a private folder there is no lock that another user could not
    // hold and no socket the tool would find: the caller says so and stops.
    if (!hasPrivateFolder()) return false;

    // The lock decides who is first; it is released by the system when the
    // holder dies, and a lock whose holder no longer runs is taken over.
    const bool socketOurs = socketIsUsers(m_serverName);
    if (makeLock() && !m_lock->tryLock(0)) {
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

    // The lock file tells its holder's process id: for the user only.
    if (m_lock && m_lock->isLocked()) QFile::setPermissions(m_lockPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m_primary = true;
    if (!listen()) qWarning("Single instance: cannot listen on %s", qPrintable(m_serverName));
    return true;
}

#ifdef Q_OS_WIN

bool SingleInstance::listen() {
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_serverName)) return false;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptPending);
    return true;
}

void SingleInstance::acceptPending() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        ++m_clients;
        connect(socket, &QObject::destroyed, this, [this] { --m_clients; });
        serve(socket);
    }
}

void SingleInstance::pauseAccepting(int) {}
void SingleInstance::resumeAccepting() {}

#else

bool SingleInstance::listen() {
    sockaddr_un address;
    if (!socketAddress(m_serverName, address)) return false;
    // A socket file left by a crashed first instance would make bind() fail.
    ::unlink(address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    // The folder is the user's alone; the socket is too.
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(address.sun_path, 0600) != 0 || ::listen(fd, kListenBacklog) != 0) {
        ::close(fd);
        return false;
    }
    m_listenFd = fd;
    m_acceptNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_acceptNotifier, &QSocketNotifier::activated, this, &SingleInstance::acceptPending);
    return true;
}

void SingleInstance::acceptPending() {
    while (m_clients < m_maxClients) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return;
            // Out of descriptors (EMFILE, ENFILE) or memory: the connection
            // stays queued, and accepting is tried again in a moment. The
            // listener itself is never given up.
            pauseAccepting(kAcceptRetryMs);
            return;
        }
        auto* socket = new QLocalSocket(this);
        if (!socket->setSocketDescriptor(fd, QLocalSocket::ConnectedState, QIODevice::ReadWrite)) {
            ::close(fd);
            delete socket;
            pauseAccepting(kAcceptRetryMs);
            return;
        }
        ++m_clients;
        connect(socket, &QObject::destroyed, this, [this] {
            --m_clients;
            resumeAccepting();
        });
        serve(socket);
    }
    // Every place taken: the others wait in the queue until a client leaves.
    m_acceptNotifier->setEnabled(false);
}

void SingleInstance::pauseAccepting(int retryMs) {
    m_acceptNotifier->setEnabled(false);
    if (m_acceptPaused) return;
    m_acceptPaused = true;
    QTimer::singleShot(retryMs, this, [this] {
        m_acceptPaused = false;
        resumeAccepting();
    });
}

void SingleInstance::resumeAccepting() {
    if (m_acceptNotifier && !m_acceptPaused && m_clients < m_maxClients) m_acceptNotifier->setEnabled(true);
}

#endif

void SingleInstance::serve(QLocalSocket* socket) {
    // A client has this long to send its request line; one that sends
    // nothing, or too little, keeps no place.
    auto* deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, socket, [socket] { drop(socket); });
    deadline->start(m_requestTimeoutMs);
    auto handle = [this, socket, deadline]() {
        if (socket->property("vandrelRequestTaken").toBool()) return;
        if (socket->canReadLine()) {
            deadline->stop();
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
            drop(socket);  // not one of ours
        }
    };
    connect(socket, &QLocalSocket::readyRead, socket, handle);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    // The request may already be buffered when the connection is accepted.
    if (socket->bytesAvailable() > 0) handle();
}

bool SingleInstance::makeLock() {
    if (m_lock) return true;
#ifdef Q_OS_WIN
    const QString path = QDir::temp().filePath(m_serverName + QStringLiteral(".lock"));
#else
    // Beside the socket in the private folder; without one there is no lock
    // at all rather than one that another user could hold.
    if (!hasPrivateFolder()) return false;
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
    // Without the private folder nobody can tell whether a program runs.
    if (!makeLock()) return false;
    if (m_lock->isLocked()) return true;
    if (m_lock->tryLock(waitMs)) return true;
    // A lock file that cannot be made at all leaves nothing to order by.
    return m_lock->error() != QLockFile::LockFailedError && !serverListening();
}

SingleInstance::Presence SingleInstance::serverPresence() const {
    if (!hasPrivateFolder() || !socketIsUsers(m_serverName)) return Presence::Absent;
#ifdef Q_OS_WIN
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    const bool connected = socket.waitForConnected(300);
    socket.abort();
    return connected ? Presence::Listening : Presence::Absent;
#else
    // A connection a listener has not accepted yet is complete already; one
    // its full queue turns away fails at once with EAGAIN.
    sockaddr_un address;
    if (!socketAddress(m_serverName, address)) return Presence::Absent;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return Presence::Absent;
    const int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int error = errno;
    ::close(fd);
    if (rc == 0 || error == EINPROGRESS) return Presence::Listening;
    return error == EAGAIN ? Presence::NotAccepting : Presence::Absent;
#endif
}

bool SingleInstance::serverListening(int timeoutMs) const {
    Q_UNUSED(timeoutMs);
    return serverPresence() == Presence::Listening;
}

std::optional<QByteArray> SingleInstance::sendCommand(const QByteArray& request, int timeoutMs, NoAnswer* why) const {
    auto fail = [why](NoAnswer reason) -> std::optional<QByteArray> {
        if (why) *why = reason;
        return std::nullopt;
    };
    if (!hasPrivateFolder() || !socketIsUsers(m_serverName)) return fail(NoAnswer::NotListening);
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(qMin(timeoutMs, 1000)))
        return fail(serverPresence() == Presence::NotAccepting ? NoAnswer::NotAccepting : NoAnswer::NotListening);
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

}  // namespace vandrel

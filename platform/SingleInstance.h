#pragma once
// One running program per user. The first start listens on a local socket named
// after the program's single-instance key; a later start connects to it, asks
// the first to bring its window forward, and ends. On Unix the lock and the
// socket live in a folder only the user can enter (the runtime folder, or one
// of the user's own), so that no other user can create them first and keep
// the program from starting. The program and the command-line tool find that
// folder the same way, whatever their working folder; where there is none,
// neither takes the lock, and both refuse to write.
//
// The listener keeps going when the process runs out of descriptors (it
// pauses accepting and tries again), serves a limited number of clients at a
// time, and closes a client whose request has not arrived within a few
// seconds; the others wait in the socket's queue.

#include <QByteArray>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;
class QSocketNotifier;
class QWidget;

namespace vandrel {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The program's single-instance key, a leading blank included.
    static constexpr const char* kInstanceKey = " {57D1171D-1a34-0804-8A3A-65ABA2150001}";

    struct FolderPlaces;
    // `key` is the instance key; the socket name is derived from it. The
    // private folder is looked for among `places` (by default this process's).
    explicit SingleInstance(const QString& key = QString::fromLatin1(kInstanceKey), QObject* parent = nullptr);
    SingleInstance(const QString& key, const FolderPlaces& places, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first instance: it now receives the
    // activation requests of later starts. False when another instance runs; it
    // has been asked to show its window and this process should end. A socket
    // or lock left behind by a crashed first instance is taken over.
    bool tryBecomePrimary(int timeoutMs = 2000);
    bool isPrimary() const { return m_primary; }

    // The pipe name for a key and a user (Windows, where pipe names are
    // machine-wide): characters a pipe name cannot hold are dropped, and the
    // user id is appended so that two users logged in at once each get their
    // own instance.
    static QString serverNameFor(const QString& key, const QString& userId);
    // The socket's name in the private folder (Unix): short, so that the
    // folder's path may take nearly all of a socket address; the folder is
    // the user's own, so the name carries no user.
    static QString socketNameFor(const QString& key);
    // Whether a socket at `path` fits a socket address (sockaddr_un: 108
    // bytes on Linux, the closing zero included) as the toolkit's local
    // socket fills it in: at most 106 bytes of path.
    static bool fitsSocketAddress(const QString& path);
    static QString currentUserId();
    // The name to connect to: on Unix the socket's full path in runtimeFolder(),
    // empty when there is no such folder.
    QString serverName() const { return m_serverName; }

    // Where the folder of the lock and the socket may be.
    struct FolderPlaces {
        QString runtimeDir;  // XDG_RUNTIME_DIR; empty when unset
        // The folder in which the system makes each user's runtime folder,
        // named after the user id.
        QString userRuntimeRoot = QStringLiteral("/run/user");
        QString home;
        QString temp;
        // This process's: its environment, home and temporary folders.
        static FolderPlaces current();
    };
    // The folder of the lock and the socket: XDG_RUNTIME_DIR when it is the
    // user's own with mode 0700; else the user's runtime folder
    // (/run/user/<uid>) when it exists and is the user's own with that mode,
    // so that a process started without a session (cron, su, ssh) finds
    // the same folder as the desktop's; otherwise ~/.cache/vandrel-<uid> or
    // $TMPDIR/vandrel-<uid>, created with mode 0700 or used when it is the
    // user's own with that mode. A folder whose socket would not fit a
    // socket address is passed over. Empty when none can be had; `why` then
    // tells what was tried and why each failed (in English, one line).
    // Windows: the temporary folder.
    static QString runtimeFolder(QString* why = nullptr);
    static QString runtimeFolder(const FolderPlaces& places, QString* why = nullptr);
    // Whether this instance has that folder. Without it no lock is taken, no
    // socket is made, and nothing can tell whether a program runs.
    bool hasPrivateFolder() const { return !m_serverName.isEmpty(); }
    // Why there is no private folder (empty when there is one).
    QString privateFolderProblem() const { return m_folderProblem; }

    // Shows the window normally, also when hidden or minimised, and brings it
    // to the front; on Wayland, where a window comes forward only with an
    // activation token from the program that asked for it, with `token`.
    static void bringToFront(QWidget* window, const QByteArray& token = {});
    // The activation token a later start hands over: the one its launcher
    // gave it (XDG_ACTIVATION_TOKEN, then taken out of the environment), or
    // on Wayland one it asks the compositor for; empty elsewhere.
    static QByteArray activationTokenForHandOff();

    // Called by a later start for the token it hands over with its request
    // to show the window; without it none is sent.
    std::function<QByteArray()> activationToken;
    // The most a token may hold; a longer one, or one with blanks or control
    // characters, is not passed on.
    static constexpr int kMaxTokenBytes = 255;

    // A helper process (the command-line tool) that talks to the keyboard
    // while no program runs: takes the instance lock, waiting up to waitMs,
    // without listening. A program started meanwhile waits for the lock.
    bool tryLockOnly(int waitMs = 0);
    // Whether a running instance accepts connections.
    bool serverListening(int timeoutMs = 300) const;
    // What lies behind the socket: nothing (no socket, or one left by a
    // program that ended), a listener, or a listener whose queue is full, so
    // that it takes no connection (a hung program, one out of descriptors).
    enum class Presence { Absent, Listening, NotAccepting };
    Presence serverPresence() const;
    // Why sendCommand gave no answer.
    enum class NoAnswer {
        NotListening,  // nobody listens
        NotAccepting,  // an instance listens but takes no connection
        TimedOut,      // connected, but no answer came within the time
        Dropped,       // the instance closed the connection without answering
    };
    // Sends one command request to the running instance and returns its
    // one-line answer, or nothing when no instance answered in time; `why`
    // then tells which. Every wait ends by timeoutMs.
    std::optional<QByteArray> sendCommand(const QByteArray& request, int timeoutMs, NoAnswer* why = nullptr) const;

    // The running instance's side of a command request: `reply` sends the
    // answer line (once; later calls and calls after the requester left do
    // nothing). Without a handler every request is refused.
    using CommandReply = std::function<void(const QByteArray& answer)>;
    using CommandHandler = std::function<void(const QByteArray& request, const CommandReply& reply)>;
    void setCommandHandler(CommandHandler handler) { m_commandHandler = std::move(handler); }

    // How many clients are served at once, and how long a client has to
    // send its request line before it is closed.
    static constexpr int kDefaultMaxClients = 16;
    static constexpr int kDefaultRequestTimeoutMs = 10000;
    void setClientLimits(int maxClients, int requestTimeoutMs);

signals:
    // A later start asked this instance to show its window, handing over
    // its activation token (empty when it had none).
    void activationRequested(const QByteArray& token);

private:
    bool notifyPrimary(int timeoutMs);
    // Sets up m_lock where a lock can be had; false when there is none.
    bool makeLock();
    bool listen();
    // Takes waiting connections while there is room and a descriptor for them.
    void acceptPending();
    void pauseAccepting(int retryMs);
    void resumeAccepting();
    // Reads one request from a client and answers it.
    void serve(QLocalSocket* socket);

    QString m_serverName;
    QString m_folderProblem;
    QString m_lockPath;
    int m_maxClients = kDefaultMaxClients;
    int m_requestTimeoutMs = kDefaultRequestTimeoutMs;
    int m_clients = 0;
    bool m_acceptPaused = false;
#ifdef Q_OS_WIN
    QLocalServer* m_server = nullptr;
#else
    int m_listenFd = -1;
    QSocketNotifier* m_acceptNotifier = nullptr;
#endif
    std::unique_ptr<QLockFile> m_lock;
    bool m_primary = false;
    CommandHandler m_commandHandler;
};

}  // namespace vandrel

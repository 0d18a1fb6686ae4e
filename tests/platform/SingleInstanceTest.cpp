#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUuid>
#include <QWidget>

#include "platform/SingleInstance.h"
#include "TestApp.h"
#include "tests/support/ScopedEnvironment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <optional>

#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace vandrel;

namespace {

// A key of its own for every test, so that tests never meet each other or a
// running program.
QString uniqueKey() { return QStringLiteral(" {test-") + QUuid::createUuid().toString(QUuid::WithoutBraces) + u'}'; }

TEST(SingleInstanceName, SanitisedAndPerUser) {
    const QString name =
        SingleInstance::serverNameFor(QString::fromLatin1(SingleInstance::kInstanceKey), QStringLiteral("1000"));
    EXPECT_EQ(name, QStringLiteral("vandrel-57D1171D-1a34-0804-8A3A-65ABA2150001-1000"));
    EXPECT_NE(name, SingleInstance::serverNameFor(QString::fromLatin1(SingleInstance::kInstanceKey),
                                                  QStringLiteral("1001")));
    // Nothing that could leave the socket folder.
    EXPECT_EQ(SingleInstance::serverNameFor(QStringLiteral("../x y/{z}"), QStringLiteral("../0")),
              QStringLiteral("vandrel-xyz-0"));
}

TEST(SingleInstance, LaterStartsActivateTheFirst) {
    test::app();
    const QString key = uniqueKey();
    SingleInstance first(key);
    ASSERT_TRUE(first.tryBecomePrimary());
    QSignalSpy activations(&first, &SingleInstance::activationRequested);

    {
        SingleInstance second(key);
        EXPECT_FALSE(second.tryBecomePrimary(1000));
        EXPECT_FALSE(second.isPrimary());
    }
    ASSERT_TRUE(activations.wait(3000));
    EXPECT_EQ(activations.count(), 1);

    {
        SingleInstance third(key);
        EXPECT_FALSE(third.tryBecomePrimary(1000));
    }
    ASSERT_TRUE(activations.wait(3000));
    EXPECT_EQ(activations.count(), 2);
}

TEST(SingleInstance, ALaterStartHandsOverItsActivationTokenAndNothingElse) {
    // The running window may come forward on Wayland only with the later
    // start's token; anything that is not a plausible token is not passed on.
    test::app();
    const QString key = uniqueKey();
    SingleInstance first(key);
    ASSERT_TRUE(first.tryBecomePrimary());
    QSignalSpy activations(&first, &SingleInstance::activationRequested);
    const struct {
        QByteArray sent, received;
    } cases[] = {
        {"2f6c1f3e-8a5b-4e0b-9d0e_TIME1234", "2f6c1f3e-8a5b-4e0b-9d0e_TIME1234"},
        {"", ""},
        {"two words", ""},
        {"bell\a", ""},
        {QByteArray(SingleInstance::kMaxTokenBytes + 1, 'x'), ""},
    };
    for (const auto& c : cases) {
        SingleInstance later(key);
        int asked = 0;
        later.activationToken = [&] {
            ++asked;
            return c.sent;
        };
        EXPECT_FALSE(later.tryBecomePrimary(1000));
        EXPECT_EQ(asked, 1);
        ASSERT_TRUE(activations.wait(3000)) << c.sent.constData();
        EXPECT_EQ(activations.takeFirst().value(0).toByteArray(), c.received) << c.sent.constData();
    }
}

TEST(SingleInstance, RoleIsFreedWhenTheFirstEnds) {
    test::app();
    const QString key = uniqueKey();
    {
        SingleInstance first(key);
        ASSERT_TRUE(first.tryBecomePrimary());
    }
    SingleInstance next(key);
    EXPECT_TRUE(next.tryBecomePrimary(500));
}

TEST(SingleInstance, IgnoresForeignConnections) {
    test::app();
    const QString key = uniqueKey();
    SingleInstance first(key);
    ASSERT_TRUE(first.tryBecomePrimary());
    QSignalSpy activations(&first, &SingleInstance::activationRequested);
    QLocalSocket socket;
    socket.connectToServer(first.serverName());
    ASSERT_TRUE(socket.waitForConnected(1000));
    socket.write("hello there\n");
    socket.waitForBytesWritten(1000);
    EXPECT_FALSE(activations.wait(300));
}

TEST(SingleInstance, ActivatesAFirstInstanceInAnotherProcess) {
    test::app();
    const QString key = uniqueKey();
    QProcess helper;
    helper.start(QStringLiteral(VANDREL_INSTANCE_HELPER), {QStringLiteral("serve"), key});
    ASSERT_TRUE(helper.waitForStarted(5000));
    ASSERT_TRUE(helper.waitForReadyRead(5000));
    ASSERT_EQ(helper.readLine().trimmed(), QByteArray("ready"));

    SingleInstance second(key);
    EXPECT_FALSE(second.tryBecomePrimary(2000));
    ASSERT_TRUE(helper.waitForFinished(5000));
    EXPECT_EQ(helper.exitCode(), 0);
    EXPECT_TRUE(helper.readAll().contains("activated"));
}

TEST(SingleInstance, TakesOverFromACrashedFirstInstance) {
    test::app();
    const QString key = uniqueKey();
    QProcess helper;
    helper.start(QStringLiteral(VANDREL_INSTANCE_HELPER), {QStringLiteral("crash"), key});
    ASSERT_TRUE(helper.waitForFinished(5000));
    ASSERT_TRUE(helper.readAll().contains("crashed"));

    // The dead process left its socket file and its lock behind.
    SingleInstance probe(key);
    const QString socketPath = QDir::temp().filePath(probe.serverName());
    const QString lockPath = socketPath + QStringLiteral(".lock");
    ASSERT_TRUE(QFile::exists(socketPath));
    ASSERT_TRUE(QFile::exists(lockPath));

    SingleInstance restarted(key);
    ASSERT_TRUE(restarted.tryBecomePrimary(1000));
    QSignalSpy activations(&restarted, &SingleInstance::activationRequested);
    SingleInstance later(key);
    EXPECT_FALSE(later.tryBecomePrimary(1000));
    EXPECT_TRUE(activations.wait(3000));
}

// Points XDG_RUNTIME_DIR at a folder for the duration of a test.
class RuntimeDir : public test::ScopedEnvironment {
public:
    explicit RuntimeDir(const QString& path) : ScopedEnvironment("XDG_RUNTIME_DIR", path.toStdString()) {}
};

mode_t modeOf(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st.st_mode & 07777;
}

TEST(SingleInstance, LockAndSocketLiveInThePrivateRuntimeFolder) {
    test::app();
    QTemporaryDir runtime;
    ASSERT_EQ(::chmod(QFile::encodeName(runtime.path()).constData(), 0700), 0);
    RuntimeDir env(runtime.path());
    const QString key = uniqueKey();
    // Another user's lock in the shared temporary folder, where earlier builds
    // kept it, no longer keeps the program from starting.
    const QString sharedLock =
        QDir::temp().filePath(SingleInstance::serverNameFor(key, SingleInstance::currentUserId()) + ".lock");
    QFile(sharedLock).open(QIODevice::WriteOnly);
    SingleInstance first(key);
    EXPECT_TRUE(first.tryBecomePrimary(500));
    QFile::remove(sharedLock);
    EXPECT_TRUE(first.serverName().startsWith(runtime.path() + u'/'));
    EXPECT_EQ(modeOf(first.serverName() + ".lock"), 0600u);

    // A runtime folder others can enter is not used.
    ASSERT_EQ(::chmod(QFile::encodeName(runtime.path()).constData(), 0755), 0);
    const QString fallback = SingleInstance::runtimeFolder();
    EXPECT_NE(fallback, runtime.path());
    ASSERT_FALSE(fallback.isEmpty());
    EXPECT_EQ(modeOf(fallback), 0700u);
}

TEST(SingleInstance, LockAndSocketOfAnotherUserAreNotObeyed) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs to give files to another user";
    test::app();
    QTemporaryDir runtime;
    ASSERT_EQ(::chmod(QFile::encodeName(runtime.path()).constData(), 0700), 0);
    RuntimeDir env(runtime.path());
    const QString key = uniqueKey();
    {
        SingleInstance probe(key);
        // Somebody else's live lock and socket: a helper process holds them.
        QProcess helper;
        helper.start(QStringLiteral(VANDREL_INSTANCE_HELPER), {QStringLiteral("crash"), key});
        ASSERT_TRUE(helper.waitForFinished(5000));
        for (const QString& f : {probe.serverName(), probe.serverName() + ".lock"})
            ASSERT_EQ(::lchown(QFile::encodeName(f).constData(), 4242, 4242), 0);
    }
    SingleInstance next(key);
    EXPECT_TRUE(next.tryBecomePrimary(500));
}

QString makePrivateFolder(const QString& path, mode_t mode = 0700) {
    EXPECT_TRUE(QDir().mkpath(path)) << path.toStdString();
    EXPECT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0) << path.toStdString();
    return path;
}

// A home folder of an ordinary length (and longer) holds the lock and the
// socket; only a folder whose socket would not fit a socket address (108
// bytes, less the closing zero and the toolkit's leading zero for abstract
// names) is passed over, and said why.
TEST(SingleInstance, AnyFolderWhoseSocketFitsASocketAddressIsUsed) {
    test::app();
    QTemporaryDir base;
    SingleInstance::FolderPlaces places;
    places.userRuntimeRoot.clear();
    places.home = base.filePath(QStringLiteral("home/a.rather.long.user.name"));
    places.temp = base.filePath(QStringLiteral("tmp"));
    const QString user = SingleInstance::currentUserId();
    EXPECT_EQ(SingleInstance::runtimeFolder(places), places.home + QStringLiteral("/.cache/vandrel-") + user);

    const QString key = uniqueKey();
    const QString name = SingleInstance::socketNameFor(key);
    EXPECT_LE(name.size(), 16);
    EXPECT_EQ(name, SingleInstance::socketNameFor(QString(key)));
    EXPECT_NE(name, SingleInstance::socketNameFor(uniqueKey()));
    const int room = 106 - static_cast<int>(QFile::encodeName(base.path()).size()) - 1 - 1 - name.size();
    ASSERT_GT(room, 8);
    const QString longest = makePrivateFolder(base.filePath(QString(room, u'r')));
    places.runtimeDir = longest;
    ASSERT_EQ(SingleInstance::runtimeFolder(places), longest);
    {
        SingleInstance first(key, places);
        ASSERT_EQ(QFile::encodeName(first.serverName()).size(), 106);
        ASSERT_TRUE(first.tryBecomePrimary());
        QSignalSpy activations(&first, &SingleInstance::activationRequested);
        SingleInstance second(key, places);
        EXPECT_FALSE(second.tryBecomePrimary(1000));
        EXPECT_TRUE(activations.wait(3000));
    }

    // One byte more and nothing with it fits.
    places.runtimeDir = makePrivateFolder(longest + u'x');
    places.home = places.runtimeDir;
    places.temp = places.runtimeDir;
    QString why;
    EXPECT_TRUE(SingleInstance::runtimeFolder(places, &why).isEmpty());
    EXPECT_TRUE(why.contains(QStringLiteral("XDG_RUNTIME_DIR (%1) is too long a path for a socket").arg(places.runtimeDir)))
        << why.toStdString();
}

// Without XDG_RUNTIME_DIR (cron, su, ssh without a session) the user's own
// runtime folder is found, the one the desktop's programs have: the program
// and the tool meet in it. It is used only when it is the user's alone.
TEST(SingleInstance, WithoutXdgRuntimeDirTheUsersRuntimeFolderIsTheMeetingPlace) {
    test::app();
    QTemporaryDir base;
    SingleInstance::FolderPlaces cron;
    cron.userRuntimeRoot = base.filePath(QStringLiteral("run/user"));
    cron.home = makePrivateFolder(base.filePath(QStringLiteral("home")));
    cron.temp = makePrivateFolder(base.filePath(QStringLiteral("tmp")));
    const QString own = makePrivateFolder(cron.userRuntimeRoot + u'/' + SingleInstance::currentUserId());
    SingleInstance::FolderPlaces desktop = cron;
    desktop.runtimeDir = own;
    EXPECT_EQ(SingleInstance::runtimeFolder(cron), own);

    const QString key = uniqueKey();
    SingleInstance program(key, desktop), tool(key, cron);
    EXPECT_EQ(tool.serverName(), program.serverName());
    ASSERT_TRUE(program.tryBecomePrimary());
    EXPECT_FALSE(tool.tryLockOnly());
    EXPECT_TRUE(tool.serverListening());

    // A folder others may enter, or a link in its place, is not the user's own.
    const QString fallback = cron.home + QStringLiteral("/.cache/vandrel-") + SingleInstance::currentUserId();
    ASSERT_EQ(::chmod(QFile::encodeName(own).constData(), 0755), 0);
    EXPECT_EQ(SingleInstance::runtimeFolder(cron), fallback);
    ASSERT_EQ(::chmod(QFile::encodeName(own).constData(), 0700), 0);
    const QString elsewhere = makePrivateFolder(base.filePath(QStringLiteral("elsewhere")));
    cron.userRuntimeRoot = base.filePath(QStringLiteral("linked"));
    ASSERT_TRUE(QDir().mkpath(cron.userRuntimeRoot));
    ASSERT_TRUE(QFile::link(elsewhere, cron.userRuntimeRoot + u'/' + SingleInstance::currentUserId()));
    EXPECT_EQ(SingleInstance::runtimeFolder(cron), fallback);
    // Where the system makes no such folder, the fallback is as before.
    cron.userRuntimeRoot = base.filePath(QStringLiteral("none"));
    EXPECT_EQ(SingleInstance::runtimeFolder(cron), fallback);
}

// A raw client of the instance socket; -1 when it could not connect.
int connectRaw(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path - 1);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

// Runs the event loop until the client has the program's answer (a line) or
// its end; returns what came.
QByteArray answerOf(int fd, int timeoutMs) {
    QByteArray got;
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && !got.endsWith('\n')) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, 10) <= 0) continue;
        char buf[256];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) return got.isEmpty() ? QByteArray("<closed>") : got;
        got.append(buf, static_cast<int>(n));
    }
    return got;
}

void runEvents(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Running out of descriptors only pauses the listener: the socket stays, and
// the client that could not be taken is served once descriptors are free.
TEST(SingleInstance, TheListenerSurvivesRunningOutOfDescriptors) {
    test::app();
    SingleInstance program(uniqueKey());
    ASSERT_TRUE(program.tryBecomePrimary());
    program.setCommandHandler([](const QByteArray& request, const SingleInstance::CommandReply& reply) {
        reply("0\t" + request);
    });
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    int lowest[2];
    ASSERT_EQ(::pipe(lowest), 0);
    ::close(lowest[0]);
    ::close(lowest[1]);
    int client = -1;
    {
        // Room for exactly one more descriptor: the client's. The program
        // cannot accept it.
        rlimit low = old;
        low.rlim_cur = static_cast<rlim_t>(std::min(lowest[0], lowest[1])) + 1;
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
        client = connectRaw(program.serverName());
        runEvents(300);
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &old), 0);
    }
    ASSERT_GE(client, 0);
    EXPECT_TRUE(QFileInfo::exists(program.serverName()));
    ASSERT_EQ(::write(client, "ctl first\n", 10), 10);
    EXPECT_EQ(answerOf(client, 3000), QByteArray("0\tfirst\n"));
    ::close(client);
    const int later = connectRaw(program.serverName());
    ASSERT_GE(later, 0);
    ASSERT_EQ(::write(later, "ctl later\n", 10), 10);
    EXPECT_EQ(answerOf(later, 3000), QByteArray("0\tlater\n"));
    ::close(later);
}

// Only so many clients are served at once; one that sends nothing is closed
// after a while, and the client waiting behind it is served.
TEST(SingleInstance, SilentClientsGiveUpTheirPlace) {
    test::app();
    SingleInstance program(uniqueKey());
    ASSERT_TRUE(program.tryBecomePrimary());
    program.setClientLimits(2, 400);
    program.setCommandHandler([](const QByteArray&, const SingleInstance::CommandReply& reply) { reply("0\t"); });
    const int silent[2] = {connectRaw(program.serverName()), connectRaw(program.serverName())};
    ASSERT_GE(silent[0], 0);
    ASSERT_GE(silent[1], 0);
    runEvents(50);
    const int waiting = connectRaw(program.serverName());
    ASSERT_GE(waiting, 0);
    ASSERT_EQ(::write(waiting, "ctl x\n", 6), 6);
    // Both places are taken: nothing yet.
    EXPECT_EQ(answerOf(waiting, 200), QByteArray());
    EXPECT_EQ(answerOf(waiting, 3000), QByteArray("0\t\n"));
    for (int fd : silent) {
        EXPECT_EQ(answerOf(fd, 100), QByteArray("<closed>"));
        ::close(fd);
    }
    ::close(waiting);
}

// Without a folder of the user's own (no runtime folder, a home folder that
// cannot hold one, the temporary folder's taken by a link), nothing is locked
// and no socket is made in a shared folder; what was tried is told.
TEST(SingleInstance, WithoutAPrivateFolderNothingIsLockedNorListened) {
    test::app();
    QTemporaryDir dir;
    // Short paths: a socket's path has room for little more than its name.
    const QString homeFile = dir.filePath(QStringLiteral("h")), tmp = dir.path();
    QFile(homeFile).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("elsewhere"))));
    const QString taken = tmp + QStringLiteral("/vandrel-") + SingleInstance::currentUserId();
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("elsewhere")), taken));
    test::ScopedEnvironment runtime("XDG_RUNTIME_DIR", std::nullopt), home("HOME", homeFile.toStdString()),
        temp("TMPDIR", tmp.toStdString());
    // Nor has the system made a runtime folder for the user.
    SingleInstance::FolderPlaces places = SingleInstance::FolderPlaces::current();
    places.userRuntimeRoot = dir.filePath(QStringLiteral("run"));

    QString why;
    EXPECT_TRUE(SingleInstance::runtimeFolder(places, &why).isEmpty());
    EXPECT_TRUE(why.contains(QStringLiteral("XDG_RUNTIME_DIR is not set"))) << why.toStdString();
    EXPECT_TRUE(why.contains(homeFile + QStringLiteral("/.cache/vandrel-"))) << why.toStdString();
    EXPECT_TRUE(why.contains(taken + QStringLiteral(" is a symbolic link"))) << why.toStdString();

    const QString key = uniqueKey();
    SingleInstance program(key, places), tool(key, places);
    EXPECT_FALSE(program.hasPrivateFolder());
    EXPECT_EQ(program.privateFolderProblem(), why);
    EXPECT_FALSE(program.tryBecomePrimary(200));
    EXPECT_FALSE(tool.tryLockOnly());
    EXPECT_FALSE(tool.serverListening());
    EXPECT_EQ(QDir(tmp).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("elsewhere"), QStringLiteral("h"), QFileInfo(taken).fileName()}));
    EXPECT_TRUE(QDir(dir.filePath(QStringLiteral("elsewhere"))).isEmpty());
}

TEST(SingleInstance, BringToFrontShowsAHiddenWindow) {
    test::app();
    QWidget window;
    window.show();
    window.hide();
    SingleInstance::bringToFront(&window);
    EXPECT_TRUE(window.isVisible());
    window.showMinimized();
    SingleInstance::bringToFront(&window);
    EXPECT_FALSE(window.isMinimized());
}

}  // namespace

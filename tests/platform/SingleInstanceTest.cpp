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

#include <sys/stat.h>
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
class RuntimeDir {
public:
    explicit RuntimeDir(const QString& path) : m_old(qgetenv("XDG_RUNTIME_DIR")) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(path));
    }
    ~RuntimeDir() { qputenv("XDG_RUNTIME_DIR", m_old); }

private:
    QByteArray m_old;
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

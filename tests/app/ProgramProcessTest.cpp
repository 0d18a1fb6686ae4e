// The program (the demo build) and vandrelctl as the user runs them: separate
// processes, installed side by side in a folder of the test's own, each with
// an environment of the test's making (their own runtime, home and settings
// folders, no desktop, no session bus).

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <sys/stat.h>

#include "device/DeviceLock.h"
#include "platform/SingleInstance.h"
#include "profile/OwnDataFiles.h"
#include "sim/SimStateFile.h"

namespace vandrel {
namespace {

QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "program_process_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication instance(argc, argv);
    return instance;
}

// How long a process may take to come up on a busy build machine.
constexpr int kStartMs = 30000;
// What an ending signal is given, from the signal to the process's end.
constexpr qint64 kEndMs = 2000;

class ProgramProcess : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(QDir().mkpath(demoFolder()));
        ASSERT_TRUE(QDir().mkpath(root.filePath(QStringLiteral("cli"))));
        install(QStringLiteral(VANDREL_DEMO_PROGRAM), program());
        install(QStringLiteral(VANDREL_CTL_PROGRAM), ctl());
        // The skins and VER.bin of the build, as the program finds them beside it.
        const QDir built = QFileInfo(QStringLiteral(VANDREL_DEMO_PROGRAM)).dir();
        QFile::link(built.filePath(QStringLiteral("png")), QDir(demoFolder()).filePath(QStringLiteral("png")));
        QFile::copy(built.filePath(QStringLiteral("VER.bin")), QDir(demoFolder()).filePath(QStringLiteral("VER.bin")));
        programRuntime = privateFolder(QStringLiteral("run-desktop"));
        otherRuntime = privateFolder(QStringLiteral("run-elsewhere"));
    }
    void TearDown() override {
        if (running.state() != QProcess::NotRunning) {
            running.kill();
            running.waitForFinished(5000);
        }
    }

    static void install(const QString& from, const QString& to) {
        ASSERT_TRUE(QFile::copy(from, to)) << from.toStdString();
        QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QString privateFolder(const QString& name) {
        const QString path = root.filePath(name);
        EXPECT_TRUE(QDir().mkpath(path));
        ::chmod(QFile::encodeName(path).constData(), 0700);
        return path;
    }
    QString demoFolder() const { return root.filePath(QStringLiteral("demo")); }
    QString program() const { return root.filePath(QStringLiteral("demo/Vandrel")); }
    QString ctl() const { return root.filePath(QStringLiteral("cli/vandrelctl")); }
    std::filesystem::path demoFile(const char* name) const {
        return std::filesystem::path(demoFolder().toStdString()) / name;
    }

    // A session of the test's making; `runtimeDir` decides which program a
    // vandrelctl finds.
    QProcessEnvironment environment(const QString& runtimeDir) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP", "XDG_SESSION_TYPE",
                                 "XDG_ACTIVATION_TOKEN", "VANDREL_DEMO_READY", "VANDREL_DEMO_SCREENSHOT",
                                 "VANDREL_DEMO_DIALOGS"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
        env.insert(QStringLiteral("HOME"), privateFolder(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), privateFolder(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), privateFolder(QStringLiteral("data")));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   QStringLiteral("unix:path=") + root.filePath(QStringLiteral("no-bus")));
        return env;
    }

    void startProgram() {
        running.setProcessEnvironment(environment(programRuntime));
        running.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        running.start(program(), {});
        ASSERT_TRUE(running.waitForStarted(kStartMs));
    }

    // Whether the program's event loop answers a request on its socket: the
    // main loop, or the loop of a message box it shows.
    bool programAnswers() {
        SingleInstance::FolderPlaces places;
        places.runtimeDir = programRuntime;
        SingleInstance client(QString::fromLatin1(SingleInstance::kInstanceKey), places);
        return client.sendCommand("--demo\tping", 500).has_value();
    }

    template <typename F>
    bool eventually(F f, int ms = kStartMs) {
        QDeadlineTimer deadline(ms);
        while (!f()) {
            if (deadline.hasExpired() || running.state() == QProcess::NotRunning) return false;
            QThread::msleep(50);
        }
        return true;
    }

    // Sends `signalNumber` once; the time until the program ended, or -1
    // when it did not end within a few seconds.
    qint64 endWith(int signalNumber) {
        QElapsedTimer timer;
        timer.start();
        ::kill(static_cast<pid_t>(running.processId()), signalNumber);
        if (!running.waitForFinished(5000)) return -1;
        return timer.elapsed();
    }

    struct Run {
        int code = -1;
        QString err;
    };
    Run runCtl(const QString& runtimeDir, const QStringList& args) {
        QProcess tool;
        tool.setProcessEnvironment(environment(runtimeDir));
        tool.start(ctl(), args);
        Run r;
        if (!tool.waitForFinished(kStartMs)) {
            tool.kill();
            tool.waitForFinished();
            return r;
        }
        r.code = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
        r.err = QString::fromUtf8(tool.readAllStandardError());
        return r;
    }

    QTemporaryDir root;
    QString programRuntime, otherRuntime;
    QProcess running;
};

// SIGTERM while a start-up message waits (keymap.bin unreadable, nobody to
// click it away): the first signal ends the program in time, through its
// own end rather than the watchdog's.
TEST_F(ProgramProcess, AnEndingSignalEndsItWhileAStartUpMessageWaits) {
    for (int signalNumber : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        ASSERT_TRUE(QDir().mkpath(QDir(demoFolder()).filePath(QStringLiteral("keymap.bin"))));
        startProgram();
        // The message box's loop answers: the main loop has not started.
        ASSERT_TRUE(eventually([this] { return programAnswers(); }));
        const qint64 took = endWith(signalNumber);
        EXPECT_GE(took, 0) << "the program did not end";
        EXPECT_LT(took, kEndMs);
        EXPECT_EQ(running.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(running.exitCode(), 0);
        // What it could not read is left as it was.
        EXPECT_TRUE(QFileInfo(QDir(demoFolder()).filePath(QStringLiteral("keymap.bin"))).isDir());
    }
}

// While the program talks to the demo keyboard, a vandrelctl that cannot
// reach it (started from cron, su or ssh, with another runtime folder) is
// refused with exit 7 and writes nothing; one that reaches it hands its
// command over; once the program has ended, the keyboard is free again.
TEST_F(ProgramProcess, OneWriterPerKeyboardWhateverTheEnvironment) {
    const SimStateFile state(demoFile(kDemoStateFileName));
    const DeviceLockFile lock{state.lockPath().string(), false};
    startProgram();
    ASSERT_TRUE(eventually([&] { return DeviceLock::heldElsewhere(lock); })) << "the program never took the keyboard";
    ASSERT_TRUE(eventually([this] { return programAnswers(); }));
    const std::optional<DeviceImage> before = state.read();

    for (const QStringList& args : {QStringList{"--demo", "set", "brightness=20"}, QStringList{"--demo", "reset", "--yes"}}) {
        const Run refused = runCtl(otherRuntime, args);
        EXPECT_EQ(refused.code, 7) << args.join(u' ').toStdString() << ": " << refused.err.toStdString();
        EXPECT_TRUE(refused.err.contains(QStringLiteral("another program is talking to the keyboard")))
            << refused.err.toStdString();
        EXPECT_EQ(state.read(), before);
    }

    const Run handed = runCtl(programRuntime, {"--demo", "set", "brightness=20"});
    EXPECT_EQ(handed.code, 0) << handed.err.toStdString();
    ASSERT_TRUE(state.read().has_value());
    EXPECT_EQ(state.read()->ledBrightness, 20);

    const qint64 took = endWith(SIGTERM);
    EXPECT_GE(took, 0);
    EXPECT_LT(took, kEndMs);
    EXPECT_FALSE(DeviceLock::heldElsewhere(lock));
    const Run alone = runCtl(otherRuntime, {"--demo", "set", "brightness=30"});
    EXPECT_EQ(alone.code, 0) << alone.err.toStdString();
    ASSERT_TRUE(state.read().has_value());
    EXPECT_EQ(state.read()->ledBrightness, 30);
}

}  // namespace
}  // namespace vandrel

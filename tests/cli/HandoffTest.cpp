// A running program takes vandrelctl's commands over its single-instance
// socket: it applies them through its window, saves them to the keyboard and
// answers; what it cannot take it refuses without touching the keyboard.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QUuid>
#include <QDir>
#include <QImage>
#include <QFile>
#include <QTemporaryDir>
#include <future>
#include <sstream>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "app/ui/CTarvinDlg.h"
#include "app/frontends/CtlCommandHandler.h"
#include "cli/CtlHandoff.h"
#include "cli/CtlRunner.h"
#include "controls/CBitSlider.h"
#include "device/DeviceSession.h"
#include "keymap/KeymapFile.h"
#include "platform/SingleInstance.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualClock.h"
#include "tests/app/TempFolder.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/QuietWindow.h"
#include "tests/support/WaitWhileBusy.h"

namespace vandrel {
namespace {

// Runs `f` in another thread, as vandrelctl, while this one runs the
// program's event loop.
template <class F>
auto whileProgramRuns(F f) {
    auto result = std::async(std::launch::async, f);
    while (result.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return result.get();
}

class HandoffTest : public ::testing::Test {
protected:
    HandoffTest()
        : key(QUuid::createUuid().toString()),
          server(key),
          keyboard(clock),
          session(keyboard, clock),
          state(std::make_unique<AppState>()) {}

    // The keyboard as it is when the program starts.
    virtual void prepareKeyboard() {}

    void SetUp() override {
        prepareKeyboard();
        window = test::startQuietWindow(*state, session, data.path());
        handler = std::make_unique<CtlCommandHandler>(window->service());
        EXPECT_TRUE(server.tryBecomePrimary());
        server.setCommandHandler([this](const QByteArray& request, const SingleInstance::CommandReply& reply) {
            handler->handle(request, reply);
        });
        keyboard.clearRecord();
    }
    void TearDown() override { window->shutDown(); }

    // What vandrelctl does: one request.
    QByteArray send(const QByteArray& request) {
        return whileProgramRuns([this, request] {
            SingleInstance client(key);
            return client.sendCommand(request, 20000).value_or(QByteArray("no answer"));
        });
    }

    // A vandrelctl command line, with the configuration taken from the
    // running program or read from the keyboard; returns the exit code and
    // what it printed.
    std::pair<int, std::string> ctlCommand(const std::vector<std::string>& argv, bool fromProgram) {
        return whileProgramRuns([this, argv, fromProgram] {
            std::ostringstream out, err;
            ctl::Environment env(keyboard, clock, data.path(), data.path() / "Configure", out, err);
            if (fromProgram)
                env.configurationSource = [this, &err](config::Configuration& c) {
                    SingleInstance client(key);
                    return ctl::configurationFromProgram(client, false, c, err);
                };
            const int code = ctl::runCommand(ctl::parseCommandLine(argv).options, env);
            return std::make_pair(code, out.str() + err.str());
        });
    }

    test::TempFolder data;
    QString key;
    SingleInstance server;
    VirtualClock clock;
    SimKeyboard keyboard;
    DeviceSession session;
    std::unique_ptr<AppState> state;
    std::unique_ptr<CTarvinDlg> window;
    std::unique_ptr<CtlCommandHandler> handler;
};

TEST_F(HandoffTest, SetIsSavedAndShown) {
    EXPECT_EQ(send("set\tbrightness=7\teffect=breathing"), "0\t");
    EXPECT_EQ(keyboard.config().ledBrightness, 7);
    EXPECT_EQ(keyboard.config().ledEffect, 2);
    EXPECT_EQ(state->image.ledBrightness, 7);
    EXPECT_EQ(state->shadow, state->image);
    EXPECT_EQ(window->slider(kBrightnessSliderId)->value(), 7);
}

TEST_F(HandoffTest, RefusalsLeaveTheKeyboardAlone) {
    EXPECT_TRUE(send("set\tbrightness=70").startsWith("2\t"));
    EXPECT_TRUE(send("show").startsWith("2\t"));
    EXPECT_TRUE(send("apply\tNoSuchProfile").startsWith("6\t"));
    // vandrelctl --demo never reaches a program on the real keyboard.
    EXPECT_TRUE(send("--demo\tset\tbrightness=7").startsWith("1\t"));
    // Edits in the window that were not saved are not written behind the
    // user's back.
    state->image.ledSpeed = 2;
    EXPECT_TRUE(send("set\tbrightness=7").startsWith("1\t"));
    EXPECT_TRUE(keyboard.events().empty());
}

TEST_F(HandoffTest, AColourTheEffectDoesNotAllowIsARefusal) {
    ASSERT_EQ(send("set\teffect=wave"), "0\t");
    keyboard.clearRecord();
    EXPECT_TRUE(send("set\tcolour=3").startsWith("1\t"));
    EXPECT_TRUE(keyboard.events().empty());
}

TEST_F(HandoffTest, ApplyLoadsAProfileFromTheProgramsFolder) {
    auto profile = std::make_unique<AppState>();
    profile->image = keyboard.config();
    profile->image.ledEffect = 13;
    profile->image.ledDirection = 4;
    profile->keys.restoreHomeCodes();
    profile->keys[20].type = 5;  // a launch key, which the profile's image holds
    const uint8_t launch[4] = {0x0A, 0, SlotHomeVk[20], 0};
    std::memcpy(&profile->image.deviceKeyMap[SlotCellOffset[20]], launch, 4);
    std::filesystem::create_directories(data.path() / "Configure");
    ASSERT_TRUE(WriteConfigurationFile(data.path() / "Configure" / "Night.bin", profile->image, profile->keys));
    EXPECT_EQ(send("apply\tNight"), "0\t");
    EXPECT_EQ(keyboard.config().ledEffect, 13);
    EXPECT_EQ(keyboard.config().ledDirection, 4);
    EXPECT_EQ(state->keys[20].type, 5);
}

// The program checks a profile as the tool does: a setting out of range is
// refused (6), every key disabled only with --yes (1 without), and nothing
// reaches the keyboard or the window until the checks pass.
TEST_F(HandoffTest, ApplyChecksTheProfileAsTheToolDoes) {
    std::filesystem::create_directories(data.path() / "Configure");
    test::writeAll(data.path() / "Configure" / "Burnt.bin", std::vector<uint8_t>(kKeymapFileBytes, 0xFF));
    DeviceImage dead = keyboard.config();
    std::memset(dead.keyMask, 0, sizeof dead.keyMask);
    test::writeAll(data.path() / "Configure" / "Dead.bin", std::vector<uint8_t>(dead.bytes(), dead.bytes() + sizeof dead));
    const DeviceImage before = state->image;

    const QByteArray burnt = send("apply\tBurnt");
    EXPECT_TRUE(burnt.startsWith("6\t") && burnt.contains("effect holds 255")) << burnt.toStdString();
    EXPECT_TRUE(send("apply\tDead").startsWith("1\t"));
    EXPECT_TRUE(keyboard.events().empty());
    EXPECT_EQ(state->image, before);
    EXPECT_EQ(send("apply\tDead\t--yes"), "0\t");
    EXPECT_EQ(keyboard.config().keyMask[5], 0);
}

TEST_F(HandoffTest, ACommandWaitsForTheWindowsOwnSave) {
    // The window saves an edit; a command arriving meanwhile runs after it,
    // so the two writes never interleave on the keyboard.
    state->image.ledSpeed = 2;
    QMetaObject::invokeMethod(
        window.get(), [this] { window->saveExternalChange([](AppState&) {}, {}); }, Qt::QueuedConnection);
    EXPECT_EQ(send("set\tbrightness=5"), "0\t");
    EXPECT_EQ(keyboard.config().ledSpeed, 2);
    EXPECT_EQ(keyboard.config().ledBrightness, 5);
    EXPECT_TRUE(keyboard.violations().empty());
}

TEST_F(HandoffTest, ShowSaveAndExportGiveWhatADirectReadGives) {
    // A key record and a lighting change that the program wrote, and an
    // unsaved edit in the window, which is not the keyboard's.
    auto profile = std::make_unique<AppState>();
    profile->image = keyboard.config();
    profile->image.ledEffect = 13;
    profile->keys.restoreHomeCodes();
    profile->keys[20].type = 5;
    std::filesystem::create_directories(data.path() / "Configure");
    ASSERT_TRUE(WriteConfigurationFile(data.path() / "Configure" / "Night.bin", profile->image, profile->keys));
    ASSERT_EQ(send("apply\tNight"), "0\t");
    state->image.ledBrightness = 3;
    keyboard.clearRecord();

    const std::string exported = (data.path() / "program.json").string();
    struct Case {
        std::vector<std::string> argv;
        const char* file;  // what the command writes, compared too
    } cases[] = {
        {{"show", "--json"}, nullptr},
        {{"show"}, nullptr},
        {{"export", "--json", exported}, "program.json"},
        {{"save", "Copy"}, "Configure/Copy.bin"},
    };
    std::vector<std::pair<int, std::string>> answers;
    std::vector<std::vector<uint8_t>> files;
    for (const Case& c : cases) {
        answers.push_back(ctlCommand(c.argv, true));
        if (c.file) files.push_back(test::readAll(data.path() / c.file));
    }
    EXPECT_TRUE(keyboard.events().empty());  // the program answered from memory

    window->shutDown();
    size_t f = 0;
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].argv[0]);
        const auto direct = ctlCommand(cases[i].argv, false);
        EXPECT_EQ(answers[i].first, ctl::kExitDone) << answers[i].second;
        EXPECT_EQ(direct.first, ctl::kExitDone) << direct.second;
        EXPECT_EQ(answers[i].second, direct.second);
        if (cases[i].file) {
            EXPECT_FALSE(files[f].empty());
            EXPECT_EQ(files[f++], test::readAll(data.path() / cases[i].file));
        }
    }
    EXPECT_NE(answers[0].second.find("\"effect\""), std::string::npos);
}

// A picture named relative to the tool's folder reaches the program as an
// absolute path: the program runs in a folder of its own. The paint is one
// undo step of the window's, saved at once, and diy show reads it back from
// the program.
TEST_F(HandoffTest, DiyPaintsAreHandedOverWithThePicturesAbsolutePath) {
    QImage picture(16, 8, QImage::Format_RGB32);
    picture.fill(qRgb(0, 0, 0x80));
    const QString folder = QString::fromStdString(data.path().string());
    ASSERT_TRUE(picture.save(folder + "/navy.png"));
    std::vector<QByteArray> requests;
    server.setCommandHandler([this, &requests](const QByteArray& request, const SingleInstance::CommandReply& reply) {
        requests.push_back(request);
        handler->handle(request, reply);
    });
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder));
    const auto [code, text] = whileProgramRuns([this] {
        SingleInstance tool(key);
        std::ostringstream out, err;
        ctl::Options options;
        options.command = ctl::Command::Diy;
        options.args = {"import", "4", "navy.png"};
        const int code = ctl::handToRunningProgram(tool, options, out, err);
        return std::make_pair(code, out.str() + err.str());
    });
    QDir::setCurrent(before);
    EXPECT_EQ(code, ctl::kExitDone);
    EXPECT_EQ(text, "DIY4: 104 keys changed.\n");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], "diy\timport\t4\t" + QDir(folder).absoluteFilePath("navy.png").toUtf8());
    EXPECT_EQ(keyboard.config().diyMaps[3][SlotCellOffset[0] + 3], 0x80);
    EXPECT_EQ(state->shadow, state->image);

    const auto [shown, json] = ctlCommand({"diy", "show", "4", "--json"}, true);
    EXPECT_EQ(shown, ctl::kExitDone);
    EXPECT_NE(json.find("\"Esc\": \"#000080\""), std::string::npos) << json;
    window->undo();
    EXPECT_EQ(state->image.diyMaps[3][SlotCellOffset[0] + 3], 0);
}

TEST_F(HandoffTest, AKeyboardThatWentAwayIsNotShownFromMemory) {
    window->deviceRemoved();
    EXPECT_EQ(ctlCommand({"show", "--json"}, true).first, ctl::kExitNoKeyboard);
}

TEST(CommandSocket, AHungProgramDoesNotHangTheTool) {
    const QString key = QUuid::createUuid().toString();
    SingleInstance program(key);
    ASSERT_TRUE(program.tryBecomePrimary(200));
    // Takes the request and never answers.
    program.setCommandHandler([](const QByteArray&, const SingleInstance::CommandReply&) {});
    const auto [code, message] = whileProgramRuns([&key] {
        SingleInstance tool(key);
        std::ostringstream err;
        auto config = std::make_unique<config::Configuration>();
        const int code = ctl::configurationFromProgram(tool, false, *config, err, 300);
        return std::make_pair(code, err.str());
    });
    EXPECT_EQ(code, ctl::kExitNoAnswer);
    EXPECT_NE(message.find("did not answer"), std::string::npos);
}

// The tool passes on only the exit statuses it documents; anything else a
// program answers is a failure.
TEST(CommandSocket, UnknownExitStatusesBecomeFailures) {
    const QString key = QUuid::createUuid().toString();
    SingleInstance program(key);
    ASSERT_TRUE(program.tryBecomePrimary(200));
    QByteArray answer;
    program.setCommandHandler([&answer](const QByteArray&, const SingleInstance::CommandReply& reply) { reply(answer); });
    for (const auto& [line, code] : std::vector<std::pair<QByteArray, int>>{
             {"42\tstrange", ctl::kExitFailed}, {"255\t", ctl::kExitFailed}, {"8\t", ctl::kExitFailed},
             {"7\t", ctl::kExitNoAnswer}, {"5\tno ack", ctl::kExitNoAck}, {"0\t", ctl::kExitDone}}) {
        answer = line;
        const int got = whileProgramRuns([&key] {
            SingleInstance tool(key);
            std::ostringstream out, err;
            ctl::Options options;
            options.command = ctl::Command::Set;
            options.args = {"brightness=3"};
            return ctl::handToRunningProgram(tool, options, out, err);
        });
        EXPECT_EQ(got, code) << line.constData();
    }
}

// A speed byte of 0 from the keyboard is stored as 10, past the slider's
// 0..9; the untouched window still holds no unsaved change and takes commands.
class SpeedBeyondSliderTest : public HandoffTest {
    void prepareKeyboard() override {
        DeviceImage config = keyboard.config();
        config.ledSpeed = 10;
        config.ledEffect = 2;  // breathing: the speed slider is shown
        keyboard.setConfig(config);
    }
};

TEST_F(SpeedBeyondSliderTest, AnUntouchedWindowTakesCommands) {
    ASSERT_EQ(state->shadow.ledSpeed, 10);
    // Opening the lighting section draws the speed slider at its end.
    QTest::mouseClick(window.get(), Qt::LeftButton, {}, QPoint(100, 115));
    window->redraw();
    window->composeFrame();
    EXPECT_EQ(window->slider(kSpeedSliderId)->value(), 9);
    EXPECT_FALSE(window->hasUnsavedChanges());
    EXPECT_EQ(send("set\tbrightness=4"), "0\t");
    EXPECT_EQ(keyboard.config().ledBrightness, 4);
    EXPECT_EQ(keyboard.config().ledSpeed, 10);
    EXPECT_EQ(state->image.ledSpeed, 10);
}

TEST(InstanceLock, AProgramStartsOnlyOnceTheToolIsDone) {
    const QString key = QUuid::createUuid().toString();
    auto tool = std::make_unique<SingleInstance>(key);
    ASSERT_TRUE(tool->tryLockOnly());
    SingleInstance early(key);
    EXPECT_FALSE(early.tryBecomePrimary(200));
    tool.reset();
    SingleInstance program(key);
    EXPECT_TRUE(program.tryBecomePrimary(200));
    // A later tool finds the program listening and hands its command over.
    SingleInstance later(key);
    EXPECT_FALSE(later.tryLockOnly());
    EXPECT_TRUE(later.serverListening());
}

// A program whose queue is full takes no connection (it is hung, or out of
// descriptors): the tool says so with exit 7 at once, for a change and for a
// read alike, instead of waiting for the lock.
TEST(InstanceLock, AProgramThatTakesNoConnectionIsReportedAtOnce) {
    const QString key = QUuid::createUuid().toString();
    SingleInstance program(key);
    ASSERT_TRUE(program.tryBecomePrimary(200));
    // This thread runs no events while the tool works: nothing is accepted.
    std::vector<int> queued;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(program.serverName()).constData(), sizeof address.sun_path - 1);
    for (int i = 0; i < 1000; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            break;
        }
        queued.push_back(fd);
    }
    ASSERT_LT(queued.size(), 1000u);
    for (const std::vector<std::string>& argv :
         {std::vector<std::string>{"set", "brightness=3"}, {"show", "--json"}, {"import", "--json", "x.json"}}) {
        SCOPED_TRACE(argv[0]);
        const ctl::Options options = ctl::parseCommandLine(argv).options;
        SingleInstance tool(key);
        ctl::Access access;
        std::ostringstream out, err;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(ctl::arrangeAccess(tool, options, access, out, err, 3000), ctl::kExitNoAnswer) << err.str();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        EXPECT_NE(err.str().find("takes no connection"), std::string::npos) << err.str();
    }
    for (int fd : queued) ::close(fd);
}

// Without a folder of the user's own for the lock, the tool cannot know
// whether the program runs: it reads, but refuses everything that writes.
TEST(InstanceLock, WithoutAPrivateFolderTheToolOnlyReads) {
    QTemporaryDir dir;
    QFile(dir.filePath(QStringLiteral("h"))).open(QIODevice::WriteOnly);
    QFile::link(dir.path(), dir.filePath(QStringLiteral("vandrel-")) + SingleInstance::currentUserId());
    test::ScopedEnvironment runtime("XDG_RUNTIME_DIR", std::nullopt),
        home("HOME", dir.filePath(QStringLiteral("h")).toStdString()), temp("TMPDIR", dir.path().toStdString());
    {
        SingleInstance tool(QUuid::createUuid().toString());
        for (const auto& [argv, code] : std::vector<std::pair<std::vector<std::string>, int>>{
                 {{"import", "--json", "x.json"}, ctl::kExitFailed},
                 {{"set", "brightness=3"}, ctl::kExitFailed},
                 {{"save", "FPS"}, ctl::kExitFailed},
                 {{"show"}, ctl::kHandoffNobody},
                 {{"list"}, ctl::kHandoffNobody}}) {
            SCOPED_TRACE(argv[0]);
            ctl::Access access;
            std::ostringstream out, err;
            EXPECT_EQ(ctl::arrangeAccess(tool, ctl::parseCommandLine(argv).options, access, out, err, 100), code);
            EXPECT_FALSE(access.exclusive);
            EXPECT_FALSE(access.fromProgram);
            if (code == ctl::kExitFailed) {
                EXPECT_NE(err.str().find("XDG_RUNTIME_DIR is not set"), std::string::npos) << err.str();
                EXPECT_NE(err.str().find("was not run"), std::string::npos) << err.str();
            }
        }
    }
}

}  // namespace
}  // namespace vandrel

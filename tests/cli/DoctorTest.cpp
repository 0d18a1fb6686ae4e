// vandrelctl doctor on faked machines: a fake sysfs, /dev, udev rule folders,
// group file and data folder in a temporary folder, a private session bus
// (and a system bus with python3-dbusmock's login manager where a test needs
// one), and the environment set per test.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <set>
#include <sstream>

#include "../support/DBusMock.h"
#include "../support/PrivateBus.h"
#include "../support/ScopedEnvironment.h"
#include "../support/TempFolder.h"
#include "cli/CtlDoctor.h"
#include "cli/CtlSession.h"
#include "platform/RuleSettings.h"
#include "keymap/KeyRecord.h"
#include "platform/DBusService.h"

namespace {

namespace fs = std::filesystem;
using vandrel::ctl::DoctorFinding;
using vandrel::ctl::DoctorSetup;
using vandrel::test::ScopedEnvironment;
using vandrel::test::TempFolder;
using Level = DoctorFinding::Level;

QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "doctor_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* instance = new QCoreApplication(argc, argv);
    return *instance;
}

void write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    vandrel::test::writeAll(file, std::vector<uint8_t>(text.begin(), text.end()));
}

// A hidraw node in the fake sysfs, under a USB interface, with its device node.
void addNode(const fs::path& root, const std::string& name, const std::string& hidId, int interface) {
    const fs::path device = root / "sys/devices/usb1/1-2" / ("1-2:1." + std::to_string(interface)) /
                            ("0003:04D9:A124.000" + std::to_string(interface));
    write(device / "uevent", "DRIVER=hid-generic\nHID_ID=" + hidId + "\nHID_NAME=Keyboard\n");
    fs::create_directories(root / "sys/class/hidraw" / name);
    fs::create_directory_symlink(device, root / "sys/class/hidraw" / name / "device");
    write(root / "dev" / name, "");
}

class Doctor : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        const fs::path r = root.path();
        addNode(r, "hidraw0", "0003:0000046D:0000C52B", 0);  // somebody's mouse
        addNode(r, "hidraw3", "0003:000004D9:0000A124", 3);
        addNode(r, "hidraw4", "0003:000004D9:0000A124", 4);
        fs::create_directories(r / "etc/udev/rules.d");
        fs::create_directories(r / "usr/lib/udev/rules.d");
        for (const char* rule : {"70-vandrel.rules", "70-vandrel-plugdev.rules"})
            fs::copy_file(fs::path(VANDREL_PACKAGING_DIR) / rule, r / "usr/lib/udev/rules.d" / rule);
        groupFile(true, true);
        write(r / "xkb/rules/evdev", "! model = keycodes\n");
        fs::create_directories(r / "data/Configure");
        vandrel::test::writeAll(r / "data/keymap.bin", std::vector<uint8_t>(vandrel::kKeymapFileBytes));
        fs::create_directories(r / "run");
        fs::permissions(r / "run", fs::perms::owner_all);
        fs::create_directories(r / "home");

        setup.hidrawClass = r / "sys/class/hidraw";
        setup.deviceFolder = r / "dev";
        setup.udevRuleFolders = {r / "etc/udev/rules.d", r / "usr/lib/udev/rules.d"};
        setup.groupFile = r / "etc/group";
        setup.xkbRoot = r / "xkb";
        setup.programFolder = r / "program";
        setup.dataFolder = r / "data";
        setup.configFolder = r / "home/.config";
        setup.gnomeExtensionsFolder = r / "home/.local/share/gnome-shell/extensions";
        setup.userName = "alice";
        setup.groups = {plugdevGid()};
        setup.canReadWrite = [this](const fs::path& node) { return !denied.count(node.filename().string()); };
        if (bus.ok()) setup.bus = bus.connect();
    }

    // plugdev is the group the test's files belong to, unless `applied` is off.
    unsigned plugdevGid() const { return static_cast<unsigned>(::getegid()); }
    void groupFile(bool withGroup, bool aliceListed, bool applied = true) {
        std::string text = "root:x:" + std::to_string(plugdevGid() + 7) + ":\n";
        if (withGroup)
            text += "plugdev:x:" + std::to_string(applied ? plugdevGid() : plugdevGid() + 9) + ":" +
                    (aliceListed ? "bob,alice" : "bob") + "\n";
        write(root.path() / "etc/group", text);
    }

    std::vector<DoctorFinding> run() { return vandrel::ctl::runDoctorChecks(setup); }
    static const DoctorFinding* find(const std::vector<DoctorFinding>& all, const std::string& topic,
                                     Level level) {
        for (const DoctorFinding& f : all)
            if (f.topic == topic && f.level == level) return &f;
        return nullptr;
    }
    static int problems(const std::vector<DoctorFinding>& all) {
        int n = 0;
        for (const DoctorFinding& f : all) n += f.level == Level::Problem;
        return n;
    }
    static std::string dump(const std::vector<DoctorFinding>& all) {
        std::ostringstream out;
        vandrel::ctl::printDoctorReport(all, out);
        return out.str();
    }

    TempFolder root;
    vandrel::test::PrivateBus bus;
    ScopedEnvironment runtime{"XDG_RUNTIME_DIR", (root.path() / "run").string()};
    ScopedEnvironment home{"HOME", (root.path() / "home").string()};
    ScopedEnvironment seat{"XDG_SEAT", std::nullopt};
    ScopedEnvironment ssh{"SSH_CONNECTION", "10.0.0.2 50000 10.0.0.1 22"};
    ScopedEnvironment session{"XDG_SESSION_TYPE", std::nullopt};
    ScopedEnvironment desktop{"XDG_CURRENT_DESKTOP", std::nullopt};
    ScopedEnvironment wayland{"WAYLAND_DISPLAY", std::nullopt};
    ScopedEnvironment display{"DISPLAY", std::nullopt};
    DoctorSetup setup;
    std::set<std::string> denied;
};

TEST_F(Doctor, AllWellOverSshThroughTheGroup) {
    ASSERT_TRUE(bus.ok());
    const auto all = run();
    EXPECT_EQ(problems(all), 0) << dump(all);
    const DoctorFinding* keyboard = find(all, "keyboard", Level::Ok);
    ASSERT_TRUE(keyboard);
    EXPECT_NE(keyboard->text.find("/dev/hidraw3 (commands)"), std::string::npos) << keyboard->text;
    EXPECT_NE(keyboard->text.find("hidraw4"), std::string::npos);
    EXPECT_EQ(keyboard->text.find("hidraw0"), std::string::npos) << "another device's node";
    ASSERT_TRUE(find(all, "writer", Level::Ok));
    ASSERT_TRUE(find(all, "session bus", Level::Ok));
    ASSERT_TRUE(find(all, "runtime folder", Level::Ok));
    // No display over SSH: said, but nothing to fix.
    EXPECT_TRUE(find(all, "focus", Level::Note));
    std::ostringstream out;
    EXPECT_EQ(vandrel::ctl::printDoctorReport(all, out), 0);
    EXPECT_NE(out.str().find("ok       keyboard: 04d9:a124 at"), std::string::npos) << out.str();
}

TEST_F(Doctor, NoKeyboard) {
    fs::remove_all(root.path() / "sys/class/hidraw/hidraw3");
    fs::remove_all(root.path() / "sys/class/hidraw/hidraw4");
    const auto all = run();
    const DoctorFinding* f = find(all, "keyboard", Level::Problem);
    ASSERT_TRUE(f) << dump(all);
    EXPECT_NE(f->fix.find("lsusb -d 04d9:a124"), std::string::npos);
    std::ostringstream out;
    EXPECT_EQ(vandrel::ctl::printDoctorReport(all, out), 1);
    EXPECT_NE(out.str().find("PROBLEM  keyboard"), std::string::npos);
    EXPECT_NE(out.str().find("         fix: plug the keyboard in"), std::string::npos) << out.str();
}

// Why the user cannot open the nodes, and the command for each cause.
TEST_F(Doctor, AccessExplainsEachCause) {
    denied = {"hidraw3", "hidraw4"};
    struct Case {
        const char* name;
        std::function<void()> arrange;
        const char* text;
        const char* fix;
    };
    const Case cases[] = {
        {"no rule", [&] { fs::remove_all(root.path() / "usr/lib/udev/rules.d"); }, "no udev rule names the keyboard",
         "packaging/70-vandrel-plugdev.rules /etc/udev/rules.d/"},
        {"seat rule only", [&] { fs::remove(root.path() / "usr/lib/udev/rules.d/70-vandrel-plugdev.rules"); },
         "only to the user at the seat", "70-vandrel-plugdev.rules"},
        {"group rule masked",
         [&] {
             // As a link to /dev/null would: an empty file of the same name in an earlier folder.
             write(root.path() / "etc/null", "");
             fs::create_symlink(root.path() / "etc/null", root.path() / "etc/udev/rules.d/70-vandrel-plugdev.rules");
         },
         "only to the user at the seat", "70-vandrel-plugdev.rules"},
        {"no group", [&] { groupFile(false, false); }, "the group plugdev of the udev rule does not exist",
         "sudo groupadd --system plugdev"},
        {"rule not applied", [&] { groupFile(true, true, false); }, "has not been applied",
         "udevadm trigger --subsystem-match=hidraw"},
        {"not a member", [&] { groupFile(true, false); }, "alice is not in the group plugdev",
         "sudo usermod -aG plugdev alice"},
        {"member since the login", [&] { setup.groups = {plugdevGid() + 100}; }, "after this login",
         "log out and back in"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Each case starts from the shipped files again.
        for (const char* folder : {"etc", "usr", "sys", "dev", "data", "xkb"}) fs::remove_all(root.path() / folder);
        SetUp();
        c.arrange();
        const auto all = run();
        const DoctorFinding* f = find(all, "access", Level::Problem);
        ASSERT_TRUE(f) << dump(all);
        EXPECT_NE(f->text.find("/dev/hidraw3"), std::string::npos) << f->text;
        EXPECT_NE(f->text.find("not at a seat"), std::string::npos) << f->text;
        EXPECT_NE(f->text.find(c.text), std::string::npos) << f->text;
        EXPECT_NE(f->fix.find(c.fix), std::string::npos) << f->fix;
    }
}

TEST_F(Doctor, NoSessionBus) {
    setup.bus = QDBusConnection(QStringLiteral("no-such-connection"));
    const auto all = run();
    const DoctorFinding* f = find(all, "session bus", Level::Problem);
    ASSERT_TRUE(f) << dump(all);
    EXPECT_NE(f->fix.find("DBUS_SESSION_BUS_ADDRESS"), std::string::npos);
}

TEST_F(Doctor, AnotherProcessOwnsTheBusName) {
    ASSERT_TRUE(bus.ok());
    QDBusConnection squatter = bus.connect();
    ASSERT_TRUE(squatter.registerService(QString::fromLatin1(vandrel::kDBusServiceName)));
    const auto all = run();
    const DoctorFinding* f = find(all, "session bus", Level::Problem);
    ASSERT_TRUE(f) << dump(all);
    EXPECT_NE(f->text.find("another process (pid"), std::string::npos) << f->text;
}

TEST_F(Doctor, NoRuntimeFolder) {
    ScopedEnvironment noRuntime("XDG_RUNTIME_DIR", std::nullopt);
    write(root.path() / "not-a-home", "");
    ScopedEnvironment fileHome("HOME", (root.path() / "not-a-home").string());
    ScopedEnvironment fileTmp("TMPDIR", (root.path() / "not-a-home").string());
    const auto all = run();
    const DoctorFinding* f = find(all, "runtime folder", Level::Problem);
    ASSERT_TRUE(f) << dump(all);
    EXPECT_NE(f->text.find("XDG_RUNTIME_DIR is not set"), std::string::npos) << f->text;
    EXPECT_NE(f->fix.find("XDG_RUNTIME_DIR"), std::string::npos);
}

// Another writer holds the device's lock: the keyboard's node, or the demo's
// lock file beside its state.
TEST_F(Doctor, BusyDevice) {
    for (const bool demo : {false, true}) {
        SCOPED_TRACE(demo ? "demo" : "keyboard");
        setup.demo = demo;
        const fs::path held = demo ? root.path() / "data" / vandrel::ctl::kDemoLockFileName : root.path() / "dev/hidraw3";
        write(held, "");
        {
            const auto all = run();
            EXPECT_TRUE(find(all, "writer", Level::Ok)) << dump(all);
        }
        const int fd = ::open(held.c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        const auto all = run();
        const DoctorFinding* f = find(all, "writer", Level::Problem);
        ASSERT_TRUE(f) << dump(all);
        EXPECT_NE(f->text.find(held.string()), std::string::npos) << f->text;
        EXPECT_NE(f->fix.find("fuser -v"), std::string::npos);
        ::close(fd);
        // The check gave the lock back: the writer can take it again.
        const int again = ::open(held.c_str(), O_RDWR | O_CLOEXEC);
        EXPECT_EQ(::flock(again, LOCK_EX | LOCK_NB), 0);
        ::close(again);
    }
}

TEST_F(Doctor, DamagedDataFiles) {
    write(root.path() / "data/MacroDefine.bin", "short");
    write(root.path() / "data/GameMode.txt", "maybe\n");
    write(root.path() / "data/Configure/empty.bin", "");
    vandrel::test::writeAll(root.path() / "data/Configure/FPS.bin", std::vector<uint8_t>(vandrel::kKeymapFileBytes));
    const auto all = run();
    std::string problemsText;
    for (const DoctorFinding& f : all)
        if (f.level == Level::Problem) problemsText += f.text + " | " + f.fix + "\n";
    EXPECT_NE(problemsText.find("MacroDefine.bin is damaged: 5 bytes, expected 169860"), std::string::npos)
        << problemsText;
    EXPECT_NE(problemsText.find("GameMode.txt is damaged"), std::string::npos) << problemsText;
    EXPECT_NE(problemsText.find("empty.bin is not a profile"), std::string::npos) << problemsText;
    EXPECT_EQ(problemsText.find("keymap.bin"), std::string::npos) << problemsText;
    EXPECT_EQ(problemsText.find("FPS.bin"), std::string::npos) << problemsText;
    EXPECT_EQ(problems(all), 3) << dump(all);
}

TEST_F(Doctor, DesktopFocusAndAutostart) {
    ScopedEnvironment gnome("XDG_CURRENT_DESKTOP", "GNOME");
    ScopedEnvironment wl("WAYLAND_DISPLAY", "wayland-0");
    // The Shell is told by its name on the bus, not by XDG_CURRENT_DESKTOP.
    ASSERT_TRUE(bus.ok());
    QDBusConnection shell = bus.connect();
    ASSERT_TRUE(shell.registerService(QStringLiteral("org.gnome.Shell")));
    write(root.path() / "home/.config/autostart/vandrel.desktop",
          "[Desktop Entry]\nType=Application\nExec=" + (root.path() / "gone/Vandrel").string() + " --hidden\n");
    auto all = run();
    const DoctorFinding* focus = find(all, "focus", Level::Problem);
    ASSERT_TRUE(focus) << dump(all);
    EXPECT_NE(focus->fix.find("gnome-extensions enable vandrel-focus@vandrel.example"), std::string::npos);
    const DoctorFinding* autostart = find(all, "autostart", Level::Problem);
    ASSERT_TRUE(autostart) << dump(all);
    EXPECT_NE(autostart->text.find("gone/Vandrel"), std::string::npos) << autostart->text;
    EXPECT_TRUE(find(all, "layout", Level::Ok)) << dump(all);

    fs::remove_all(root.path() / "xkb");
    all = run();
    const DoctorFinding* layout = find(all, "layout", Level::Problem);
    ASSERT_TRUE(layout) << dump(all);
    EXPECT_EQ(layout->fix, "sudo apt install xkb-data");
}

// The sources of the session's lights: some offered (a login manager that
// knows the session, GNOME's screen saver), some not; vandrelctl session
// marks the same settings as not working here.
TEST_F(Doctor, SessionSourcesOfferedAndNot) {
    // An X server of the developer's desktop would offer its idle time.
    struct NoDisplay {
        QByteArray was = qgetenv("DISPLAY");
        NoDisplay() { qunsetenv("DISPLAY"); }
        ~NoDisplay() {
            if (!was.isEmpty()) qputenv("DISPLAY", was);
        }
    } noDisplay;
    vandrel::test::PrivateBus system;
    ASSERT_TRUE(system.ok() && bus.ok());
    setup.systemBus = system.connect();
    const vandrel::test::MockService logind(system, true, {QStringLiteral("--template"), QStringLiteral("logind")});
    const vandrel::test::MockService screenSaver(bus, false, {QStringLiteral("--template"), QStringLiteral("gnome_screensaver")});
    ASSERT_TRUE(vandrel::test::spinUntil([&] {
        return setup.systemBus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.login1")).value() &&
               setup.bus.interface()->isServiceRegistered(QStringLiteral("org.gnome.ScreenSaver")).value();
    })) << "python3-dbusmock did not start (is it installed?)";
    const QDBusMessage added = vandrel::test::callOn(
        setup.systemBus, QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("AddSession"),
        {QStringLiteral("c1"), QStringLiteral("seat0"), 1000u, QStringLiteral("alice"), true});
    ASSERT_EQ(added.type(), QDBusMessage::ReplyMessage) << added.errorMessage().toStdString();

    const auto said = [](const std::vector<DoctorFinding>& all, const std::string& source) -> const DoctorFinding* {
        for (const DoctorFinding& f : all)
            if (f.topic == "session" && f.text.rfind(source, 0) == 0) return &f;
        return nullptr;
    };
    struct Case {
        const char* source;
        Level level;
    };
    setup.sessionId = QStringLiteral("c1");
    auto all = run();
    for (const Case& c : {Case{"the login manager's Lock and Unlock", Level::Ok},
                          Case{"the login manager's PrepareForSleep", Level::Ok},
                          Case{"org.freedesktop.ScreenSaver", Level::Note}, Case{"org.gnome.ScreenSaver", Level::Ok},
                          Case{"the idle monitor", Level::Note}}) {
        const DoctorFinding* f = said(all, c.source);
        ASSERT_TRUE(f) << c.source << "\n" << dump(all);
        EXPECT_EQ(f->level, c.level) << f->text;
    }
    ASSERT_TRUE(said(all, "vandrelctl session: idle cannot work here")) << dump(all);
    // A source not offered is a note, never a problem.
    for (const DoctorFinding& f : all) EXPECT_FALSE(f.topic == "session" && f.level == Level::Problem) << f.text;

    // Without a login manager GNOME's screen saver still reports the lock,
    // but nothing reports a sleep.
    setup.systemBus = QDBusConnection(QStringLiteral("no-such-connection"));
    all = run();
    EXPECT_EQ(said(all, "the login manager's Lock and Unlock")->level, Level::Note);
    EXPECT_EQ(said(all, "the login manager's PrepareForSleep")->level, Level::Note);
    EXPECT_TRUE(said(all, "vandrelctl session: idle, sleep cannot work here")) << dump(all);
    setup.systemBus = system.connect();

    // vandrelctl session show marks the same setting, and only that one.
    const auto offers = vandrel::SessionEventSource::probe(setup.systemBus, setup.bus, QStringLiteral("c1"));
    vandrel::RuleSettings settings(QString::fromStdString((root.path() / "home/Vandrel.conf").string()));
    std::ostringstream out, err;
    vandrel::ctl::Options show;
    show.args = {"show"};
    ASSERT_EQ(vandrel::ctl::runSessionCommand(show, settings, out, err, &offers), 0) << err.str();
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);)
        EXPECT_EQ(line.find("does not offer") != std::string::npos, line.rfind("idle=", 0) == 0) << line;
}

}  // namespace

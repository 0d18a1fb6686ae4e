#pragma once
// vandrelctl doctor: checks what the program needs on this machine and says,
// for each thing, "ok" or what is wrong and the command that fixes it. The
// keyboard and its hidraw nodes, access to them (udev rule, group, seat),
// the private runtime folder, another writer holding the keyboard, the
// session bus and the program's D-Bus name, the focus backend for
// per-application rules, the layout source, autostart, the desktop's reports
// of a lock, a sleep and idleness for the session's lights, and the data
// folder with its files.
//
// Every system path it looks at comes from DoctorSetup, so that a test can
// point it at a folder of fake files; the rest (runtime folder, desktop,
// autostart) follows the environment as the program does.

#include <QDBusConnection>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace vandrel::ctl {

struct DoctorFinding {
    enum class Level { Ok, Note, Problem };
    Level level = Level::Ok;
    std::string topic;  // "keyboard", "access", ...
    std::string text;   // what was found
    std::string fix;    // for a problem: the command that fixes it
};

struct DoctorSetup {
    // The kernel's list of hidraw nodes, and the folder of their device nodes.
    std::filesystem::path hidrawClass = "/sys/class/hidraw";
    std::filesystem::path deviceFolder = "/dev";
    // udev's rule folders, first wins for a file name.
    std::vector<std::filesystem::path> udevRuleFolders = {"/etc/udev/rules.d", "/run/udev/rules.d",
                                                          "/usr/local/lib/udev/rules.d", "/usr/lib/udev/rules.d"};
    std::filesystem::path groupFile = "/etc/group";
    // libxkbcommon's layout data (XKB_CONFIG_ROOT, else /usr/share/X11/xkb).
    std::filesystem::path xkbRoot = "/usr/share/X11/xkb";
    // The program's folders: skins and desktop scripts, data files.
    std::filesystem::path programFolder;
    std::filesystem::path dataFolder;
    // The user's configuration folder (autostart entry) and GNOME Shell
    // extension folder.
    std::filesystem::path configFolder;
    std::filesystem::path gnomeExtensionsFolder;
    // The simulated keyboard instead of a real one.
    bool demo = false;

    // Who runs the check: the user's name and the groups in effect for
    // this process (not the ones added since the login).
    std::string userName;
    std::vector<unsigned> groups;
    bool root = false;
    // Whether a node can be opened for reading and writing (access(2)).
    std::function<bool(const std::filesystem::path&)> canReadWrite;
    // The session bus; a disconnected one is no bus.
    QDBusConnection bus = QDBusConnection(QString());
    // The system bus (the login manager), and the login manager's session of
    // the user (empty: the caller's own).
    QDBusConnection systemBus = QDBusConnection(QString());
    QString sessionId;

    // The current user, process and environment, with the real system paths.
    static DoctorSetup forCurrentUser(std::filesystem::path programFolder, std::filesystem::path dataFolder,
                                      bool demo);
};

// The group the shipped group rule gives the keyboard's nodes to.
constexpr const char* kKeyboardGroup = "plugdev";
// The lock beside the simulated keyboard's state that its writer holds.
constexpr const char* kDemoLockFileName = "DemoKeyboard.lock";

std::vector<DoctorFinding> runDoctorChecks(const DoctorSetup& setup);

// Prints the findings, one per line with a fix line under each problem;
// returns 0 when nothing is wrong, 1 otherwise.
int printDoctorReport(const std::vector<DoctorFinding>& findings, std::ostream& out);

}  // namespace vandrel::ctl

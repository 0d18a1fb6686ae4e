#include "cli/CtlDoctor.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QStandardPaths>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <map>
#include <ostream>
#include <set>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "device/Transport.h"
#include "keymap/KeyRecord.h"
#include "keymap/KeymapFile.h"
#include "macro/MacroStoreFile.h"
#include "platform/AppPaths.h"
#include "platform/Autostart.h"
#include "platform/DBusService.h"
#include "platform/SessionEventSource.h"
#include "platform/SingleInstance.h"
#include "platform/focus/FocusBackendChoice.h"
#include "platform/focus/ReportedFocusBackend.h"
#include "profile/GameModeMemory.h"
#include "profile/OwnDataFiles.h"
#include "profile/ProfileStore.h"
#include "profile/SnapshotStore.h"
#include "sim/SimStateFile.h"
#include "util/AtomicFile.h"

namespace vandrel::ctl {

namespace fs = std::filesystem;

namespace {

using Level = DoctorFinding::Level;

constexpr const char* kRuleFileName = "70-vandrel.rules";
constexpr const char* kGroupRuleFileName = "70-vandrel-plugdev.rules";
constexpr const char* kInstallRules =
    "sudo install -m 644 packaging/70-vandrel.rules packaging/70-vandrel-plugdev.rules /etc/udev/rules.d/ && "
    "sudo udevadm control --reload && sudo udevadm trigger --subsystem-match=hidraw --action=change "
    "(in the source folder; the Debian package and 'sudo cmake --install build' install them themselves)";
constexpr const char* kTrigger =
    "sudo udevadm control --reload && sudo udevadm trigger --subsystem-match=hidraw --action=change";

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string readText(const fs::path& file, size_t maxBytes = 64 * 1024) {
    std::vector<uint8_t> bytes;
    if (readFilePrefix(file, maxBytes, bytes) != FileResult::Ok) return {};
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find('\n', start);
        out.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return out;
}

std::string shellQuoted(const fs::path& p) { return "'" + p.string() + "'"; }

// A hidraw node of the keyboard: its device node and the USB interface it serves.
struct KeyboardNode {
    std::string name;  // "hidraw3"
    fs::path node;     // /dev/hidraw3
    int interface = -1;
};

// "0003:000004D9:0000A124" names the keyboard.
bool isKeyboardHidId(const std::string& id) {
    const size_t a = id.find(':'), b = id.find(':', a == std::string::npos ? a : a + 1);
    if (a == std::string::npos || b == std::string::npos) return false;
    try {
        return std::stoul(id.substr(a + 1, b - a - 1), nullptr, 16) == kKeyboardVendorId &&
               std::stoul(id.substr(b + 1), nullptr, 16) == kKeyboardProductId;
    } catch (...) {
        return false;
    }
}

// The interface number from the device's place in the USB tree: its parent
// is the interface, "1-2:1.3" for interface 3.
int interfaceOf(const fs::path& device) {
    std::error_code ec;
    const fs::path real = fs::canonical(device, ec);
    if (ec) return -1;
    const std::string iface = real.parent_path().filename().string();
    const size_t dot = iface.rfind('.');
    if (iface.find(':') == std::string::npos || dot == std::string::npos || dot + 1 == iface.size()) return -1;
    try {
        return std::stoi(iface.substr(dot + 1));
    } catch (...) {
        return -1;
    }
}

std::vector<KeyboardNode> keyboardNodes(const DoctorSetup& s) {
    std::vector<KeyboardNode> out;
    std::error_code ec;
    for (auto it = fs::directory_iterator(s.hidrawClass, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const fs::path device = it->path() / "device";
        for (const std::string& line : lines(readText(device / "uevent", 8192))) {
            if (line.rfind("HID_ID=", 0) != 0 || !isKeyboardHidId(line.substr(7))) continue;
            const std::string name = it->path().filename().string();
            out.push_back({name, s.deviceFolder / name, interfaceOf(device)});
        }
    }
    std::sort(out.begin(), out.end(), [](const KeyboardNode& a, const KeyboardNode& b) { return a.name < b.name; });
    return out;
}

// A udev rule file that names the keyboard.
struct RuleFile {
    fs::path path;
    bool uaccess = false;
    std::string group;  // GROUP= of the rule, empty without one
};

// The rule files udev reads that name the keyboard. A file of the same name
// in an earlier folder replaces a later one (a link to /dev/null masks it).
std::vector<RuleFile> keyboardRules(const DoctorSetup& s) {
    std::vector<RuleFile> out;
    std::set<std::string> seen;
    for (const fs::path& folder : s.udevRuleFolders) {
        std::error_code ec;
        std::vector<fs::path> files;
        for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
            if (it->path().extension() == ".rules") files.push_back(it->path());
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            if (!seen.insert(file.filename().string()).second) continue;
            RuleFile rule{file, false, {}};
            bool names = false;
            for (const std::string& raw : lines(readText(file))) {
                const std::string line = lower(raw);
                if (line.find('#') == 0 || line.find("04d9") == std::string::npos ||
                    line.find("a124") == std::string::npos)
                    continue;
                names = true;
                if (line.find("uaccess") != std::string::npos) rule.uaccess = true;
                const size_t g = raw.find("GROUP");
                const size_t q1 = g == std::string::npos ? g : raw.find('"', g);
                const size_t q2 = q1 == std::string::npos ? q1 : raw.find('"', q1 + 1);
                if (q2 != std::string::npos) rule.group = raw.substr(q1 + 1, q2 - q1 - 1);
            }
            if (names) out.push_back(rule);
        }
    }
    return out;
}

struct GroupEntry {
    unsigned gid = 0;
    std::vector<std::string> members;
};

std::map<std::string, GroupEntry> readGroups(const fs::path& file) {
    std::map<std::string, GroupEntry> out;
    for (const std::string& line : lines(readText(file, 1 << 20))) {
        std::vector<std::string> f;
        size_t start = 0;
        for (size_t i = 0; i <= line.size(); ++i)
            if (i == line.size() || line[i] == ':') {
                f.push_back(line.substr(start, i - start));
                start = i + 1;
            }
        if (f.size() < 4 || f[0].empty()) continue;
        GroupEntry e;
        try {
            e.gid = static_cast<unsigned>(std::stoul(f[2]));
        } catch (...) {
            continue;
        }
        size_t m = 0;
        while (m <= f[3].size() && !f[3].empty()) {
            const size_t comma = f[3].find(',', m);
            const std::string who = f[3].substr(m, comma == std::string::npos ? std::string::npos : comma - m);
            if (!who.empty()) e.members.push_back(who);
            if (comma == std::string::npos) break;
            m = comma + 1;
        }
        out[f[0]] = e;
    }
    return out;
}

std::string groupName(const std::map<std::string, GroupEntry>& groups, unsigned gid) {
    for (const auto& [name, e] : groups)
        if (e.gid == gid) return name;
    return std::to_string(gid);
}

std::string modeText(const struct stat& st) {
    std::string m = "---------";
    const char* letters = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i)
        if (st.st_mode & (0400 >> i)) m[static_cast<size_t>(i)] = letters[i];
    return m;
}

class Checks {
public:
    explicit Checks(const DoctorSetup& s) : m_s(s) {
        QString why;
        m_runtime = SingleInstance::runtimeFolder(&why).toStdString();
        m_runtimeProblem = why.toStdString();
        if (!m_runtime.empty()) {
            SingleInstance instance;
            m_programRuns = instance.serverPresence() != SingleInstance::Presence::Absent;
        }
    }

    std::vector<DoctorFinding> run() {
        keyboard();
        access();
        runtimeFolder();
        writers();
        bus();
        focus();
        layout();
        autostart();
        sessionLighting();
        data();
        return std::move(m_out);
    }

private:
    void add(Level level, std::string topic, std::string text, std::string fix = {}) {
        m_out.push_back({level, std::move(topic), std::move(text), std::move(fix)});
    }

    void keyboard() {
        if (m_s.demo) {
            add(Level::Ok, "keyboard", "the simulated keyboard (--demo), its memory in " +
                                           (m_s.dataFolder / kDemoStateFileName).string());
            return;
        }
        m_nodes = keyboardNodes(m_s);
        if (m_nodes.empty()) {
            add(Level::Problem, "keyboard", "no keyboard 04d9:a124 is connected (no hidraw node names it)",
                "plug the keyboard in (lsusb -d 04d9:a124 lists it); 'vandrelctl --demo' works without one");
            return;
        }
        std::string text = "04d9:a124 at";
        for (const KeyboardNode& n : m_nodes) {
            text += " " + n.node.string();
            if (n.interface == 3) text += " (commands)";
            else if (n.interface >= 0) text += " (interface " + std::to_string(n.interface) + ")";
            if (&n != &m_nodes.back()) text += ",";
        }
        add(Level::Ok, "keyboard", text);
    }

    bool atSeat() const {
        return !qEnvironmentVariableIsEmpty("XDG_SEAT") && qEnvironmentVariableIsEmpty("SSH_CONNECTION");
    }

    void access() {
        if (m_s.demo || m_nodes.empty()) return;
        const std::vector<RuleFile> rules = keyboardRules(m_s);
        const auto groups = readGroups(m_s.groupFile);
        std::string ruleGroup;
        bool uaccess = false;
        for (const RuleFile& r : rules) {
            if (!r.group.empty() && ruleGroup.empty()) ruleGroup = r.group;
            uaccess = uaccess || r.uaccess;
        }
        std::string rulesText;
        for (const RuleFile& r : rules) rulesText += (rulesText.empty() ? "" : ", ") + r.path.string();

        std::vector<const KeyboardNode*> denied;
        for (const KeyboardNode& n : m_nodes)
            if (!m_s.canReadWrite(n.node)) denied.push_back(&n);
        const std::string seat = atSeat() ? "this session is at seat " + qEnvironmentVariable("XDG_SEAT").toStdString()
                                          : "this session is not at a seat (SSH, cron, another user's login)";
        if (denied.empty()) {
            std::string how = m_s.root ? "as root" : "through the seat or a group";
            struct stat st {};
            if (!m_s.root && ::stat(m_nodes.front().node.c_str(), &st) == 0 &&
                std::find(m_s.groups.begin(), m_s.groups.end(), static_cast<unsigned>(st.st_gid)) != m_s.groups.end() &&
                (st.st_mode & 060) == 060)
                how = "through the group " + groupName(groups, st.st_gid);
            else if (!m_s.root && atSeat())
                how = "through the seat (uaccess)";
            add(Level::Ok, "access", "read and write, " + how + (rulesText.empty() ? "" : "; rules: " + rulesText));
            return;
        }

        const KeyboardNode& n = *denied.front();
        struct stat st {};
        std::string what = n.node.string() + " cannot be opened for reading and writing";
        if (::stat(n.node.c_str(), &st) == 0) {
            const passwd* owner = ::getpwuid(st.st_uid);
            what += " (" + modeText(st) + " " + (owner ? owner->pw_name : std::to_string(st.st_uid)) + ":" +
                    groupName(groups, st.st_gid) + ")";
        }
        what += "; " + seat;
        if (rules.empty()) {
            add(Level::Problem, "access", what + "; no udev rule names the keyboard", kInstallRules);
            return;
        }
        const std::string group = ruleGroup.empty() ? std::string(kKeyboardGroup) : ruleGroup;
        if (ruleGroup.empty()) {
            add(Level::Problem, "access",
                what + "; the udev rule (" + rulesText + ") gives access only to the user at the seat, no group rule",
                kInstallRules);
            return;
        }
        const auto entry = groups.find(group);
        if (entry == groups.end()) {
            add(Level::Problem, "access", what + "; the group " + group + " of the udev rule does not exist",
                "sudo groupadd --system " + group + " && sudo usermod -aG " + group + " " + m_s.userName + " && " +
                    kTrigger + ", then log out and back in");
            return;
        }
        if (static_cast<unsigned>(st.st_gid) != entry->second.gid) {
            add(Level::Problem, "access",
                what + "; the udev rule (" + rulesText + ") has not been applied to the node yet", kTrigger);
            return;
        }
        const bool listed = std::find(entry->second.members.begin(), entry->second.members.end(), m_s.userName) !=
                            entry->second.members.end();
        if (!listed) {
            add(Level::Problem, "access", what + "; " + m_s.userName + " is not in the group " + group,
                "sudo usermod -aG " + group + " " + m_s.userName + ", then log out and back in");
            return;
        }
        add(Level::Problem, "access",
            what + "; " + m_s.userName + " was added to the group " + group + " after this login",
            "log out and back in (or run 'newgrp " + group + "' in this shell)");
    }

    void runtimeFolder() {
        if (m_runtime.empty()) {
            add(Level::Problem, "runtime folder", m_runtimeProblem,
                "log in through a session that sets XDG_RUNTIME_DIR (systemd-logind), or make ~/.cache writable: "
                "mkdir -p ~/.cache && chmod 700 ~/.cache");
            return;
        }
        add(Level::Ok, "runtime folder",
            m_runtime + " (the lock and the socket" + (m_programRuns ? "; the program is running)" : ")"));
    }

    // Whether another process holds the advisory lock every writer of the
    // keyboard takes on `path`; tried and given back at once.
    enum class Lock { Free, Held, Unknown };
    static Lock lockState(const fs::path& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) return errno == ENOENT ? Lock::Free : Lock::Unknown;
        Lock state = Lock::Free;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) state = errno == EWOULDBLOCK ? Lock::Held : Lock::Unknown;
        else ::flock(fd, LOCK_UN);
        ::close(fd);
        return state;
    }

    void writers() {
        std::vector<fs::path> paths;
        if (m_s.demo) paths.push_back(m_s.dataFolder / kDemoLockFileName);
        else
            for (const KeyboardNode& n : m_nodes) paths.push_back(n.node);
        if (paths.empty()) return;
        for (const fs::path& p : paths) {
            const Lock state = lockState(p);
            if (state == Lock::Held && m_programRuns) {
                add(Level::Ok, "writer", "the running Vandrel program holds the keyboard; vandrelctl hands it its commands");
                return;
            }
            if (state == Lock::Held) {
                add(Level::Problem, "writer", "another process holds " + p.string() + " and writes to the keyboard",
                    "fuser -v " + shellQuoted(p) + " names it (package psmisc); end it, then try again");
                return;
            }
            if (state == Lock::Unknown) {
                add(Level::Note, "writer", "cannot tell whether another process writes to the keyboard: " + p.string() +
                                               " cannot be opened");
                return;
            }
        }
        add(Level::Ok, "writer", m_programRuns ? "the running Vandrel program is the only writer"
                                               : "no other process holds the keyboard");
    }

    void bus() {
        if (!m_s.bus.isConnected()) {
            add(Level::Problem, "session bus",
                "no session bus: 'vandrelctl watch', D-Bus clients and the KWin and GNOME focus reports cannot reach "
                "the program (every other command works through its socket)",
                "run it inside the desktop session, or: export "
                "DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/bus");
            return;
        }
        QDBusConnectionInterface* iface = m_s.bus.interface();
        const QString name = QString::fromLatin1(kDBusServiceName);
        const bool owned = iface && iface->isServiceRegistered(name).value();
        if (owned && m_programRuns) {
            add(Level::Ok, "session bus", std::string("the program owns ") + kDBusServiceName);
        } else if (owned) {
            const uint pid = iface->servicePid(name).value();
            add(Level::Problem, "session bus",
                std::string("another process (pid ") + std::to_string(pid) + ") owns " + kDBusServiceName +
                    ", which the program needs",
                std::string("busctl --user status ") + kDBusServiceName + " names it; end it");
        } else if (m_programRuns) {
            add(Level::Problem, "session bus",
                std::string("the running program does not own ") + kDBusServiceName +
                    " (it started without the bus, or another process held the name)",
                "quit Vandrel (its tray menu's exit) and start it again");
        } else {
            add(Level::Ok, "session bus",
                std::string("connected; ") + kDBusServiceName + " is free for the program");
        }
    }

    // What the desktop reports for the session's lights, asked as the
    // running program asks it. A source not offered is no fault: each
    // desktop offers some.
    void sessionLighting() {
        const SessionEventSource::Offers o = SessionEventSource::probe(m_s.systemBus, m_s.bus, m_s.sessionId);
        const auto source = [this](bool offered, const std::string& what, const std::string& absent) {
            if (offered) add(Level::Ok, "session", what + ": offered");
            else add(Level::Note, "session", what + ": not offered here (" + absent + ")");
        };
        source(o.loginLock, "the login manager's Lock and Unlock of this session",
               "no login manager on the system bus, or it does not know this session");
        source(o.loginSleep, "the login manager's PrepareForSleep", "no login manager on the system bus");
        source(o.screenSaver, "org.freedesktop.ScreenSaver", "KDE Plasma, Xfce and others offer it");
        source(o.gnomeScreenSaver, "org.gnome.ScreenSaver", "GNOME offers it");
        source(o.idleMonitor, "the idle monitor org.gnome.Mutter.IdleMonitor", "GNOME offers it");
        source(o.waylandIdle, "the Wayland compositor's idle notice (ext-idle-notify or KDE's idle protocol)",
               o.idleMonitor ? "the idle monitor is used instead" : "KDE Plasma and wlroots compositors offer it");
        source(o.x11Idle, "the X server's idle time (screen-saver extension)",
               o.idleMonitor || o.waylandIdle ? "another idle source is used instead"
                                              : "an X11 session with libXss offers it");
        std::string missing;
        for (const auto& [offered, name] : {std::pair{o.lockOffered(), "lock"}, std::pair{o.idleOffered(), "idle"},
                                            std::pair{o.sleepOffered(), "sleep"}})
            if (!offered) missing += (missing.empty() ? "" : ", ") + std::string(name);
        if (missing.empty()) add(Level::Ok, "session", "vandrelctl session: lock, idle and sleep all work here");
        else add(Level::Note, "session", "vandrelctl session: " + missing + " cannot work here");
    }

    void focus() {
        // The compositor is told by who owns its name on the bus the doctor
        // was given, as the program chooses its backend.
        DesktopEnvironment env = DesktopEnvironment::current();
        env.kwinOnBus = false;
        env.gnomeShellOnBus = false;
        if (m_s.bus.isConnected()) {
            QDBusConnectionInterface* owners = m_s.bus.interface();
            env.kwinOnBus = owners && owners->isServiceRegistered(QStringLiteral("org.kde.KWin")).value();
            env.gnomeShellOnBus = owners && owners->isServiceRegistered(QStringLiteral("org.gnome.Shell")).value();
        }
        const FocusDesktop desktop = chooseFocusDesktop(env);
        const std::string name = focusDesktopName(desktop).toStdString();
        switch (desktop) {
        case FocusDesktop::X11:
            add(Level::Ok, "focus", name + ": the window manager's _NET_ACTIVE_WINDOW");
            return;
        case FocusDesktop::Wlroots:
            add(Level::Ok, "focus",
                name + ": zwlr_foreign_toplevel_manager_v1, where the compositor offers it; rules with --exe do "
                       "not match here");
            return;
        case FocusDesktop::None:
            add(Level::Note, "focus", "no display: rules per application cannot switch profiles in this session");
            return;
        case FocusDesktop::KWin: kwin(name); return;
        case FocusDesktop::Gnome: gnome(name); return;
        }
    }

    void kwin(const std::string& name) {
        const fs::path script = m_s.programFolder / "desktop" / "kwin" / "vandrel-focus.js";
        if (!fs::is_regular_file(script)) {
            add(Level::Problem, "focus", name + ": the KWin script " + script.string() + " is missing",
                "install the program again (sudo apt install --reinstall vandrel, or sudo cmake --install build)");
            return;
        }
        if (!m_programRuns || !m_s.bus.isConnected()) {
            add(Level::Ok, "focus", name + ": the program loads its KWin script when it starts");
            return;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"), QStringLiteral("/Scripting"),
                                                           QStringLiteral("org.kde.kwin.Scripting"),
                                                           QStringLiteral("isScriptLoaded"));
        call << QString::fromLatin1(KWinFocusBackend::kPluginName);
        const QDBusReply<bool> loaded = m_s.bus.call(call, QDBus::Block, 2000);
        if (loaded.isValid() && loaded.value()) add(Level::Ok, "focus", name + ": the KWin script is loaded");
        else
            add(Level::Problem, "focus", name + ": the KWin script is not loaded",
                "quit Vandrel (its tray menu's exit) and start it again");
    }

    void gnome(const std::string& name) {
        const std::string uuid = GnomeFocusBackend::kUuid;
        const fs::path folder = m_s.gnomeExtensionsFolder / uuid;
        if (!fs::is_regular_file(folder / "metadata.json")) {
            add(Level::Problem, "focus",
                name + ": the Shell extension is not in " + m_s.gnomeExtensionsFolder.string() +
                    " yet (the program puts it there when it starts under GNOME)",
                "start Vandrel once, then: gnome-extensions enable " + uuid + ", and log out and back in");
            return;
        }
        if (m_s.bus.isConnected()) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                QStringLiteral("org.gnome.Shell.Extensions"), QStringLiteral("/org/gnome/Shell/Extensions"),
                QStringLiteral("org.gnome.Shell.Extensions"), QStringLiteral("GetExtensionInfo"));
            call << QString::fromStdString(uuid);
            const QDBusMessage reply = m_s.bus.call(call, QDBus::Block, 2000);
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
                const QVariantMap info = qdbus_cast<QVariantMap>(reply.arguments().constFirst());
                // The Shell's extension states: 1 is enabled and running.
                if (info.value(QStringLiteral("state")).toInt() == 1) {
                    add(Level::Ok, "focus", name + ": the Shell extension " + uuid + " is enabled");
                    return;
                }
                add(Level::Problem, "focus", name + ": the Shell extension " + uuid + " is not enabled",
                    "gnome-extensions enable " + uuid + ", then log out and back in");
                return;
            }
        }
        add(Level::Note, "focus", name + ": the Shell extension is installed; the Shell cannot be asked whether it "
                                         "is enabled (gnome-extensions info " + uuid + " tells)");
    }

    void layout() {
        const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
        std::string origin;
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !platform.startsWith(QLatin1String("xcb")))
            origin = "the keymap the Wayland compositor sends";
        else if (!qEnvironmentVariableIsEmpty("DISPLAY"))
            origin = "the X server's keyboard layout";
        if (!fs::exists(m_s.xkbRoot / "rules" / "evdev")) {
            add(Level::Problem, "layout",
                "the keyboard layouts are missing (" + (m_s.xkbRoot / "rules" / "evdev").string() +
                    "): the key legends fall back to the printed US ones",
                "sudo apt install xkb-data");
            return;
        }
        if (origin.empty())
            add(Level::Note, "layout", "no display: the key legends show the printed US layout");
        else
            add(Level::Ok, "layout", "key legends from " + origin);
    }

    void autostart() {
        const Autostart entry(QString::fromStdString(m_s.configFolder.string()), QString());
        const std::string path = entry.entryPath().toStdString();
        if (!entry.enabled()) {
            add(Level::Ok, "autostart", "off (the tray menu's \"随系统启动\" turns it on)");
            return;
        }
        // The program the entry starts must still be there.
        std::string exec;
        for (const std::string& line : lines(readText(path)))
            if (line.rfind("Exec=", 0) == 0) exec = line.substr(5);
        std::string program = exec;
        if (!program.empty() && program[0] == '"') program = program.substr(1, program.find('"', 1) - 1);
        else program = program.substr(0, program.find(' '));
        if (program.empty() || ::access(program.c_str(), X_OK) != 0) {
            add(Level::Problem, "autostart", "the entry " + path + " starts " + (program.empty() ? "nothing" : program) +
                                                 ", which is not there",
                "rm " + shellQuoted(path) + ", then turn \"随系统启动\" on again in the tray menu");
            return;
        }
        add(Level::Ok, "autostart", "on (" + path + ")");
    }

    // One data file: missing is fine (the program makes it), a wrong size
    // or something other than a file is damage.
    void dataFile(const fs::path& file, const std::function<bool(uintmax_t)>& goodSize, const std::string& expected) {
        std::error_code ec;
        const fs::file_status st = fs::status(file, ec);
        if (!fs::exists(st)) {
            add(Level::Ok, "data", file.filename().string() + ": not there yet (made at the program's first start)");
            return;
        }
        const std::string moveAside = "mv " + shellQuoted(file) + " " + shellQuoted(file.string() + ".damaged") +
                                      " (the program makes a new one)";
        if (!fs::is_regular_file(st)) {
            add(Level::Problem, "data", file.string() + " is not a regular file", moveAside);
            return;
        }
        const uintmax_t size = fs::file_size(file, ec);
        if (ec || !goodSize(size)) {
            add(Level::Problem, "data",
                file.string() + " is damaged: " + std::to_string(size) + " bytes, " + expected, moveAside);
            return;
        }
        add(Level::Ok, "data", file.filename().string() + ": " + std::to_string(size) + " bytes");
    }

    void data() {
        const fs::path& folder = m_s.dataFolder;
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) {
            add(Level::Ok, "data", folder.string() + " is not there yet (made at the program's first start)");
            return;
        }
        if (::access(folder.c_str(), W_OK | X_OK) != 0) {
            add(Level::Problem, "data", folder.string() + " cannot be written by " + m_s.userName,
                "sudo chown -R " + m_s.userName + " " + shellQuoted(folder));
            return;
        }
        add(Level::Ok, "data", "folder " + folder.string());
        dataFile(KeymapFilePath(folder), [](uintmax_t n) { return n == kKeymapFileBytes; },
                 "expected " + std::to_string(kKeymapFileBytes));
        dataFile(folder / kMacroFileName, [](uintmax_t n) { return n == sizeof(MacroStore); },
                 "expected " + std::to_string(sizeof(MacroStore)));
        const fs::path gameMode = folder / GameModeMemory::kFileName;
        if (fs::exists(fs::symlink_status(gameMode, ec))) {
            std::string v = readText(gameMode, 64);
            while (!v.empty() && std::isspace(static_cast<unsigned char>(v.back()))) v.pop_back();
            if (v == "on" || v == "off") add(Level::Ok, "data", std::string(GameModeMemory::kFileName) + ": " + v);
            else
                add(Level::Problem, "data", gameMode.string() + " is damaged: it holds neither on nor off",
                    "rm " + shellQuoted(gameMode) + " (saving in the program writes it again)");
        }
        if (m_s.demo) {
            const fs::path state = folder / kDemoStateFileName;
            if (fs::exists(fs::symlink_status(state, ec))) {
                if (SimStateFile(state).read())
                    add(Level::Ok, "data", std::string(kDemoStateFileName) + ": " +
                                               std::to_string(fs::file_size(state, ec)) + " bytes");
                else
                    add(Level::Problem, "data", state.string() + " is damaged",
                        "vandrelctl --demo reset --yes (the demo then starts in its factory state)");
            }
        }
        profiles(folder / kProfileFolderName);
        const fs::path history = folder / kSnapshotFolderName;
        size_t snapshots = 0;
        for (auto it = fs::directory_iterator(history, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
            ++snapshots;
        if (fs::is_directory(history, ec))
            add(Level::Ok, "data", std::string(kSnapshotFolderName) + ": " + std::to_string(snapshots) + " snapshot" +
                                       (snapshots == 1 ? "" : "s"));
    }

    void profiles(const fs::path& folder) {
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) return;
        size_t good = 0;
        std::vector<std::string> bad;
        for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
            if (it->path().extension() != ".bin") continue;
            std::error_code sizeError;
            const uintmax_t size = fs::file_size(it->path(), sizeError);
            if (!sizeError && fs::is_regular_file(it->path(), sizeError) && IsProfileFileSize(size)) ++good;
            else bad.push_back(it->path().filename().string());
        }
        add(Level::Ok, "data", std::string(kProfileFolderName) + ": " + std::to_string(good) + " profile" +
                                   (good == 1 ? "" : "s") + (good > kMaxProfiles ? " (the dialog lists six)" : ""));
        std::sort(bad.begin(), bad.end());
        for (const std::string& name : bad)
            add(Level::Problem, "data",
                (folder / name).string() + " is not a profile (wrong size or not a file); the profile dialog skips it",
                "mv " + shellQuoted(folder / name) + " " + shellQuoted(folder / (name + ".damaged")));
    }

    const DoctorSetup& m_s;
    std::vector<DoctorFinding> m_out;
    std::vector<KeyboardNode> m_nodes;
    std::string m_runtime;
    std::string m_runtimeProblem;
    bool m_programRuns = false;
};

}  // namespace

DoctorSetup DoctorSetup::forCurrentUser(fs::path programFolder, fs::path dataFolder, bool demo) {
    DoctorSetup s;
    s.programFolder = std::move(programFolder);
    s.dataFolder = std::move(dataFolder);
    s.demo = demo;
    const QString xkb = qEnvironmentVariable("XKB_CONFIG_ROOT");
    if (!xkb.isEmpty()) s.xkbRoot = xkb.toStdString();
    s.configFolder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdString();
    s.gnomeExtensionsFolder =
        (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/gnome-shell/extensions"))
            .toStdString();
    const passwd* pw = ::getpwuid(::getuid());
    s.userName = pw ? pw->pw_name : std::to_string(::getuid());
    s.root = ::geteuid() == 0;
    const int n = ::getgroups(0, nullptr);
    std::vector<gid_t> gids(static_cast<size_t>(std::max(n, 0)));
    if (n > 0 && ::getgroups(n, gids.data()) == n)
        for (gid_t g : gids) s.groups.push_back(g);
    s.groups.push_back(::getegid());
    s.canReadWrite = [](const fs::path& node) { return ::access(node.c_str(), R_OK | W_OK) == 0; };
    s.bus = QDBusConnection::sessionBus();
    s.systemBus = QDBusConnection::systemBus();
    s.sessionId = qEnvironmentVariable("XDG_SESSION_ID");
    return s;
}

std::vector<DoctorFinding> runDoctorChecks(const DoctorSetup& setup) { return Checks(setup).run(); }

int printDoctorReport(const std::vector<DoctorFinding>& findings, std::ostream& out) {
    bool wrong = false;
    for (const DoctorFinding& f : findings) {
        const char* mark = f.level == Level::Ok ? "ok     " : f.level == Level::Note ? "note   " : "PROBLEM";
        out << mark << "  " << f.topic << ": " << f.text << "\n";
        if (f.level == Level::Problem) {
            wrong = true;
            out << "         fix: " << f.fix << "\n";
        }
    }
    out << (wrong ? "Something needs fixing: see the PROBLEM lines above.\n" : "All is well.\n");
    return wrong ? 1 : 0;
}

}  // namespace vandrel::ctl

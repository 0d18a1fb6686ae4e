// Following the focused window on each desktop, fed with what that desktop
// sends: the X server's property changes as recorded under openbox, and the
// choice of a backend from the session's environment.

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "platform/focus/FocusBackendChoice.h"
#include "platform/focus/X11FocusTracker.h"

namespace vandrel {
namespace {

std::vector<uint8_t> bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }
std::vector<uint8_t> card32(std::initializer_list<uint32_t> values) {
    std::vector<uint8_t> v;
    v.resize(values.size() * 4);
    std::memcpy(v.data(), values.begin(), v.size());
    return v;
}

// An X server's windows and properties, as a recording gives them.
class RecordedServer : public X11Properties {
public:
    std::optional<std::vector<uint8_t>> get(uint32_t window, X11Atom property) override {
        ++reads;
        if (window != kRootWindow) log.push_back("read " + std::to_string(window));
        auto it = values.find({window, property});
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
    uint32_t atom(X11Atom which) override { return 300 + static_cast<uint32_t>(which); }
    void watch(uint32_t window, bool on) override {
        log.push_back((on ? "watch " : "unwatch ") + std::to_string(window));
    }

    std::map<std::pair<uint32_t, X11Atom>, std::vector<uint8_t>> values;
    int reads = 0;
    std::vector<std::string> log;
    static constexpr uint32_t kRootWindow = 0x3a5;
};

constexpr uint32_t kRoot = RecordedServer::kRootWindow;
constexpr uint32_t kXmessage = 0x400030;
constexpr uint32_t kBrowser = 0x1200007;
constexpr uint32_t kRemote = 0x1400003;
constexpr uint32_t kDesktop = 0xa00004;

class X11TrackerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // xmessage under openbox, as xprop showed it: no _NET_WM_NAME, no _NET_WM_PID.
        x.values[{kXmessage, X11Atom::WmClass}] = bytes(std::string("xmessage\0Xmessage\0", 18));
        x.values[{kXmessage, X11Atom::WmName}] = bytes("xmessage");
        x.values[{kXmessage, X11Atom::WmClientMachine}] = bytes("vm");
        // A browser with a UTF-8 title and its process.
        x.values[{kBrowser, X11Atom::WmClass}] = bytes(std::string("Navigator\0firefox-esr\0", 22));
        x.values[{kBrowser, X11Atom::NetWmName}] = bytes("Vandrel — 配置");
        x.values[{kBrowser, X11Atom::WmName}] = bytes("Vandrel - old title");
        x.values[{kBrowser, X11Atom::NetWmPid}] = card32({4242});
        x.values[{kBrowser, X11Atom::WmClientMachine}] = bytes("vm");
        // A window of a program on another machine (ssh -X): its pid means nothing here.
        x.values[{kRemote, X11Atom::WmClass}] = bytes(std::string("game\0Game\0", 10));
        x.values[{kRemote, X11Atom::NetWmPid}] = card32({4242});
        x.values[{kRemote, X11Atom::WmClientMachine}] = bytes("otherhost");
        // The file manager's desktop window.
        x.values[{kDesktop, X11Atom::WmClass}] = bytes(std::string("desktop_window\0Nautilus\0", 24));
        x.values[{kDesktop, X11Atom::NetWmWindowType}] = card32({x.atom(X11Atom::NetWmWindowTypeDesktop)});
    }

    void activate(uint32_t window) { x.values[{kRoot, X11Atom::NetActiveWindow}] = card32({window}); }
    std::optional<FocusEvent> rootChanged() { return tracker.propertyChanged(kRoot, x.atom(X11Atom::NetActiveWindow)); }

    RecordedServer x;
    std::map<int64_t, std::string> processes{{4242, "/usr/lib/firefox-esr/firefox-esr"}};
    X11FocusTracker tracker{x, kRoot, [this](int64_t pid) { return processes[pid]; }, "vm"};
};

TEST_F(X11TrackerTest, TheActiveWindowIsDescribedFromItsProperties) {
    activate(kXmessage);
    auto e = tracker.refresh();
    ASSERT_TRUE(e);
    EXPECT_EQ(e->windowClass, "Xmessage");
    EXPECT_EQ(e->instance, "xmessage");
    EXPECT_EQ(e->title, "xmessage");
    EXPECT_EQ(e->pid, 0);
    EXPECT_EQ(e->exe, "");
    EXPECT_FALSE(e->isDesktop);
    EXPECT_TRUE(ruleMatches({"xmessage", "", "", "P"}, *e));

    activate(kBrowser);
    e = rootChanged();
    ASSERT_TRUE(e);
    EXPECT_EQ(e->windowClass, "firefox-esr");
    EXPECT_EQ(e->title, "Vandrel — 配置");  // _NET_WM_NAME wins over WM_NAME
    EXPECT_EQ(e->pid, 4242);
    EXPECT_EQ(e->exe, "/usr/lib/firefox-esr/firefox-esr");

    activate(kRemote);
    e = rootChanged();
    ASSERT_TRUE(e);
    EXPECT_EQ(e->pid, 0);
    EXPECT_EQ(e->exe, "");

    activate(kDesktop);
    e = rootChanged();
    ASSERT_TRUE(e);
    EXPECT_TRUE(e->isDesktop);

    // No active window (the last one closed): the desktop.
    activate(0);
    e = rootChanged();
    ASSERT_TRUE(e);
    EXPECT_TRUE(e->isDesktop);
    EXPECT_EQ(e->windowClass, "");
}

TEST_F(X11TrackerTest, OnlyChangesThatTheRulesSeeAreReported) {
    activate(kBrowser);
    ASSERT_TRUE(tracker.refresh());
    EXPECT_EQ(tracker.activeWindow(), kBrowser);
    // The window is watched before it is read: a title set in between is not missed.
    ASSERT_FALSE(x.log.empty());
    EXPECT_EQ(x.log.front(), "watch " + std::to_string(kBrowser));
    activate(kXmessage);
    x.log.clear();
    ASSERT_TRUE(rootChanged());
    ASSERT_GE(x.log.size(), 3u);
    EXPECT_EQ(x.log[0], "unwatch " + std::to_string(kBrowser));
    EXPECT_EQ(x.log[1], "watch " + std::to_string(kXmessage));
    activate(kBrowser);
    ASSERT_TRUE(rootChanged());
    // The same window again, another root property, a property of a window
    // that is not active: nothing new.
    EXPECT_FALSE(rootChanged());
    EXPECT_FALSE(tracker.propertyChanged(kRoot, 999));
    EXPECT_FALSE(tracker.propertyChanged(kXmessage, x.atom(X11Atom::WmName)));
    // The active window's title changes (a browser tab): reported.
    x.values[{kBrowser, X11Atom::NetWmName}] = bytes("Counter-Strike 2 — Twitch");
    auto e = tracker.propertyChanged(kBrowser, x.atom(X11Atom::NetWmName));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->title, "Counter-Strike 2 — Twitch");
    EXPECT_FALSE(tracker.propertyChanged(kBrowser, x.atom(X11Atom::NetWmName)));
    // A window that went away between the change and the read: no
    // properties, so an unnamed window that no rule matches.
    activate(0xdead);
    e = rootChanged();
    ASSERT_TRUE(e);
    EXPECT_FALSE(e->isDesktop);
    EXPECT_EQ(e->windowClass, "");
}

TEST(FocusBackendChoice, TheDesktopDecides) {
    struct Case {
        DesktopEnvironment env;
        FocusDesktop expected;
    } cases[] = {
        {{"x11", "XFCE", "", ":0"}, FocusDesktop::X11},
        {{"x11", "KDE", "", ":0", true, false}, FocusDesktop::X11},
        {{"", "", "", ":77"}, FocusDesktop::X11},
        // On Wayland the X server sees only XWayland's windows: never X11 there.
        {{"wayland", "KDE", "wayland-0", ":1", true, false}, FocusDesktop::KWin},
        {{"wayland", "ubuntu:GNOME", "wayland-0", ":0", false, true}, FocusDesktop::Gnome},
        {{"wayland", "GNOME-Classic:GNOME", "wayland-0", "", false, true}, FocusDesktop::Gnome},
        {{"wayland", "sway", "wayland-1", ":0"}, FocusDesktop::Wlroots},
        {{"", "Hyprland", "wayland-1", ""}, FocusDesktop::Wlroots},
        // The compositor on the bus decides, whatever the desktop's name says:
        // Budgie on labwc names GNOME, LXQt runs on kwin_wayland.
        {{"wayland", "Budgie:GNOME", "wayland-0", ":0"}, FocusDesktop::Wlroots},
        {{"wayland", "LXQt", "wayland-0", ":0", true, false}, FocusDesktop::KWin},
        {{"wayland", "KDE", "wayland-0", ""}, FocusDesktop::Wlroots},
        {{"tty", "", "", ""}, FocusDesktop::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(chooseFocusDesktop(c.env), c.expected) << c.env.currentDesktop << " " << c.env.sessionType;
}

}  // namespace
}  // namespace vandrel

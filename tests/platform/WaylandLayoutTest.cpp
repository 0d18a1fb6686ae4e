// The Wayland keyboard layout against a compositor played by the test: it
// offers a seat with a keyboard, sends keymaps, and reports the focus and the
// active group only to the client whose surface has the focus, as real
// compositors do. The test plays the toolkit too: its connection has a
// surface, and the test dispatches that connection's events.

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <wayland-server.h>
#include <xkbcommon/xkbcommon.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "layout/KeyLegends.h"
#include "platform/KeyboardLayoutSource.h"
#include "TestApp.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

using namespace vandrel;

namespace {

// A keymap in XKB's text form, as a compositor sends it.
std::string keymapText(const char* layouts) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    const xkb_rule_names names{"evdev", "pc105", layouts, "", ""};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    std::string text;
    if (keymap) {
        char* s = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
        text = s;
        std::free(s);
        xkb_keymap_unref(keymap);
    }
    xkb_context_unref(context);
    return text;
}

class Compositor {
public:
    // Listens in a folder of its own; WAYLAND_DISPLAY and XDG_RUNTIME_DIR
    // point there while it lives, so that a connection of the watcher's own
    // reaches it too.
    explicit Compositor(const char* layouts, bool keyboard = true)
        : m_runtime("XDG_RUNTIME_DIR", m_folder.path().string()), m_socket("WAYLAND_DISPLAY", "wayland-test"),
          m_keymap(keymapText(layouts)), m_hasKeyboard(keyboard) {
        display = wl_display_create();
        wl_global_create(display, &wl_compositor_interface, 1, this, bindCompositor);
        wl_global_create(display, &wl_seat_interface, 5, this, bindSeat);
        wl_display_add_socket(display, "wayland-test");
        m_thread = std::thread([this] {
            wl_event_loop* loop = wl_display_get_event_loop(display);
            while (!m_stop) {
                wl_event_loop_dispatch(loop, 5);
                std::vector<std::function<void()>> tasks;
                {
                    std::lock_guard<std::mutex> g(m_lock);
                    tasks.swap(m_tasks);
                }
                for (auto& task : tasks) task();
                wl_display_flush_clients(display);
                if (!tasks.empty()) {
                    std::lock_guard<std::mutex> g(m_lock);
                    m_done += tasks.size();
                    m_doneChanged.notify_all();
                }
            }
        });
    }
    ~Compositor() {
        m_stop = true;
        m_thread.join();
        wl_display_destroy_clients(display);
        wl_display_destroy(display);
    }

    // Gives the keyboard focus to `client`'s last surface (nullptr: to no
    // client) and reports `group` to it.
    void focus(wl_client* client, uint32_t group) {
        run([=] {
            for (wl_resource* k : m_keyboards)
                if (m_focus && wl_resource_get_client(k) == m_focus)
                    wl_keyboard_send_leave(k, ++m_serial, m_surfaces[m_focus]);
            m_focus = client;
            m_group = group;
            for (wl_resource* k : m_keyboards) sendFocus(k);
        });
    }
    // A layout switch: the new group goes to the focused client alone.
    void switchGroup(uint32_t group) {
        run([=] {
            m_group = group;
            for (wl_resource* k : m_keyboards)
                if (m_focus && wl_resource_get_client(k) == m_focus)
                    wl_keyboard_send_modifiers(k, ++m_serial, 0, 0, 0, m_group);
        });
    }
    // A new keymap (setxkbmap, another list of layouts) goes to every keyboard.
    void setKeymap(const char* layouts) {
        const std::string text = keymapText(layouts);
        run([=] {
            m_keymap = text;
            for (wl_resource* k : m_keyboards) sendKeymap(k);
        });
    }
    // The client that made the n-th window, in the order they were made.
    wl_client* windowClient(size_t n) {
        wl_client* found = nullptr;
        run([&] { found = n < m_windowClients.size() ? m_windowClients[n] : nullptr; });
        return found;
    }

    wl_display* display = nullptr;

private:
    // Runs `task` on the compositor's thread and waits for it.
    void run(std::function<void()> task) {
        std::unique_lock<std::mutex> g(m_lock);
        m_tasks.push_back(std::move(task));
        const size_t want = m_done + m_tasks.size();
        m_doneChanged.wait(g, [&] { return m_done >= want; });
    }

    void sendKeymap(wl_resource* keyboard) {
        const int fd = memfd_create("keymap", MFD_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, m_keymap.c_str(), m_keymap.size() + 1), static_cast<ssize_t>(m_keymap.size() + 1));
        wl_keyboard_send_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, m_keymap.size() + 1);
        close(fd);
    }
    void sendFocus(wl_resource* keyboard) {
        if (!m_focus || wl_resource_get_client(keyboard) != m_focus) return;
        wl_array keys;
        wl_array_init(&keys);
        wl_keyboard_send_enter(keyboard, ++m_serial, m_surfaces[m_focus], &keys);
        wl_array_release(&keys);
        wl_keyboard_send_modifiers(keyboard, ++m_serial, 0, 0, 0, m_group);
    }

    static Compositor* self(wl_resource* r) { return static_cast<Compositor*>(wl_resource_get_user_data(r)); }

    static void bindCompositor(wl_client* client, void* data, uint32_t version, uint32_t id) {
        static const struct wl_compositor_interface impl = {
            [](wl_client* c, wl_resource* r, uint32_t id) {
                wl_resource* surface = wl_resource_create(c, &wl_surface_interface, 1, id);
                static const struct wl_surface_interface surfaceImpl = {
                    [](wl_client*, wl_resource* s) { wl_resource_destroy(s); }, nullptr, nullptr, nullptr,
                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
                wl_resource_set_implementation(surface, &surfaceImpl, nullptr, nullptr);
                self(r)->m_surfaces[c] = surface;
                self(r)->m_windowClients.push_back(c);
            },
            nullptr};
        wl_resource* r = wl_resource_create(client, &wl_compositor_interface, version, id);
        wl_resource_set_implementation(r, &impl, data, nullptr);
    }

    static void bindSeat(wl_client* client, void* data, uint32_t version, uint32_t id) {
        static const struct wl_seat_interface impl = {
            nullptr,
            [](wl_client* c, wl_resource* seat, uint32_t id) {
                Compositor* comp = self(seat);
                wl_resource* k = wl_resource_create(c, &wl_keyboard_interface, wl_resource_get_version(seat), id);
                static const struct wl_keyboard_interface keyboardImpl = {
                    [](wl_client*, wl_resource* k) { wl_resource_destroy(k); }};
                wl_resource_set_implementation(k, &keyboardImpl, comp, [](wl_resource* k) {
                    auto& all = self(k)->m_keyboards;
                    for (auto it = all.begin(); it != all.end(); ++it)
                        if (*it == k) {
                            all.erase(it);
                            break;
                        }
                });
                comp->m_keyboards.push_back(k);
                comp->sendKeymap(k);
                comp->sendFocus(k);
            },
            nullptr, [](wl_client*, wl_resource* r) { wl_resource_destroy(r); }};
        wl_resource* r = wl_resource_create(client, &wl_seat_interface, version, id);
        wl_resource_set_implementation(r, &impl, data, nullptr);
        wl_seat_send_capabilities(r, static_cast<Compositor*>(data)->m_hasKeyboard ? WL_SEAT_CAPABILITY_KEYBOARD : 0);
    }

    test::TempFolder m_folder;
    test::ScopedEnvironment m_runtime, m_socket;
    std::string m_keymap;
    bool m_hasKeyboard;
    // Used on the compositor's thread only.
    std::vector<wl_resource*> m_keyboards;
    std::map<wl_client*, wl_resource*> m_surfaces;
    std::vector<wl_client*> m_windowClients;
    wl_client* m_focus = nullptr;
    uint32_t m_group = 0;
    uint32_t m_serial = 0;

    std::mutex m_lock;
    std::condition_variable m_doneChanged;
    std::vector<std::function<void()>> m_tasks;
    size_t m_done = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// The toolkit's connection with one window's surface; the test dispatches
// its events as the toolkit would.
struct Program {
    Program() {
        display = wl_display_connect(nullptr);
        if (!display) return;
        registry = wl_display_get_registry(display);
        static const wl_registry_listener listener = {
            [](void* data, wl_registry* r, uint32_t name, const char* interface, uint32_t) {
                if (!std::strcmp(interface, "wl_compositor"))
                    static_cast<Program*>(data)->compositor =
                        static_cast<wl_compositor*>(wl_registry_bind(r, name, &wl_compositor_interface, 1));
            },
            [](void*, wl_registry*, uint32_t) {}};
        wl_registry_add_listener(registry, &listener, this);
        wl_display_roundtrip(display);
        surface = wl_compositor_create_surface(compositor);
        wl_display_roundtrip(display);
    }
    ~Program() {
        if (!display) return;
        wl_surface_destroy(surface);
        wl_compositor_destroy(compositor);
        wl_registry_destroy(registry);
        wl_display_disconnect(display);
    }
    void dispatch() { ASSERT_GE(wl_display_roundtrip(display), 0); }

    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_surface* surface = nullptr;
};

// What the key left of U types: Y in US, Z in German.
std::u32string yKey(LayoutWatcher& w) { return keyCapLegend(w.layout(), 21); }

}  // namespace

TEST(WaylandLayout, FollowsTheGroupTheCompositorReportsToTheProgramsWindow) {
    Compositor compositor("us,de");
    Program program;
    ASSERT_NE(program.display, nullptr);
    auto watcher = makeWaylandLayoutWatcher(program.display);
    ASSERT_NE(watcher, nullptr);
    int notices = 0;
    watcher->changed = [&] { ++notices; };
    EXPECT_EQ(yKey(*watcher), U"Y");

    // The window gets the focus with German active, then a switch back to US.
    compositor.focus(compositor.windowClient(0), 1);
    program.dispatch();
    EXPECT_EQ(yKey(*watcher), U"Z");
    EXPECT_GT(notices, 0);
    compositor.switchGroup(0);
    program.dispatch();
    EXPECT_EQ(yKey(*watcher), U"Y");

    // A switch made while another program has the focus is not told to this
    // one: it arrives when the focus comes back.
    Program other;
    compositor.focus(compositor.windowClient(1), 0);
    compositor.switchGroup(1);
    program.dispatch();
    EXPECT_EQ(yKey(*watcher), U"Y");
    compositor.focus(compositor.windowClient(0), 1);
    program.dispatch();
    EXPECT_EQ(yKey(*watcher), U"Z");
}

TEST(WaylandLayout, StartsOnTheGroupOfAWindowThatAlreadyHasTheFocus) {
    Compositor compositor("us,de");
    Program program;
    ASSERT_NE(program.display, nullptr);
    compositor.focus(compositor.windowClient(0), 1);
    program.dispatch();
    // Known as soon as the watcher is made, before the toolkit dispatches again.
    auto watcher = makeWaylandLayoutWatcher(program.display);
    ASSERT_NE(watcher, nullptr);
    EXPECT_EQ(yKey(*watcher), U"Z");
}

TEST(WaylandLayout, ANewKeymapReplacesTheOldOneAndAGroupItLacksCountsAsItsFirst) {
    Compositor compositor("us,de");
    Program program;
    ASSERT_NE(program.display, nullptr);
    auto watcher = makeWaylandLayoutWatcher(program.display);
    ASSERT_NE(watcher, nullptr);
    compositor.focus(compositor.windowClient(0), 1);
    program.dispatch();
    ASSERT_EQ(yKey(*watcher), U"Z");

    compositor.setKeymap("fr");
    program.dispatch();
    // The key right of Tab types A in French.
    EXPECT_EQ(keyCapLegend(watcher->layout(), 16), U"A");
    EXPECT_EQ(yKey(*watcher), U"Y");
}

TEST(WaylandLayout, WithoutTheToolkitsConnectionAConnectionOfItsOwnGetsTheKeymap) {
    test::app();
    {
        Compositor compositor("de");
        auto watcher = makeWaylandLayoutWatcher(nullptr);
        ASSERT_NE(watcher, nullptr);
        EXPECT_EQ(yKey(*watcher), U"Z");
    }
    // A seat without a keyboard (a headless compositor) gives no layout.
    Compositor keyboardless("de", false);
    Program program;
    ASSERT_NE(program.display, nullptr);
    EXPECT_EQ(makeWaylandLayoutWatcher(program.display), nullptr);
    EXPECT_EQ(makeWaylandLayoutWatcher(nullptr), nullptr);
}

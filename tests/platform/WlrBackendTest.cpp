// The wlroots backend against a compositor of the test's own: a Wayland
// server (libwayland-server) that offers zwlr_foreign_toplevel_manager_v1 and
// sends the events sway or Hyprland send as windows open, take the focus,
// change their title and close.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <wayland-server.h>

#include "platform/focus/ForeignToplevelTracker.h"
#include "platform/focus/WlrFocusBackend.h"
#include "tests/app/TempFolder.h"
#include "tests/platform/TestApp.h"
#include "wlr-foreign-toplevel-management-unstable-v1-server-protocol.h"

namespace vandrel {
namespace {

class FakeCompositor {
public:
    struct Window {
        std::string appId, title;
        bool active = false;
        wl_resource* handle = nullptr;
    };

    FakeCompositor(const std::string& socket, bool offerManager, std::vector<Window> open = {})
        : m_windows(std::move(open)) {
        m_display = wl_display_create();
        wl_display_add_socket(m_display, socket.c_str());
        if (offerManager)
            wl_global_create(m_display, &zwlr_foreign_toplevel_manager_v1_interface, 3, this, &FakeCompositor::bind);
        m_thread = std::thread([this] {
            wl_event_loop* loop = wl_display_get_event_loop(m_display);
            while (m_running) {
                wl_event_loop_dispatch(loop, 10);
                std::deque<std::function<void()>> jobs;
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    jobs.swap(m_jobs);
                }
                for (auto& job : jobs) job();
                wl_display_flush_clients(m_display);
            }
        });
    }
    ~FakeCompositor() {
        m_running = false;
        m_thread.join();
        wl_display_destroy_clients(m_display);
        wl_display_destroy(m_display);
    }

    // Runs on the compositor's thread.
    void post(std::function<void()> job) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    void setActive(size_t i, bool active) {
        post([this, i, active] {
            m_windows[i].active = active;
            sendState(m_windows[i]);
            zwlr_foreign_toplevel_handle_v1_send_done(m_windows[i].handle);
        });
    }
    void setTitle(size_t i, std::string title) {
        post([this, i, title] {
            zwlr_foreign_toplevel_handle_v1_send_title(m_windows[i].handle, title.c_str());
            zwlr_foreign_toplevel_handle_v1_send_done(m_windows[i].handle);
        });
    }
    void close(size_t i) {
        post([this, i] { zwlr_foreign_toplevel_handle_v1_send_closed(m_windows[i].handle); });
    }

private:
    static void sendState(Window& w) {
        wl_array states;
        wl_array_init(&states);
        if (w.active) *static_cast<uint32_t*>(wl_array_add(&states, sizeof(uint32_t))) = 2;
        zwlr_foreign_toplevel_handle_v1_send_state(w.handle, &states);
        wl_array_release(&states);
    }
    static void destroyHandle(wl_client*, wl_resource* r) { wl_resource_destroy(r); }
    static void stop(wl_client*, wl_resource* r) { zwlr_foreign_toplevel_manager_v1_send_finished(r); }

    static void bind(wl_client* client, void* data, uint32_t version, uint32_t id) {
        static const struct zwlr_foreign_toplevel_manager_v1_interface managerImpl = {stop};
        static const struct zwlr_foreign_toplevel_handle_v1_interface handleImpl = {
            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, destroyHandle, nullptr, nullptr};
        auto* self = static_cast<FakeCompositor*>(data);
        wl_resource* manager = wl_resource_create(client, &zwlr_foreign_toplevel_manager_v1_interface, version, id);
        wl_resource_set_implementation(manager, &managerImpl, self, nullptr);
        // The windows already open are announced at once, each with its details.
        for (Window& w : self->m_windows) {
            w.handle = wl_resource_create(client, &zwlr_foreign_toplevel_handle_v1_interface, version, 0);
            wl_resource_set_implementation(w.handle, &handleImpl, self, nullptr);
            zwlr_foreign_toplevel_manager_v1_send_toplevel(manager, w.handle);
            zwlr_foreign_toplevel_handle_v1_send_app_id(w.handle, w.appId.c_str());
            zwlr_foreign_toplevel_handle_v1_send_title(w.handle, w.title.c_str());
            sendState(w);
            zwlr_foreign_toplevel_handle_v1_send_done(w.handle);
        }
    }

    wl_display* m_display = nullptr;
    std::vector<Window> m_windows;
    std::atomic<bool> m_running{true};
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_jobs;
    std::thread m_thread;
};

class WlrBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::app();
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.path().string()));
    }
    test::TempFolder runtime;
};

TEST_F(WlrBackendTest, TheActivatedWindowIsFollowed) {
    FakeCompositor sway("wayland-test-1", true,
                        {{"foot", "~", true, nullptr}, {"firefox", "Start Page", false, nullptr}});
    WlrFocusBackend backend(QStringLiteral("wayland-test-1"));
    QSignalSpy focus(&backend, &FocusBackend::focusChanged);
    QSignalSpy stopped(&backend, &FocusBackend::stopped);
    QString why;
    ASSERT_TRUE(backend.start(&why)) << why.toStdString();
    // The window active when the program starts.
    ASSERT_TRUE(QTest::qWaitFor([&] { return focus.count() >= 1; }, 5000));
    EXPECT_EQ(focus.last()[0].value<FocusEvent>().windowClass, "foot");

    // Focus moves to Firefox: first the terminal loses "activated", then Firefox gains it.
    sway.setActive(0, false);
    sway.setActive(1, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return focus.last()[0].value<FocusEvent>().windowClass == "firefox"; }, 5000));
    EXPECT_EQ(focus.last()[0].value<FocusEvent>().title, "Start Page");
    const int before = focus.count();
    sway.setTitle(1, "Twitch");
    ASSERT_TRUE(QTest::qWaitFor([&] { return focus.count() == before + 1; }, 5000));
    EXPECT_EQ(focus.last()[0].value<FocusEvent>().title, "Twitch");
    sway.close(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return focus.last()[0].value<FocusEvent>().isDesktop; }, 5000));
    EXPECT_EQ(stopped.count(), 0);
}

TEST_F(WlrBackendTest, ACompositorWithoutTheProtocolOrAGoneOneIsSaid) {
    {
        FakeCompositor other("wayland-test-2", false);
        WlrFocusBackend backend(QStringLiteral("wayland-test-2"));
        QString why;
        EXPECT_FALSE(backend.start(&why));
        EXPECT_NE(why.indexOf(QStringLiteral("zwlr_foreign_toplevel_manager_v1")), -1);
    }
    WlrFocusBackend nobody(QStringLiteral("wayland-test-none"));
    QString why;
    EXPECT_FALSE(nobody.start(&why));

    auto sway = std::make_unique<FakeCompositor>("wayland-test-3", true);
    WlrFocusBackend backend(QStringLiteral("wayland-test-3"));
    QSignalSpy stopped(&backend, &FocusBackend::stopped);
    ASSERT_TRUE(backend.start(&why));
    sway.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stopped.count() == 1; }, 5000));
}

TEST(ForeignToplevelTracker, ChangesCountAtDone) {
    ForeignToplevelTracker t;
    t.appId(1, "foot");
    t.title(1, "~");
    t.state(1, {2});
    auto e = t.done(1);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->windowClass, "foot");
    // A title without its done is not seen yet; a state of another window
    // that does not include activated changes nothing.
    t.title(1, "vim");
    t.appId(2, "firefox");
    t.state(2, {0, 3});
    EXPECT_FALSE(t.done(2));
    e = t.done(1);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->title, "vim");
    // Minimising the focused window leaves nothing focused.
    t.state(1, {1});
    e = t.done(1);
    ASSERT_TRUE(e);
    EXPECT_TRUE(e->isDesktop);
    EXPECT_FALSE(t.closed(2));
}

}  // namespace
}  // namespace vandrel

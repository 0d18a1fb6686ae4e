// The program's Wayland requests against a small compositor in the test: it
// offers a seat, surfaces, and (when a case wants them) the shortcut
// inhibition and activation protocols, answers as the case says and records
// what it was asked.

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <wayland-client.h>
#include <wayland-server.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "keyboard-shortcuts-inhibit-unstable-v1-server-protocol.h"
#include "platform/WaylandClient.h"
#include "xdg-activation-v1-server-protocol.h"

using namespace vandrel;

namespace {

struct Compositor {
    enum class Answer { Active, Inactive, Silent };

    struct Options {
        bool inhibitProtocol = true;
        bool activationProtocol = true;
        Answer answer = Answer::Active;
    };

    explicit Compositor(Options o) : options(o) {
        display = wl_display_create();
        wl_global_create(display, &wl_compositor_interface, 1, this, bindCompositor);
        wl_global_create(display, &wl_seat_interface, 1, this, bindSeat);
        if (options.inhibitProtocol)
            wl_global_create(display, &zwp_keyboard_shortcuts_inhibit_manager_v1_interface, 1, this, bindInhibit);
        if (options.activationProtocol)
            wl_global_create(display, &xdg_activation_v1_interface, 1, this, bindActivation);
        int fds[2];
        socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds);
        wl_client_create(display, fds[0]);
        clientFd = fds[1];
        thread = std::thread([this] {
            wl_event_loop* loop = wl_display_get_event_loop(display);
            while (!stop) {
                wl_event_loop_dispatch(loop, 10);
                wl_display_flush_clients(display);
            }
        });
    }
    ~Compositor() {
        stop = true;
        thread.join();
        wl_display_destroy_clients(display);
        wl_display_destroy(display);
    }

    // What the client asked, guarded by `lock`.
    std::mutex lock;
    std::vector<wl_resource*> surfaces, seats;
    int inhibitRequests = 0, inhibitorsAlive = 0;
    wl_resource* inhibitedSurface = nullptr;
    wl_resource* inhibitedSeat = nullptr;
    std::vector<std::string> activations;
    wl_resource* activatedSurface = nullptr;

    Options options;
    wl_display* display = nullptr;
    int clientFd = -1;
    std::atomic<bool> stop{false};
    std::thread thread;

private:
    static Compositor* self(wl_resource* r) { return static_cast<Compositor*>(wl_resource_get_user_data(r)); }

    static void bindCompositor(wl_client* client, void* data, uint32_t version, uint32_t id) {
        static const struct wl_compositor_interface impl = {
            [](wl_client* c, wl_resource* r, uint32_t id) {
                wl_resource* surface = wl_resource_create(c, &wl_surface_interface, 1, id);
                static const struct wl_surface_interface surfaceImpl = {
                    [](wl_client*, wl_resource* s) { wl_resource_destroy(s); }, nullptr, nullptr, nullptr,
                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
                wl_resource_set_implementation(surface, &surfaceImpl, nullptr, nullptr);
                std::lock_guard<std::mutex> g(self(r)->lock);
                self(r)->surfaces.push_back(surface);
            },
            nullptr};
        wl_resource* r = wl_resource_create(client, &wl_compositor_interface, version, id);
        wl_resource_set_implementation(r, &impl, data, nullptr);
    }

    static void bindSeat(wl_client* client, void* data, uint32_t version, uint32_t id) {
        wl_resource* r = wl_resource_create(client, &wl_seat_interface, version, id);
        wl_resource_set_implementation(r, nullptr, data, nullptr);
        std::lock_guard<std::mutex> g(static_cast<Compositor*>(data)->lock);
        static_cast<Compositor*>(data)->seats.push_back(r);
    }

    static void bindInhibit(wl_client* client, void* data, uint32_t version, uint32_t id) {
        static const struct zwp_keyboard_shortcuts_inhibit_manager_v1_interface impl = {
            [](wl_client*, wl_resource* r) { wl_resource_destroy(r); },
            [](wl_client* c, wl_resource* r, uint32_t id, wl_resource* surface, wl_resource* seat) {
                Compositor* comp = self(r);
                {
                    std::lock_guard<std::mutex> g(comp->lock);
                    if (comp->inhibitorsAlive > 0) {
                        wl_resource_post_error(r, ZWP_KEYBOARD_SHORTCUTS_INHIBIT_MANAGER_V1_ERROR_ALREADY_INHIBITED,
                                               "already inhibited");
                        return;
                    }
                    ++comp->inhibitRequests;
                    ++comp->inhibitorsAlive;
                    comp->inhibitedSurface = surface;
                    comp->inhibitedSeat = seat;
                }
                wl_resource* inhibitor = wl_resource_create(c, &zwp_keyboard_shortcuts_inhibitor_v1_interface, 1, id);
                static const struct zwp_keyboard_shortcuts_inhibitor_v1_interface inhibitorImpl = {
                    [](wl_client*, wl_resource* i) { wl_resource_destroy(i); }};
                wl_resource_set_implementation(inhibitor, &inhibitorImpl, comp, [](wl_resource* i) {
                    std::lock_guard<std::mutex> g(self(i)->lock);
                    --self(i)->inhibitorsAlive;
                });
                if (comp->options.answer == Answer::Active) zwp_keyboard_shortcuts_inhibitor_v1_send_active(inhibitor);
                if (comp->options.answer == Answer::Inactive)
                    zwp_keyboard_shortcuts_inhibitor_v1_send_inactive(inhibitor);
            }};
        wl_resource* r = wl_resource_create(client, &zwp_keyboard_shortcuts_inhibit_manager_v1_interface, version, id);
        wl_resource_set_implementation(r, &impl, data, nullptr);
    }

    static void bindActivation(wl_client* client, void* data, uint32_t version, uint32_t id) {
        static const struct xdg_activation_v1_interface impl = {
            [](wl_client*, wl_resource* r) { wl_resource_destroy(r); },
            [](wl_client* c, wl_resource*, uint32_t id) {
                wl_resource* token = wl_resource_create(c, &xdg_activation_token_v1_interface, 1, id);
                static const struct xdg_activation_token_v1_interface tokenImpl = {
                    [](wl_client*, wl_resource*, uint32_t, wl_resource*) {},
                    [](wl_client*, wl_resource*, const char*) {},
                    [](wl_client*, wl_resource*, wl_resource*) {},
                    [](wl_client*, wl_resource* t) { xdg_activation_token_v1_send_done(t, "token-1_TIME0"); },
                    [](wl_client*, wl_resource* t) { wl_resource_destroy(t); }};
                wl_resource_set_implementation(token, &tokenImpl, nullptr, nullptr);
            },
            [](wl_client*, wl_resource* r, const char* token, wl_resource* surface) {
                std::lock_guard<std::mutex> g(self(r)->lock);
                self(r)->activations.emplace_back(token);
                self(r)->activatedSurface = surface;
            }};
        wl_resource* r = wl_resource_create(client, &xdg_activation_v1_interface, version, id);
        wl_resource_set_implementation(r, &impl, data, nullptr);
    }
};

// The program's side: a connection with a surface and a seat, as Qt has.
struct Client {
    explicit Client(Compositor& c) : compositor(c) {
        display = wl_display_connect_to_fd(c.clientFd);
        registry = wl_display_get_registry(display);
        static const wl_registry_listener listener = {
            [](void* data, wl_registry* r, uint32_t name, const char* interface, uint32_t) {
                auto* self = static_cast<Client*>(data);
                if (!std::strcmp(interface, "wl_compositor"))
                    self->comp = static_cast<wl_compositor*>(wl_registry_bind(r, name, &wl_compositor_interface, 1));
                if (!std::strcmp(interface, "wl_seat"))
                    self->seat = static_cast<wl_seat*>(wl_registry_bind(r, name, &wl_seat_interface, 1));
            },
            [](void*, wl_registry*, uint32_t) {}};
        wl_registry_add_listener(registry, &listener, this);
        wl_display_roundtrip(display);
        surface = wl_compositor_create_surface(comp);
        wl_display_roundtrip(display);
    }
    ~Client() {
        wl_surface_destroy(surface);
        wl_seat_destroy(seat);
        wl_compositor_destroy(comp);
        wl_registry_destroy(registry);
        wl_display_disconnect(display);
    }
    // Lets the compositor answer and the answers be handled.
    void sync() { ASSERT_GE(wl_display_roundtrip(display), 0); }
    wl_resource* serverSurface() {
        std::lock_guard<std::mutex> g(compositor.lock);
        return compositor.surfaces.empty() ? nullptr : compositor.surfaces.back();
    }

    Compositor& compositor;
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* comp = nullptr;
    wl_seat* seat = nullptr;
    wl_surface* surface = nullptr;
};

using State = wayland::ShortcutsInhibit::State;

TEST(WaylandShortcutsInhibit, TheCompositorsAnswerBecomesTheStateAndReleaseWithdrawsTheRequest) {
    Compositor server({});
    Client client(server);
    wayland::ShortcutsInhibit inhibit(client.display);
    std::vector<State> seen;
    inhibit.onStateChanged = [&](State s) { seen.push_back(s); };
    EXPECT_EQ(inhibit.state(), State::Idle);

    ASSERT_TRUE(inhibit.inhibit(client.surface, client.seat));
    EXPECT_EQ(inhibit.state(), State::Requested);
    client.sync();
    EXPECT_EQ(inhibit.state(), State::Active);
    {
        wl_resource* surface = client.serverSurface();
        std::lock_guard<std::mutex> g(server.lock);
        EXPECT_EQ(server.inhibitedSurface, surface);
        ASSERT_EQ(server.seats.size(), 1u);
        EXPECT_EQ(server.inhibitedSeat, server.seats[0]);
    }

    // Asking again (the window shown again) replaces the request: a second
    // inhibitor for the same surface would be a protocol error.
    ASSERT_TRUE(inhibit.inhibit(client.surface, client.seat));
    client.sync();
    EXPECT_EQ(wl_display_get_error(client.display), 0);

    inhibit.release();
    client.sync();
    EXPECT_EQ(inhibit.state(), State::Idle);
    std::lock_guard<std::mutex> g(server.lock);
    EXPECT_EQ(server.inhibitRequests, 2);
    EXPECT_EQ(server.inhibitorsAlive, 0);
    const std::vector<State> want{State::Requested, State::Active, State::Idle, State::Requested, State::Active,
                                  State::Idle};
    EXPECT_EQ(seen, want);
}

TEST(WaylandShortcutsInhibit, ADeclineOrAMissingProtocolIsTold) {
    {
        Compositor server({true, true, Compositor::Answer::Inactive});
        Client client(server);
        wayland::ShortcutsInhibit inhibit(client.display);
        ASSERT_TRUE(inhibit.inhibit(client.surface, client.seat));
        client.sync();
        EXPECT_EQ(inhibit.state(), State::Inactive);
    }
    {
        Compositor server({false, true, Compositor::Answer::Active});
        Client client(server);
        wayland::ShortcutsInhibit inhibit(client.display);
        EXPECT_EQ(inhibit.state(), State::Unsupported);
        EXPECT_FALSE(inhibit.inhibit(client.surface, client.seat));
        client.sync();
        std::lock_guard<std::mutex> g(server.lock);
        EXPECT_EQ(server.inhibitRequests, 0);
    }
    // Nothing is asked without a surface or a seat (a window not shown yet).
    Compositor server({});
    Client client(server);
    wayland::ShortcutsInhibit inhibit(client.display);
    EXPECT_FALSE(inhibit.inhibit(nullptr, client.seat));
    EXPECT_FALSE(inhibit.inhibit(client.surface, nullptr));
    EXPECT_EQ(inhibit.state(), State::Idle);
}

TEST(WaylandActivation, ATokenIsAskedForAndUsedOnTheWindowsSurface) {
    Compositor server({});
    Client client(server);
    const std::string token = wayland::requestActivationToken(client.display, "vandrel");
    EXPECT_EQ(token, "token-1_TIME0");

    ASSERT_TRUE(wayland::activateWithToken(client.display, client.surface, token));
    EXPECT_FALSE(wayland::activateWithToken(client.display, client.surface, ""));
    EXPECT_FALSE(wayland::activateWithToken(client.display, nullptr, token));
    client.sync();
    std::lock_guard<std::mutex> g(server.lock);
    EXPECT_EQ(server.activations, std::vector<std::string>{token});
    EXPECT_EQ(server.activatedSurface, server.surfaces.back());
}

TEST(WaylandActivation, WithoutTheProtocolThereIsNoTokenAndNoActivation) {
    Compositor server({true, false, Compositor::Answer::Active});
    Client client(server);
    EXPECT_EQ(wayland::requestActivationToken(client.display, "vandrel"), "");
    EXPECT_FALSE(wayland::activateWithToken(client.display, client.surface, "token-1_TIME0"));
    client.sync();
    EXPECT_EQ(wl_display_get_error(client.display), 0);
}

}  // namespace

#include "platform/WaylandGlobals.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef VANDREL_HAVE_WAYLAND_CLIENT
#include <wayland-client.h>
#endif

namespace vandrel {

#ifdef VANDREL_HAVE_WAYLAND_CLIENT

namespace {

struct Scan {
    std::vector<const char*> wanted;
    bool found = false;
};

void onGlobal(void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
    auto* scan = static_cast<Scan*>(data);
    for (const char* name : scan->wanted)
        if (std::strcmp(interface, name) == 0) scan->found = true;
}

void onGlobalRemove(void*, wl_registry*, uint32_t) {}

}  // namespace

bool waylandOffersAnyOf(std::initializer_list<const char*> interfaces) {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (!name || !*name) return false;
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return false;
    Scan scan{std::vector<const char*>(interfaces), false};
    static const wl_registry_listener listener = {onGlobal, onGlobalRemove};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &scan);
    wl_display_roundtrip(display);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return scan.found;
}

#else

bool waylandOffersAnyOf(std::initializer_list<const char*>) { return false; }

#endif

}  // namespace vandrel

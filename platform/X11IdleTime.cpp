#include "platform/X11IdleTime.h"

#include <cstdlib>
#include <cstring>

#if defined(__unix__)
#include <dlfcn.h>
#endif

namespace vandrel {

#if defined(__unix__)

namespace {

// The few X types the calls need, as the X headers define them.
struct Display;
using Window = unsigned long;
struct ScreenSaverInfo {
    Window window;
    int state;
    int kind;
    unsigned long tilOrSince;
    unsigned long idle;
    unsigned long eventMask;
};

bool waylandSession() {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* type = std::getenv("XDG_SESSION_TYPE");
    return (wayland && *wayland) || (type && std::strcmp(type, "wayland") == 0);
}

}  // namespace

struct X11IdleTime::Library {
    void* x11 = nullptr;
    void* xss = nullptr;
    Display* display = nullptr;
    ScreenSaverInfo* info = nullptr;
    Display* (*openDisplay)(const char*) = nullptr;
    int (*closeDisplay)(Display*) = nullptr;
    Window (*rootWindow)(Display*) = nullptr;
    int (*freeMemory)(void*) = nullptr;
    int (*queryExtension)(Display*, int*, int*) = nullptr;
    ScreenSaverInfo* (*allocInfo)() = nullptr;
    int (*queryInfo)(Display*, Window, ScreenSaverInfo*) = nullptr;

    ~Library() {
        if (info && freeMemory) freeMemory(info);
        if (display && closeDisplay) closeDisplay(display);
        if (xss) dlclose(xss);
        if (x11) dlclose(x11);
    }
};

std::unique_ptr<X11IdleTime> X11IdleTime::open() {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name || waylandSession()) return nullptr;
    auto lib = std::make_unique<Library>();
    lib->x11 = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
    lib->xss = dlopen("libXss.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (!lib->x11 || !lib->xss) return nullptr;
    const auto load = [](void* handle, const char* symbol, auto& fn) {
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(handle, symbol));
        return fn != nullptr;
    };
    if (!load(lib->x11, "XOpenDisplay", lib->openDisplay) || !load(lib->x11, "XCloseDisplay", lib->closeDisplay) ||
        !load(lib->x11, "XDefaultRootWindow", lib->rootWindow) || !load(lib->x11, "XFree", lib->freeMemory) ||
        !load(lib->xss, "XScreenSaverQueryExtension", lib->queryExtension) ||
        !load(lib->xss, "XScreenSaverAllocInfo", lib->allocInfo) ||
        !load(lib->xss, "XScreenSaverQueryInfo", lib->queryInfo))
        return nullptr;
    lib->display = lib->openDisplay(name);
    if (!lib->display) return nullptr;
    int event = 0, error = 0;
    if (!lib->queryExtension(lib->display, &event, &error)) return nullptr;
    lib->info = lib->allocInfo();
    if (!lib->info) return nullptr;
    return std::unique_ptr<X11IdleTime>(new X11IdleTime(std::move(lib)));
}

std::optional<int64_t> X11IdleTime::idleMs() {
    if (!m_lib->queryInfo(m_lib->display, m_lib->rootWindow(m_lib->display), m_lib->info)) return std::nullopt;
    return static_cast<int64_t>(m_lib->info->idle);
}

#else

struct X11IdleTime::Library {};
std::unique_ptr<X11IdleTime> X11IdleTime::open() { return nullptr; }
std::optional<int64_t> X11IdleTime::idleMs() { return std::nullopt; }

#endif

X11IdleTime::X11IdleTime(std::unique_ptr<Library> lib) : m_lib(std::move(lib)) {}
X11IdleTime::~X11IdleTime() = default;

}  // namespace vandrel

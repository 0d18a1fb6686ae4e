#include "platform/CompositorIdle.h"

#include <algorithm>

#ifdef VANDREL_WAYLAND_REQUESTS
#include "platform/WaylandClient.h"
#endif

namespace vandrel {

#ifdef VANDREL_WAYLAND_REQUESTS

struct CompositorIdle::Watch {
    explicit Watch(wl_display* display) : idle(display) {}
    wayland::IdleWatch idle;
};

std::unique_ptr<CompositorIdle> CompositorIdle::open() {
    wl_display* display = wayland::qtDisplay();
    if (!display) return nullptr;
    auto watch = std::make_unique<Watch>(display);
    if (!watch->idle.offered()) return nullptr;
    std::unique_ptr<CompositorIdle> idle(new CompositorIdle(std::move(watch)));
    CompositorIdle* self = idle.get();
    self->m_watch->idle.onIdle = [self](bool on) {
        if (self->onIdle) self->onIdle(on);
    };
    return idle;
}

bool CompositorIdle::watch(int64_t timeoutMs) {
    // The protocols count in 32-bit milliseconds: about 49 days at most.
    const auto ms = static_cast<uint32_t>(std::clamp<int64_t>(timeoutMs, 1, INT32_MAX));
    return m_watch->idle.watch(ms);
}

void CompositorIdle::stop() { m_watch->idle.stop(); }

#else

struct CompositorIdle::Watch {};
std::unique_ptr<CompositorIdle> CompositorIdle::open() { return nullptr; }
bool CompositorIdle::watch(int64_t) { return false; }
void CompositorIdle::stop() {}

#endif

CompositorIdle::CompositorIdle(std::unique_ptr<Watch> watch) : m_watch(std::move(watch)) {}
CompositorIdle::~CompositorIdle() = default;

}  // namespace vandrel

#pragma once
// The Wayland compositor's notice of idle time (ext-idle-notify, or the older
// idle protocol of KDE and wlroots compositors), on the connection Qt's
// Wayland platform has open. Where the program does not run on Wayland, or
// was built without the Wayland client code, there is none.

#include <cstdint>
#include <functional>
#include <memory>

namespace vandrel {

class CompositorIdle {
public:
    // Nothing when the compositor offers neither protocol.
    static std::unique_ptr<CompositorIdle> open();
    ~CompositorIdle();
    CompositorIdle(const CompositorIdle&) = delete;
    CompositorIdle& operator=(const CompositorIdle&) = delete;

    // idle(true) after `timeoutMs` without input, idle(false) at the next
    // input; replaces an earlier watch.
    bool watch(int64_t timeoutMs);
    void stop();
    std::function<void(bool idle)> onIdle;

    struct Watch;

private:
    explicit CompositorIdle(std::unique_ptr<Watch> watch);
    std::unique_ptr<Watch> m_watch;
};

}  // namespace vandrel

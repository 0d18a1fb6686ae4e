#pragma once
// How long the user has not touched keyboard or mouse, as the X server's
// screen-saver extension counts it. The X libraries are loaded when first
// asked for, so the program neither needs them to build nor to start where
// there is no X server (Wayland, Windows, a terminal).

#include <cstdint>
#include <memory>
#include <optional>

namespace vandrel {

class X11IdleTime {
public:
    // Nothing when this is not an X11 session (no DISPLAY, or a Wayland one
    // whose X server sees only its own clients' input), the libraries are
    // missing, the display cannot be opened or lacks the extension.
    static std::unique_ptr<X11IdleTime> open();
    ~X11IdleTime();
    X11IdleTime(const X11IdleTime&) = delete;
    X11IdleTime& operator=(const X11IdleTime&) = delete;

    // Milliseconds since the last input; nothing when the server did not answer.
    std::optional<int64_t> idleMs();

    struct Library;

private:
    explicit X11IdleTime(std::unique_ptr<Library> lib);
    std::unique_ptr<Library> m_lib;
};

}  // namespace vandrel

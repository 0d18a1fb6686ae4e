#pragma once
// The desktop's active keyboard layout, followed while the program runs. On
// X11 it is the core keyboard's XKB keymap and group, read again whenever the
// server says the keymap or the group changed (setxkbmap, a layout switch);
// on Wayland it is the keymap the compositor sends to its clients and the
// group it reports to the program's focused window. Elsewhere (offscreen, an
// unknown platform) it is the US layout.

#include <QObject>
#include <functional>
#include <memory>

#include "layout/KeyboardLayout.h"

struct wl_display;

namespace vandrel {

// One way of learning the layout; it calls `changed` when the layout it
// reports may have changed.
class LayoutWatcher {
public:
    virtual ~LayoutWatcher() = default;
    virtual KeyboardLayout layout() = 0;
    std::function<void()> changed;
};

// The X11 and Wayland watchers; null when the display cannot be reached or
// has no keyboard.
std::unique_ptr<LayoutWatcher> makeX11LayoutWatcher();
// On `display`, a connection whose default queue its owner dispatches on the
// calling thread (the toolkit's, whose windows get the keyboard focus and with
// it the active group), or on a connection of its own when it is null.
std::unique_ptr<LayoutWatcher> makeWaylandLayoutWatcher(wl_display* display);

class KeyboardLayoutSource : public QObject {
    Q_OBJECT
public:
    // Follows the layout of the platform the application runs on.
    explicit KeyboardLayoutSource(QObject* parent = nullptr);
    // Follows the layout `watcher` reports (tests); US without one.
    KeyboardLayoutSource(std::unique_ptr<LayoutWatcher> watcher, QObject* parent = nullptr);
    ~KeyboardLayoutSource() override;

    const KeyboardLayout& current() const { return m_current; }
    // Where the layout comes from: "x11", "wayland" or "fixed".
    const char* origin() const { return m_origin; }
    // Reads the layout again now; emits changed() when it differs.
    void refresh();

signals:
    void changed();

private:
    void watch(std::unique_ptr<LayoutWatcher> watcher);

    std::unique_ptr<LayoutWatcher> m_watcher;
    KeyboardLayout m_current;
    const char* m_origin = "fixed";
};

}  // namespace vandrel

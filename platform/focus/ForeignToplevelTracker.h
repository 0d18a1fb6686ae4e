#pragma once
// The focused window on a wlroots compositor, from the events of
// zwlr_foreign_toplevel_manager_v1: each window's title, application id
// and states arrive one by one and take effect together at its done event;
// the window whose states include "activated" has the focus. No Wayland
// here: the backend hands the events over, so tests replay them.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "profile/ProfileRules.h"

namespace vandrel {

class ForeignToplevelTracker {
public:
    static constexpr uint32_t kStateActivated = 2;
    using Handle = uintptr_t;

    void title(Handle h, std::string title) { m_windows[h].pending.title = std::move(title); }
    void appId(Handle h, std::string appId) { m_windows[h].pending.appId = std::move(appId); }
    void state(Handle h, const std::vector<uint32_t>& states);
    // The window's changes take effect: a report when what the rules see
    // changed (the focus moved, the focused window's title or id changed).
    std::optional<FocusEvent> done(Handle h);
    std::optional<FocusEvent> closed(Handle h);

private:
    struct Details {
        std::string title;
        std::string appId;
        bool activated = false;
    };
    struct Window {
        Details current;
        Details pending;
    };
    std::optional<FocusEvent> report();

    std::map<Handle, Window> m_windows;
    std::optional<Handle> m_focused;
    std::optional<FocusEvent> m_last;
};

}  // namespace vandrel

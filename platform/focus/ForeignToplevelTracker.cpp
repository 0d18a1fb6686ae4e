#include "platform/focus/ForeignToplevelTracker.h"

#include <algorithm>

namespace vandrel {

void ForeignToplevelTracker::state(Handle h, const std::vector<uint32_t>& states) {
    m_windows[h].pending.activated = std::find(states.begin(), states.end(), kStateActivated) != states.end();
}

std::optional<FocusEvent> ForeignToplevelTracker::done(Handle h) {
    Window& w = m_windows[h];
    w.current = w.pending;
    if (w.current.activated) m_focused = h;
    else if (m_focused == h) m_focused.reset();
    return report();
}

std::optional<FocusEvent> ForeignToplevelTracker::closed(Handle h) {
    m_windows.erase(h);
    if (m_focused == h) m_focused.reset();
    return report();
}

std::optional<FocusEvent> ForeignToplevelTracker::report() {
    FocusEvent e;
    if (m_focused) {
        const Details& d = m_windows[*m_focused].current;
        e.windowClass = d.appId;
        e.title = d.title;
    } else {
        // Between two windows, or on the desktop: nothing has the focus.
        e.isDesktop = true;
    }
    if (m_last && *m_last == e) return std::nullopt;
    m_last = e;
    return e;
}

}  // namespace vandrel

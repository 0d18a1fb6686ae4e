#include "platform/focus/X11FocusTracker.h"

#include <algorithm>
#include <cstring>

namespace vandrel {

namespace {

uint32_t card32(const std::vector<uint8_t>& v, size_t index = 0) {
    if (v.size() < (index + 1) * 4) return 0;
    uint32_t x = 0;
    std::memcpy(&x, v.data() + index * 4, 4);
    return x;
}

// A text property up to its first zero byte.
std::string text(const std::vector<uint8_t>& v) {
    const auto end = std::find(v.begin(), v.end(), 0);
    return std::string(v.begin(), end);
}

// WM_NAME of type STRING is Latin-1.
std::string latin1ToUtf8(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace

X11FocusTracker::X11FocusTracker(X11Properties& properties, uint32_t root,
                                 std::function<std::string(int64_t)> exeOfPid, std::string hostName)
    : m_properties(properties), m_root(root), m_exeOfPid(std::move(exeOfPid)), m_hostName(std::move(hostName)) {}

FocusEvent X11FocusTracker::describe(uint32_t window) {
    FocusEvent e;
    if (window == 0) {
        e.isDesktop = true;
        return e;
    }
    if (auto cls = m_properties.get(window, X11Atom::WmClass)) {
        // "instance\0class\0"
        const std::string raw(cls->begin(), cls->end());
        const size_t zero = raw.find('\0');
        e.instance = raw.substr(0, zero);
        if (zero != std::string::npos) e.windowClass = text(std::vector<uint8_t>(cls->begin() + zero + 1, cls->end()));
    }
    if (auto name = m_properties.get(window, X11Atom::NetWmName); name && !name->empty()) e.title = text(*name);
    else if (auto old = m_properties.get(window, X11Atom::WmName)) e.title = latin1ToUtf8(text(*old));
    if (auto types = m_properties.get(window, X11Atom::NetWmWindowType)) {
        const uint32_t desktop = m_properties.atom(X11Atom::NetWmWindowTypeDesktop);
        for (size_t i = 0; i < types->size() / 4; ++i) e.isDesktop |= desktop != 0 && card32(*types, i) == desktop;
    }
    if (auto pid = m_properties.get(window, X11Atom::NetWmPid); pid && pid->size() >= 4) {
        // A program on another machine has its own process numbers.
        const auto machine = m_properties.get(window, X11Atom::WmClientMachine);
        if (!machine || m_hostName.empty() || text(*machine) == m_hostName) {
            e.pid = card32(*pid);
            if (e.pid > 0 && m_exeOfPid) e.exe = m_exeOfPid(e.pid);
        }
    }
    return e;
}

std::optional<FocusEvent> X11FocusTracker::report(FocusEvent e) {
    if (m_last && *m_last == e) return std::nullopt;
    m_last = e;
    return e;
}

std::optional<FocusEvent> X11FocusTracker::refresh() {
    const auto active = m_properties.get(m_root, X11Atom::NetActiveWindow);
    const uint32_t window = active ? card32(*active) : 0;
    if (window != m_active) {
        if (m_active) m_properties.watch(m_active, false);
        if (window) m_properties.watch(window, true);
        m_active = window;
    }
    return report(describe(m_active));
}

std::optional<FocusEvent> X11FocusTracker::propertyChanged(uint32_t window, uint32_t atom) {
    if (window == m_root) {
        if (atom != m_properties.atom(X11Atom::NetActiveWindow)) return std::nullopt;
        return refresh();
    }
    if (window != m_active || m_active == 0) return std::nullopt;
    for (X11Atom a : {X11Atom::WmClass, X11Atom::NetWmName, X11Atom::WmName, X11Atom::NetWmPid,
                      X11Atom::NetWmWindowType})
        if (atom == m_properties.atom(a)) return report(describe(m_active));
    return std::nullopt;
}

}  // namespace vandrel

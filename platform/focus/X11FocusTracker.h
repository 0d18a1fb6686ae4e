#pragma once
// The focused window on an X11 desktop, from the window manager's
// properties: _NET_ACTIVE_WINDOW on the root window names the window; its
// WM_CLASS, _NET_WM_NAME (or WM_NAME) and _NET_WM_PID tell the rules what it
// is, and /proc/PID/exe which program runs it. No Xlib or xcb here: the
// properties come through X11Properties as the server sends their bytes,
// so tests replay recorded ones.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "profile/ProfileRules.h"

namespace vandrel {

enum class X11Atom {
    NetActiveWindow,
    WmClass,
    NetWmName,
    WmName,
    NetWmPid,
    NetWmWindowType,
    NetWmWindowTypeDesktop,
    WmClientMachine,
};

class X11Properties {
public:
    virtual ~X11Properties() = default;
    // A property's value as the server holds it (32-bit values in the host's
    // byte order); nothing when the window or the property is not there.
    virtual std::optional<std::vector<uint8_t>> get(uint32_t window, X11Atom property) = 0;
    // The server's number for an atom.
    virtual uint32_t atom(X11Atom which) = 0;
    // Starts or stops reporting property changes of a window.
    virtual void watch(uint32_t window, bool on) {
        (void)window;
        (void)on;
    }
};

class X11FocusTracker {
public:
    // `exeOfPid` reads the executable of a local process (/proc/PID/exe);
    // `hostName` is this machine's, to tell a local window from one shown
    // here by a program on another machine.
    X11FocusTracker(X11Properties& properties, uint32_t root, std::function<std::string(int64_t pid)> exeOfPid,
                    std::string hostName);

    // Reads the active window and its properties. Returns what the rules
    // see when it differs from the last report (always the first time).
    std::optional<FocusEvent> refresh();
    // A PropertyNotify for `window`: a new report when it changes what the
    // rules see.
    std::optional<FocusEvent> propertyChanged(uint32_t window, uint32_t atom);

    // The window whose property changes matter besides the root (0: none).
    uint32_t activeWindow() const { return m_active; }

private:
    FocusEvent describe(uint32_t window);
    std::optional<FocusEvent> report(FocusEvent e);

    X11Properties& m_properties;
    uint32_t m_root;
    std::function<std::string(int64_t)> m_exeOfPid;
    std::string m_hostName;
    uint32_t m_active = 0;
    std::optional<FocusEvent> m_last;
};

}  // namespace vandrel

#pragma once
// The focused window on an X11 desktop, through a connection of its own to
// the X server (the window manager keeps _NET_ACTIVE_WINDOW up to date), and
// whether a key is held, from the server's keymap.

#include <memory>

#include "platform/focus/FocusBackend.h"

class QSocketNotifier;

namespace vandrel {

class X11FocusTracker;

class X11FocusBackend : public FocusBackend {
    Q_OBJECT
public:
    // `display`: the display to connect to; empty for $DISPLAY.
    explicit X11FocusBackend(QString display = {}, QObject* parent = nullptr);
    ~X11FocusBackend() override;

    QString name() const override { return QStringLiteral("X11"); }
    bool start(QString* why) override;
    // Any key down on any keyboard, as the X server sees it.
    KeyState keyState() override;

private:
    struct Connection;
    void readEvents();
    void emitIf(const std::optional<FocusEvent>& e);

    QString m_display;
    std::unique_ptr<Connection> m_x;
    std::unique_ptr<X11FocusTracker> m_tracker;
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace vandrel

#pragma once
// The focused window on wlroots compositors (sway, Hyprland, labwc, river,
// Wayfire, ...), through their zwlr_foreign_toplevel_manager_v1 protocol,
// on a Wayland connection of the program's own. The protocol tells neither
// the process nor the keys held: rules with --exe do not match here, and a
// switch waits for the focus to rest instead of for the keys.

#include <memory>

#include "platform/focus/FocusBackend.h"

class QSocketNotifier;

namespace vandrel {

class ForeignToplevelTracker;

class WlrFocusBackend : public FocusBackend {
    Q_OBJECT
public:
    // `display`: the Wayland display to connect to; empty for $WAYLAND_DISPLAY.
    explicit WlrFocusBackend(QString display = {}, QObject* parent = nullptr);
    ~WlrFocusBackend() override;

    QString name() const override { return QStringLiteral("Wayland (wlroots)"); }
    bool start(QString* why) override;

    struct Wayland;

private:
    void readEvents();
    void fail(const QString& why);

    QString m_display;
    std::unique_ptr<Wayland> m_wl;
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace vandrel

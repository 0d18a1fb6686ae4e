#pragma once
// A desktop's report of the window that has the keyboard focus. Each desktop
// has its own way of telling (X11 window properties, a KWin script, a GNOME
// Shell extension, a Wayland protocol); a backend turns it into FocusEvents.

#include <QObject>
#include <QString>

#include "profile/ProfileRules.h"
#include "profile/ProfileSwitcher.h"

namespace vandrel {

class FocusBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~FocusBackend() override = default;

    // The desktop, as the rules window names it ("X11", "KDE Plasma", ...).
    virtual QString name() const = 0;
    // Starts listening; false with the reason when it cannot work here. The
    // first focusChanged() may come at once or a little later.
    virtual bool start(QString* why) = 0;
    // Whether a key is held down now; Unknown where the desktop cannot tell.
    virtual KeyState keyState() { return KeyState::Unknown; }

signals:
    void focusChanged(const vandrel::FocusEvent& focus);
    // The backend stopped working after it started (the desktop's script was
    // unloaded, the connection to the display closed).
    void stopped(const QString& why);
};

}  // namespace vandrel

Q_DECLARE_METATYPE(vandrel::FocusEvent)

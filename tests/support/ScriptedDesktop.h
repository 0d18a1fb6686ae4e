#pragma once
// A desktop the test speaks for: it reports the focused window it is told,
// and the keys as `keys` says.

#include "platform/focus/FocusBackend.h"

namespace vandrel::test {

class ScriptedDesktop : public FocusBackend {
public:
    QString name() const override { return QStringLiteral("test"); }
    bool start(QString*) override { return true; }
    KeyState keyState() override { return keys; }
    void focus(const char* cls, const char* title = "") {
        FocusEvent e;
        e.windowClass = cls;
        e.title = title;
        emit focusChanged(e);
    }
    KeyState keys = KeyState::Free;
};

}  // namespace vandrel::test

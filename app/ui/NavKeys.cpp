#include "app/ui/NavKeys.h"

#include <QKeyEvent>

namespace vandrel {

std::optional<NavKey> navKeyFor(const QKeyEvent& event, EnterKey enter) {
    if ((event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return std::nullopt;
    switch (event.key()) {
    case Qt::Key_Left: return NavKey::Left;
    case Qt::Key_Right: return NavKey::Right;
    case Qt::Key_Up: return NavKey::Up;
    case Qt::Key_Down: return NavKey::Down;
    case Qt::Key_Home: return NavKey::Home;
    case Qt::Key_End: return NavKey::End;
    case Qt::Key_Space: return NavKey::Activate;
    case Qt::Key_Return:
    case Qt::Key_Enter: return enter == EnterKey::Accepts ? NavKey::Accept : NavKey::Activate;
    case Qt::Key_Escape: return NavKey::Escape;
    default: return std::nullopt;
    }
}

}  // namespace vandrel

#include "app/ui/access/AccessibleLeaf.h"

#include <QMetaObject>

namespace vandrel {

QWindow* AccessibleLeaf::window() const { return m_owner ? m_owner->window()->windowHandle() : nullptr; }

QAccessibleInterface* AccessibleLeaf::parent() const {
    return m_owner ? QAccessible::queryAccessibleInterface(m_owner) : nullptr;
}

QRect AccessibleLeaf::rect() const {
    if (!isValid()) return {};
    const QRect r = localRect();
    return QRect(m_owner->mapToGlobal(r.topLeft()), r.size());
}

QAccessible::State AccessibleLeaf::state() const {
    if (isValid()) return currentState();
    QAccessible::State s;
    s.invalid = true;
    return s;
}

void* AccessibleLeaf::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

QStringList AccessibleLeaf::actionNames() const { return isValid() ? currentActions() : QStringList(); }

void AccessibleLeaf::doAction(const QString& actionName) {
    if (isValid()) act(actionName);
}

void AccessibleLeaf::afterReply(std::function<void()> work) const {
    if (!m_owner) return;
    QPointer<QWidget> owner = m_owner;
    QMetaObject::invokeMethod(
        m_owner, [owner, work = std::move(work)] { if (owner) work(); }, Qt::QueuedConnection);
}

}  // namespace vandrel

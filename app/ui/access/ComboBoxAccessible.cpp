#include "app/ui/access/ComboBoxAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace vandrel {

ComboBoxAccessible::ComboBoxAccessible(QComboBox* combo)
    : QAccessibleWidget(combo, QAccessible::ComboBox), m_valueText([combo] { return combo->currentText(); }) {}

void* ComboBoxAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(&m_valueText);
    return QAccessibleWidget::interface_cast(type);
}

QComboBox* ComboBoxAccessible::combo() const { return static_cast<QComboBox*>(widget()); }

QString ComboBoxAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) return combo()->currentText();
    return QAccessibleWidget::text(t);
}

QAccessible::State ComboBoxAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    const bool open = combo()->view() && combo()->view()->isVisible();
    s.expandable = true;
    s.expanded = open;
    s.collapsed = !open;
    return s;
}

QStringList ComboBoxAccessible::actionNames() const {
    return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
}

void ComboBoxAccessible::doAction(const QString& actionName) {
    if (actionName == showMenuAction() || actionName == pressAction()) {
        combo()->showPopup();
        return;
    }
    QAccessibleWidget::doAction(actionName);
}

}  // namespace vandrel

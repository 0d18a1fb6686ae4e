#include "app/ui/access/ListBoxAccessible.h"

#include <QPointer>

#include "controls/CEditHelper.h"
#include "controls/CTransparentListBox.h"

namespace vandrel {

ListBoxAccessible::ListBoxAccessible(CTransparentListBox* list) : QAccessibleWidget(list, QAccessible::List) {}

ListBoxAccessible::~ListBoxAccessible() {
    for (QAccessible::Id id : std::as_const(m_ids)) QAccessible::deleteAccessibleInterface(id);
}

CTransparentListBox* ListBoxAccessible::list() const { return static_cast<CTransparentListBox*>(widget()); }

int ListBoxAccessible::childCount() const { return list()->count() + (list()->editor() ? 1 : 0); }

QAccessibleInterface* ListBoxAccessible::child(int index) const {
    CTransparentListBox* l = list();
    if (index == l->count() && l->editor()) return QAccessible::queryAccessibleInterface(l->editor());
    if (index < 0 || index >= l->count()) return nullptr;
    const auto found = m_ids.constFind(index);
    if (found != m_ids.constEnd()) return QAccessible::accessibleInterface(*found);
    auto* row = new ListRowAccessible(l, index);
    m_ids.insert(index, QAccessible::registerAccessibleInterface(row));
    return row;
}

int ListBoxAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (!child) return -1;
    if (child->object() && child->object() == list()->editor()) return list()->count();
    const auto* row = dynamic_cast<const ListRowAccessible*>(child);
    return row && row->list() == list() && row->row() < list()->count() ? row->row() : -1;
}

QAccessibleInterface* ListBoxAccessible::childAt(int x, int y) const {
    const QPoint p = list()->mapFromGlobal(QPoint(x, y));
    const int row = list()->model().rowAt(p.x(), p.y());
    return row >= 0 ? child(row) : nullptr;
}

QAccessibleInterface* ListBoxAccessible::focusChild() const {
    if (list()->editor() && list()->editor()->hasFocus()) return child(list()->count());
    if (!list()->hasFocus() || list()->selected() < 0) return nullptr;
    return child(list()->selected());
}

QAccessible::State ListBoxAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.focusable = true;
    return s;
}

// ---- rows -------------------------------------------------------------------

ListRowAccessible::ListRowAccessible(CTransparentListBox* list, int row) : AccessibleLeaf(list), m_row(row) {}

CTransparentListBox* ListRowAccessible::list() const { return static_cast<CTransparentListBox*>(owner()); }

QStringList ListBoxAccessible::actionNames() const {
    QStringList names = QAccessibleWidget::actionNames();
    if (list()->isEnabled()) names << showMenuAction();
    return names;
}

void ListBoxAccessible::doAction(const QString& actionName) {
    if (actionName != showMenuAction()) {
        QAccessibleWidget::doAction(actionName);
        return;
    }
    // The menu runs once the reader's call has been answered.
    QPointer<CTransparentListBox> l = list();
    if (l->isEnabled())
        QMetaObject::invokeMethod(l, [l] { if (l) l->requestContextMenu(); }, Qt::QueuedConnection);
}

bool ListRowAccessible::exists() const { return m_row < list()->count(); }

QString ListRowAccessible::text(QAccessible::Text t) const {
    if (!isValid() || t != QAccessible::Name) return {};
    if (list()->model().mode() != kListMacroEvents) return list()->rowText(m_row);
    // The event list draws presses and releases as arrows: say what they show.
    const RowView view = list()->model().rowView(m_row);
    const QString shown = QString::fromStdU16String(view.text).trimmed();
    if (view.picture == kPressPicture) return tr("%1 按下").arg(shown);
    if (view.picture == kReleasePicture) return tr("%1 松开").arg(shown);
    return shown;
}

QRect ListRowAccessible::localRect() const { return list()->rowRectangle(m_row); }

QAccessible::State ListRowAccessible::currentState() const {
    CTransparentListBox* l = list();
    QAccessible::State s;
    s.selectable = s.focusable = true;
    s.selected = l->selected() == m_row;
    s.focused = s.selected && l->hasFocus();
    const QRect r = l->rowRectangle(m_row);
    if (r.bottom() < 0 || r.top() >= l->height()) s.offscreen = true;
    if (!l->isEnabled()) s.disabled = true;
    return s;
}

QStringList ListRowAccessible::currentActions() const {
    if (!list()->isEnabled()) return {};
    return {pressAction(), showMenuAction(), setFocusAction()};
}

void ListRowAccessible::act(const QString& actionName) {
    CTransparentListBox* l = list();
    if (!l->isEnabled()) return;
    if (actionName == setFocusAction()) {
        l->setFocus(Qt::OtherFocusReason);
        l->selectRowByUser(m_row);
    } else if (actionName == pressAction()) {
        l->selectRowByUser(m_row);
    } else if (actionName == showMenuAction()) {
        // The menu runs once the reader's call has been answered.
        const int row = m_row;
        afterReply([l, row] {
            l->selectRowByUser(row);
            l->requestContextMenu();
        });
    }
}

}  // namespace vandrel

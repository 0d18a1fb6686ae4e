#include "app/ui/access/ListBoxAccessible.h"

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

bool ListRowAccessible::isValid() const { return m_list && m_row < m_list->count(); }

QWindow* ListRowAccessible::window() const { return m_list ? m_list->window()->windowHandle() : nullptr; }

QAccessibleInterface* ListRowAccessible::parent() const {
    return m_list ? QAccessible::queryAccessibleInterface(m_list) : nullptr;
}

QString ListRowAccessible::text(QAccessible::Text t) const {
    if (!isValid() || t != QAccessible::Name) return {};
    if (m_list->model().mode() != kListMacroEvents) return m_list->rowText(m_row);
    // The event list draws presses and releases as arrows: say what they show.
    const RowView view = m_list->model().rowView(m_row);
    const QString shown = QString::fromStdU16String(view.text).trimmed();
    if (view.picture == kPressPicture) return tr("%1 按下").arg(shown);
    if (view.picture == kReleasePicture) return tr("%1 松开").arg(shown);
    return shown;
}

QRect ListRowAccessible::rect() const {
    if (!isValid()) return {};
    const QRect r = m_list->rowRectangle(m_row);
    return QRect(m_list->mapToGlobal(r.topLeft()), r.size());
}

QAccessible::State ListRowAccessible::state() const {
    QAccessible::State s;
    if (!isValid()) {
        s.invalid = true;
        return s;
    }
    s.selectable = s.focusable = true;
    s.selected = m_list->selected() == m_row;
    s.focused = s.selected && m_list->hasFocus();
    const QRect r = m_list->rowRectangle(m_row);
    if (r.bottom() < 0 || r.top() >= m_list->height()) s.offscreen = true;
    if (!m_list->isEnabled()) s.disabled = true;
    return s;
}

void* ListRowAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

QStringList ListRowAccessible::actionNames() const {
    if (!isValid() || !m_list->isEnabled()) return {};
    return {pressAction(), showMenuAction(), setFocusAction()};
}

void ListRowAccessible::doAction(const QString& actionName) {
    if (!isValid() || !m_list->isEnabled()) return;
    if (actionName == setFocusAction()) {
        m_list->setFocus(Qt::OtherFocusReason);
        m_list->selectRowByUser(m_row);
    } else if (actionName == pressAction()) {
        m_list->selectRowByUser(m_row);
    } else if (actionName == showMenuAction()) {
        // The menu runs once the reader's call has been answered.
        QPointer<CTransparentListBox> list = m_list;
        const int row = m_row;
        QMetaObject::invokeMethod(
            m_list,
            [list, row] {
                if (!list) return;
                list->selectRowByUser(row);
                list->requestContextMenu();
            },
            Qt::QueuedConnection);
    }
}

}  // namespace vandrel

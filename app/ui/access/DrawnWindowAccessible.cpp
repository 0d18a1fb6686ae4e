#include "app/ui/access/DrawnWindowAccessible.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QWidget>

#include "app/ui/access/DrawnElementSource.h"

namespace vandrel {

namespace {

// A dialog is a dialog wherever it is drawn: in a window of its own (X11) or
// inside the main window (Wayland).
QAccessible::Role windowRole(QWidget* w) {
    if (qobject_cast<QDialog*>(w)) return QAccessible::Dialog;
    return w->isWindow() ? QAccessible::Window : QAccessible::Client;
}

QString qs(const std::string& s) { return QString::fromStdString(s); }

bool sameStates(const UiElement& a, const UiElement& b, QAccessible::State& changed) {
    changed.checked = a.checked != b.checked;
    changed.expanded = a.expanded != b.expanded;
    changed.collapsed = changed.expanded;
    changed.disabled = a.enabled != b.enabled;
    changed.selected = a.selected != b.selected;
    changed.focusable = a.focusable != b.focusable;
    return !(changed.checked || changed.expanded || changed.disabled || changed.selected || changed.focusable);
}

}  // namespace

QAccessible::Role accessibleRole(UiRole role) {
    switch (role) {
    case UiRole::Button:
    case UiRole::Header:
    case UiRole::Key: return QAccessible::Button;
    case UiRole::ComboBox: return QAccessible::ComboBox;
    case UiRole::List: return QAccessible::List;
    case UiRole::ListItem: return QAccessible::ListItem;
    case UiRole::PageTab: return QAccessible::PageTab;
    case UiRole::CheckBox: return QAccessible::CheckBox;
    case UiRole::RadioButton: return QAccessible::RadioButton;
    case UiRole::Slider: return QAccessible::Slider;
    case UiRole::Field: return QAccessible::EditableText;
    case UiRole::Tree: return QAccessible::Tree;
    case UiRole::StaticText: return QAccessible::StaticText;
    case UiRole::StatusLine: return QAccessible::StatusBar;
    case UiRole::Heading: return QAccessible::Heading;
    }
    return QAccessible::Client;
}

// ---- the window -------------------------------------------------------------

DrawnWindowAccessible::DrawnWindowAccessible(QWidget* window, DrawnElementSource* source)
    : QAccessibleWidget(window, windowRole(window)), m_window(window), m_source(source) {}

QString DrawnWindowAccessible::text(QAccessible::Text t) const {
    // The toolkit names only a window after its title; a dialog drawn inside
    // the main window is called the same.
    if (t == QAccessible::Name && m_window && m_window->accessibleName().isEmpty() &&
        qobject_cast<QDialog*>(m_window.data()))
        return m_window->windowTitle();
    return QAccessibleWidget::text(t);
}

QStringList DrawnWindowAccessible::actionNames() const {
    QStringList names = QAccessibleWidget::actionNames();
    if (m_window && m_window->contextMenuPolicy() == Qt::DefaultContextMenu) names << showMenuAction();
    return names;
}

void DrawnWindowAccessible::doAction(const QString& actionName) {
    if (actionName != showMenuAction() || !m_window) {
        QAccessibleWidget::doAction(actionName);
        return;
    }
    // Posted: the menu runs once the reader's call has been answered.
    const QPoint at = m_window->rect().center();
    QCoreApplication::postEvent(m_window, new QContextMenuEvent(QContextMenuEvent::Keyboard, at, m_window->mapToGlobal(at)));
}

DrawnWindowAccessible::~DrawnWindowAccessible() {
    for (QAccessible::Id id : std::as_const(m_ids)) QAccessible::deleteAccessibleInterface(id);
}

const UiElements& DrawnWindowAccessible::elements() const {
    if (!m_window) {
        m_elements.clear();
        return m_elements;
    }
    const unsigned generation = m_source->uiGeneration();
    if (!m_haveElements || generation != m_generation) {
        m_elements = m_source->uiElements();
        m_generation = generation;
        m_haveElements = true;
    }
    return m_elements;
}

QAccessibleInterface* DrawnWindowAccessible::elementInterface(int id) const {
    const auto found = m_ids.constFind(id);
    if (found != m_ids.constEnd()) return QAccessible::accessibleInterface(*found);
    auto* iface = new DrawnElementAccessible(m_window, m_source, id);
    m_ids.insert(id, QAccessible::registerAccessibleInterface(iface));
    return iface;
}

QAccessibleInterface* DrawnWindowAccessible::interfaceFor(const UiElement& e) const {
    if (e.control) {
        QWidget* control = m_source->elementControl(e.id);
        return control ? QAccessible::queryAccessibleInterface(control) : nullptr;
    }
    return elementInterface(e.id);
}

QString DrawnWindowAccessible::controlName(const QWidget* control) const {
    for (const UiElement& e : elements())
        if (e.control && m_source->elementControl(e.id) == control) return qs(e.name);
    return {};
}

std::vector<QWidget*> DrawnWindowAccessible::otherWidgets() const {
    std::vector<QWidget*> out;
    if (!m_window) return out;
    const UiElements& all = elements();
    for (QObject* o : m_window->children()) {
        if (!o->isWidgetType()) continue;
        auto* w = static_cast<QWidget*>(o);
        if (w->isWindow() || !w->isVisible()) continue;
        bool element = false;
        for (const UiElement& e : all) element = element || (e.control && m_source->elementControl(e.id) == w);
        if (!element) out.push_back(w);
    }
    return out;
}

int DrawnWindowAccessible::childCount() const {
    return static_cast<int>(elements().size() + otherWidgets().size());
}

QAccessibleInterface* DrawnWindowAccessible::child(int index) const {
    const UiElements& all = elements();
    const int n = static_cast<int>(all.size());
    if (index >= n) {
        const std::vector<QWidget*> others = otherWidgets();
        const size_t at = static_cast<size_t>(index - n);
        return at < others.size() ? QAccessible::queryAccessibleInterface(others[at]) : nullptr;
    }
    if (index < 0) return nullptr;
    return interfaceFor(all[static_cast<size_t>(index)]);
}

int DrawnWindowAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (!child) return -1;
    const UiElements& all = elements();
    QObject* object = child->object();
    int id = -1;
    if (!object) {
        const auto* drawn = dynamic_cast<const DrawnElementAccessible*>(child);
        if (!drawn || drawn->ownerWindow() != m_window) return -1;
        id = drawn->id();
    }
    for (size_t i = 0; i < all.size(); ++i) {
        const UiElement& e = all[i];
        if (object ? e.control && m_source->elementControl(e.id) == object : e.id == id) return static_cast<int>(i);
    }
    if (object) {
        const std::vector<QWidget*> others = otherWidgets();
        for (size_t i = 0; i < others.size(); ++i)
            if (others[i] == object) return static_cast<int>(all.size() + i);
    }
    return -1;
}

QAccessibleInterface* DrawnWindowAccessible::childAt(int x, int y) const {
    if (!m_window) return nullptr;
    const QPoint p = m_window->mapFromGlobal(QPoint(x, y));
    const UiElement* hit = nullptr;
    for (const UiElement& e : elements()) {
        if (!e.rect.contains(p.x(), p.y())) continue;
        // Where a popup lies over the panel, its rows are what is there.
        if (!hit || (e.focusable && !hit->focusable)) hit = &e;
    }
    return hit ? interfaceFor(*hit) : nullptr;
}

QAccessibleInterface* DrawnWindowAccessible::focusChild() const {
    if (!m_window) return nullptr;
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return nullptr;
    for (const UiElement& e : elements()) {
        if (e.control && m_source->elementControl(e.id) == focus) return interfaceFor(e);
        if (!e.control && focus == m_window && e.id == m_source->focusedElement()) return interfaceFor(e);
    }
    return nullptr;
}

std::vector<DrawnWindowAccessible::Change> DrawnWindowAccessible::takeChanges() {
    std::vector<Change> out;
    if (!m_window) return out;
    const UiElements& now = elements();
    if (!m_haveAnnounced) {
        m_announced = now;
        m_haveAnnounced = true;
        m_announcedFocus = m_source->focusedElement();
        return out;
    }
    bool reordered = now.size() != m_announced.size();
    for (size_t i = 0; !reordered && i < now.size(); ++i) reordered = now[i].id != m_announced[i].id;
    for (const UiElement& e : now) {
        const UiElement* before = findElement(m_announced, e.id);
        if (!before || e.control) continue;
        if (before->name != e.name) out.push_back({QAccessible::NameChanged, e.id, {}});
        if (before->description != e.description) out.push_back({QAccessible::DescriptionChanged, e.id, {}});
        if (before->value != e.value && e.role == UiRole::ComboBox) out.push_back({QAccessible::ValueChanged, e.id, {}});
        QAccessible::State changed;
        if (!sameStates(*before, e, changed)) out.push_back({QAccessible::StateChanged, e.id, changed});
    }
    if (reordered) out.push_back({QAccessible::ObjectReorder, -1, {}});
    m_announced = now;

    const int focus = m_source->focusedElement();
    if (focus != m_announcedFocus) {
        m_announcedFocus = focus;
        const UiElement* e = findElement(now, focus);
        if (e && !e->control && m_window->hasFocus()) out.push_back({QAccessible::Focus, focus, {}});
    }
    return out;
}

void DrawnWindowAccessible::announceChanges() {
    for (const Change& c : takeChanges()) {
        QAccessibleInterface* iface = c.id < 0 ? static_cast<QAccessibleInterface*>(this) : elementInterface(c.id);
        if (c.type == QAccessible::StateChanged) {
            QAccessibleStateChangeEvent ev(iface, c.states);
            QAccessible::updateAccessibility(&ev);
        } else if (c.type == QAccessible::ValueChanged) {
            QAccessibleValueChangeEvent ev(iface, iface->text(QAccessible::Value));
            QAccessible::updateAccessibility(&ev);
        } else {
            QAccessibleEvent ev(iface, c.type);
            QAccessible::updateAccessibility(&ev);
        }
    }
}

void announceAccessibleChanges(QWidget* window) {
    if (!window || !QAccessible::isActive()) return;
    if (auto* iface = dynamic_cast<DrawnWindowAccessible*>(QAccessible::queryAccessibleInterface(window)))
        iface->announceChanges();
}

void announceAccessibleFocus(QWidget* window) {
    if (!window || !QAccessible::isActive() || !window->hasFocus()) return;
    auto* iface = dynamic_cast<DrawnWindowAccessible*>(QAccessible::queryAccessibleInterface(window));
    if (!iface) return;
    const int focus = iface->source()->focusedElement();
    const UiElement* e = findElement(iface->elements(), focus);
    if (!e || e->control) return;
    QAccessibleEvent ev(iface->elementInterface(focus), QAccessible::Focus);
    QAccessible::updateAccessibility(&ev);
}

// ---- one element ------------------------------------------------------------

DrawnElementAccessible::DrawnElementAccessible(QWidget* window, DrawnElementSource* source, int id)
    : AccessibleLeaf(window), m_source(source), m_id(id), m_valueText([this] { return text(QAccessible::Value); }) {}

void* DrawnElementAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface && role() == QAccessible::ComboBox)
        return static_cast<QAccessibleTextInterface*>(&m_valueText);
    return AccessibleLeaf::interface_cast(type);
}

const UiElement* DrawnElementAccessible::element() const {
    if (!owner()) return nullptr;
    auto* parent = dynamic_cast<DrawnWindowAccessible*>(QAccessible::queryAccessibleInterface(owner()));
    return parent ? findElement(parent->elements(), m_id) : nullptr;
}

QString DrawnElementAccessible::text(QAccessible::Text t) const {
    const UiElement* e = element();
    if (!e) return {};
    switch (t) {
    case QAccessible::Name: return qs(e->name);
    case QAccessible::Description: return qs(e->description);
    case QAccessible::Value: return qs(e->value);
    default: return {};
    }
}

QRect DrawnElementAccessible::localRect() const {
    const HitRect& r = element()->rect;
    return QRect(QPoint(r.left, r.top), QSize(r.right - r.left + 1, r.bottom - r.top + 1));
}

QAccessible::Role DrawnElementAccessible::role() const {
    const UiElement* e = element();
    return e ? accessibleRole(e->role) : QAccessible::NoRole;
}

QAccessible::State DrawnElementAccessible::currentState() const {
    QAccessible::State s;
    const UiElement* e = element();
    s.focusable = e->focusable;
    s.focused = e->focusable && owner()->hasFocus() && m_source->focusedElement() == m_id;
    s.disabled = !e->enabled;
    s.checkable = e->checkable;
    s.checked = e->checked;
    s.expandable = e->expandable;
    s.expanded = e->expandable && e->expanded;
    s.collapsed = e->expandable && !e->expanded;
    if (e->role == UiRole::ListItem || e->role == UiRole::PageTab) {
        s.selectable = true;
        s.selected = e->selected;
    }
    if (e->role == UiRole::StatusLine || e->role == UiRole::StaticText || e->role == UiRole::Heading) s.readOnly = true;
    if (!owner()->isVisible()) s.invisible = true;
    return s;
}

QStringList DrawnElementAccessible::currentActions() const {
    const UiElement* e = element();
    if (!e->enabled) return {};
    QStringList names;
    switch (e->role) {
    case UiRole::StaticText:
    case UiRole::StatusLine:
    case UiRole::Heading: break;
    case UiRole::CheckBox: names << toggleAction(); break;
    default: names << pressAction(); break;
    }
    if (e->focusable) names << setFocusAction();
    return names;
}

void DrawnElementAccessible::act(const QString& actionName) {
    if (actionName == setFocusAction()) {
        m_source->focusElement(m_id);
        return;
    }
    if (actionName != pressAction() && actionName != toggleAction()) return;
    // Pressing may open a modal dialog.
    DrawnElementSource* source = m_source;
    const int id = m_id;
    afterReply([source, id] { source->activateElement(id); });
}

}  // namespace vandrel

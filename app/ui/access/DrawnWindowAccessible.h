#pragma once
// The screen reader's view of a skinned window: the window, and one child per
// element it draws (UiElement), in reading order. Elements that a control of
// the window stands for (a slider, a field, a list) are that control's own
// interface. The element interfaces are made when a reader first asks for
// them and live as long as the window.

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <vector>

#include "app/model/UiElement.h"
#include "app/ui/access/AccessibleLeaf.h"
#include "app/ui/access/ValueText.h"

namespace vandrel {

class DrawnElementSource;

class DrawnWindowAccessible : public QAccessibleWidget {
public:
    DrawnWindowAccessible(QWidget* window, DrawnElementSource* source);
    ~DrawnWindowAccessible() override;

    QString text(QAccessible::Text t) const override;
    // The window's context menu, as the menu key opens it.
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    // The elements as of the window's last change.
    const UiElements& elements() const;
    DrawnElementSource* source() const { return m_source; }
    // The interface of a drawn element (not of a control), made on first use.
    QAccessibleInterface* elementInterface(int id) const;
    // The interface that stands for an element, whatever it is.
    QAccessibleInterface* interfaceFor(const UiElement& e) const;
    // The window's shown child widgets that no element stands for (a notice,
    // a line of text): they follow the elements.
    std::vector<QWidget*> otherWidgets() const;

    // The name of the element a control of the window stands for, or empty.
    QString controlName(const QWidget* control) const;

    // What changed since the last call: names, values, states, elements come
    // and gone, and where the focus went; each as the event the reader is
    // sent for it (id -1: the window itself).
    struct Change {
        QAccessible::Event type;
        int id;
        QAccessible::State states;  // StateChanged: which states changed
    };
    std::vector<Change> takeChanges();
    // Sends the reader the changes since the last call.
    void announceChanges();

private:
    QPointer<QWidget> m_window;
    DrawnElementSource* m_source;
    mutable UiElements m_elements;
    mutable unsigned m_generation = 0;
    mutable bool m_haveElements = false;
    mutable QHash<int, QAccessible::Id> m_ids;
    UiElements m_announced;
    bool m_haveAnnounced = false;
    int m_announcedFocus = -1;
};

// One element of a skinned window. It asks the window for its current state
// at every question, so it is never out of date.
class DrawnElementAccessible : public AccessibleLeaf {
public:
    DrawnElementAccessible(QWidget* window, DrawnElementSource* source, int id);

    QString text(QAccessible::Text t) const override;
    QAccessible::Role role() const override;
    // A combo box's choice is its text as well.
    void* interface_cast(QAccessible::InterfaceType type) override;

    int id() const { return m_id; }
    QWidget* ownerWindow() const { return owner(); }

protected:
    bool exists() const override { return element() != nullptr; }
    QRect localRect() const override;
    QAccessible::State currentState() const override;
    QStringList currentActions() const override;
    void act(const QString& actionName) override;

private:
    const UiElement* element() const;

    DrawnElementSource* m_source;
    int m_id;
    ValueText m_valueText;
};

// The accessible role of an element's kind.
QAccessible::Role accessibleRole(UiRole role);

// After a skinned window changed: tells an active screen reader. Costs
// nothing while none listens.
void announceAccessibleChanges(QWidget* window);
// The window got the keyboard focus back (a dialog closed): tells the reader
// which of its elements has it.
void announceAccessibleFocus(QWidget* window);

}  // namespace vandrel

#pragma once
// The screen reader's view of one thing a widget draws without a widget of its
// own (a drawn button, a list row): a leaf of the reader's tree under its
// owner widget, with the owner's window and the actions the reader can take.
// Subclasses say what the thing is now; the leaf asks them at every question,
// and answers as an invalid object once the thing or its owner has gone.

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace vandrel {

class AccessibleLeaf : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    explicit AccessibleLeaf(QWidget* owner) : m_owner(owner) {}

    // Whether the thing is still there (its owner included).
    bool isValid() const override { return m_owner && exists(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    QWidget* owner() const { return m_owner; }

protected:
    // Whether the thing is still there; the owner is.
    virtual bool exists() const = 0;
    // Where the thing is, in the owner's coordinates.
    virtual QRect localRect() const = 0;
    // Its states; asked only while it exists.
    virtual QAccessible::State currentState() const = 0;
    // Its actions now, and what each does; asked only while it exists.
    virtual QStringList currentActions() const = 0;
    virtual void act(const QString& actionName) = 0;

    // Runs `work` once the reader's call has been answered (it may open a
    // modal dialog or a menu), unless the owner has gone by then.
    void afterReply(std::function<void()> work) const;

private:
    QPointer<QWidget> m_owner;
};

}  // namespace vandrel

#pragma once
// The screen reader's view of a transparent list box: a list whose children
// are its rows (name, selection, place), then the in-place edit box while a
// row is edited. A row can be selected, and its menu asked for, through the
// reader's actions.

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QHash>
#include <QPointer>

#include "app/ui/access/AccessibleLeaf.h"

namespace vandrel {

class CTransparentListBox;

class ListBoxAccessible : public QAccessibleWidget {
public:
    explicit ListBoxAccessible(CTransparentListBox* list);
    ~ListBoxAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;
    QAccessible::State state() const override;
    // The list's commands, as the menu key opens them: also from an empty list.
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    CTransparentListBox* list() const;
    mutable QHash<int, QAccessible::Id> m_ids;
};

class ListRowAccessible : public AccessibleLeaf {
    Q_DECLARE_TR_FUNCTIONS(vandrel::ListRowAccessible)
public:
    ListRowAccessible(CTransparentListBox* list, int row);

    QString text(QAccessible::Text t) const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }

    int row() const { return m_row; }
    CTransparentListBox* list() const;

protected:
    bool exists() const override;
    QRect localRect() const override;
    QAccessible::State currentState() const override;
    QStringList currentActions() const override;
    void act(const QString& actionName) override;

private:
    int m_row;
};

}  // namespace vandrel

#pragma once
// The screen reader's view of a transparent list box: a list whose children
// are its rows (name, selection, place), then the in-place edit box while a
// row is edited. A row can be selected, and its menu asked for, through the
// reader's actions.

#include <QAccessibleActionInterface>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QHash>
#include <QPointer>

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

private:
    CTransparentListBox* list() const;
    mutable QHash<int, QAccessible::Id> m_ids;
};

class ListRowAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
    Q_DECLARE_TR_FUNCTIONS(vandrel::ListRowAccessible)
public:
    ListRowAccessible(CTransparentListBox* list, int row) : m_list(list), m_row(row) {}

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    int row() const { return m_row; }
    CTransparentListBox* list() const { return m_list; }

private:
    QPointer<CTransparentListBox> m_list;
    int m_row;
};

}  // namespace vandrel

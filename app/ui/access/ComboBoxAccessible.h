#pragma once
// The screen reader's view of a combo box that was given a name: called by
// that name, with the choice it shows as its value. (The toolkit's own view
// of a combo box on this desktop is called by its choice, and a reader that
// does not follow the label beside it reads the choice twice and never the
// label.) Pressing it opens its list.

#include <QAccessibleWidget>

#include "app/ui/access/ValueText.h"

class QComboBox;

namespace vandrel {

class ComboBoxAccessible : public QAccessibleWidget {
public:
    explicit ComboBoxAccessible(QComboBox* combo);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    void* interface_cast(QAccessible::InterfaceType type) override;

private:
    QComboBox* combo() const;
    ValueText m_valueText;
};

}  // namespace vandrel

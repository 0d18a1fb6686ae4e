#pragma once
// A combo box that a screen reader reads by its accessible name, with its
// choice as the value (see ComboBoxAccessible). Its own class, so that the
// program's reader view is chosen for it before the toolkit's.

#include <QComboBox>

namespace vandrel {

class NamedComboBox : public QComboBox {
    Q_OBJECT
public:
    NamedComboBox(const QString& accessibleName, QWidget* parent) : QComboBox(parent) {
        setAccessibleName(accessibleName);
    }
};

}  // namespace vandrel

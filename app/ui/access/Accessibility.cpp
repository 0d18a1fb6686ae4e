#include "app/ui/access/Accessibility.h"

#include <QAccessible>
#include <QWidget>

#include "app/ui/NamedComboBox.h"
#include "app/ui/access/ComboBoxAccessible.h"
#include "app/ui/access/DrawnElementSource.h"
#include "app/ui/access/DrawnWindowAccessible.h"
#include "app/ui/access/ListBoxAccessible.h"
#include "app/ui/access/SliderAccessible.h"
#include "controls/CBitSlider.h"
#include "controls/CTransparentListBox.h"

namespace vandrel {

namespace {

QAccessibleInterface* makeInterface(const QString& className, QObject* object) {
    // Decided once, for the object's own class, not again for its bases.
    if (!object || !object->isWidgetType() || className != QLatin1String(object->metaObject()->className()))
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (auto* source = dynamic_cast<DrawnElementSource*>(widget)) return new DrawnWindowAccessible(widget, source);
    if (auto* list = qobject_cast<CTransparentListBox*>(widget)) return new ListBoxAccessible(list);
    if (auto* slider = qobject_cast<CBitSlider*>(widget)) return new SliderAccessible(slider);
    if (auto* combo = qobject_cast<NamedComboBox*>(widget)) return new ComboBoxAccessible(combo);
    return nullptr;
}

}  // namespace

void installAccessibility() {
    // Installing it again changes nothing: the factory is listed once.
    QAccessible::installFactory(makeInterface);
}

}  // namespace vandrel

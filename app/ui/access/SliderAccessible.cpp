#include "app/ui/access/SliderAccessible.h"

#include "app/ui/access/DrawnWindowAccessible.h"
#include "controls/CBitSlider.h"

namespace vandrel {

SliderAccessible::SliderAccessible(CBitSlider* slider) : QAccessibleWidget(slider, QAccessible::Slider) {}

CBitSlider* SliderAccessible::slider() const { return static_cast<CBitSlider*>(widget()); }

QString SliderAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) {
        const int v = slider()->value();
        return slider()->valueText ? slider()->valueText(v) : QString::number(v);
    }
    // Unnamed, it is called what its window draws beside it.
    if (t == QAccessible::Name && slider()->accessibleName().isEmpty()) {
        if (auto* owner = dynamic_cast<DrawnWindowAccessible*>(parent())) return owner->controlName(slider());
    }
    return QAccessibleWidget::text(t);
}

void* SliderAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QVariant SliderAccessible::currentValue() const { return slider()->value(); }
void SliderAccessible::setCurrentValue(const QVariant& value) { slider()->setValue(value.toInt()); }
QVariant SliderAccessible::maximumValue() const { return slider()->maximum(); }
QVariant SliderAccessible::minimumValue() const { return slider()->minimum(); }
QVariant SliderAccessible::minimumStepSize() const { return slider()->singleStep(); }

}  // namespace vandrel

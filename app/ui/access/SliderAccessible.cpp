#include "app/ui/access/SliderAccessible.h"

#include <cstdlib>

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

int SliderAccessible::numberAt(int position) const {
    return slider()->valueNumber ? slider()->valueNumber(position) : position;
}

// A reader reads and sets the number the slider stands for (hertz for the
// report rate), not its position.
QVariant SliderAccessible::currentValue() const { return numberAt(slider()->value()); }

void SliderAccessible::setCurrentValue(const QVariant& value) {
    const int wanted = value.toInt();
    int best = slider()->minimum();
    for (int p = slider()->minimum(); p <= slider()->maximum(); ++p)
        if (std::abs(numberAt(p) - wanted) < std::abs(numberAt(best) - wanted)) best = p;
    slider()->setValue(best);
}

QVariant SliderAccessible::maximumValue() const { return numberAt(slider()->maximum()); }
QVariant SliderAccessible::minimumValue() const { return numberAt(slider()->minimum()); }

QVariant SliderAccessible::minimumStepSize() const {
    if (!slider()->valueNumber) return slider()->singleStep();
    // The smallest step between neighbouring positions.
    int step = 0;
    for (int p = slider()->minimum(); p < slider()->maximum(); ++p) {
        const int gap = std::abs(numberAt(p + 1) - numberAt(p));
        if (step == 0 || (gap > 0 && gap < step)) step = gap;
    }
    return step;
}

}  // namespace vandrel

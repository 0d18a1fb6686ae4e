#pragma once
// The screen reader's view of a skinned slider: its name, its value as the
// panel means it (the slider's valueText), and the value interface through
// which a reader reads and sets it, in the slider's unit where it has one.

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

namespace vandrel {

class CBitSlider;

class SliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SliderAccessible(CBitSlider* slider);

    QString text(QAccessible::Text t) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    CBitSlider* slider() const;
    int numberAt(int position) const;
};

}  // namespace vandrel

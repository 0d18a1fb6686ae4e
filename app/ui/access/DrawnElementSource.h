#pragma once
// What a skinned window tells the screen reader about the things it draws:
// its elements (see UiElement), which of them has the keyboard focus, and how
// the reader presses or focuses one. Each skinned window implements it from
// its model; the window's accessible interface (DrawnWindowAccessible) is
// made from it.

#include "app/model/UiElement.h"

class QWidget;

namespace vandrel {

class DrawnElementSource {
public:
    virtual ~DrawnElementSource() = default;

    // The window's elements now, in reading order, in the window's language.
    virtual UiElements uiElements() const = 0;
    // Changes whenever the elements may have changed (each redraw).
    virtual unsigned uiGeneration() const = 0;
    // The element that holds the window's keyboard focus, or -1.
    virtual int focusedElement() const = 0;
    // The reader moves the focus to an element, or presses it (as a click does).
    virtual void focusElement(int id) = 0;
    virtual void activateElement(int id) = 0;
    // The window's own control that stands for an element (UiElement::control).
    virtual QWidget* elementControl(int id) const = 0;
};

}  // namespace vandrel

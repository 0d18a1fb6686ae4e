#include "app/model/UiElement.h"

namespace vandrel {

UiElement uiElement(int id, UiRole role, HitRect rect, std::string name) {
    UiElement e;
    e.id = id;
    e.role = role;
    e.rect = rect;
    e.name = std::move(name);
    return e;
}

UiElement uiText(int id, UiRole role, HitRect rect, std::string name) {
    UiElement e = uiElement(id, role, rect, std::move(name));
    e.focusable = false;
    e.tabStop = false;
    return e;
}

const UiElement* findElement(const UiElements& elements, int id) {
    for (const UiElement& e : elements)
        if (e.id == id) return &e;
    return nullptr;
}

int nextTabStop(const UiElements& elements, int current, bool forward) {
    const int n = static_cast<int>(elements.size());
    int at = -1;
    for (int i = 0; i < n; ++i)
        if (elements[static_cast<size_t>(i)].id == current) at = i;
    for (int step = 1; step <= n; ++step) {
        int i;
        if (at < 0) i = forward ? step - 1 : n - step;
        else i = ((at + (forward ? step : -step)) % n + n) % n;
        const UiElement& e = elements[static_cast<size_t>(i)];
        if (e.focusable && e.tabStop && e.enabled) return e.id;
    }
    return -1;
}

int tabTarget(const ElementFocus& focus, const UiElements& elements, bool forward) {
    const UiElement* focused = findElement(elements, focus.id);
    if (!focus.visible && focused && focused->tabStop) return focus.id;
    return nextTabStop(elements, focus.id, forward);
}

}  // namespace vandrel

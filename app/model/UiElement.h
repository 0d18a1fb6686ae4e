#pragma once
// What a skinned window shows, element by element: each button, header, key,
// list row or control that a hit rectangle stands for, with the name the
// window draws for it, its state and whether the keyboard focus can rest on
// it. The window models build these lists from their own state; the screen
// reader's view of a window and its keyboard focus are both made from them,
// so that what is drawn, what is read out and what Tab walks never disagree.

#include <string>
#include <vector>

#include "app/model/MainButtonTable.h"

namespace vandrel {

enum class UiRole {
    Button,
    Header,       // a section header that opens and closes its section
    ComboBox,     // shows a choice and opens a list of the others
    List,
    ListItem,
    PageTab,
    CheckBox,
    RadioButton,
    Slider,
    Key,          // a key of the keyboard picture
    Field,
    Tree,
    StaticText,
    StatusLine,
    Heading,      // the title of a part of the window, read but never focused
};

struct UiElement {
    int id = -1;               // unique within its window
    UiRole role = UiRole::Button;
    HitRect rect{};            // window coordinates, both edges inclusive
    std::string name;          // what the reader says (UTF-8, the window's language)
    std::string description;   // how it is used, where that is not obvious
    std::string value;         // the current choice of a combo box
    bool focusable = true;     // the keyboard focus can rest on it
    bool tabStop = true;       // Tab stops on it (of the picture's keys, only the current one)
    bool enabled = true;
    bool checkable = false;
    bool checked = false;
    bool expandable = false;
    bool expanded = false;
    bool selected = false;     // the page shown, the chosen row
    bool control = false;      // a control of the window's own stands for it (slider, field, list)
};

using UiElements = std::vector<UiElement>;

// An element with the usual defaults: focusable, a Tab stop, enabled.
UiElement uiElement(int id, UiRole role, HitRect rect, std::string name);
// A heading or a line of help drawn in the window: read, never focused.
UiElement uiText(int id, UiRole role, HitRect rect, std::string name);

// The element with this id, or null.
const UiElement* findElement(const UiElements& elements, int id);
// The answer points into the list: a temporary list would leave it dangling.
const UiElement* findElement(UiElements&& elements, int id) = delete;

// The Tab stop after (`forward`) or before `current`, going round at the ends;
// from an id that is no stop, the first (or last) stop. -1 when there is none.
int nextTabStop(const UiElements& elements, int current, bool forward);

// Which element holds the keyboard focus, and whether its mark is drawn: the
// mark shows once the keyboard moved the focus and goes when the mouse is used.
struct ElementFocus {
    int id = -1;
    bool visible = false;
};

// The keys that move the focus and act on it, apart from the window's toolkit:
// Activate is Space (and Enter where Enter has no meaning of its own), Accept
// is Enter in a dialog, which presses the focused button or else the
// dialog's default one.
enum class NavKey { Tab, BackTab, Left, Right, Up, Down, Home, End, Activate, Accept, Escape };

// Where Tab (`forward`) or Shift+Tab takes the focus. The first press after
// the mouse was used only shows where the focus is; from an element that
// went away (a section closed) the walk starts again at the ends. -1 when
// nothing takes the focus.
int tabTarget(const ElementFocus& focus, const UiElements& elements, bool forward);

}  // namespace vandrel

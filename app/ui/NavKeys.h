#pragma once
// The keys that move the keyboard focus in a drawn window and act on it, read
// from the toolkit's key events the same way by every drawn window.

#include <optional>

#include "app/model/UiElement.h"

class QKeyEvent;

namespace vandrel {

// What Enter stands for. In a dialog it is Accept: it presses the focused
// button, or else does the dialog's default work. The main window has no
// default button, so there Enter presses the focused element as Space does.
enum class EnterKey { Accepts, Activates };

// The navigation key a key press stands for, or none: the arrows, Home, End,
// Space, Enter and Escape, pressed without a modifier (the keypad's own mark
// aside, so the keypad's Enter and arrows count). Tab and Shift+Tab reach a
// window through focusNextPrevChild, see tabNavKey.
std::optional<NavKey> navKeyFor(const QKeyEvent& event, EnterKey enter = EnterKey::Accepts);

// Tab (`next`) or Shift+Tab, as focusNextPrevChild is asked for them.
inline NavKey tabNavKey(bool next) { return next ? NavKey::Tab : NavKey::BackTab; }

}  // namespace vandrel

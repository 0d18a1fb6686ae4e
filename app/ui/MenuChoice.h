#pragma once
// A context menu's answer, however the entry was chosen: with the mouse, with
// the keys, or by a screen reader's press. A reader's press triggers the
// entry's action without ending the menu's own loop, which would then stay
// open and answer nothing.

class QAction;
class QMenu;
class QPoint;

namespace vandrel {

// Runs `menu` at `globalPos`; the chosen action (of the menu or of one of its
// submenus), or null when none was chosen.
QAction* chooseFromMenu(QMenu& menu, const QPoint& globalPos);

}  // namespace vandrel

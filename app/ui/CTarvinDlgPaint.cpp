#include "app/ui/CTarvinDlg.h"

// The main window's painting tools: what the mouse and the keyboard do to
// the custom colour map shown, and the dialogs the tools open. The tools'
// behaviour is the window model's; this file forwards input, draws again
// only the keys that changed while a stroke goes on, and makes each stroke,
// fill and import one undo step.

#include <QKeyEvent>
#include <QMouseEvent>

#include "app/draw/DiyPicture.h"

namespace vandrel {

QRect CTarvinDlg::keyArea(int slot) {
    const KeyRect& r = KeyGeometry[static_cast<size_t>(slot)].rect;
    // The hover frame is drawn 2 pixels outside the key.
    return QRect(QPoint(r.left + kKeyboardOriginX - 3, r.top + kKeyboardOriginY - 3),
                 QPoint(r.right + kKeyboardOriginX + 3, r.bottom + kKeyboardOriginY + 3));
}

bool CTarvinDlg::diyPress(QMouseEvent* event) {
    const Qt::MouseButton button = event->button();
    if ((button != Qt::LeftButton && button != Qt::RightButton) || !m_model.diyToolsShown(m_state.image)) return false;
    DiyModifiers mods;
    mods.shift = event->modifiers().testFlag(Qt::ShiftModifier);
    mods.ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    mods.alt = event->modifiers().testFlag(Qt::AltModifier);
    const QPoint pos = event->position().toPoint();
    const DiyResult r = m_model.diy().press(pos.x(), pos.y(), button == Qt::LeftButton ? DiyButton::Left : DiyButton::Right,
                                            mods, m_state.image, !m_model.panel().lightingCollapsed);
    if (!r.handled) return false;
    m_model.hideFocusMark();
    if (button == Qt::RightButton) m_diyTookMenu = true;
    applyDiy(r);
    return true;
}

void CTarvinDlg::applyDiy(const DiyResult& result) {
    if (result.command != DiyCommand::None) runCommand(MainWindowModel::diyClick(result.command));
    if (result.redraw || result.command != DiyCommand::None) {
        redraw();
        return;
    }
    for (int slot : result.keys) update(keyArea(slot));
    // The map's thumbnail follows the stroke.
    if (const int map = diyMapIndex(m_state.image.ledEffect); map >= 0 && !result.keys.empty()) {
        const HitRect t = diyThumbnailRect(map);
        update(QRect(QPoint(t.left - 2, t.top - 2), QPoint(t.right + 2, t.bottom + 2)));
    }
}

bool CTarvinDlg::diyKeyPress(QKeyEvent* event) {
    if (!m_model.diyToolsShown(m_state.image)) return false;
    DiyPaintModel& diy = m_model.diy();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    // Escape drops the selection wherever the focus is.
    if (event->key() == Qt::Key_Escape && mods == Qt::NoModifier && !diy.selection().empty()) {
        diy.clearSelection();
        redraw();
        return true;
    }
    const int focus = m_model.focus().id;
    if (focus < kElementKeyBase || focus >= kElementKeyBase + kPhysicalSlots) return false;
    const int slot = focus - kElementKeyBase;
    DiyResult r;
    switch (event->key()) {
    case Qt::Key_Space:
        if (mods != Qt::NoModifier) return false;
        r = diy.paintKey(slot, m_state.image);
        break;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        if (mods != Qt::NoModifier) return false;
        r = diy.clearKey(slot, m_state.image);
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        if (mods != Qt::ShiftModifier) return false;
        // Shift and an arrow: the cursor moves and the selection spans from
        // where it began to the cursor.
        const NavKey key = event->key() == Qt::Key_Left    ? NavKey::Left
                           : event->key() == Qt::Key_Right ? NavKey::Right
                           : event->key() == Qt::Key_Up    ? NavKey::Up
                                                           : NavKey::Down;
        const int next = m_model.keyInDirection(slot, key);
        if (next < 0) break;
        m_model.setFocus(kElementKeyBase + next, true);
        r = diy.extendSelection(slot, next);
        break;
    }
    default: return false;
    }
    m_model.setFocus(m_model.focus().id, true);
    if (r.changed) recordChange();
    redraw();
    return true;
}

void CTarvinDlg::pickDiyColour(bool second) {
    if (!m_hooks.pickColour) return;
    DiyPaintModel& diy = m_model.diy();
    const Rgb now = second ? diy.second() : diy.brush();
    const auto c = m_hooks.pickColour(this, QColor(now.r, now.g, now.b));
    if (!c) return;
    const Rgb chosen{static_cast<uint8_t>(c->red()), static_cast<uint8_t>(c->green()), static_cast<uint8_t>(c->blue())};
    if (second) diy.setSecond(chosen);
    else diy.setBrush(chosen);
}

void CTarvinDlg::importPicture() {
    if (!m_hooks.openPicture || diyMapIndex(m_state.image.ledEffect) < 0) return;
    const QString path = m_hooks.openPicture(this);
    if (path.isEmpty()) return;
    QString error;
    const auto colours = loadDiyPicture(path, &error);
    if (!colours) {
        if (m_hooks.warn) m_hooks.warn(this, tr("导入图片"), error);
        return;
    }
    // The caller ends the import as one undo step.
    m_model.diy().importColours(m_state.image, *colours);
}

void CTarvinDlg::exportPicture() {
    const int map = diyMapIndex(m_state.image.ledEffect);
    if (!m_hooks.savePicture || map < 0) return;
    const QString path = m_hooks.savePicture(this, QStringLiteral("diy-%1.png").arg(map + 1));
    if (path.isEmpty()) return;
    QString error;
    if (!exportDiyPicture(m_state.image, map, path, &error) && m_hooks.warn) m_hooks.warn(this, tr("导出图片"), error);
}

}  // namespace vandrel

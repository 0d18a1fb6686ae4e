#include "app/ui/CTarvinDlg.h"

// The main window's dialogs: the key-map dialog, the colour picker, the macro
// manager, the profiles, the configuration history and the context menu.
// What a dialog hands over goes to the configuration service.

#include <QContextMenuEvent>
#include <QMenu>
#include <memory>
#include <utility>

#include "app/draw/ModelText.h"
#include "app/model/ConfigHistory.h"
#include "app/ui/CHistoryDlg.h"
#include "keys/KeyNameTable.h"
#include "platform/DialogPlacement.h"
#include "profile/SnapshotStore.h"

namespace vandrel {

void CTarvinDlg::editKey(int slot) {
    // The key-map dialog runs here; without it a key click opens nothing.
    if (!m_hooks.runKeyMapDialog) return;
    KeyEditTarget target;
    target.slot = slot;
    target.homeVk = SlotHomeVk[slot];
    target.usage = keyNames().usage(target.homeVk);
    m_service.beginKeyEdit();
    // OK hands over the key's record as the dialog's page switches left it
    // (emptied); whatever does not end in an applied assignment puts the
    // record back, so that no later save stores the emptied one.
    const KeyRecord before = m_state.keys[slot];
    AssignmentRequest request;
    request.slot = static_cast<uint8_t>(slot);
    if (!m_hooks.runKeyMapDialog(this, target, request)) {
        m_state.keys[slot] = before;
        return;
    }
    m_service.assignKey(request, before);
}

void CTarvinDlg::pickPaletteColour(int entry) {
    if (!m_hooks.pickColour) return;
    const uint8_t* rgb = m_state.image.ledPalette[entry];
    if (const auto c = m_hooks.pickColour(this, QColor(rgb[0], rgb[1], rgb[2])))
        m_model.setPaletteColour(entry, static_cast<uint8_t>(c->red()), static_cast<uint8_t>(c->green()),
                                 static_cast<uint8_t>(c->blue()), m_state.image);
}

void CTarvinDlg::paintKey(int slot) {
    if (!m_hooks.pickColour) return;
    const int map = diyMapIndex(m_state.image.ledEffect);
    if (map < 0) return;
    const uint8_t* cell = m_state.image.diyMaps[map] + SlotCellOffset[slot];
    if (const auto c = m_hooks.pickColour(this, QColor(cell[1], cell[2], cell[3])))
        m_model.setKeyColour(slot, static_cast<uint8_t>(c->red()), static_cast<uint8_t>(c->green()),
                             static_cast<uint8_t>(c->blue()), m_state.image);
}

void CTarvinDlg::runMacroManager() {
    if (!m_hooks.runMacroManager) return;
    const std::optional<MacroRenumbering> moved = m_hooks.runMacroManager(this);
    if (!moved) return;
    // The click that ran the manager records all of it as one undo step.
    m_service.macrosEdited(*moved);
}

void CTarvinDlg::runProfiles() {
    if (!m_hooks.runProfileDialog) return;
    const std::unique_ptr<Snapshot> before = editedSnapshot(m_state);
    ++m_dialogsOpen;
    m_hooks.runProfileDialog(this);
    --m_dialogsOpen;
    // A loaded profile's brightness, speed and report rate show at once.
    m_service.profileDialogEnded(*before);
}

void CTarvinDlg::showConfigHistory() {
    if (m_service.busy()) return;
    recordChange();
    SnapshotStore store(snapshotFolder(m_service.paths().dataFolder));
    CHistoryDlg dialog(m_paths.skinFolder(), historyRows(store, m_state, modelLookup()), this);
    dialog.showFocusMark(keyboardInUse());
    if (execOver(dialog, this) != QDialog::Accepted || !dialog.chosen()) return;
    auto snapshot = std::make_unique<Snapshot>();
    if (!store.load(*dialog.chosen(), *snapshot)) {
        if (m_hooks.warn) m_hooks.warn(this, tr("配置历史"), tr("无法读取这份配置，它可能已被删除。"));
        return;
    }
    // The file may have changed since it was listed.
    if (const std::string problem = snapshotProblem(*snapshot, modelLookup()); !problem.empty()) {
        if (m_hooks.warn) m_hooks.warn(this, tr("配置历史"), QString::fromStdString(problem));
        return;
    }
    m_service.restoreSnapshot(*snapshot);
}

void CTarvinDlg::contextMenuEvent(QContextMenuEvent* event) {
    // A right press on a painted key took its colour: no menu over it.
    if (std::exchange(m_diyTookMenu, false) && event->reason() == QContextMenuEvent::Mouse) return;
    if (m_service.busy()) return;
    QMenu menu(this);
    QAction* undoAction = menu.addAction(tr("撤销(&U)\tCtrl+Z"), this, &CTarvinDlg::undo);
    undoAction->setEnabled(m_service.canUndo() || m_service.recordChange() != 0);
    QAction* redoAction = menu.addAction(tr("重做(&R)\tCtrl+Shift+Z"), this, &CTarvinDlg::redo);
    redoAction->setEnabled(m_service.canRedo());
    menu.addSeparator();
    menu.addAction(tr("配置历史(&H)…"), this, &CTarvinDlg::showConfigHistory);
    QAction* verify = menu.addAction(tr("保存后校验(&V)"));
    verify->setCheckable(true);
    verify->setChecked(m_service.verifySaves());
    connect(verify, &QAction::toggled, this, [this](bool on) { setVerifySaves(on); });
    QAction* legends = menu.addAction(tr("按键盘布局标注按键(&L)"));
    legends->setCheckable(true);
    legends->setChecked(m_legendsFollowLayout);
    connect(legends, &QAction::toggled, this, [this](bool on) { setLegendsFollowLayout(on); });
    menu.exec(event->globalPos());
}

}  // namespace vandrel

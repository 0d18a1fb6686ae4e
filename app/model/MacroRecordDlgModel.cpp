#include "app/model/MacroRecordDlgModel.h"

#include "macro/HeldKeys.h"

namespace vandrel {

const std::array<MacroRegionEntry, kMacroRegions>& MacroButtonTable() {
    static const std::array<MacroRegionEntry, kMacroRegions> table = {{
        {{290, 100, 379, 124}, "Record-normal.png", "Record-over.png"},
        {{368, 168, 382, 182}, "Pane.png", "PaneMakingTick.png"},
        {{296, 315, 310, 329}, "Pane.png", "PaneMakingTick.png"},
        {{20, 368, 77, 392}, "button-new-normal.png", "button-new-over.png"},
        {{80, 368, 137, 392}, "button-new-normal.png", "button-new-over.png"},
        {{280, 400, 337, 424}, "button-new-normal.png", "button-new-over.png"},
        {{340, 400, 397, 424}, "button-new-normal.png", "button-new-over.png"},
    }};
    return table;
}

MacroRecordDlgModel::MacroRecordDlgModel(MacroKeyHook& hook, PerfClock& clock, const KeyNameTable& names)
    : m_manager(hook, clock, names), m_names(names) {}

void MacroRecordDlgModel::open(const MacroStore& store) {
    m_manager.open(store);
    m_hovered = kMacroHitNone;
    m_hoverFlags.fill(false);
    m_undo.clear();
    m_redo.clear();
    m_captureBefore.reset();
}

int MacroRecordDlgModel::hitTest(int x, int y) {
    for (int i = 0; i < kMacroRegions; ++i)
        if (MacroButtonTable()[static_cast<size_t>(i)].rect.contains(x, y)) return i;
    return kMacroHitNone;
}

bool MacroRecordDlgModel::mouseMove(int x, int y) {
    const int r = hitTest(x, y);
    if (r == m_hovered) return false;
    m_hovered = r;
    // Check boxes have no hover picture.
    if (r == kMacroHitDelayBox || r == kMacroHitLoopBox) return false;
    for (int i : {kMacroHitRecord, kMacroHitNew, kMacroHitDelete, kMacroHitOk, kMacroHitCancel})
        m_hoverFlags[static_cast<size_t>(i)] = i == r;
    return true;
}

bool MacroRecordDlgModel::regionActive(int region) const {
    switch (region) {
    case kMacroHitDelayBox: return m_manager.recordDelays();
    case kMacroHitLoopBox: return m_manager.loopEnabled();
    default: return region >= 0 && region < kMacroRegions && m_hoverFlags[static_cast<size_t>(region)];
    }
}

bool MacroRecordDlgModel::captureRunning() const {
    return m_manager.recording() || m_manager.events().singleInsertPending();
}

void MacroRecordDlgModel::pushUndo(MacroManagerState before) {
    m_undo.push_back(std::move(before));
    if (m_undo.size() > kUndoSteps) m_undo.pop_front();
    m_redo.clear();
    m_lastWasLoopText = false;
}

template <class F>
auto MacroRecordDlgModel::change(F&& f) {
    std::optional<MacroManagerState> before;
    if (!m_inCapture) before = m_manager.state();
    auto r = f();
    const MacroManagerState now = m_manager.state();
    if (before && !now.sameRecords(*before)) pushUndo(std::move(*before));
    // A capture is one step: the state before it, recorded at its first change.
    if (m_captureBefore && !now.sameRecords(*m_captureBefore)) {
        pushUndo(std::move(*m_captureBefore));
        m_captureBefore.reset();
    }
    if (!captureRunning()) {
        m_inCapture = false;
        m_captureBefore.reset();
    }
    return r;
}

template <class F>
auto MacroRecordDlgModel::startCapture(F&& f) {
    MacroManagerState before = m_manager.state();
    const bool wasInCapture = m_inCapture;
    auto r = change(std::forward<F>(f));
    if (!wasInCapture && captureRunning()) {
        m_inCapture = true;
        if (m_manager.state().sameRecords(before)) m_captureBefore = std::move(before);
    }
    return r;
}

MacroClick MacroRecordDlgModel::leftButtonUp(int x, int y) {
    const int r = hitTest(x, y);
    m_hovered = r;
    return activate(r);
}

MacroClick MacroRecordDlgModel::activate(int region) {
    switch (region) {
    case kMacroHitRecord:
        if (startCapture([this] { return m_manager.ToggleRecording(); }) == RecordToggle::NoMacroSelected)
            return MacroClick::NoMacroToRecord;
        break;
    case kMacroHitDelayBox: m_manager.toggleRecordDelays(); break;
    case kMacroHitLoopBox:
        change([this] {
            m_manager.toggleLoop();
            return 0;
        });
        break;
    case kMacroHitNew: change([this] { return m_manager.newMacro(); }); break;
    case kMacroHitDelete: return MacroClick::ConfirmDelete;
    case kMacroHitOk: return MacroClick::Ok;
    case kMacroHitCancel: return MacroClick::Cancel;
    default: break;
    }
    return MacroClick::None;
}

bool MacroRecordDlgModel::deleteConfirmed() {
    return change([this] { return m_manager.deleteMacro(); }) == DeleteResult::Deleted;
}

void MacroRecordDlgModel::selectMacro(int row) {
    // Choosing another macro changes no record; a capture goes on into it.
    m_manager.selectMacro(row);
}

RenameResult MacroRecordDlgModel::renameMacro(int row, const std::u16string& name) {
    return change([&] { return m_manager.renameMacro(row, name); });
}

void MacroRecordDlgModel::setLoopText(const std::u16string& text) {
    // Typing "12" is one step, not two: a change of the same macro's loop
    // count right after another replaces it.
    const MacroManagerState before = m_manager.state();
    const bool merge = m_lastWasLoopText && m_lastLoopMacro == m_manager.selectedMacro() && !m_undo.empty();
    change([&] {
        m_manager.setLoopText(text);
        return 0;
    });
    const bool changed = !m_manager.state().sameRecords(before);
    if (changed && merge && m_undo.size() >= 2) m_undo.pop_back();
    if (changed) {
        m_lastWasLoopText = true;
        m_lastLoopMacro = m_manager.selectedMacro();
    }
}

CaptureResult MacroRecordDlgModel::OnHookKey(uint8_t vk, bool released) {
    return change([&] { return m_manager.OnHookKey(vk, released); });
}

bool MacroRecordDlgModel::ArmCaptureBefore() {
    return startCapture([this] { return m_manager.ArmCaptureBefore(); });
}

bool MacroRecordDlgModel::ArmCaptureAfter() {
    return startCapture([this] { return m_manager.ArmCaptureAfter(); });
}

EditResult MacroRecordDlgModel::InsertDelay() {
    return change([this] { return m_manager.InsertDelay(); });
}

EditResult MacroRecordDlgModel::DeleteEventRow() {
    return change([this] { return m_manager.DeleteEventRow(); });
}

EditResult MacroRecordDlgModel::InsertMouseEvent(MouseAction action, uint8_t code) {
    return change([&] { return m_manager.InsertMouseEvent(action, code); });
}

EditResult MacroRecordDlgModel::InsertKeyActions(const std::vector<KeyAction>& actions) {
    return change([&] { return m_manager.InsertKeyActions(actions); });
}

EditResult MacroRecordDlgModel::SetEventDelay(int row, int64_t ms) {
    return change([&] { return m_manager.SetEventDelay(row, ms); });
}

void MacroRecordDlgModel::onListEditBegin() {
    change([this] {
        m_manager.onListEditBegin();
        return 0;
    });
}

bool MacroRecordDlgModel::undo() {
    if (!canUndo()) return false;
    m_redo.push_back(m_manager.state());
    m_manager.restore(m_undo.back());
    m_undo.pop_back();
    m_lastWasLoopText = false;
    return true;
}

bool MacroRecordDlgModel::redo() {
    if (!canRedo()) return false;
    m_undo.push_back(m_manager.state());
    m_manager.restore(m_redo.back());
    m_redo.pop_back();
    m_lastWasLoopText = false;
    return true;
}

std::vector<HeldKeysReport> MacroRecordDlgModel::heldKeys() const {
    std::vector<HeldKeysReport> out;
    const MacroStore& work = m_manager.workingCopy();
    for (size_t i = 0; i < m_manager.macroRows().size(); ++i) {
        HeldKeysReport r;
        r.vks = keysLeftHeld(work[i]);
        if (r.vks.empty()) continue;
        r.row = static_cast<int>(i);
        r.name = m_manager.macroRows()[i];
        MacroRecord trial = work[i];
        r.releasesFit = appendReleases(trial, r.vks, m_names);
        out.push_back(std::move(r));
    }
    return out;
}

void MacroRecordDlgModel::addReleases(const std::vector<HeldKeysReport>& reports) {
    change([&] {
        m_manager.StopHook();
        for (const HeldKeysReport& r : reports)
            if (r.releasesFit) m_manager.appendReleases(r.row, r.vks);
        return 0;
    });
}

}  // namespace vandrel

#pragma once
// The configuration history as the main window uses it: a snapshot of what
// the keyboard holds before a save replaces it, the rows the history window
// lists (when, and what each differs in from the configuration being
// edited), and a restore that turns a snapshot into pending changes.

#include <filesystem>
#include <string>
#include <vector>

#include "app/model/AppState.h"
#include "profile/SnapshotStore.h"
#include "util/TextLookup.h"

namespace vandrel {

// The snapshot folder inside the data folder.
std::filesystem::path snapshotFolder(const std::filesystem::path& dataFolder);

// Keeps the configuration the keyboard holds (`state.shadow`, its key records
// and `savedMacros`) when the save about to run would change the keyboard.
// Returns whether a snapshot was written.
bool keepSnapshotBeforeSave(const AppState& state, const MacroStore& savedMacros, SnapshotStore& store, int64_t nowMs);

struct HistoryRow {
    SnapshotEntry entry;
    std::string differs;  // "灯光、按键 3 个" or "与当前设置相同" (UTF-8)
};
// Newest first; snapshots that cannot be read are left out.
std::vector<HistoryRow> historyRows(const SnapshotStore& store, const AppState& current, const TextLookup& tr = {});

// The snapshot replaces the configuration being edited (not the keyboard's:
// Save sends it); keymap.bin and MacroDefine.bin follow. The caller records
// the change as an undo step.
void applySnapshot(AppState& state, const Snapshot& snapshot, const std::filesystem::path& dataFolder);

}  // namespace vandrel

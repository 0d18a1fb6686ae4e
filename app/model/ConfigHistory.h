#pragma once
// The configuration history as the main window uses it: a snapshot of what
// the keyboard holds before a save or a factory reset replaces it, the rows
// the history window lists (when, and what each differs in from the
// configuration being edited, or why it cannot be restored), and a restore
// that turns a snapshot into pending changes.

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "app/model/AppState.h"
#include "profile/SnapshotStore.h"
#include "util/TextLookup.h"

namespace vandrel {

// The snapshot folder inside the data folder.
std::filesystem::path snapshotFolder(const std::filesystem::path& dataFolder);

// The configuration the keyboard holds: `state.shadow`, its key records and
// `savedMacros` (the macros as of the last save).
std::unique_ptr<Snapshot> keyboardSnapshot(const AppState& state, const MacroStore& savedMacros);
// The configuration being edited, with its macros.
std::unique_ptr<Snapshot> editedSnapshot(const AppState& state);

// Keeps the configuration the keyboard holds when the save about to run would
// change the keyboard. Returns whether it is in the history now; false with
// `why` set when it could not be written.
bool keepSnapshotBeforeSave(const AppState& state, const MacroStore& savedMacros, SnapshotStore& store, int64_t nowMs,
                            std::error_code* why = nullptr);

struct HistoryRow {
    SnapshotEntry entry;
    std::string differs;     // "灯光、按键 3 个", "与当前设置相同", or why it cannot be restored (UTF-8)
    bool restorable = true;  // false: the file cannot be read or holds values no keyboard takes
};
// Newest first. A snapshot that cannot be read, or whose values no keyboard
// takes, is listed as such and cannot be restored.
std::vector<HistoryRow> historyRows(const SnapshotStore& store, const AppState& current, const TextLookup& tr = {});

// Why a snapshot about to be restored cannot be (UTF-8), or empty when it can.
std::string snapshotProblem(const Snapshot& snapshot, const TextLookup& tr = {});

// The snapshot replaces the configuration being edited (not the keyboard's:
// Save sends it); keymap.bin and MacroDefine.bin follow. The caller records
// the change as an undo step.
void applySnapshot(AppState& state, const Snapshot& snapshot, const std::filesystem::path& dataFolder);

}  // namespace vandrel

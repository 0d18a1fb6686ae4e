#include "app/model/ConfigHistory.h"

#include "app/model/AppCommands.h"

#include <cstring>
#include <memory>

#include "app/model/PendingChanges.h"
#include "device/Commands.h"
#include "keymap/KeyRecordReconcile.h"
#include "keymap/KeymapFile.h"
#include "macro/MacroStoreFile.h"
#include "profile/OwnDataFiles.h"
#include "util/TrNoop.h"

namespace vandrel {

std::filesystem::path snapshotFolder(const std::filesystem::path& dataFolder) {
    return dataFolder / kSnapshotFolderName;
}

std::unique_ptr<Snapshot> keyboardSnapshot(const AppState& state, const MacroStore& savedMacros) {
    auto s = std::make_unique<Snapshot>();
    s->image = state.shadow;
    s->keys = state.shadowKeys;
    s->macros = savedMacros;
    return s;
}

std::unique_ptr<Snapshot> editedSnapshot(const AppState& state) {
    auto s = std::make_unique<Snapshot>();
    s->image = state.image;
    s->keys = state.keys;
    s->macros = state.macros;
    return s;
}

bool keepSnapshotBeforeSave(const AppState& state, const MacroStore& savedMacros, SnapshotStore& store, int64_t nowMs,
                            std::error_code* why) {
    DeviceImage locked = state.image;
    applyWinLock(locked);
    if (!compareImages(locked, state.shadow).any()) return false;
    return store.keep(*keyboardSnapshot(state, savedMacros), nowMs, why);
}

std::string snapshotProblem(const Snapshot& snapshot, const TextLookup& tr) {
    const char* field = firstImpossibleSnapshotValue(snapshot.image);
    if (!field) return {};
    return fillPlaceholders(
        lookUpText(tr, "vandrel::ConfigHistory", VANDREL_TR_NOOP("vandrel::ConfigHistory", "已损坏（%1），不能恢复")),
        {field});
}

std::vector<HistoryRow> historyRows(const SnapshotStore& store, const AppState& current, const TextLookup& tr) {
    std::vector<HistoryRow> rows;
    auto s = std::make_unique<Snapshot>();
    for (const SnapshotEntry& e : store.list()) {
        HistoryRow row;
        row.entry = e;
        if (!e.complete || !store.load(e, *s)) {
            row.restorable = false;
            row.differs = lookUpText(tr, "vandrel::ConfigHistory",
                                     VANDREL_TR_NOOP("vandrel::ConfigHistory", "无法读取，不能恢复"));
            rows.push_back(std::move(row));
            continue;
        }
        row.differs = snapshotProblem(*s, tr);
        if (!row.differs.empty()) {
            row.restorable = false;
            rows.push_back(std::move(row));
            continue;
        }
        row.differs = describeChanges(summarizeChanges(s->image, current.image), tr);
        if (row.differs.empty()) {
            const bool hostOnly = std::memcmp(&s->keys, &current.keys, sizeof s->keys) != 0 ||
                                  std::memcmp(&s->macros, &current.macros, sizeof s->macros) != 0;
            row.differs = lookUpText(tr, "vandrel::ConfigHistory",
                                     hostOnly ? VANDREL_TR_NOOP("vandrel::ConfigHistory", "按键记录或宏名称")
                                              : VANDREL_TR_NOOP("vandrel::ConfigHistory", "与当前设置相同"));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void applySnapshot(AppState& state, const Snapshot& snapshot, const std::filesystem::path& dataFolder) {
    state.image = snapshot.image;
    state.keys = snapshot.keys;
    state.macros = snapshot.macros;
    ReconcileKeyRecords(state.image, state.keys);
    DeriveReassignedFlags(state.image, state.keys, state.reassigned);
    // The files follow, unless one could not be read at start: that one is kept.
    saveKeymap(state, dataFolder);
    if (!state.macroFileKept) SaveMacroStore(state.macros, dataFolder);
}

}  // namespace vandrel

#include "app/model/AppCommands.h"

#include "keymap/KeyState.h"
#include "keymap/KeymapFile.h"
#include "macro/MacroSlot.h"
#include "macro/MacroStoreFile.h"

namespace vandrel {

void loadStartupFiles(AppState& state, const std::filesystem::path& dataFolder) {
    LoadMacroStore(state.macros, dataFolder);
    state.keys.clear();
    state.skipImageOnNextLoad = false;
    LoadKeymapFile(dataFolder, state.image, state.keys, state.skipImageOnNextLoad);
    state.keys.restoreHomeCodes();
    state.shadow = state.image;
    state.shadowKeys = state.keys;
}

void acceptInitialRead(AppState& state, const DeviceImage& read, const FirmwareVersion& firmware) {
    state.image = read;
    state.shadow = read;
    state.firmware = firmware;
}

void refreshAfterReload(AppState& state, const std::filesystem::path& dataFolder) {
    DeriveReassignedFlags(state.image, state.keys, state.reassigned);
    SaveKeymapFile(dataFolder, state.image, state.keys);
}

bool finishSave(AppState& state, const DeviceImage& written, const WriteResult& result,
                const std::filesystem::path& dataFolder) {
    state.image = written;
    if (result.ok()) {
        state.shadow = state.image;
        state.shadowKeys = state.keys;
    }
    return SaveKeymapFile(dataFolder, state.image, state.keys);
}

void restoreShadowCopies(AppState& state, MainWindowModel& model, const std::filesystem::path& dataFolder) {
    state.image = state.shadow;
    state.keys = state.shadowKeys;
    DeriveReassignedFlags(state.image, state.keys, state.reassigned);
    model.followEffect(state.image);
    SaveKeymapFile(dataFolder, state.image, state.keys);
}

bool finishFactoryReset(AppState& state, MainWindowModel& model, const DeviceImage& readBack,
                        const std::filesystem::path& dataFolder) {
    model.resetPanel();
    state.image = readBack;
    ResetKeyRecordsToFactory(state.image, state.keys, state.reassigned);
    if (!SaveKeymapFile(dataFolder, state.image, state.keys)) return false;
    state.shadow = state.image;
    state.shadowKeys = state.keys;
    return true;
}

bool saveShadowOnClose(const AppState& state, const std::filesystem::path& dataFolder) {
    return SaveKeymapFile(dataFolder, state.shadow, state.shadowKeys);
}

void reloadRecordsForKeyEdit(AppState& state, const std::filesystem::path& dataFolder) {
    state.skipImageOnNextLoad = true;
    LoadKeymapFile(dataFolder, state.image, state.keys, state.skipImageOnNextLoad);
}

void storeMacrosAfterManager(AppState& state, const std::filesystem::path& dataFolder) {
    SyncMacroSlots(state.macros, state.image);
    SaveKeymapFile(dataFolder, state.image, state.keys);
    SaveMacroStore(state.macros, dataFolder);
}

}  // namespace vandrel

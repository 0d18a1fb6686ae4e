#pragma once
// The file and image work behind the main window's commands, without any
// toolkit: what start-up loads, what save, cancel, factory reset and close
// leave in memory and in keymap.bin. The window runs the transfers and the
// dialogs and calls these on its own thread.

#include <filesystem>

#include "app/model/AppState.h"
#include "app/model/MainWindowModel.h"
#include "device/TransferResult.h"

namespace vandrel {

// Start-up: MacroDefine.bin, then keymap.bin (the image part included), then
// the shadow copies. Runs before the first read of the keyboard, so that the
// keyboard's values arrive after the file's.
void loadStartupFiles(AppState& state, const std::filesystem::path& dataFolder);

// The keyboard's configuration has been read: it replaces the image and
// becomes the shadow copy.
void acceptInitialRead(AppState& state, const DeviceImage& read, const FirmwareVersion& firmware);

// After a read or a reload of the image: the reassigned keys are derived
// again and keymap.bin is rewritten.
void refreshAfterReload(AppState& state, const std::filesystem::path& dataFolder);

// Save has run. `written` is the image as the write left it (the Windows-key
// lock applied to its key mask). Only a write that completed marks the
// configuration as the keyboard's; keymap.bin is written from the live
// buffers either way. Returns whether keymap.bin was written.
bool finishSave(AppState& state, const DeviceImage& written, const WriteResult& result,
                const std::filesystem::path& dataFolder);

// Cancel: the shadow copies replace the edits, paint mode follows the effect,
// keymap.bin is rewritten.
void restoreShadowCopies(AppState& state, MainWindowModel& model, const std::filesystem::path& dataFolder);

// Factory reset has run and `readBack` holds what the keyboard reported after
// it. Every key enabled and unassigned; the shadow copies are taken only when
// keymap.bin could be written. Returns whether it was.
bool finishFactoryReset(AppState& state, MainWindowModel& model, const DeviceImage& readBack,
                        const std::filesystem::path& dataFolder);

// Close: keymap.bin gets what the keyboard holds, not the unsaved edits.
bool saveShadowOnClose(const AppState& state, const std::filesystem::path& dataFolder);

// Before the key-map dialog opens: the records are reloaded from keymap.bin
// while the image in memory stays as it is.
void reloadRecordsForKeyEdit(AppState& state, const std::filesystem::path& dataFolder);

// The macro manager ended with OK: the macros in use go to the device slots,
// then keymap.bin and MacroDefine.bin are written.
void storeMacrosAfterManager(AppState& state, const std::filesystem::path& dataFolder);

}  // namespace vandrel

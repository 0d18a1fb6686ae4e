#pragma once
// The file and image work behind the main window's commands, without any
// toolkit: what start-up loads, what save, cancel, factory reset and close
// leave in memory and in keymap.bin. The window runs the transfers and the
// dialogs and calls these on its own thread.

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "app/model/AppState.h"
#include "app/model/MainWindowModel.h"
#include "device/TransferResult.h"
#include "keymap/KeyAssignment.h"
#include "macro/MacroManager.h"
#include "util/TextLookup.h"

namespace vandrel {

// A problem with a data file that the user must be told about.
struct FileNotice {
    enum class Kind {
        Unreadable,  // it exists but could not be read: kept as it is for this run
        NotCreated,  // it was missing and could not be created
        NotSaved,    // it could not be written: the old file is intact
        HistoryNotKept,  // a snapshot for the configuration history could not be written
    };
    Kind kind;
    std::filesystem::path file;
    std::error_code why;
};

// The message for a notice, UTF-8, in the language of `tr`.
std::string fileNoticeText(const FileNotice& notice, const TextLookup& tr = {});

// What became of a write of keymap.bin. A file kept because it could not be
// read at start is neither written nor reported again.
struct FileWrite {
    bool written = false;
    std::optional<FileNotice> notice;  // set when the failure must be reported
    explicit operator bool() const { return written; }
};

// Writes keymap.bin from the given buffers, unless the file is kept.
FileWrite saveKeymap(const AppState& state, const std::filesystem::path& dataFolder, const DeviceImage& image,
                     const KeyRecordTable& keys);
// The same from the live buffers.
FileWrite saveKeymap(const AppState& state, const std::filesystem::path& dataFolder);

// Start-up: removes the temporary files that killed saves left in the data
// folders, loads MacroDefine.bin, then keymap.bin (the image part included),
// then takes the shadow copies. Macros a run that ended without Save, Cancel
// or its close left in MacroDefine.bin are put back to the last saved ones.
// Runs before the first read of the keyboard, so
// that the keyboard's values arrive after the file's. A file that exists but
// cannot be read is kept for the whole run and the program goes on with
// factory records. Returns what the user must be told, once each.
std::vector<FileNotice> loadStartupFiles(AppState& state, const std::filesystem::path& dataFolder);

// The keyboard's configuration has been read: it replaces the image and
// becomes the shadow copy.
void acceptInitialRead(AppState& state, const DeviceImage& read, const FirmwareVersion& firmware);

// After a read or a reload of the image: the reassigned keys are derived
// again and keymap.bin is rewritten.
FileWrite refreshAfterReload(AppState& state, const std::filesystem::path& dataFolder);

// Save has run. `written` is the image as the write left it (the Windows-key
// lock applied to its key mask). Only a write that completed marks the
// configuration as the keyboard's, the macro store included (kept as the
// saved copy beside MacroDefine.bin); keymap.bin is written from the live
// buffers either way.
FileWrite finishSave(AppState& state, const DeviceImage& written, const WriteResult& result,
                const std::filesystem::path& dataFolder);

// Cancel: the shadow copies replace the edits, keymap.bin is rewritten. With
// the window's model, paint mode follows the effect.
FileWrite restoreShadowCopies(AppState& state, const std::filesystem::path& dataFolder);
FileWrite restoreShadowCopies(AppState& state, MainWindowModel& model, const std::filesystem::path& dataFolder);

// Factory reset has run and `readBack` holds what the keyboard reported after
// it. Every key enabled and unassigned; the shadow copies are taken only when
// keymap.bin could be written.
// With the window's model, the panel starts over.
FileWrite finishFactoryReset(AppState& state, const DeviceImage& readBack, const std::filesystem::path& dataFolder);
FileWrite finishFactoryReset(AppState& state, MainWindowModel& model, const DeviceImage& readBack,
                        const std::filesystem::path& dataFolder);

// Close: keymap.bin gets what the keyboard holds, not the unsaved edits.
FileWrite saveShadowOnClose(const AppState& state, const std::filesystem::path& dataFolder);

// Cancel and every close that drops unsaved changes (Discard, an ending
// signal): the macro store goes back to what the last save left, in memory
// and in MacroDefine.bin (unless that file is kept). The failure to report,
// if any.
std::optional<FileNotice> restoreSavedMacros(AppState& state, const std::filesystem::path& dataFolder);

// Whether the macro store differs from what the last save left.
inline bool macrosUnsaved(const AppState& state) { return !(state.macros == state.savedMacros); }

// Before the key-map dialog opens: the records are reloaded from keymap.bin
// while the image in memory stays as it is.
void reloadRecordsForKeyEdit(AppState& state, const std::filesystem::path& dataFolder);

// What became of the key-map dialog's OK.
struct KeyEditOutcome {
    AssignResult result = AssignResult::Saved;
    FileWrite file;  // the one write of keymap.bin; nothing for a refused request
};

// The key-map dialog closed with OK: the request is committed in memory and
// keymap.bin is written once. A refused request (no such key, a path the
// record cannot hold) puts the key's record back to `before`, as it was when
// the dialog opened, and writes nothing. A kept file counts as saved.
KeyEditOutcome finishKeyEdit(AppState& state, const std::filesystem::path& dataFolder, AssignmentRequest& request,
                             const KeyRecord& before);

// The macro manager ended with OK and moved or deleted macros as `to` says:
// keys bound to a moved macro follow it, keys bound to a deleted one get their
// factory function back (see FollowMacroRenumbering). Returns the number of
// keys given back their factory function.
int followMacroRenumbering(AppState& state, const MacroRenumbering& to);

// The macro manager ended with OK: the macros in use go to the device slots,
// then keymap.bin and MacroDefine.bin are written (each unless kept). Returns
// the failures to report.
std::vector<FileNotice> storeMacrosAfterManager(AppState& state, const std::filesystem::path& dataFolder);

}  // namespace vandrel

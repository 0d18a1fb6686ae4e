#pragma once
// Turns the key-map dialog's result into the key's 4-byte device entry and its
// host record. The assignment itself only changes memory and says whether it
// was applied; the caller stores keymap.bin once for the whole OK. Nothing is
// sent to the keyboard here: the entry travels with the next write of the
// whole configuration.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "device/DeviceImage.h"
#include "keymap/KeyRecord.h"
#include "macro/MacroRecord.h"

namespace vandrel {

enum class AssignType : uint8_t {
    SingleKey = 0,
    KeyCombination = 1,
    MacroKey = 2,
    NamedFunction = 3,
    LaunchMusicFile = 4,
    LaunchProgram = 5,
    LaunchTextFile = 6,
    OpenFolder = 7,
    RestoreDefault = 8,
};

// Whether a type (as stored in a KeyRecord) starts a file, program or folder.
inline bool isLaunchType(uint8_t t) {
    return t >= static_cast<uint8_t>(AssignType::LaunchMusicFile) && t <= static_cast<uint8_t>(AssignType::OpenFolder);
}

// A codeCount of this value restores the key's factory function whatever the type.
constexpr uint32_t kRestoreCodeCount = 255;
// An assignType that keeps the key's entry and record as they are; only the
// enable switch of the request applies.
constexpr uint8_t kKeepAssignment = 9;
constexpr int32_t kNoMacro = -1;
// Longest launch path the record's 256-unit field holds with its terminating zero.
constexpr size_t kMaxLaunchPathChars = kKeyRecordPathUnits - 1;

// Device entry kinds (byte 0 of a deviceKeyMap entry).
constexpr uint8_t kEntryKeys = 0x00;
constexpr uint8_t kEntryFn = 0x02;
constexpr uint8_t kEntryConsumer = 0x03;
constexpr uint8_t kEntryMacro = 0x04;
constexpr uint8_t kEntryLaunch = 0x0A;

struct AssignmentRequest {
    uint8_t slot = kNoSlot;                 // key being edited, 0..107
    uint8_t assignType = 0;                 // AssignType; values above 8 only save
    std::array<uint8_t, 255> codes{};       // virtual-key codes typed, zero after the last
    uint32_t codeCount = 0;                 // kRestoreCodeCount = restore
    std::u16string functionName;            // NamedFunction: label picked in the tree
    std::u16string launchPath;              // types 4..7: file, program or folder
    int32_t macroIndex = kNoMacro;          // MacroKey: record index in the macro store
    bool keyEnabled = true;                 // false: the key is to be disabled
};

// Stores the image and records; returns whether the file was written.
using KeymapSaver = std::function<bool(const DeviceImage&, const KeyRecordTable&)>;
// Copies the macros in use into the image's macro slots.
using MacroSlotSync = std::function<void(DeviceImage&)>;

// A saver that writes keymap.bin in the given data folder.
KeymapSaver KeymapFileSaver(std::filesystem::path dataFolder);

// Copies the macros in use of `store` (which must outlive the result) into the slots.
MacroSlotSync MacroSlotSyncFor(const MacroStore& store);

// What an assignment did in memory.
enum class AssignChange {
    Applied,      // the entry, record, flags and enable bit hold the request
    NoSuchKey,    // slot is not a physical key: nothing changed
    PathTooLong,  // launch path does not fit the record: nothing changed
};

enum class AssignResult {
    Saved,        // applied and keymap.bin written
    SaveFailed,   // applied in memory; keymap.bin could not be written (old file intact)
    NoSuchKey,    // slot is not a physical key: nothing changed, nothing saved
    PathTooLong,  // launch path does not fit the record: nothing changed, nothing saved
};

// The result of an assignment once the caller tried to store it; `saved` only
// counts for an applied one.
AssignResult AssignResultAfterSave(AssignChange change, bool saved);

// The named functions of the dialog's tree and the device entry each one gets.
struct NamedFunction {
    const char16_t* label;
    std::array<uint8_t, 4> entry;
};
extern const std::array<NamedFunction, 23> kNamedFunctions;

// Looks a label up (exact whole-string comparison); null when none matches.
const NamedFunction* FindNamedFunction(const std::u16string& label);

// Applies the request to the slot's deviceKeyMap entry and KeyRecord, and sets
// or clears the slot's reassigned flag where the assignment decides it.
// Restoring (codeCount 255) also sets request.keyEnabled and the key's mask bit.
// `syncMacroSlots` runs after a macro was bound to the key; it may be empty.
// Nothing is saved.
AssignChange AssignKey(AssignmentRequest& request, DeviceImage& image, KeyRecordTable& records,
                       ReassignedFlags& flags, const MacroSlotSync& syncMacroSlots);

// What the main window does when the key-map dialog closes with OK: clears the
// key's flag, applies the request, then enables the key or disables and marks it
// as request.keyEnabled says. Nothing changes for a refused request. Nothing is
// saved: the caller stores keymap.bin once when this returns Applied.
AssignChange CommitKeyEdit(AssignmentRequest& request, DeviceImage& image, KeyRecordTable& records,
                           ReassignedFlags& flags, const MacroSlotSync& syncMacroSlots);

// AssignKey, then one save through `save` when it applied.
AssignResult ApplyKeyAssignment(AssignmentRequest& request, DeviceImage& image, KeyRecordTable& records,
                                ReassignedFlags& flags, const KeymapSaver& save,
                                const MacroSlotSync& syncMacroSlots);

// CommitKeyEdit, then one save through `save` when it applied.
AssignResult CommitKeyAssignment(AssignmentRequest& request, DeviceImage& image, KeyRecordTable& records,
                                 ReassignedFlags& flags, const KeymapSaver& save,
                                 const MacroSlotSync& syncMacroSlots);

// The macro manager closed with OK and its macros moved as `to` says: every
// key bound to a macro, through its device entry or through a macro record
// (whatever the record's type otherwise), is bound to the macro's new index,
// so that it plays the same macro. A key bound to a deleted macro gets its
// factory entry and an empty record back, its reassigned flag following; its
// enable bit stays as it was. Bindings to records that held no macro are left
// alone. Returns the number of keys given back their factory function.
int FollowMacroRenumbering(const MacroRenumbering& to, DeviceImage& image, KeyRecordTable& records,
                           ReassignedFlags& flags);

}  // namespace vandrel

#pragma once
// MacroDefine.bin: the raw 169860 bytes of the macro store, no header.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "macro/MacroRecord.h"

namespace vandrel {

constexpr const char* kMacroFileName = "MacroDefine.bin";

enum class MacroLoad {
    Loaded,        // the file was read (a short file fills what it holds)
    Created,       // the file was missing and has been created with zeros
    CreateFailed,  // missing and could not be created; the store is empty
    ReadFailed     // present but unreadable; the store is empty, the file untouched
};

// Fills the store from the bytes of a file: a short file fills what it holds and
// leaves the rest zero; bytes past 169860 are ignored.
void loadMacroStoreBytes(MacroStore& store, const uint8_t* data, size_t size);

// Loads <folder>/MacroDefine.bin into the store, creating the file with 169860
// zero bytes when it does not exist.
// `why`, when given, receives the reason for ReadFailed and CreateFailed.
MacroLoad LoadMacroStore(MacroStore& store, const std::filesystem::path& folder, std::error_code* why = nullptr);

// Replaces <folder>/MacroDefine.bin atomically with the store. Returns false when
// it could not be written; the store and the old file are then unchanged.
bool SaveMacroStore(const MacroStore& store, const std::filesystem::path& folder, std::error_code* why = nullptr);

// The macros are part of the configuration the keyboard holds, but the macro
// manager's OK writes MacroDefine.bin before the keyboard gets them. The store
// as the last save to the keyboard left it is kept beside it, so that Cancel,
// a close that discards and a start after a killed run can put it back.
constexpr const char* kSavedMacroFileName = "MacroDefine.saved";

// Replaces <folder>/MacroDefine.saved atomically with the store. When it
// cannot be written, an older one is removed rather than left to be put back
// later (the next start then takes MacroDefine.bin as it is).
bool SaveMacroBaseline(const MacroStore& store, const std::filesystem::path& folder, std::error_code* why = nullptr);

// A save to the keyboard completed with `store`: MacroDefine.bin and the saved
// copy both get it. False when either could not be written.
bool SaveMacroStoreAsSaved(const MacroStore& store, const std::filesystem::path& folder,
                           std::error_code* why = nullptr);

enum class MacroBaselineCheck {
    Same,      // MacroDefine.bin holds the saved store
    Taken,     // there was no saved copy: one was made of MacroDefine.bin
    Restored,  // MacroDefine.bin held changes never saved: it and `store` were put back
    Failed,    // the saved copy could not be read or written; `store` is as loaded
};

// Start-up, with `store` loaded from MacroDefine.bin: a store that differs from
// the saved copy (changes of a run that ended without Save, Cancel or its
// close) is put back to it, in memory and in MacroDefine.bin.
MacroBaselineCheck CheckMacroBaseline(MacroStore& store, const std::filesystem::path& folder,
                                      std::error_code* why = nullptr);

}  // namespace vandrel

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

}  // namespace vandrel

#pragma once
// When profile switching last wrote to the keyboard, kept in a small text
// file of the data folder so that the write limit holds over a restart: one
// wall-clock time (milliseconds since the epoch) a line. The switching
// model counts in the ages of these writes, which a clock that jumps cannot
// turn into a limit that never ends: an age below zero counts as now.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace vandrel {

inline constexpr const char* kSwitchWriteLogName = "SwitchWrites.txt";
// The configuration to return to while a rule's profile is on the keyboard
// (the layout of keymap.bin), beside it in the data folder.
inline constexpr const char* kSwitchReturnFileName = "SwitchReturn.bin";

// The ages (ms before `wallNowMs`) of the writes in the file; lines that are
// no time are left out, and a missing or unreadable file gives none.
std::vector<int64_t> readSwitchWriteAges(const std::filesystem::path& file, int64_t wallNowMs);

// Replaces the file (atomically) with the writes of the given ages.
bool writeSwitchWriteAges(const std::filesystem::path& file, const std::vector<int64_t>& agesMs, int64_t wallNowMs);

}  // namespace vandrel

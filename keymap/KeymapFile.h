#pragma once
// keymap.bin: the DeviceImage followed by the KeyRecordTable, 206920 raw bytes
// without header or checksum. Profile files use the same two blocks.

#include <cstddef>
#include <filesystem>
#include <system_error>

#include "device/DeviceImage.h"
#include "keymap/KeyRecord.h"

namespace vandrel {

inline constexpr const char* kKeymapFileName = "keymap.bin";

// The keymap file inside the data folder.
std::filesystem::path KeymapFilePath(const std::filesystem::path& dataFolder);

// Copies a raw image of the two blocks over the buffers: the first 10060 bytes
// into `image` (unless `image` is null), the next 196860 into `records`. A short
// input fills what it holds and leaves the rest of the buffers as they were;
// bytes past the two blocks are ignored.
void ApplyConfigurationBytes(const uint8_t* data, size_t size, DeviceImage* image, KeyRecordTable& records);

// Replaces `file` atomically with the two blocks. True when the file was written.
bool WriteConfigurationFile(const std::filesystem::path& file, const DeviceImage& image,
                            const KeyRecordTable& records, std::error_code* why = nullptr);

enum class KeymapLoadResult {
    Loaded,        // the file was read (possibly short)
    Created,       // there was no file: records zeroed, a new file written
    CreateFailed,  // there was no file and none could be written: records zeroed
    Unreadable     // the file exists but cannot be read: memory and file left alone
};

// Reads keymap.bin from the data folder. When `skipImageOnNextLoad` is set the
// image block is skipped, so the records are refreshed from the file while the
// DeviceImage in memory stays as it is; the flag is cleared by every call. The
// home codes of slots 0..107 are restored from SlotHomeVk in every case, so the
// file cannot change which key a record belongs to.
// `why`, when given, receives the reason for Unreadable and CreateFailed.
KeymapLoadResult LoadKeymapFile(const std::filesystem::path& dataFolder, DeviceImage& image,
                                KeyRecordTable& records, bool& skipImageOnNextLoad, std::error_code* why = nullptr);

// Replaces keymap.bin in the data folder atomically. Returns whether it was
// written; on failure the old file stays intact and memory is not touched.
bool SaveKeymapFile(const std::filesystem::path& dataFolder, const DeviceImage& image,
                    const KeyRecordTable& records, std::error_code* why = nullptr);

// Recomputes the flags of slots 0..107: a key is marked when its device entry
// sends another usage than the factory entry, its record holds an assignment,
// its record holds one code other than its own, or the key is disabled. Slot
// 100 (Fn) is never marked. Flags of slots 108..254 are left as they are.
void DeriveReassignedFlags(const DeviceImage& image, const KeyRecordTable& records, ReassignedFlags& flags);
// The same for one physical slot.
bool DeriveReassignedFlag(const DeviceImage& image, const KeyRecordTable& records, int slot);

}  // namespace vandrel

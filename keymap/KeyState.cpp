#include "keymap/KeyState.h"

#include <cstring>

namespace vandrel {

bool IsKeyEnabled(const DeviceImage& image, int slot) {
    if (slot < 0 || slot >= kPhysicalSlots) return true;
    return (image.keyMask[slotMaskByte(slot)] & slotMaskBit(slot)) != 0;
}

void SetKeyEnabled(DeviceImage& image, int slot, bool enabled) {
    if (slot < 0 || slot >= kPhysicalSlots) return;
    uint8_t& b = image.keyMask[slotMaskByte(slot)];
    b = enabled ? static_cast<uint8_t>(b | slotMaskBit(slot)) : static_cast<uint8_t>(b & ~slotMaskBit(slot));
}

void ResetKeyRecordsToFactory(DeviceImage& image, KeyRecordTable& records, ReassignedFlags& flags) {
    flags.clear();
    std::memset(image.keyMask, 0xFF, sizeof image.keyMask);
    records.clear();
    records.restoreHomeCodes();
}

}  // namespace vandrel

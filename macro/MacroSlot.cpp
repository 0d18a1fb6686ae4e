#include "macro/MacroSlot.h"

#include <cstring>

namespace vandrel {

MacroSlot makeMacroSlot(const MacroRecord& record) {
    MacroSlot slot;
    const uint16_t loops = recordLoopCount(record);
    slot.loopHigh = static_cast<uint8_t>(loops >> 8);
    slot.loopLow = static_cast<uint8_t>(loops & 0xFF);
    std::memcpy(slot.usageEvents, record.usageEvents, kMacroEventBytes);
    return slot;
}

void SyncMacroSlots(const MacroStore& store, DeviceImage& image) {
    for (size_t n = 0; n < kMacroSlotCount && recordInUse(store[n]); ++n) {
        const MacroSlot slot = makeMacroSlot(store[n]);
        std::memcpy(image.macroSlots[n], &slot, sizeof slot);
    }
}

}  // namespace vandrel

#include "macro/HeldKeys.h"

#include <algorithm>

#include "macro/MacroEvent.h"

namespace vandrel {

std::vector<uint8_t> keysLeftHeld(const MacroRecord& record) {
    std::vector<uint8_t> held;
    for (const MacroEvent& e : readEventLists(record.usageEvents, record.vkEvents)) {
        const auto it = std::find(held.begin(), held.end(), e.vk);
        if (!e.released && it == held.end()) held.push_back(e.vk);
        if (e.released && it != held.end()) held.erase(it);
    }
    return held;
}

bool appendReleases(MacroRecord& record, const std::vector<uint8_t>& vks, const KeyNameTable& names) {
    std::vector<MacroEvent> events = readEventLists(record.usageEvents, record.vkEvents);
    for (auto it = vks.rbegin(); it != vks.rend(); ++it) events.push_back(MacroEvent{true, kNoDelay, names.usage(*it), *it});
    return writeEventLists(events, record.usageEvents, record.vkEvents);
}

}  // namespace vandrel

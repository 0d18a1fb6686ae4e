#pragma once
// A press or a release of a key by its virtual-key code: one event of a macro
// before it is encoded with its usage and delay.

#include <cstdint>

namespace vandrel {

struct KeyAction {
    uint8_t vk = 0;
    bool released = false;
    bool operator==(const KeyAction& o) const { return vk == o.vk && released == o.released; }
};

}  // namespace vandrel

#include "device/CommandFrame.h"

namespace vandrel {

CommandFrame CommandFrame::make(uint8_t command, std::initializer_list<uint8_t> payload) {
    CommandFrame f;
    f.bytes[1] = command;
    size_t i = 2;
    for (uint8_t b : payload) {
        if (i > 7) break;
        f.bytes[i++] = b;
    }
    f.seal();
    return f;
}

uint8_t CommandFrame::checksumOf(const uint8_t* frame9) {
    unsigned sum = 0;
    for (size_t i = 1; i <= 7; ++i) sum += frame9[i];
    return static_cast<uint8_t>(0xFF - (sum & 0xFF));
}

}  // namespace vandrel

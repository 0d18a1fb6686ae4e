#pragma once
// The 65-byte data report of the command channel: report id 0 and 64 data bytes.

#include <array>
#include <cstddef>
#include <cstdint>

namespace vandrel {

struct DataBlock {
    static constexpr size_t kSize = 65;
    static constexpr size_t kDataBytes = 64;
    std::array<uint8_t, kSize> bytes{};  // [0] report id (always 0), [1..64] data

    uint8_t* data() { return bytes.data() + 1; }
    const uint8_t* data() const { return bytes.data() + 1; }
    bool operator==(const DataBlock& o) const { return bytes == o.bytes; }
};

}  // namespace vandrel

#pragma once
// Fakes for the key capture and the counter, and byte helpers for macro tests.

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "keys/KeyNameTable.h"
#include "macro/MacroRecord.h"
#include "macro/RecorderPorts.h"

namespace vandrel::test {

struct FakeHook : MacroKeyHook {
    bool installResult = true;
    bool installed = false;
    bool install() override { return installed = installResult; }
    void remove() override { installed = false; }
};

// Counts milliseconds unless told otherwise.
struct FakeClock : PerfClock {
    int64_t now = 0;
    int64_t freq = 1000;
    int64_t counter() override { return now; }
    int64_t frequency() override { return freq; }
};

inline std::vector<uint8_t> bytes(std::initializer_list<int> b) {
    std::vector<uint8_t> v;
    for (int x : b) v.push_back(static_cast<uint8_t>(x));
    return v;
}

// The list's bytes up to the last non-zero one.
inline std::vector<uint8_t> listBytes(const uint8_t* list) {
    size_t n = kMacroEventBytes;
    while (n > 0 && list[n - 1] == 0) --n;
    return std::vector<uint8_t>(list, list + n);
}

inline void setList(uint8_t* list, const std::vector<uint8_t>& b) {
    std::memset(list, 0, kMacroEventBytes);
    if (!b.empty()) std::memcpy(list, b.data(), b.size());
}

// A record whose device form is the display form with each code's usage.
inline MacroRecord recordWith(const std::vector<uint8_t>& vkList) {
    MacroRecord r{};
    setList(r.vkEvents, vkList);
    setList(r.usageEvents, vkList);
    for (size_t i = 1; i < vkList.size();) {
        r.usageEvents[i] = keyNames().usage(vkList[i]);
        i += ((vkList[i - 1] & 0x7F) == 127) ? 4 : 2;
    }
    return r;
}

}  // namespace vandrel::test

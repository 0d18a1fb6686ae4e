#pragma once
// A session on the simulated keyboard with a virtual clock, and helpers that
// turn what the keyboard received into hex lines for tables.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "device/DeviceSession.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualClock.h"

namespace vandrel::test {

inline std::string hex(const uint8_t* p, size_t n) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof(b), i ? " %02X" : "%02X", p[i]);
        s += b;
    }
    return s;
}
inline std::string hex(const std::vector<uint8_t>& v) { return hex(v.data(), v.size()); }

// The command frames the keyboard received, as hex.
inline std::vector<std::string> framesOf(const std::vector<SimEvent>& events) {
    std::vector<std::string> out;
    for (const SimEvent& e : events)
        if (e.kind == SimEvent::Kind::SetFeature) out.push_back(hex(e.bytes));
    return out;
}

// Frames and written blocks in order: a frame as its hex, a block as "B".
inline std::vector<std::string> writesOf(const std::vector<SimEvent>& events) {
    std::vector<std::string> out;
    for (const SimEvent& e : events) {
        if (e.kind == SimEvent::Kind::SetFeature) out.push_back(hex(e.bytes));
        if (e.kind == SimEvent::Kind::WriteBlock) out.push_back("B");
    }
    return out;
}

// Waits in real time for a condition another thread makes true.
template <typename F>
bool eventually(F f, std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!f()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// An image in which every device section differs from the factory settings.
inline DeviceImage everythingChanged(DeviceImage im) {
    im.ledEffect = 51;
    im.ledSpeed = 2;
    for (auto& c : im.ledPalette) c[1] ^= 0x5A;
    im.gameMode = 0;
    im.reportRate = 0;
    im.responseTime = 9;
    for (size_t i = 0; i < kKeyMapBytes; i += 4) im.deviceKeyMap[i + 3] = 1;
    im.keyMask[7] = 0x0F;
    for (auto& slot : im.macroSlots) std::memset(slot, 0x21, kMacroSlotBytes);
    for (auto& map : im.diyMaps)
        for (size_t i = 0; i < kDiyMapBytes; ++i) map[i] = static_cast<uint8_t>(i);
    return im;
}

struct SimSession {
    explicit SimSession(SimOptions simOptions = {}, SessionOptions sessionOptions = {})
        : keyboard(clock, simOptions), session(keyboard, clock, sessionOptions) {}
    ~SimSession() { session.closeChannels(); }

    // Opens both channels and reads the keyboard as at start-up.
    void connect() {
        const OpenResult r = session.openChannels();
        ASSERT_TRUE(r.commandOpened);
        ASSERT_TRUE(r.listenOpened);
        ASSERT_EQ(session.initialRead(image, firmware), TransferOutcome::Completed);
        shadow = image;
        keyboard.clearRecord();
    }
    int64_t elapsedMsSince(int64_t startUs) { return (clock.nowUs() - startUs) / 1000; }

    VirtualClock clock;
    SimKeyboard keyboard;
    DeviceSession session;
    DeviceImage image{};
    ShadowImage shadow{};
    FirmwareVersion firmware;
};

}  // namespace vandrel::test

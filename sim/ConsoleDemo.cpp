// Runs the start-up read against the simulated keyboard on the real clock,
// prints the configuration, changes the brightness and one key, writes the
// changes back and prints what went over the wire.

#include <chrono>
#include <cstdio>
#include <string>

#include "device/Clock.h"
#include "device/DeviceSession.h"
#include "keymap/KeyTables.h"
#include "sim/SimKeyboard.h"

using namespace vandrel;

namespace {

std::string hex(const std::vector<uint8_t>& bytes, size_t max) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < bytes.size() && i < max; ++i) {
        std::snprintf(b, sizeof(b), "%02X ", bytes[i]);
        s += b;
    }
    if (bytes.size() > max) s += "...";
    return s;
}

const char* kindName(SimEvent::Kind k) {
    switch (k) {
        case SimEvent::Kind::SetFeature: return "frame ";
        case SimEvent::Kind::GetFeature: return "answer";
        case SimEvent::Kind::WriteBlock: return "block>";
        case SimEvent::Kind::ReadBlock: return "block<";
    }
    return "?";
}

void printConfig(const DeviceImage& im, const FirmwareVersion& fw) {
    std::printf("  firmware %u.%u\n", fw.major, fw.minor);
    std::printf("  lighting: effect %u, speed %u, brightness %u, colour %u, direction %u\n", im.ledEffect, im.ledSpeed,
                im.ledBrightness, im.ledColor, im.ledDirection);
    std::printf("  palette:");
    for (const auto& c : im.ledPalette) std::printf(" #%02X%02X%02X", c[0], c[1], c[2]);
    std::printf("\n  game mode %u, Windows-key lock %u, response time %u (%d ms), report rate %u\n", im.gameMode,
                im.winLock, im.responseTime, im.responseTime * 2, im.reportRate);
    std::printf("  key mask:");
    for (uint8_t b : im.keyMask) std::printf(" %02X", b);
    std::printf("\n");
}

}  // namespace

int main() {
    RealClock clock;
    SimKeyboard keyboard(clock);
    keyboard.setFirmwareVersion(1, 3);
    DeviceSession session(keyboard, clock);

    const OpenResult opened = session.openChannels();
    std::printf("channels: command %s, listen %s\n", opened.commandOpened ? "open" : "closed",
                opened.listenOpened ? "open" : "closed");
    if (!opened.commandOpened) return 1;

    DeviceImage image{};
    ShadowImage shadow{};
    FirmwareVersion firmware;
    auto t0 = std::chrono::steady_clock::now();
    TransferOutcome read = session.initialRead(image, firmware);
    auto ms = [&] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    };
    std::printf("initial read: %s in %.1f ms\n", transferOutcomeName(read), ms());
    shadow = image;
    printConfig(image, firmware);

    // Dim the keyboard and make the A key type B.
    const int slotA = 63;
    image.ledBrightness = 20;
    image.deviceKeyMap[SlotCellOffset[slotA] + 2] = 0x05;
    std::printf("\nchanged: brightness 50 -> 20, key A now types B\n");

    keyboard.clearRecord();
    t0 = std::chrono::steady_clock::now();
    const WriteResult w = session.writeAll(image, shadow, [](int done, int total) {
        std::printf("  progress %d/%d\n", done, total);
    });
    std::printf("write: %s, %d of %d steps, %.1f ms\n", transferOutcomeName(w.outcome), w.stepsDone, w.stepsTotal, ms());

    std::printf("\nsent to the keyboard:\n");
    const std::vector<SimEvent> events = keyboard.events();
    const int64_t start = events.empty() ? 0 : events.front().atUs;
    for (const SimEvent& e : events)
        std::printf("  %8.3f ms  %s  %s\n", (e.atUs - start) / 1000.0, kindName(e.kind), hex(e.bytes, 16).c_str());
    std::printf("acknowledgements: %d, protocol faults: %zu\n", keyboard.acknowledgementsSent(),
                keyboard.violations().size());
    const DeviceImage kb = keyboard.config();
    std::printf("keyboard now: brightness %u, key A entry %02X %02X %02X %02X\n", kb.ledBrightness,
                kb.deviceKeyMap[SlotCellOffset[slotA]], kb.deviceKeyMap[SlotCellOffset[slotA] + 1],
                kb.deviceKeyMap[SlotCellOffset[slotA] + 2], kb.deviceKeyMap[SlotCellOffset[slotA] + 3]);
    session.closeChannels();
    return w.ok() ? 0 : 1;
}

// Times the start-up read and a write of every section against the simulated
// keyboard on the real clock, and compares each with its protocol floor: the
// same sequence on the virtual clock, where only the mandated pauses and the
// acknowledgement latencies they do not hide take time.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "device/Clock.h"
#include "device/Commands.h"
#include "device/DeviceSession.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualClock.h"

using namespace vandrel;

namespace {

DeviceImage everythingChanged(DeviceImage im) {
    im.ledEffect = 51;
    im.ledSpeed = 2;
    for (auto& c : im.ledPalette) c[1] ^= 0x5A;
    im.gameMode ^= 1;
    im.reportRate = static_cast<uint8_t>((im.reportRate + 1) & 3);
    im.responseTime = 9;
    for (size_t i = 0; i < kKeyMapBytes; i += 4) im.deviceKeyMap[i + 3] ^= 1;
    im.keyMask[7] ^= 0x0F;
    for (auto& slot : im.macroSlots) slot[0] ^= 0x21;
    for (auto& map : im.diyMaps) map[5] ^= 0x33;
    return im;
}

struct Timing {
    double initialReadMs = 0;
    double writeAllMs = 0;
    double readBackMs = 0;  // the check of a save: every written section read back
    bool ok = true;
};

constexpr int64_t kAckLatencyUs = 2000;
constexpr int kAcknowledgedSteps = 44;

// One start-up read and one full write on the given clock; durations in the
// clock's own time.
Timing run(Clock& clock, int64_t ackLatencyUs = kAckLatencyUs) {
    SimOptions options;
    options.ackLatencyUs = ackLatencyUs;
    SimKeyboard keyboard(clock, options);
    DeviceSession session(keyboard, clock);
    Timing t;
    if (!session.openChannels().commandOpened) return Timing{0, 0, false};
    DeviceImage image{};
    FirmwareVersion fw;
    int64_t start = clock.nowUs();
    t.ok &= session.initialRead(image, fw) == TransferOutcome::Completed;
    t.initialReadMs = (clock.nowUs() - start) / 1000.0;
    ShadowImage shadow = image;
    image = everythingChanged(image);
    DeviceImage locked = image;
    applyWinLock(locked);
    const ChangeFlags sections = compareImages(locked, shadow);
    start = clock.nowUs();
    const WriteResult w = session.writeAll(image, shadow);
    t.writeAllMs = (clock.nowUs() - start) / 1000.0;
    t.ok &= w.ok() && w.stepsTotal == 45 && keyboard.violations().empty();
    start = clock.nowUs();
    const ReadBackResult check = session.readBack(image, sections);
    t.readBackMs = (clock.nowUs() - start) / 1000.0;
    t.ok &= check.matches() && keyboard.violations().empty();
    session.closeChannels();
    return t;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    VirtualClock virtualClock;
    const Timing floor = run(virtualClock);
    VirtualClock pausesOnlyClock;
    const Timing pauses = run(pausesOnlyClock, 0);
    if (!floor.ok || !pauses.ok) {
        std::printf("the simulated transfer failed on the virtual clock\n");
        return 1;
    }

    RealClock realClock;
    std::vector<double> reads, writes, checks;
    for (int i = 0; i < rounds; ++i) {
        const Timing t = run(realClock);
        if (!t.ok) {
            std::printf("round %d: the transfer failed\n", i + 1);
            return 1;
        }
        reads.push_back(t.initialReadMs);
        writes.push_back(t.writeAllMs);
        checks.push_back(t.readBackMs);
    }
    const double read = median(reads);
    const double write = median(writes);
    const double check = median(checks);
    std::printf("initial read: %8.1f ms, floor %6.1f ms, ratio %.3f (target <= 1.10)\n", read, floor.initialReadMs,
                read / floor.initialReadMs);
    std::printf("full write:   %8.1f ms, floor %6.1f ms, ratio %.3f (target <= 1.10)\n", write, floor.writeAllMs,
                write / floor.writeAllMs);
    const double sumFloor = pauses.writeAllMs + kAcknowledgedSteps * kAckLatencyUs / 1000.0;
    std::printf("              (pauses %.1f ms + %d acknowledgements x %.1f ms = %.1f ms, ratio %.3f)\n",
                pauses.writeAllMs, kAcknowledgedSteps, kAckLatencyUs / 1000.0, sumFloor, write / sumFloor);
    std::printf("save check:   %8.1f ms, floor %6.1f ms, ratio %.3f (target <= 1.10; read-back of the full write)\n",
                check, floor.readBackMs, check / floor.readBackMs);
    std::printf("median of %d rounds; the floor is the same sequence on the virtual clock\n", rounds);
    return 0;
}

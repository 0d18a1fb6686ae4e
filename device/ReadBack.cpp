#include "device/ReadBack.h"

#include <cstring>

#include "device/Commands.h"

namespace vandrel {

int readBackRequestCount(const ChangeFlags& f) {
    int n = f.lighting + f.gameMode + f.reportRate + f.responseTime + f.keyMap + f.keyMask;
    if (f.palette) n += static_cast<int>(kPaletteEntries);
    for (bool m : f.macro) n += m;
    for (bool d : f.diy) n += d;
    return n;
}

ReadBackResult runReadBack(CommandPort& port, const DeviceImage& sent, const ChangeFlags& f,
                           const WriteProgress& progress) {
    ReadBackResult r;
    const int total = readBackRequestCount(f);
    // What the keyboard reports lands in a copy of what was sent, so that the
    // comparison below sees only the bytes the keyboard answered with.
    DeviceImage got = sent;
    IoStatus worst = IoStatus::Ok;
    auto step = [&](IoStatus s) {
        ++r.requests;
        if (progress) progress(r.requests, total);
        worst = worseOf(worst, s);
        return s != IoStatus::Gone;
    };
    auto gone = [&] {
        r.outcome = TransferOutcome::DeviceGone;
        return r;
    };

    if (f.lighting && !step(commands::getLighting(port, got))) return gone();
    if (f.palette)
        for (int i = 0; i < static_cast<int>(kPaletteEntries); ++i)
            if (!step(commands::getColor(port, got, i))) return gone();
    if (f.gameMode && !step(commands::getGameMode(port, got))) return gone();
    if (f.reportRate && !step(commands::getReportRate(port, got))) return gone();
    if (f.responseTime && !step(commands::getResponseTime(port, got))) return gone();
    if (f.keyMap && !step(commands::readKeyMap(port, got))) return gone();
    if (f.keyMask && !step(commands::readKeyMask(port, got))) return gone();
    for (int s = 0; s < static_cast<int>(kMacroSlotCount); ++s)
        if (f.macro[s] && !step(commands::readMacro(port, got, s))) return gone();
    for (int m = 0; m < static_cast<int>(kDiyMapCount); ++m)
        if (f.diy[m] && !step(commands::readCustomLighting(port, got, m))) return gone();

    r.outcome = outcomeOf(worst);
    if (r.outcome != TransferOutcome::Completed) return r;
    // Only the sections read back can differ; the others are still the bytes sent.
    r.differing = compareImages(got, sent);
    return r;
}

}  // namespace vandrel

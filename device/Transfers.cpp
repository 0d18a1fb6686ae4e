#include "device/Transfers.h"

#include <cstring>

#include "device/Commands.h"

namespace vandrel {

namespace {
bool differs(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n) != 0; }
}  // namespace

bool ChangeFlags::any() const { return stepCount() > 0; }

int ChangeFlags::stepCount() const {
    int n = palette + gameMode + reportRate + responseTime + keyMap + keyMask;
    for (bool m : macro) n += m;
    for (bool d : diy) n += d;
    if (n > 0 || lighting) n += 2;
    return n;
}

ChangeFlags compareImages(const DeviceImage& im, const ShadowImage& sh) {
    ChangeFlags f;
    f.lighting = im.ledEffect != sh.ledEffect || im.ledSpeed != sh.ledSpeed || im.ledBrightness != sh.ledBrightness ||
                 im.ledColor != sh.ledColor || im.ledDirection != sh.ledDirection;
    f.palette = differs(im.ledPalette, sh.ledPalette, sizeof(im.ledPalette));
    f.gameMode = im.gameMode != sh.gameMode;
    f.reportRate = im.reportRate != sh.reportRate;
    f.responseTime = im.responseTime != sh.responseTime;
    f.keyMap = differs(im.deviceKeyMap, sh.deviceKeyMap, sizeof(im.deviceKeyMap));
    f.keyMask = differs(im.keyMask, sh.keyMask, sizeof(im.keyMask));
    for (size_t s = 0; s < kMacroSlotCount; ++s) f.macro[s] = differs(im.macroSlots[s], sh.macroSlots[s], kMacroSlotBytes);
    for (size_t m = 0; m < kDiyMapCount; ++m) f.diy[m] = differs(im.diyMaps[m], sh.diyMaps[m], kDiyMapBytes);
    return f;
}

TransferOutcome outcomeOf(IoStatus status) {
    switch (status) {
        case IoStatus::Ok: return TransferOutcome::Completed;
        case IoStatus::Gone: return TransferOutcome::DeviceGone;
        case IoStatus::Timeout:
        case IoStatus::Error: return TransferOutcome::IoError;
    }
    return TransferOutcome::IoError;
}

TransferOutcome runRead(CommandPort& port, DeviceImage& im, bool initial, FirmwareVersion* firmware) {
    IoStatus worst = IoStatus::Ok;
    // Each step runs one command; a gone keyboard ends the read at once.
    auto step = [&](IoStatus s) {
        worst = worseOf(worst, s);
        return s != IoStatus::Gone;
    };
    if (!step(commands::setGameModeOn(port))) return TransferOutcome::DeviceGone;
    if (initial) {
        FirmwareVersion fw;
        if (firmware) fw = *firmware;
        if (!step(commands::getFirmwareVersion(port, fw))) return TransferOutcome::DeviceGone;
        if (firmware) *firmware = fw;
    } else {
        port.clock().sleepMs(10);
    }
    if (!step(commands::getLighting(port, im))) return TransferOutcome::DeviceGone;
    for (int i = 0; i < static_cast<int>(kPaletteEntries); ++i)
        if (!step(commands::getColor(port, im, i))) return TransferOutcome::DeviceGone;
    if (!step(commands::getGameMode(port, im))) return TransferOutcome::DeviceGone;
    if (!step(commands::getReportRate(port, im))) return TransferOutcome::DeviceGone;
    if (!step(commands::getResponseTime(port, im))) return TransferOutcome::DeviceGone;
    if (!step(commands::readKeyMap(port, im))) return TransferOutcome::DeviceGone;
    if (!step(commands::readKeyMask(port, im))) return TransferOutcome::DeviceGone;
    for (int s = 0; s < static_cast<int>(kMacroSlotCount); ++s) {
        if (!step(commands::readMacro(port, im, s))) return TransferOutcome::DeviceGone;
        if (initial) port.clock().sleepUs(0);
    }
    for (int m = 0; m < static_cast<int>(kDiyMapCount); ++m)
        if (!step(commands::readCustomLighting(port, im, m))) return TransferOutcome::DeviceGone;
    return outcomeOf(worst);
}

WriteResult runWriteAll(CommandPort& port, AckWaiter& acks, DeviceImage& im, ShadowImage& shadow,
                        const WriteProgress& progress) {
    WriteResult r;
    applyWinLock(im);
    const ChangeFlags f = compareImages(im, shadow);
    r.stepsTotal = f.stepCount();
    if (r.stepsTotal == 0) return r;

    auto fail = [&](TransferOutcome o, WriteStep step, int index) {
        r.outcome = o;
        r.step = step;
        r.index = index;
        return r;
    };
    auto done = [&] {
        ++r.stepsDone;
        if (progress) progress(r.stepsDone, r.stepsTotal);
    };
    // Sends one step and waits for its acknowledgement; false when it failed.
    auto runStep = [&](WriteStep step, int index, auto&& send) -> bool {
        acks.clear();
        IoStatus s = send();
        if (s != IoStatus::Ok) {
            fail(outcomeOf(s), step, index);
            return false;
        }
        switch (acks.wait()) {
            case AckResult::Acked: break;
            case AckResult::TimedOut: fail(TransferOutcome::NoAcknowledgement, step, index); return false;
            case AckResult::Gone: fail(TransferOutcome::DeviceGone, step, index); return false;
        }
        done();
        return true;
    };

    // The steps up to the custom maps; false when one failed.
    auto steps = [&]() -> bool {
        if (!runStep(WriteStep::LightingOpen, -1, [&] {
                IoStatus s = commands::setLighting(port, im, 1);
                if (s == IoStatus::Ok) port.clock().sleepMs(10);
                return s;
            }))
            return false;
        if (f.palette && !runStep(WriteStep::Palette, -1, [&] {
                IoStatus s = IoStatus::Ok;
                for (int i = 0; i < static_cast<int>(kPaletteEntries) && s == IoStatus::Ok; ++i)
                    s = commands::setColor(port, im, i);
                return s;
            }))
            return false;
        if (f.gameMode && !runStep(WriteStep::GameMode, -1, [&] { return commands::setGameMode(port, im); }))
            return false;
        if (f.reportRate && !runStep(WriteStep::ReportRate, -1, [&] { return commands::setReportRate(port, im); }))
            return false;
        if (f.responseTime &&
            !runStep(WriteStep::ResponseTime, -1, [&] { return commands::setResponseTime(port, im); }))
            return false;
        if (f.keyMap && !runStep(WriteStep::KeyMap, -1, [&] { return commands::writeKeyMap(port, im); })) return false;
        if (f.keyMask && !runStep(WriteStep::KeyMask, -1, [&] { return commands::writeKeyMask(port, im); }))
            return false;
        for (int s = 0; s < static_cast<int>(kMacroSlotCount); ++s) {
            if (f.macro[s] && !runStep(WriteStep::Macro, s, [&] { return commands::writeMacro(port, im, s); }))
                return false;
        }
        for (int m = 0; m < static_cast<int>(kDiyMapCount); ++m) {
            if (f.diy[m] &&
                !runStep(WriteStep::CustomLighting, m, [&] { return commands::writeCustomLighting(port, im, m); }))
                return false;
        }
        return true;
    };
    if (!steps()) {
        // The opening frame darkened the keyboard; light it again unless it is gone.
        if (r.outcome != TransferOutcome::DeviceGone) commands::setLighting(port, im, 2);
        return r;
    }
    // The closing frame restores the brightness; the keyboard's acknowledgement
    // of it is not awaited.
    IoStatus s = commands::setLighting(port, im, 2);
    if (s != IoStatus::Ok) return fail(outcomeOf(s), WriteStep::LightingClose, -1);
    done();
    shadow = im;
    return r;
}

}  // namespace vandrel

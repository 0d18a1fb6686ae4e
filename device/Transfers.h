#pragma once
// The transfers of the whole configuration: the start-up read, ReadAll, and
// WriteAll, which sends only what differs from the shadow copy and waits for
// the keyboard to acknowledge each step.

#include "device/CommandPort.h"
#include "device/DeviceImage.h"
#include "device/TransferResult.h"

namespace vandrel {

// Which sections of the image differ from the shadow copy. The bytes without
// device data and winLock itself are not compared.
struct ChangeFlags {
    bool lighting = false;
    bool palette = false;
    bool gameMode = false;
    bool reportRate = false;
    bool responseTime = false;
    bool keyMap = false;
    bool keyMask = false;
    bool macro[kMacroSlotCount] = {};
    bool diy[kDiyMapCount] = {};

    bool any() const;
    // Numbered steps a write sends: the two lighting frames count one each.
    int stepCount() const;
};
ChangeFlags compareImages(const DeviceImage& image, const ShadowImage& shadow);

enum class AckResult { Acked, TimedOut, Gone };

// The acknowledgement the keyboard sends on the listen channel after a write.
class AckWaiter {
public:
    virtual ~AckWaiter() = default;
    virtual void clear() = 0;
    // Waits, up to one absolute deadline, for an acknowledgement since clear().
    virtual AckResult wait() = 0;
};

TransferOutcome outcomeOf(IoStatus status);

// initial: the start-up read (firmware version, a yield after each macro slot);
// otherwise ReadAll (a 10 ms pause after the game-mode frame). A failed request
// leaves its section as it was; the read goes on unless the keyboard is gone.
TransferOutcome runRead(CommandPort& port, DeviceImage& image, bool initial, FirmwareVersion* firmware);
WriteResult runWriteAll(CommandPort& port, AckWaiter& acks, DeviceImage& image, ShadowImage& shadow,
                        const WriteProgress& progress);

}  // namespace vandrel

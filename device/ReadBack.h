#pragma once
// Checking a write: the sections a write sent are read back from the keyboard
// and compared with what was sent, so that a save the keyboard did not keep
// is never taken for a saved configuration.

#include "device/CommandPort.h"
#include "device/DeviceImage.h"
#include "device/TransferResult.h"
#include "device/Transfers.h"

namespace vandrel {

struct ReadBackResult {
    // Completed when every section could be read; then `differing` names the
    // sections whose bytes on the keyboard are not the ones sent.
    TransferOutcome outcome = TransferOutcome::Completed;
    ChangeFlags differing;
    int requests = 0;  // read requests made (for progress and benchmarks)

    bool matches() const { return outcome == TransferOutcome::Completed && !differing.any(); }
};

// Requests a read-back of `sections` makes: one per setting or bulk section,
// seven for the palette.
int readBackRequestCount(const ChangeFlags& sections);

// Reads back the sections set in `sections` (as compareImages reported them
// before the write) and compares them with `sent`, the image as the write
// left it. Stops at once when the keyboard is gone. No setting is changed on
// the keyboard: only get and read requests are sent.
ReadBackResult runReadBack(CommandPort& port, const DeviceImage& sent, const ChangeFlags& sections,
                           const WriteProgress& progress = {});

}  // namespace vandrel
